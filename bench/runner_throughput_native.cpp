// Runner throughput on the fake platform: the logic's own cost.
#include "platform/fake/fake.h"
#include "runner_bench.h"

int main() {
    constexpr int kCount = 10000;
    fake::Reset();
    isWindowsNt = true;
    RegistryStore::EnsureStoreTree();
    bench::StoreKeyMacro("Bench", kCount);
    MainDialog dialog(fake::AddWindow("Keyloom"), nullptr, nullptr);

    double runner = 1e9, reads = 1e9;
    for (int round = 0; round < 5; ++round) {
        fake::ClearKeyEvents();
        runner = std::min(runner, bench::Time([&] { bench::RunMacro(dialog, "Bench"); }));
        reads = std::min(reads, bench::Time([&] { bench::BareReads("Bench", kCount); }));
    }
    bench::ReportRunner("fake platform, best of 5", kCount, runner, reads);
    return 0;
}
