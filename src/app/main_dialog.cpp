#include "app/main_dialog.h"

#include "store/registry_store.h"

namespace {

constexpr int kNameColumnWidth = 125;

void InsertColumns(win::HWND list, const char* nameHeading, const char* secondHeading) {
    // The second column takes the rest of the client width, measured once.
    const int width = win::ListViewClientWidth(list);
    win::ListViewInsertColumn(list, 0, nameHeading, win::LVCFMT_LEFT, kNameColumnWidth);
    win::ListViewInsertColumn(list, 1, secondHeading, win::LVCFMT_LEFT, width - kNameColumnWidth);
}

}  // namespace

MainDialog::MainDialog(win::HWND window, win::HWND macroList, win::HWND recordingList)
    : window_(window), macroList_(macroList), recordingList_(recordingList) {}

bool MainDialog::InitializeContent() {
    win::OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    isWindowsNt = win::GetVersionExA(&version) && version.dwPlatformId == win::VER_PLATFORM_WIN32_NT;

    InsertColumns(macroList_, "Macro Name", "Hot Key");
    InsertColumns(recordingList_, "Recording Name", "Recording Type");

    const bool treeReady = RegistryStore::EnsureStoreTree();
    RegisterAllHotKeys();
    FillRecordingList();
    return treeReady;
}
