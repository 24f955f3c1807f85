// Runner throughput through the real registry: a macro of 10,000 key
// instructions beside the bare reads the runner must make for them.
#include "runner_bench.h"

int main() {
    constexpr int kCount = 10000;
    const std::string name = "Keyloom benchmark macro";
    isWindowsNt = true;
    if (!RegistryStore::EnsureStoreTree()) return 1;
    bench::StoreKeyMacro(name, kCount);
    bench::NoRows macros, recordings;
    MainDialog dialog(nullptr, macros, recordings);

    bench::MeasureRunner("real registry", kCount, 5, [&] { bench::RunMacro(dialog, name); },
                         [&] { bench::BareReads(name, kCount); });
    RegistryStore::DeleteKeyTree(layout::MacroFullPath(name));
    return 0;
}
