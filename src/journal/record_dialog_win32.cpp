// The Record dialog's procedure: moves the name and the clicks between the
// controls and RecordDialog, and ends the dialog when the model says so.
// Project headers first: the seam's constants share their names with the
// macros of <windows.h>.
#include "common/control_text.h"
#include "common/messages.h"
#include "journal/record_dialog.h"
#include "journal/recorder.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "resource.h"

namespace {

win::HWND Seam(HWND window) { return reinterpret_cast<win::HWND>(window); }

struct RecordSession {
    HWND mainWindow;
    std::unique_ptr<RowList> windowList;
    std::unique_ptr<RecordDialog> model;
    std::string savedName;
};

void Finish(HWND dialog, RecordSession* session, RecordDialog::Close close) {
    switch (close) {
    case RecordDialog::Close::No: break;
    case RecordDialog::Close::Ok:
        session->savedName = session->model->recordingName;
        EndDialog(dialog, IDOK);
        break;
    case RecordDialog::Close::Cancel: EndDialog(dialog, IDCANCEL); break;
    }
}

INT_PTR CALLBACK RecordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* session = reinterpret_cast<RecordSession*>(lParam);
        HWND list = GetDlgItem(dialog, IDC_START_WINDOWS);
        ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
        session->windowList = ListViewRows(Seam(list));
        session->model = std::make_unique<RecordDialog>(Seam(dialog), *session->windowList, Seam(session->mainWindow));
        session->model->Initialize();
        CheckDlgButton(dialog, IDC_RECORD_ALL, BST_CHECKED);
        CheckDlgButton(dialog, IDC_MINIMIZE_MAIN, BST_UNCHECKED);
        return TRUE;
    }
    auto* session = reinterpret_cast<RecordSession*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (session == nullptr || !session->model) return FALSE;
    RecordDialog& model = *session->model;
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_RECORD_ALL: model.OnFilter(1); return TRUE;
        case IDC_RECORD_KEYBOARD: model.OnFilter(2); return TRUE;
        case IDC_RECORD_MOUSE: model.OnFilter(3); return TRUE;
        case IDC_MINIMIZE_MAIN: model.OnMinimizeClicked(); return TRUE;
        case IDC_RECORD: model.OnRecord(); return TRUE;
        case IDOK:
            model.recordingName = ControlText(Seam(dialog), IDC_RECORD_NAME);
            Finish(dialog, session, model.OnSave());
            return TRUE;
        case IDC_RECORD_CANCEL: Finish(dialog, session, model.OnCancelButton()); return TRUE;
        case IDCANCEL: model.OnEscape(); return TRUE;  // Escape and the close box keep the dialog
        default: return FALSE;
        }
    case WM_RECORD_BEGIN: Finish(dialog, session, model.OnBegin()); return TRUE;
    case WM_RECORD_STOPPED: model.OnStopped(); return TRUE;
    case WM_RECORD_NOMEMORY: model.OnNoMemory(); return TRUE;
    case WM_RECORD_FULL: model.OnFull(); return TRUE;
    case WM_CANCELJOURNAL: model.OnCancelJournal(); return TRUE;
    case WM_DESTROY:
        // However the dialog goes, no hook outlives it.
        model.StopRecordingHooks();
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

bool ShowRecordDialog(win::HWND owner, std::string* name, std::int32_t* filter) {
    RecordSession session{reinterpret_cast<HWND>(owner), nullptr, nullptr, {}};
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RECORD),
                                           reinterpret_cast<HWND>(owner), RecordProc,
                                           reinterpret_cast<LPARAM>(&session));
    if (result != IDOK) return false;
    *name = session.savedName;
    *filter = Recorder().recordFilter;
    return true;
}
