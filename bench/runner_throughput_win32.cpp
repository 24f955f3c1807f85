// Runner throughput through the real registry: a macro of 10,000 key
// instructions beside the bare reads the runner must make for them.
#include "runner_bench.h"

int main() {
    constexpr int kCount = 10000;
    const std::string name = "Keyloom benchmark macro";
    isWindowsNt = true;
    if (!RegistryStore::EnsureStoreTree()) return 1;
    bench::StoreKeyMacro(name, kCount);
    MainDialog dialog(nullptr, nullptr, nullptr);

    bench::MeasureRunner("real registry", kCount, 5, [&] { bench::RunMacro(dialog, name); },
                         [&] { bench::BareReads(name, kCount); });
    RegistryStore::DeleteKeyTree(RegistryStore::FullPath("\\Macros\\" + name));
    return 0;
}
