#include "app/main_dialog.h"

#include "exec/hot_keys.h"
#include "store/message_text.h"
#include "store/registry_store.h"
#include "store/store_security.h"
#include "store/work_keys.h"

namespace {

constexpr int kNameColumnWidth = 125;

void InsertColumns(RowList& list, const char* nameHeading, const char* secondHeading) {
    // The second column takes the rest of the client width, measured once.
    const int width = list.ClientWidth();
    list.AddColumn(nameHeading, kNameColumnWidth);
    list.AddColumn(secondHeading, width - kNameColumnWidth);
}

}  // namespace

MainDialog::MainDialog(win::HWND window, RowList& macroList, RowList& recordingList)
    : window_(window), macroList_(macroList), recordingList_(recordingList) {}

bool MainDialog::InitializeContent() {
    win::OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    isWindowsNt = win::GetVersionExA(&version) && version.dwPlatformId == win::VER_PLATFORM_WIN32_NT;

    InsertColumns(macroList_, "Macro Name", "Hot Key");
    InsertColumns(recordingList_, "Recording Name", "Recording Type");

    const bool treeReady = RegistryStore::EnsureStoreTree();
    // Runs on whatever the outcome: the store is usable as it is.
    if (treeReady) RegistryStore::RestrictStoreAccess();
    // What a change that did not finish left behind goes before anything is listed.
    // Its list of the macros serves the registration when nothing there
    // changed.
    std::vector<std::string> macroNames;
    const bool listed = treeReady && WorkKeys::CleanUp(&macroNames);
    hotkeys::Reset();
    // Before the macros' hot keys: a macro on the same combination cannot
    // take the key that stops it.
    RegisterStopKey();
    RegisterAllHotKeys(listed ? &macroNames : nullptr);
    FillRecordingList();
    OpenCommandChannel();
    return treeReady;
}

bool MainDialog::SelectedName(const RowList& list, const char* noSelection, int* row, std::string* name) const {
    *row = list.SelectedRow();
    *name = *row >= 0 ? list.Cell(*row, 0) : std::string();
    if (!name->empty()) return true;
    ShowWarning(window_, noSelection);
    return false;
}

void MainDialog::AddMacro(MacroEditors& editors) { editors.Open(true, -1); }

void MainDialog::EditMacro(MacroEditors& editors) {
    int row = -1;
    std::string name;
    if (SelectedName(macroList_, "No macro selected!", &row, &name)) editors.Open(false, row);
}
