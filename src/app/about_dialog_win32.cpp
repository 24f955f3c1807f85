// The seam's header comes before <windows.h>: once the system headers have
// defined their constants as macros, the seam's names of the same spelling no
// longer parse.
#include "app/about_dialog.h"
#include "editor/about_box.h"

#include <windows.h>

#include "resource.h"

namespace {

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_DISCLAIMER, AboutDisclaimerText());
        // TRUE leaves the focus to the dialog manager, which gives it to OK,
        // the first tab stop. Had the focus gone to the edit control, the
        // dialog manager would have selected the whole text.
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:  // Esc, and the close box through DefDlgProc
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

void ShowAboutBox(win::HWND owner) {
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUTBOX), reinterpret_cast<HWND>(owner),
                    AboutProc, 0);
}
