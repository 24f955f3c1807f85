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

    double runner = 1e9, reads = 1e9;
    for (int round = 0; round < 3; ++round) {
        runner = std::min(runner, bench::Time([&] { bench::RunMacro(dialog, name); }));
        reads = std::min(reads, bench::Time([&] { bench::BareReads(name, kCount); }));
    }
    bench::ReportRunner("real registry, best of 3", kCount, runner, reads);
    RegistryStore::DeleteKeyTree(RegistryStore::FullPath("\\Macros\\" + name));
    return 0;
}
