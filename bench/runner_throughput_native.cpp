// Runner throughput on the fake platform: the logic's own cost.
#include "platform/fake/fake.h"
#include "runner_bench.h"

int main() {
    const int count = bench::Quick() ? 1000 : 10000;
    const int rounds = bench::Quick() ? 1 : 5;
    fake::Reset();
    isWindowsNt = true;
    RegistryStore::EnsureStoreTree();
    bench::StoreKeyMacro("Bench", count);
    bench::NoRows macros, recordings;
    MainDialog dialog(fake::AddWindow("Keyloom"), macros, recordings);

    bench::MeasureRunner("fake platform", count, rounds, [&] { bench::StartRun(dialog, "Bench"); },
                         [&] { dialog.OnRunMacro(); },
                         [&] { bench::BareReads("Bench", count); }, [&] { bench::BareReadsBelow("Bench", count); }, [] {});
    return 0;
}
