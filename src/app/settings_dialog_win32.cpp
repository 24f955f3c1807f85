// The Settings dialog's procedure. Project headers come before <windows.h>.
#include "app/settings_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "resource.h"

namespace {

win::HWND Seam(HWND window) { return reinterpret_cast<win::HWND>(window); }

struct Session {
    MainDialog* main;
    std::unique_ptr<SettingsDialog> model;
};

bool open = false;

INT_PTR CALLBACK SettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* session = reinterpret_cast<Session*>(lParam);
        session->model = std::make_unique<SettingsDialog>(Seam(dialog), *session->main);
        const HotKeyValue initial = session->model->Initial();
        SendDlgItemMessageA(dialog, IDC_STOP_KEY, HKM_SETHOTKEY,
                            MAKEWORD(static_cast<BYTE>(initial.virtualKey), static_cast<BYTE>(initial.flags)), 0);
        // Opened from the tray menu over a hidden main window.
        SetForegroundWindow(dialog);
        return TRUE;
    }
    auto* session = reinterpret_cast<Session*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (session == nullptr || !session->model || message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK: {
        const auto value = static_cast<WORD>(SendDlgItemMessageA(dialog, IDC_STOP_KEY, HKM_GETHOTKEY, 0, 0));
        if (session->model->OnOk(HotKeyValue{LOBYTE(value), HIBYTE(value)})) EndDialog(dialog, IDOK);
        return TRUE;
    }
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;  // the button, Esc and the close box
    default: return FALSE;
    }
}

}  // namespace

void ShowSettingsDialog(win::HWND owner, MainDialog& main) {
    // The tray menu stays reachable while the dialog is open.
    if (open) return;
    open = true;
    Session session{&main, nullptr};
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETTINGS), reinterpret_cast<HWND>(owner),
                    SettingsProc, reinterpret_cast<LPARAM>(&session));
    open = false;
}
