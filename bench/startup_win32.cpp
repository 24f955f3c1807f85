// Start-up with 1,000 stored macros: the main window's initialisation beside
// the bare registry reads, writes and RegisterHotKey calls it has to make.
#include "runner_bench.h"
#include "editor/key_names.h"
#include "bench_line.h"

#include <windows.h>
#include <commctrl.h>

namespace {

// 1,000 stored macros; 100 in a quick run.
int macros = 1000;

// 1,000 distinct combinations: 67 keys with 15 modifier sets.
void Combination(int i, std::int32_t* vk, std::int32_t* modifiers) {
    const int key = i % 67;
    *vk = key < 43 ? 0x30 + key : 0x70 + (key - 43);
    *modifiers = 1 + i / 67;
}

std::string Name(int i) { return "Keyloom benchmark " + std::to_string(1000 + i); }

HWND List(HWND parent) {
    return CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 300, 200, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// The least start-up takes: for each macro one open of its key below the
// Macros key held for the whole loop, the reads that decide its hot key
// through it (the key, whether the macro is on, where it works; the last
// two absent here, as for a macro stored before they were), its id's
// write, and RegisterHotKey.
void Bare(HWND window) {
    char name[255];
    UniqueKey macros;
    RegistryStore::OpenKey(layout::MacrosFullPath(), macros.put());
    for (DWORD i = 0; RegEnumKeyA(reinterpret_cast<HKEY>(macros.get()), i, name, sizeof name) == ERROR_SUCCESS; ++i) {
        std::int32_t vk = 0, modifiers = 0;
        UniqueKey key;
        RegOpenKeyExA(reinterpret_cast<HKEY>(macros.get()), name, 0, RegistryStore::kAccessBelow,
                      reinterpret_cast<HKEY*>(key.put()));
        RegistryStore::QueryDword(key.get(), layout::kHotKeyVk, &vk);
        RegistryStore::QueryDword(key.get(), layout::kHotKeyModifiers, &modifiers);
        std::int32_t enabled = 1, scope = 0;
        RegistryStore::QueryDword(key.get(), layout::kEnabled, &enabled);
        RegistryStore::QueryDword(key.get(), layout::kScope, &scope);
        RegisterHotKey(window, static_cast<int>(i), static_cast<UINT>(modifiers), static_cast<UINT>(vk));
        const DWORD id = i;
        RegSetValueExA(reinterpret_cast<HKEY>(key.get()), layout::kId, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&id), 4);
    }
}

// The macros' hot keys and the stop key, which each round's start-up
// registers again (a stop key still held would be told as taken, in a box).
void UnregisterAll(HWND window) {
    for (int i = 0; i < macros + 50; ++i) UnregisterHotKey(window, i);
    for (int id : MainDialog::kStopKeyIds) UnregisterHotKey(window, id);
}

}  // namespace

