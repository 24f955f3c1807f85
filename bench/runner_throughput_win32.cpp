// Runner throughput through the real registry: a macro of 2,000 key
// instructions beside the bare reads the runner must make for them.
#include "runner_bench.h"

int main() {
    // Short rounds, many of them: each pair meets much the same load on a
    // busy machine.
    const int count = bench::Quick() ? 1000 : 2000;
    const int rounds = bench::Quick() ? 1 : 15;
    const std::string name = "Keyloom benchmark macro";
    isWindowsNt = true;
    if (!RegistryStore::EnsureStoreTree()) return 1;
    bench::StoreKeyMacro(name, count);
    bench::NoRows macros, recordings;
    MainDialog dialog(nullptr, macros, recordings);

    bench::MeasureRunner("real registry", count, rounds, [&] { bench::StartRun(dialog, name); },
                         [&] { dialog.OnRunMacro(); },
                         [&] { bench::BareReads(name, count); }, [&] { bench::BareReadsBelow(name, count); });
    RegistryStore::DeleteKeyTree(layout::MacroFullPath(name));
    return 0;
}
