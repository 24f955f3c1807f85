// The macro editor's load and save of a macro of 10,000 key instructions
// through the real registry, each beside the bare registry calls it has to
// make: for the load, an open of each instruction key with the queries of
// its code and its "KeyPressed"; for the save, the creates and writes of
// the macro's keys and values. Rounds alternate the two sides; the figure
// is the median of the rounds' ratios (goal: at most 1.2).
#include "editor/macro_editor.h"
#include "runner_bench.h"

#include <windows.h>

#include <cstdlib>

namespace {

int instructions = 10000;
const std::string kName = "Keyloom benchmark editor";

struct NoCaptions final : KeyCaptions {
    void SetCaption(int, const std::string&) override {}
};

void BareLoad() {
    for (int i = 0;; ++i) {
        UniqueKey key;
        if (RegistryStore::OpenKey(layout::MacroFullPath(layout::InstructionPath(kName, i)), key.put()) !=
            ERROR_SUCCESS)
            return;
        std::int32_t value = 0;
        if (RegistryStore::QueryDword(key.get(), layout::kId, &value) != ERROR_SUCCESS) return;
        RegistryStore::QueryDword(key.get(), layout::NameOf(layout::Field::KeyPressed), &value);
    }
}

win::LSTATUS Create(const std::string& macroPath, UniqueKey* key) {
    HKEY created = nullptr;
    const LSTATUS rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, layout::MacroFullPath(macroPath).c_str(), 0, nullptr, 0,
                                       RegistryStore::kAccess, nullptr, &created, nullptr);
    key->reset(reinterpret_cast<win::HKEY>(created));
    return rc;
}

void SetDword(const UniqueKey& key, const char* name, std::int32_t value) {
    win::RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const win::BYTE*>(&value), 4);
}

void BareSave(const std::string& name) {
    UniqueKey macro, commands;
    Create(name, &macro);
    Create(layout::CommandsPath(name), &commands);
    SetDword(macro, layout::kHotKeyVk, 0x88);
    SetDword(macro, layout::kHotKeyModifiers, 7);
    SetDword(macro, layout::kId, 9999);
    for (int i = 0; i < instructions; ++i) {
        UniqueKey key;
        Create(layout::InstructionPath(name, i), &key);
        SetDword(key, layout::kId, 'A' + i % 26);
        SetDword(key, layout::NameOf(layout::Field::KeyPressed), (i % 2) * 2);
    }
}

}  // namespace

int main() {
    const bool quick = std::getenv("KEYLOOM_BENCH_QUICK") != nullptr;
    const int rounds = quick ? 1 : 5;
    if (quick) instructions = 1000;
    isWindowsNt = true;
    if (!RegistryStore::EnsureStoreTree()) return 1;
    bench::StoreKeyMacro(kName, instructions);
    RegistryStore::WriteDword(0x88, layout::MacroStorePath(kName), layout::kHotKeyVk);
    RegistryStore::WriteDword(7, layout::MacroStorePath(kName), layout::kHotKeyModifiers);
    HWND window = CreateWindowExA(0, "STATIC", "Keyloom benchmark", 0, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    HWND bodyBox = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_NOTIFY, 0, 0, 200, 200, window, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    HWND commandBox = CreateWindowExA(0, "LISTBOX", "", WS_CHILD, 0, 0, 200, 200, window, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
    bench::NoRows macros;
    NoCaptions captions;
    CancelledDialogs dialogs;
    std::vector<double> loadRatios, saveRatios, loads, saves;
    for (int round = 0; round < rounds; ++round) {
        SendMessageA(bodyBox, LB_RESETCONTENT, 0, 0);
        SendMessageA(commandBox, LB_RESETCONTENT, 0, 0);
        const auto body = ListBoxLines(reinterpret_cast<win::HWND>(bodyBox));
        const auto commands = ListBoxLines(reinterpret_cast<win::HWND>(commandBox));
        // The editor in Edit mode on a list whose row 0 names the macro.
        struct OneRow final : RowList {
            int ClientWidth() const override { return 0; }
            void AddColumn(const std::string&, int) override {}
            int AppendRow(const std::string&) override { return -1; }
            int InsertRow(int, const std::string&) override { return 0; }
            void SetCell(int, int, const std::string&) override {}
            void RemoveRow(int) override {}
            int RowCount() const override { return 1; }
            std::string Cell(int, int) const override { return kName; }
            int SelectedRow() const override { return 0; }
            void SelectRow(int) override {}
            void SetRowData(int, std::int32_t) override {}
            std::int32_t RowData(int) const override { return 0; }
            void SetRedraw(bool) override {}
        } row;
        MacroEditDialog editor(reinterpret_cast<win::HWND>(window), reinterpret_cast<win::HWND>(window), row, *body,
                               *commands, captions, dialogs);
        editor.IsAdd = false;
        editor.EditIndex = 0;
        loads.push_back(bench::Time([&] { editor.Initialize(); }));
        const double bareLoad = bench::Time(BareLoad);
        loadRatios.push_back(loads.back() / bareLoad);
        if (editor.InstructionList.size() != static_cast<std::size_t>(instructions)) return 1;

        // Saved as a new macro, beside the same keys written bare.
        MacroEditDialog adding(reinterpret_cast<win::HWND>(window), reinterpret_cast<win::HWND>(window), macros,
                               *body, *commands, captions, dialogs);
        adding.InstructionList = editor.InstructionList;
        const std::string saved = kName + " saved", bare = kName + " bare";
        saves.push_back(bench::Time([&] { adding.Save(saved, HotKeyValue{0x88, 7}); }));
        const double bareSave = bench::Time([&] { BareSave(bare); });
        saveRatios.push_back(saves.back() / bareSave);
        RegistryStore::DeleteKeyTree(layout::MacroFullPath(saved));
        RegistryStore::DeleteKeyTree(layout::MacroFullPath(bare));
        UnregisterHotKey(window, hotKeyCounter);
    }
    RegistryStore::DeleteKeyTree(layout::MacroFullPath(kName));
    std::printf("editor load and save of %d key instructions (real registry, median of %d rounds)\n", instructions,
                rounds);
    std::printf("  load into the editor: %8.1f ms, %.2fx the bare opens and queries (goal: at most 1.2x)\n",
                bench::Median(loads) * 1e3, bench::Median(loadRatios));
    std::printf("  save from the editor: %8.1f ms, %.2fx the bare creates and writes (goal: at most 1.2x)\n",
                bench::Median(saves) * 1e3, bench::Median(saveRatios));
    bench::Goal(bench::Format("editor load, %d instructions", instructions),
                bench::Format("%.2fx bare reads", bench::Median(loadRatios)), "at most 1.2x",
                bench::Median(loadRatios) <= 1.2);
    bench::Goal(bench::Format("editor save, %d instructions", instructions),
                bench::Format("%.2fx bare writes", bench::Median(saveRatios)), "at most 1.2x",
                bench::Median(saveRatios) <= 1.2);
    return 0;
}
