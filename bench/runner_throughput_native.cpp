// Runner throughput on the fake platform: the logic's own cost.
#include "platform/fake/fake.h"
#include "runner_bench.h"

int main() {
    constexpr int kCount = 10000;
    fake::Reset();
    isWindowsNt = true;
    RegistryStore::EnsureStoreTree();
    bench::StoreKeyMacro("Bench", kCount);
    bench::NoRows macros, recordings;
    MainDialog dialog(fake::AddWindow("Keyloom"), macros, recordings);

    bench::MeasureRunner("fake platform", kCount, 5, [&] { bench::RunMacro(dialog, "Bench"); },
                         [&] { bench::BareReads("Bench", kCount); });
    return 0;
}