int main() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (bench::Quick()) macros = 100;
    const int rounds = bench::Quick() ? 1 : 9;
    isWindowsNt = true;
    if (!RegistryStore::EnsureStoreTree()) return 1;
    for (int i = 0; i < macros; ++i) {
        std::int32_t vk = 0, modifiers = 0;
        Combination(i, &vk, &modifiers);
        RegistryStore::CreateMacroKey(layout::CommandsPath(Name(i)));
        RegistryStore::WriteDword(vk, layout::MacroStorePath(Name(i)), layout::kHotKeyVk);
        RegistryStore::WriteDword(modifiers, layout::MacroStorePath(Name(i)), layout::kHotKeyModifiers);
    }
    HWND window = CreateWindowExA(0, "STATIC", "Keyloom benchmark", 0, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);

    // One start-up's initialisation, timed when `timed` is given.
    const auto initialise = [&](double* timed) {
        HWND macroList = List(window), recordingList = List(window);
        const auto macroRows = ListViewRows(reinterpret_cast<win::HWND>(macroList));
        const auto recordingRows = ListViewRows(reinterpret_cast<win::HWND>(recordingList));
        MainDialog dialog(reinterpret_cast<win::HWND>(window), *macroRows, *recordingRows);
        const double took = bench::Time([&] { dialog.InitializeContent(); });
        if (timed) *timed = took;
        UnregisterAll(window);
        DestroyWindow(macroList);
        DestroyWindow(recordingList);
    };
    // The first start on a machine restricts the store's access, key by key;
    // every later one finds it done. That first start is not timed.
    initialise(nullptr);

    double init = 1e9, bare = 1e9, rows = 1e9, names = 1e9, registerOnly = 1e9;
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round) {
        // The two in turn first, so that both meet the same load.
        double initRound = 0, bareRound = 0;
        const auto bareOnce = [&] {
            bareRound = bench::Time([&] { Bare(window); });
            UnregisterAll(window);
        };
        if (round % 2 == 1) bareOnce();
        initialise(&initRound);
        if (round % 2 == 0) bareOnce();
        init = std::min(init, initRound);
        bare = std::min(bare, bareRound);
        ratios.push_back(initRound / bareRound);
        HWND list = List(window);
        const auto listRows = ListViewRows(reinterpret_cast<win::HWND>(list));
        listRows->AddColumn("Macro Name", 125);
        listRows->AddColumn("Hot Key", 100);
        rows = std::min(rows, bench::Time([&] {
            ListFill fill(*listRows);
            for (int i = 0; i < macros; ++i) {
                const int row = listRows->AppendRow(Name(i));
                listRows->SetCell(row, 1, "CTRL + ALT + K");
            }
        }));
        DestroyWindow(list);
        {
            HWND l1 = List(window), l2 = List(window);
            const auto rows1 = ListViewRows(reinterpret_cast<win::HWND>(l1));
            const auto rows2 = ListViewRows(reinterpret_cast<win::HWND>(l2));
            MainDialog again(reinterpret_cast<win::HWND>(window), *rows1, *rows2);
            registerOnly = std::min(registerOnly, bench::Time([&] { again.RegisterAllHotKeys(); }));
            UnregisterAll(window);
            DestroyWindow(l1);
            DestroyWindow(l2);
        }
        names = std::min(names, bench::Time([&] {
            for (int i = 0; i < macros; ++i) {
                std::int32_t vk = 0, modifiers = 0;
                Combination(i, &vk, &modifiers);
                (void)HotKeyText(vk, modifiers);
            }
        }));
    }
    std::printf("start-up with %d stored macros (real registry and hot keys; times best of %d)\n", macros, rounds);
    std::printf("  initialisation:                 %8.1f ms\n", init * 1e3);
    std::printf("  bare reads, writes, hot keys:   %8.1f ms\n", bare * 1e3);
    std::printf("  RegisterAllHotKeys alone:       %8.1f ms\n", registerOnly * 1e3);
    std::printf("  of which list rows alone:       %8.1f ms\n", rows * 1e3);
    std::printf("  of which hot-key texts alone:   %8.1f ms\n", names * 1e3);
    std::printf("  initialisation adds %.1f%%, median of the rounds' ratios (goal: at most 20%%)\n",
                (bench::Median(ratios) - 1.0) * 100.0);
    bench::Figure(bench::Format("start-up with %d macros: initialisation", macros), bench::Format("%.1f ms", init * 1e3));
    bench::Figure("its floor: one open of each macro, its four reads, its id write and RegisterHotKey",
                  bench::Format("%.1f ms", bare * 1e3));
    bench::Goal("initialisation over its floor", bench::Format("%.2fx", bench::Median(ratios)), "at most 1.2x",
                bench::Median(ratios) <= 1.2);
    for (int i = 0; i < macros; ++i) RegistryStore::DeleteKeyTree(layout::MacroFullPath(Name(i)));
    return 0;
}
