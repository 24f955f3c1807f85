// The main window as a Windows dialog, and the program's entry point.
// Project headers first: the seam's constants share their names with the
// macros of <windows.h>, which must come after them.
#include "app/about_dialog.h"
#include "app/instance.h"
#include "app/main_dialog.h"
#include "app/settings_dialog.h"
#include "app/tray_icon.h"
#include "common/messages.h"
#include "common/row_list.h"
#include "editor/edit_recording_dialog.h"
#include "editor/macro_editor.h"
#include "exchange/import_dialog.h"
#include "exec/message_wait.h"
#include "input/input_thread.h"
#include "journal/record_dialog.h"
#include "journal/player.h"
#include "platform/unique_handle.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "common/file_dialog_win32.h"

#include <memory>

#include "resource.h"

namespace {

win::HWND Seam(HWND window) { return reinterpret_cast<win::HWND>(window); }

using UniqueIcon = UniqueHandle<HICON, &DestroyIcon>;

// BeginPaint and EndPaint around one WM_PAINT.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintScope() { EndPaint(window_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// The recording commands' dialogs, owned by the main window.
class WindowRecordingDialogs final : public RecordingDialogs {
public:
    void SetOwner(HWND owner) { owner_ = Seam(owner); }
    bool Record(std::string* name, std::int32_t* filter) override { return ShowRecordDialog(owner_, name, filter); }
    bool Rename(std::string* name) override { return ShowEditRecordingDialog(owner_, name); }

private:
    win::HWND owner_ = nullptr;
};

// The macro editor over the main window, on its Macros list.
class WindowMacroEditors final : public MacroEditors {
public:
    void Bind(HWND owner, RowList* macroList) {
        owner_ = Seam(owner);
        macroList_ = macroList;
    }
    void Open(bool isAdd, int editIndex) override { ShowMacroEditor(owner_, *macroList_, isAdd, editIndex); }

private:
    win::HWND owner_ = nullptr;
    RowList* macroList_ = nullptr;
};

// The system's save and open dialogs for the exchange file, and the Import
// dialog, owned by the main window.
class WindowExchangeDialogs final : public ExchangeDialogs {
public:
    void SetOwner(HWND owner) { owner_ = owner; }
    bool ExportPath(std::string* path) override { return Ask(path, true); }
    bool ImportPath(std::string* path) override { return Ask(path, false); }
    bool ChooseImport(exchange::ImportPlan* plan) override { return exchange::ShowImportDialog(Seam(owner_), plan); }

private:
    bool Ask(std::string* path, bool save) {
        char file[MAX_PATH] = "keyloom-macros.json";
        if (!save) file[0] = '\0';
        OPENFILENAMEA dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = owner_;
        dialog.lpstrFilter = "Keyloom files (*.json)\0*.json\0All files (*.*)\0*.*\0";
        dialog.lpstrFile = file;
        dialog.nMaxFile = sizeof file;
        dialog.lpstrDefExt = "json";
        dialog.Flags = OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY |
                       (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
        if (!(save ? filedialog::Save(&dialog) : filedialog::Open(&dialog))) return false;
        *path = file;
        return true;
    }

    HWND owner_ = nullptr;
};

class MainWindow {
public:
    explicit MainWindow(HINSTANCE instance) : instance_(instance) {
        // LoadIconA's icon is shared and never destroyed; LoadImageA's is
        // the program's own.
        icon_ = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KEYLOOM));
        smallIcon_.reset(static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_KEYLOOM), IMAGE_ICON,
                                                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
        taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
        shutdownRequest_ = RegisterWindowMessageA(kShutdownRequestName);
    }

