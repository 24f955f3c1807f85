// The Import dialog's procedure. Project headers come before <windows.h>.
#include "common/row_list.h"
#include "exchange/import_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "resource.h"

namespace exchange {
namespace {

struct ImportWindow {
    ImportPlan* plan;
    std::unique_ptr<RowList> rows;
    std::unique_ptr<ImportDialog> model;
};

void EnableChoices(HWND dialog, const ImportDialog& model) {
    const BOOL enable = model.CanChoose() ? TRUE : FALSE;
    for (int id : {IDC_IMPORT_REPLACE, IDC_IMPORT_KEEP_BOTH, IDC_IMPORT_SKIP}) EnableWindow(GetDlgItem(dialog, id), enable);
}

INT_PTR CALLBACK ImportProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* window = reinterpret_cast<ImportWindow*>(lParam);
        HWND list = GetDlgItem(dialog, IDC_IMPORT_LIST);
        SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        window->rows = ListViewRows(reinterpret_cast<win::HWND>(list));
        window->model = std::make_unique<ImportDialog>(*window->plan, *window->rows);
        window->model->Initialize();
        SetDlgItemTextA(dialog, IDC_IMPORT_SUMMARY, window->model->Summary().c_str());
        EnableChoices(dialog, *window->model);
        return TRUE;
    }
    auto* window = reinterpret_cast<ImportWindow*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (window == nullptr || !window->model) return FALSE;
    ImportDialog& model = *window->model;
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == IDC_IMPORT_LIST && header->code == LVN_ITEMCHANGED) EnableChoices(dialog, model);
        return FALSE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDC_IMPORT_REPLACE: model.Choose(Choice::Replace); return TRUE;
    case IDC_IMPORT_KEEP_BOTH: model.Choose(Choice::KeepBoth); return TRUE;
    case IDC_IMPORT_SKIP: model.Choose(Choice::Skip); return TRUE;
    case IDOK: EndDialog(dialog, IDOK); return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

bool ShowImportDialog(win::HWND owner, ImportPlan* plan) {
    ImportWindow window{plan, nullptr, nullptr};
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_IMPORT), reinterpret_cast<HWND>(owner),
                           ImportProc, reinterpret_cast<LPARAM>(&window)) == IDOK;
}

}  // namespace exchange
