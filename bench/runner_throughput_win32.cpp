// Runner throughput through the real registry: a macro of 2,000 key
// instructions beside the bare reads the runner must make for them and the
// keys it must send. The keys go to a window of this program in front, whose
// queue is served between the timed parts, so that no other program works
// on them while a part is timed.
#include "runner_bench.h"

#include <windows.h>

#include "drain_win32.h"

int main() {
    // Short rounds, many of them: each pair meets much the same load on a
    // busy machine.
    const int count = bench::Quick() ? 1000 : 2000;
    const int rounds = bench::Quick() ? 1 : 15;
    const std::string name = "Keyloom benchmark macro";
    isWindowsNt = true;
    if (!RegistryStore::EnsureStoreTree()) return 1;
    bench::StoreKeyMacro(name, count);
    HWND target = CreateWindowExA(0, "STATIC", "Keyloom runner benchmark target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                  0, 300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(target);
    SetFocus(target);
    bench::NoRows macros, recordings;
    MainDialog dialog(nullptr, macros, recordings);

    bench::MeasureRunner("real registry", count, rounds, [&] { bench::StartRun(dialog, name); },
                         [&] { dialog.OnRunMacro(); },
                         [&] { bench::BareReads(name, count); }, [&] { bench::BareReadsBelow(name, count); }, bench::Drain);
    RegistryStore::DeleteKeyTree(layout::MacroFullPath(name));
    DestroyWindow(target);
    return 0;
}
