// The recording selection dialog's procedure: clicks and keys go to
// SelectRecordingDialog, whose state the radios and the percentage field
// then show. Project headers come before <windows.h>.
#include "common/control_text.h"
#include "common/row_list.h"
#include "editor/select_recording_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "resource.h"

namespace {

win::HWND Seam(HWND window) { return reinterpret_cast<win::HWND>(window); }

constexpr int kEventRadios[] = {IDC_RECORD_ALL, IDC_RECORD_KEYBOARD, IDC_RECORD_MOUSE};  // events 1, 2, 3

struct Session {
    RecordingChoice* choice;
    std::unique_ptr<RowList> list;
    std::unique_ptr<SelectRecordingDialog> model;
};

void ShowState(HWND dialog, const SelectRecordingDialog& model, bool withText) {
    CheckRadioButton(dialog, IDC_AS_RECORDED, IDC_DECREASE_SPEED, IDC_AS_RECORDED + model.speedChoice - 1);
    EnableWindow(GetDlgItem(dialog, IDC_SPEED_PERCENT), model.percentEnabled ? TRUE : FALSE);
    if (withText) SetDlgItemTextA(dialog, IDC_SPEED_PERCENT, model.percentText.c_str());
    // The event radios' ids are not contiguous: each is set on its own.
    for (int i = 0; i < 3; ++i) {
        CheckDlgButton(dialog, kEventRadios[i], model.checkedEvents == i + 1 ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(dialog, kEventRadios[i]), model.eventsEnabled[static_cast<std::size_t>(i)] ? TRUE : FALSE);
    }
}

INT_PTR CALLBACK SelectRecordingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* session = reinterpret_cast<Session*>(lParam);
        HWND list = GetDlgItem(dialog, IDC_RECORDINGS);
        ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
        session->list = ListViewRows(Seam(list));
        session->model = std::make_unique<SelectRecordingDialog>(Seam(dialog), *session->list, *session->choice);
        session->model->Initialize();
        ShowState(dialog, *session->model, true);
        return TRUE;
    }
    auto* session = reinterpret_cast<Session*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (session == nullptr || !session->model) return FALSE;
    SelectRecordingDialog& model = *session->model;
    switch (message) {
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != IDC_RECORDINGS) return FALSE;
        if (header->code == static_cast<UINT>(LVN_ITEMCHANGED)) {
            // Whatever moved the selection: the radios follow the row.
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
            if ((change->uChanged & LVIF_STATE) != 0 && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) != 0) {
                model.OnSelectionChanged();
                ShowState(dialog, model, false);
            }
        } else if (header->code == static_cast<UINT>(NM_CLICK) || header->code == static_cast<UINT>(NM_RCLICK)) {
            model.OnListClick();
            ShowState(dialog, model, false);
        } else if (header->code == static_cast<UINT>(LVN_KEYDOWN)) {
            model.OnListKey();
            ShowState(dialog, model, false);
        }
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_AS_RECORDED:
        case IDC_INCREASE_SPEED:
        case IDC_DECREASE_SPEED:
            ShowState(dialog, model, model.OnSpeed(LOWORD(wParam) - IDC_AS_RECORDED + 1));
            return TRUE;
        case IDC_RECORD_ALL: model.OnEvents(1); return TRUE;
        case IDC_RECORD_KEYBOARD: model.OnEvents(2); return TRUE;
        case IDC_RECORD_MOUSE: model.OnEvents(3); return TRUE;
        case IDOK:
            if (model.OnOk(ControlText(Seam(dialog), IDC_SPEED_PERCENT))) {
                *session->choice = model.Result();
                EndDialog(dialog, IDOK);
            } else if (model.fieldRefused) {
                HWND field = GetDlgItem(dialog, IDC_SPEED_PERCENT);
                if (IsWindowEnabled(field)) {
                    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
                    SendMessageA(field, EM_SETSEL, 0, -1);
                }
            }
            return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

}  // namespace

bool ShowSelectRecordingDialog(win::HWND owner, RecordingChoice* choice) {
    Session session{choice, nullptr, nullptr};
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SELECT_RECORDING),
                           reinterpret_cast<HWND>(owner), SelectRecordingProc, reinterpret_cast<LPARAM>(&session)) == IDOK;
}