    bool Create() {
        return CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_KEYLOOM_DIALOG), nullptr, &MainWindow::Thunk,
                                  reinterpret_cast<LPARAM>(this)) != nullptr;
    }

    // Serves the window's messages until Shutdown ends it. The window stays
    // hidden until the user shows it from the notification area. While a
    // recording is injected, the loop also wakes when the player's timer
    // says the next event is due.
    // The waits inside a run (DELAY, the pause before a macro) serve the
    // same messages through ServeQueued while the loop is running.
    INT_PTR RunModalLoop() {
        serving_ = this;
        exec::SetMessagePump(&MainWindow::ServeForWait);
        while (ServeQueued()) {
            // Read afresh each time: the player closes its timer when a
            // playback ends.
            HANDLE timer = PlaybackTimer();
            const DWORD count = timer != nullptr ? 1 : 0;
            const DWORD woke = MsgWaitForMultipleObjectsEx(count, count != 0 ? &timer : nullptr, INFINITE,
                                                           QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (count != 0 && woke == WAIT_OBJECT_0) {
                OnPlaybackTimer();
            } else if (woke == WAIT_FAILED) {
                // A handle the wait refuses must not make the loop spin.
                WaitMessage();
            }
        }
        exec::SetMessagePump(nullptr);
        serving_ = nullptr;
        return result_;
    }

    void Destroy() {
        if (window_) DestroyWindow(window_);
        window_ = nullptr;
    }

    HWND Window() const { return window_; }

private:
    // Serves what is queued now. False once the window has ended or WM_QUIT
    // came, which ends the outer loop too.
    bool ServeQueued() {
        MSG msg;
        while (!ended_ && !quit_ && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit_ = true;
                break;
            }
            if (!IsDialogMessageA(window_, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        return !ended_ && !quit_;
    }

    static bool ServeForWait() { return serving_ != nullptr && serving_->ServeQueued(); }

    static INT_PTR CALLBACK Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(window, DWLP_USER, lParam);
            auto* self = reinterpret_cast<MainWindow*>(lParam);
            self->window_ = window;
            return self->OnInitDialog();
        }
        auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, DWLP_USER));
        if (!self) return FALSE;
        const INT_PTR result = self->Proc(message, wParam, lParam);
        self->FollowPlaybackTimer();
        return result;
    }

    // The loop above waits on the player's timer, but a modal dialog or box
    // runs a loop of its own. While a playback is under way a coarse window
    // timer backs the player's timer up, so that playing goes on (at the
    // window timer's pace) until the nested loop ends.
    void FollowPlaybackTimer() {
        const bool playing = PlaybackTimer() != nullptr;
        if (playing == backstopSet_) return;
        if (playing)
            SetTimer(window_, kBackstopTimer, USER_TIMER_MINIMUM, nullptr);
        else
            KillTimer(window_, kBackstopTimer);
        backstopSet_ = playing;
    }

    void OnBackstopTimer() {
        HANDLE timer = PlaybackTimer();
        if (timer != nullptr && WaitForSingleObject(timer, 0) == WAIT_OBJECT_0) OnPlaybackTimer();
    }

    INT_PTR OnInitDialog() {
        char aboutText[64] = {};
        if (LoadStringA(instance_, IDS_ABOUTBOX, aboutText, sizeof aboutText) > 0) {
            if (HMENU systemMenu = GetSystemMenu(window_, FALSE)) {
                AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
                AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
            }
        }
        SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_.get() : icon_));
        tray::Add(Seam(window_), icon_, "Keyloom");
        LetShellMessagesThrough(Seam(window_));

        // Before any hook: every low-level hook lives on the input thread.
        // Without it the hooks are refused and say so when they are needed.
        input::StartInputThread(Seam(window_));
        recordingDialogs_.SetOwner(window_);
        exchangeDialogs_.SetOwner(window_);
        macroList_ = ListViewRows(Seam(GetDlgItem(window_, IDC_MACRO_LIST)));
        recordingList_ = ListViewRows(Seam(GetDlgItem(window_, IDC_RECORDING_LIST)));
        dialog_ = std::make_unique<MainDialog>(Seam(window_), *macroList_, *recordingList_);
        macroEditors_.Bind(window_, macroList_.get());
        if (!dialog_->InitializeContent()) End(0);
        return TRUE;
    }

    void End(INT_PTR result) {
        ended_ = true;
        result_ = result;
        // Wakes the loop if it is waiting for a message.
        PostMessageA(window_, WM_NULL, 0, 0);
    }

    void Shutdown() {
        if (dialog_) dialog_->OnShutdown();
        tray::Remove(Seam(window_));
        End(IDOK);
    }

    void ShowMainWindow() {
        ShowWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
    }

    void OnTrayNotify(LPARAM lParam) {
        switch (LOWORD(lParam)) {
        case WM_LBUTTONDOWN: ShowMainWindow(); break;
        case WM_RBUTTONDOWN: OnTrayMenu(); break;
        default: break;
        }
    }

    void OnTrayMenu() {
        if (!dialog_) return;
        tray::MenuState state;
        state.macros = dialog_->MacroNames();
        state.running = dialog_->macroRunning != 0;
        state.suspended = dialog_->Suspended();
        std::size_t macro = 0;
        switch (tray::TrackMenu(Seam(window_), state, &macro)) {
        case tray::Choice::Shutdown: Shutdown(); break;
        case tray::Choice::ShowMainWindow: ShowMainWindow(); break;
        case tray::Choice::Run: dialog_->RunMacroNamed(state.macros[macro]); break;
        case tray::Choice::Suspend:
            dialog_->SetSuspended(!state.suspended);
            tray::SetTip(Seam(window_), dialog_->TrayTip());
            break;
        case tray::Choice::Settings: OpenSettings(); break;
        case tray::Choice::None: break;
        }
    }

    // "Settings..." of the tray menu: the Settings dialog opens here.
    void OpenSettings() {
        if (dialog_) ShowSettingsDialog(Seam(window_), *dialog_);
    }

    void PaintMinimised() {
        PaintScope paint(window_);
        SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.dc()), 0);
        RECT client;
        GetClientRect(window_, &client);
        const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(paint.dc(), x, y, icon_);
    }

    INT_PTR OnCommand(WORD id) {
        switch (id) {
        case IDOK: Shutdown(); return TRUE;
        case IDCANCEL:
        case IDC_CLOSE: ShowWindow(window_, SW_HIDE); return TRUE;
        case IDC_ADD_MACRO: dialog_->AddMacro(macroEditors_); return TRUE;
        case IDC_EDIT_MACRO: dialog_->EditMacro(macroEditors_); return TRUE;
        case IDC_DELETE_MACRO: dialog_->DeleteMacro(); return TRUE;
        case IDC_ADD_RECORDING: dialog_->AddRecording(recordingDialogs_); return TRUE;
        case IDC_EDIT_RECORDING: dialog_->EditRecording(recordingDialogs_); return TRUE;
        case IDC_DELETE_RECORDING: dialog_->DeleteRecording(); return TRUE;
        case IDC_EXPORT: dialog_->Export(exchangeDialogs_, recordingsUsedLast_); return TRUE;
        case IDC_IMPORT: dialog_->Import(exchangeDialogs_); return TRUE;
        default: return FALSE;
        }
    }

    INT_PTR Proc(UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == taskbarCreated_ && taskbarCreated_ != 0) {
            // The shell restarted and lost every icon: without ours the user
            // could neither reach nor end the program.
            tray::Add(Seam(window_), icon_, dialog_ ? dialog_->TrayTip() : "Keyloom");
            return TRUE;
        }
        if (message == shutdownRequest_ && shutdownRequest_ != 0) {
            SetWindowLongPtrA(window_, DWLP_MSGRESULT, dialog_ ? dialog_->OnShutdownRequest() : kShutdownRefused);
            return TRUE;
        }
        switch (message) {
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
                ShowAboutBox(Seam(window_));
                return TRUE;
            }
            return FALSE;
        case WM_PAINT:
            if (!IsIconic(window_)) return FALSE;
            PaintMinimised();
            return TRUE;
        case WM_QUERYDRAGICON: return reinterpret_cast<INT_PTR>(icon_);
        case WM_COMMAND: return OnCommand(LOWORD(wParam));
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            // Export takes its selection from the list used last.
            if (header->code == static_cast<UINT>(NM_SETFOCUS) || header->code == static_cast<UINT>(NM_CLICK)) {
                if (header->idFrom == IDC_MACRO_LIST) recordingsUsedLast_ = false;
                if (header->idFrom == IDC_RECORDING_LIST) recordingsUsedLast_ = true;
                return FALSE;
            }
            if (header->code != static_cast<UINT>(NM_DBLCLK)) return FALSE;
            if (header->idFrom == IDC_MACRO_LIST)
                dialog_->EditMacro(macroEditors_);
            else if (header->idFrom == IDC_RECORDING_LIST)
                dialog_->EditRecording(recordingDialogs_);
            else
                return FALSE;
            SetWindowLongPtrA(window_, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        case WM_TIMER:
            if (wParam != kBackstopTimer) return FALSE;
            OnBackstopTimer();
            return TRUE;
        case WM_HOTKEY: dialog_->OnHotKey(static_cast<int>(wParam)); return TRUE;
        case WM_RUN_MACRO: dialog_->OnRunMacro(); return TRUE;
        case WM_INPUT_RECORD: input::DeliverRecords(); return TRUE;
        case WM_CANCELJOURNAL: dialog_->OnCancelJournal(); return TRUE;
        case WM_COPYDATA:
            SetWindowLongPtrA(window_, DWLP_MSGRESULT,
                              dialog_ ? dialog_->OnCopyData(reinterpret_cast<const win::COPYDATASTRUCT*>(lParam)) : 0);
            return TRUE;
        case WM_TRAY_NOTIFY:
            OnTrayNotify(lParam);
            SetWindowLongPtrA(window_, DWLP_MSGRESULT, 0);
            return TRUE;
        default: return FALSE;
        }
    }

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HICON icon_ = nullptr;
    UniqueIcon smallIcon_;
    UINT taskbarCreated_ = 0;
    UINT shutdownRequest_ = 0;
    static constexpr UINT_PTR kBackstopTimer = 1;
    bool backstopSet_ = false;
    bool ended_ = false;
    bool quit_ = false;
    static inline MainWindow* serving_ = nullptr;
    INT_PTR result_ = 0;
    std::unique_ptr<RowList> macroList_;
    std::unique_ptr<RowList> recordingList_;
    std::unique_ptr<MainDialog> dialog_;
    WindowRecordingDialogs recordingDialogs_;
    WindowMacroEditors macroEditors_;
    WindowExchangeDialogs exchangeDialogs_;
    bool recordingsUsedLast_ = false;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // One instance per session: a second one ends silently.
    InstanceLock instanceLock;
    if (!instanceLock.Acquire()) return 0;
    // The main window's own class (the dialog template names it), by which
    // the setup program finds it: a dialog's class with the dialog's extra
    // bytes and the dialog manager's procedure.
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefDlgProcA;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_KEYLOOM));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kMainWindowClass;
    if (!RegisterClassExA(&windowClass)) return 1;

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_HOTKEY_CLASS};
    InitCommonControlsEx(&controls);
    // The folder browser of the RUN dialog is a shell object.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    MainWindow main(instance);
    if (!main.Create()) return 1;
    const INT_PTR result = main.RunModalLoop();
    // Ended other than by Shutdown (the store could not be made): the icon
    // must not outlive the process.
    if (result != IDOK) tray::Remove(Seam(main.Window()));
    // Shutdown has ended any run or playback and removed their hooks; the
    // input thread goes last, joined before the process ends.
    input::StopInputThread();
    main.Destroy();
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}
