// The rename dialog's procedure. Project headers come before <windows.h>.
#include "common/control_text.h"
#include "editor/edit_recording_dialog.h"

#include <windows.h>

#include <string>

#include "resource.h"

namespace {

INT_PTR CALLBACK EditRecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        const auto* model = reinterpret_cast<const EditRecordingDialog*>(lParam);
        SetDlgItemTextA(dialog, IDC_RECORDING_NAME, model->recordingName.c_str());
        return TRUE;
    }
    auto* model = reinterpret_cast<EditRecordingDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (model == nullptr || message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        model->recordingName = ControlText(reinterpret_cast<win::HWND>(dialog), IDC_RECORDING_NAME);
        if (model->OnOk(reinterpret_cast<win::HWND>(dialog))) EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

bool ShowEditRecordingDialog(win::HWND owner, std::string* name) {
    EditRecordingDialog model;
    model.recordingName = *name;
    if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_EDIT_RECORDING), reinterpret_cast<HWND>(owner),
                        EditRecordingProc, reinterpret_cast<LPARAM>(&model)) != IDOK)
        return false;
    *name = model.recordingName;
    return true;
}
