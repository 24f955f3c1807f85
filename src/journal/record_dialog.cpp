#include "journal/record_dialog.h"

#include <cctype>

#include "common/messages.h"
#include "journal/recorder.h"
#include "store/message_text.h"
#include "store/recording_store.h"
#include "store/registry_store.h"

std::vector<StartWindow> startWindows;

namespace {

constexpr int kTitleCapacity = 1000;

// Takes a window when it is shown in some way: its placement is not hidden
// and it is visible.
win::BOOL KEYLOOM_CALLBACK CollectStartWindow(win::HWND window, win::LPARAM) {
    win::WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!win::GetWindowPlacement(window, &placement) || placement.showCmd == win::SW_HIDE ||
        !win::IsWindowVisible(window))
        return win::TRUE;
    char title[kTitleCapacity + 1] = {};
    const int length = win::GetWindowTextA(window, title, kTitleCapacity);
    std::string text(title, length > 0 ? static_cast<std::size_t>(length) : 0);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    startWindows.push_back(StartWindow{std::move(text), window});
    return win::TRUE;
}

void ShowBox(win::HWND owner, const char* text, const char* caption, win::UINT type) {
    win::MessageBoxA(owner, text, caption, win::MB_OK | type);
}

}  // namespace

RecordDialog::RecordDialog(win::HWND dialog, RowList& windowList, win::HWND mainWindow)
    : dialog_(dialog), windowList_(windowList), mainWindow_(mainWindow) {}

void RecordDialog::Initialize() {
    minimizeMain = false;
    Recorder().Discard();
    Recorder().recordFilter = 1;
    windowList_.AddColumn(kStartWindowHeading, windowList_.ClientWidth());
    startWindows.clear();
    win::EnumWindows(&CollectStartWindow, 0);
    for (const StartWindow& start : startWindows) windowList_.AppendRow(start.title);
}

void RecordDialog::OnFilter(std::int32_t filter) { Recorder().recordFilter = filter; }

void RecordDialog::OnRecord() {
    StopRecordingHooks();
    const int row = windowList_.SelectedRow();
    if (row < 0 || static_cast<std::size_t>(row) >= startWindows.size()) {
        ShowWarning(dialog_, "No starting window selected!");
        return;
    }
    const win::HWND start = startWindows[static_cast<std::size_t>(row)].window;
    const win::DWORD mainThread = win::GetCurrentThreadId();
    startThreadId = win::GetWindowThreadProcessId(start, nullptr);
    if (startThreadId != mainThread) {
        // Sharing the start window's input lets this thread make it the
        // foreground window.
        if (!win::AttachThreadInput(startThreadId, mainThread, win::TRUE)) {
            ShowError(dialog_, "Unable to attach to window you selected to start in!");
            return;
        }
        inputAttached = true;
    }
    if (start != mainWindow_ && start != win::GetDesktopWindow() && !win::SetForegroundWindow(start)) {
        ShowError(dialog_, "Unable to bring the selected window to the foreground!");
        StopRecordingHooks();
        return;
    }
    win::PostMessageA(dialog_, WM_RECORD_BEGIN, 0, 0);
}

RecordDialog::Close RecordDialog::OnBegin() {
    JournalRecorder& recorder = Recorder();
    if (!recorder.Allocate()) {
        ShowError(dialog_, "Error allocating memory!");
        StopRecordingHooks();
        return Close::Cancel;
    }
    if (minimizeMain) win::ShowWindow(mainWindow_, win::SW_SHOWMINNOACTIVE);
    switch (recorder.InstallHooks(dialog_)) {
    case HookInstall::Installed: break;
    case HookInstall::RecordHookRefused:
        recorder.Discard();
        ShowError(dialog_, "Unable to set hook for recording!");
        StopRecordingHooks();
        break;
    case HookInstall::WatchHookRefused:
        recorder.Discard();
        ShowError(dialog_, "Unable to set hook for message pump!");
        StopRecordingHooks();
        break;
    }
    return Close::No;
}

void RecordDialog::OnStopped() {
    StopRecordingHooks();
    ShowBox(dialog_, "Recording stopped!", "Attention", win::MB_ICONINFORMATION);
}

void RecordDialog::OnNoMemory() {
    StopRecordingHooks();
    Recorder().Discard();
    ShowBox(dialog_, "System error while recording.  Retry!", "Error", win::MB_ICONERROR | win::MB_SYSTEMMODAL);
}

// The events held are the longest recording the player loads; they stay
// for "Save".
void RecordDialog::OnFull() {
    StopRecordingHooks();
    ShowBox(dialog_, "Recording stopped!  It holds as many events as can be played back.", "Attention",
            win::MB_ICONWARNING);
}

void RecordDialog::OnCancelJournal() {
    StopRecordingHooks();
    Recorder().Discard();
    ShowBox(dialog_, "Recording has been terminated by the system!  Please try again!", "Attention",
            win::MB_ICONWARNING | win::MB_SYSTEMMODAL);
}

RecordDialog::Close RecordDialog::OnSave() {
    StopRecordingHooks();
    JournalRecorder& recorder = Recorder();
    if (!recorder.Holding()) {
        ShowWarning(dialog_, "A recording has not been made!");
        return Close::No;
    }
    if (recordingName.empty()) {
        ShowWarning(dialog_, "Recording name must not be empty!");
        return Close::No;
    }
    if (const std::string refusal = RecordingNameRefusal(recordingName); !refusal.empty()) {
        ShowWarning(dialog_, refusal);
        return Close::No;
    }
    // A save that fails half way leaves no half recording under a name that
    // was free: the list, which shows only saved recordings, keeps matching
    // the store. The events stay for another try.
    const std::string path = layout::RecordingFullPath(recordingName);
    const bool existed = RegistryStore::KeyExists(path);
    if (!recorder.Save(recordingName)) {
        if (!existed && RegistryStore::KeyExists(path)) RegistryStore::DeleteKeyTree(path);
        return Close::No;
    }
    recorder.Discard();
    return Close::Ok;
}

RecordDialog::Close RecordDialog::OnCancelButton() {
    OnEscape();
    return Close::Cancel;
}

void RecordDialog::OnEscape() {
    StopRecordingHooks();
    Recorder().Discard();
}

void RecordDialog::StopRecordingHooks() {
    Recorder().RemoveHooks();
    if (inputAttached) {
        win::AttachThreadInput(startThreadId, win::GetCurrentThreadId(), win::FALSE);
        inputAttached = false;
    }
    if (minimizeMain) win::ShowWindow(mainWindow_, win::SW_SHOWNORMAL);
}
