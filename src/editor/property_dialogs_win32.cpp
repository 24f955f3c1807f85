// The property dialogs' procedures: they fill the fields from the values,
// read them back on OK through the checks of property_dialogs.cpp, and show
// RUN's file chooser and folder browser. Project headers before <windows.h>.
#include "common/control_text.h"
#include "editor/property_dialogs.h"

#include <windows.h>
#include <shlobj.h>

#include "common/file_dialog_win32.h"

#include <string>

#include "resource.h"
#include "store/layout.h"

namespace {

win::HWND Seam(HWND window) { return reinterpret_cast<win::HWND>(window); }

// One dialog's filling, OK and further commands.
class PropertyDialog {
public:
    virtual ~PropertyDialog() = default;
    virtual void Fill(HWND dialog) = 0;
    // False keeps the dialog open.
    virtual bool Accept(HWND dialog) = 0;
    virtual void Command(HWND /*dialog*/, WORD /*id*/) {}
};

INT_PTR CALLBACK PropertyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        reinterpret_cast<PropertyDialog*>(lParam)->Fill(dialog);
        return TRUE;
    }
    auto* model = reinterpret_cast<PropertyDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (model == nullptr || message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        if (model->Accept(dialog)) EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;  // the button, Esc and the close box
    default: model->Command(dialog, LOWORD(wParam)); return TRUE;
    }
}

bool Show(win::HWND owner, int resource, PropertyDialog& model) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource), reinterpret_cast<HWND>(owner),
                           PropertyProc, reinterpret_cast<LPARAM>(&model)) == IDOK;
}

// A refused field gets the focus back with its whole text selected.
void Refuse(HWND dialog, int id) {
    HWND field = GetDlgItem(dialog, id);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

void SetText(HWND dialog, int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }
std::string Text(HWND dialog, int id) { return ControlText(Seam(dialog), id); }

class DelayDialog final : public PropertyDialog {
public:
    explicit DelayDialog(DelayValues* values) : values_(values) {}
    void Fill(HWND dialog) override { SetText(dialog, IDC_NUMBER, std::to_string(values_->delay)); }
    bool Accept(HWND dialog) override {
        if (AcceptDelay(Seam(dialog), Text(dialog, IDC_NUMBER), &values_->delay)) return true;
        Refuse(dialog, IDC_NUMBER);
        return false;
    }

private:
    DelayValues* values_;
};

class CopyFromDialog final : public PropertyDialog {
public:
    explicit CopyFromDialog(BufferValues* values) : values_(values) {}
    void Fill(HWND dialog) override { SetText(dialog, IDC_NUMBER, std::to_string(values_->bufferId)); }
    bool Accept(HWND dialog) override {
        if (AcceptBufferId(Seam(dialog), Text(dialog, IDC_NUMBER), &values_->bufferId)) return true;
        Refuse(dialog, IDC_NUMBER);
        return false;
    }

private:
    BufferValues* values_;
};

class PasteToDialog final : public PropertyDialog {
public:
    explicit PasteToDialog(PasteValues* values) : values_(values) {}
    void Fill(HWND dialog) override {
        SetText(dialog, IDC_NUMBER, std::to_string(values_->bufferId));
        SetText(dialog, IDC_INITIAL_VALUE, values_->initialValue);
    }
    bool Accept(HWND dialog) override {
        std::uint32_t bufferId = 0;
        if (!AcceptBufferId(Seam(dialog), Text(dialog, IDC_NUMBER), &bufferId)) {
            Refuse(dialog, IDC_NUMBER);
            return false;
        }
        values_->bufferId = bufferId;
        values_->initialValue = Text(dialog, IDC_INITIAL_VALUE);
        return true;
    }

private:
    PasteValues* values_;
};

class MessageBoxDialog final : public PropertyDialog {
public:
    explicit MessageBoxDialog(MessageBoxValues* values) : values_(values) {}
    void Fill(HWND dialog) override {
        SetText(dialog, IDC_WINDOW_TITLE, values_->title);
        SetText(dialog, IDC_MESSAGE_BODY, values_->body);
    }
    bool Accept(HWND dialog) override {
        values_->body = Text(dialog, IDC_MESSAGE_BODY);
        values_->title = Text(dialog, IDC_WINDOW_TITLE);
        return true;
    }

private:
    MessageBoxValues* values_;
};

class RunDialog final : public PropertyDialog {
public:
    explicit RunDialog(RunValues* values) : values_(values) {}
    void Fill(HWND dialog) override {
        SetText(dialog, IDC_COMMAND, values_->command);
        SetText(dialog, IDC_ARGUMENTS, values_->arguments);
        SetText(dialog, IDC_START_IN, values_->startIn);
        for (const char* entry : kRunListEntries)
            SendDlgItemMessageA(dialog, IDC_SHOW_STYLE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        SendDlgItemMessageA(dialog, IDC_SHOW_STYLE, CB_SETCURSEL, static_cast<WPARAM>(RunListEntry(values_->showStyle)),
                            0);
        CheckDlgButton(dialog, IDC_UNELEVATED, values_->unelevated ? BST_CHECKED : BST_UNCHECKED);
    }
    bool Accept(HWND dialog) override {
        const auto entry = static_cast<int>(SendDlgItemMessageA(dialog, IDC_SHOW_STYLE, CB_GETCURSEL, 0, 0));
        values_->showStyle = ShowStyleFromEntry(entry, values_->showStyle);
        values_->command = Text(dialog, IDC_COMMAND);
        values_->arguments = Text(dialog, IDC_ARGUMENTS);
        values_->startIn = Text(dialog, IDC_START_IN);
        values_->unelevated = IsDlgButtonChecked(dialog, IDC_UNELEVATED) == BST_CHECKED;
        return true;
    }
    void Command(HWND dialog, WORD id) override {
        if (id == IDC_BROWSE_COMMAND) BrowseCommand(dialog);
        if (id == IDC_BROWSE_START_IN) BrowseStartIn(dialog);
    }

private:
    // Only the browsed field changes: what is typed in the others stays.
    static void BrowseCommand(HWND dialog) {
        char path[MAX_PATH] = "";
        OPENFILENAMEA open{};
        open.lStructSize = sizeof open;
        open.hwndOwner = dialog;
        open.lpstrFilter = "Executable Files (.exe)\0*.EXE\0All Files (.*)\0*.*\0";
        open.nFilterIndex = 1;
        open.lpstrFile = path;
        open.nMaxFile = sizeof path;
        open.lpstrTitle = "Select file to be ran:";
        open.Flags = OFN_EXPLORER;
        if (filedialog::Open(&open) && path[0] != '\0') SetDlgItemTextA(dialog, IDC_COMMAND, path);
    }

    static void BrowseStartIn(HWND dialog) {
        char displayName[MAX_PATH] = "";
        BROWSEINFOA browse{};
        browse.hwndOwner = dialog;
        browse.pszDisplayName = displayName;
        browse.lpszTitle = "Select the directory you want the application to start in.";
        browse.ulFlags = BIF_RETURNONLYFSDIRS;
        LPITEMIDLIST folder = SHBrowseForFolderA(&browse);
        if (folder == nullptr) return;
        char path[MAX_PATH] = "";
        if (SHGetPathFromIDListA(folder, path))
            SetDlgItemTextA(dialog, IDC_START_IN, path);
        else
            MessageBoxA(dialog, "Error retrieving path!", "Error", MB_OK | MB_ICONERROR);
        // The folder's identifier list belongs to the shell's allocator.
        IMalloc* allocator = nullptr;
        if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator != nullptr) {
            allocator->Free(folder);
            allocator->Release();
        } else {
            MessageBoxA(dialog, "Unable to free resource!", "Error", MB_OK | MB_ICONERROR);
        }
    }

    RunValues* values_;
};

// TYPE TEXT's dialog is a Unicode one, so that its edit holds any
// character: the window procedures and texts go through the W calls.
struct TypeTextSession {
    TypeTextValues* values;
    WNDPROC editProc;
};

// The edit takes Tab as a character rather than a move to the next control:
// it asks the dialog for the key, its own key-down handling (which in a
// dialog moves the focus on) does not see it, and the character that
// follows is put in here, since an edit in a dialog may refuse it.
LRESULT CALLBACK TypedTextEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = reinterpret_cast<TypeTextSession*>(GetWindowLongPtrW(edit, GWLP_USERDATA));
    if (message == WM_KEYDOWN && wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0) return 0;
    if (message == WM_CHAR && wParam == L'\t') {
        SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\t"));
        return 0;
    }
    const LRESULT result = CallWindowProcW(session->editProc, edit, message, wParam, lParam);
    return message == WM_GETDLGCODE ? result | DLGC_WANTTAB : result;
}

std::u16string EditText(HWND edit) {
    const int length = GetWindowTextLengthW(edit);
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    wide.resize(static_cast<std::size_t>(GetWindowTextW(edit, wide.data(), length + 1)));
    return std::u16string(wide.begin(), wide.end());
}

INT_PTR CALLBACK TypeTextProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        auto* session = reinterpret_cast<TypeTextSession*>(lParam);
        HWND edit = GetDlgItem(dialog, IDC_TYPED_TEXT);
        SendMessageW(edit, EM_SETLIMITTEXT, layout::kLongestTypedText, 0);
        const std::wstring text(session->values->text.begin(), session->values->text.end());
        SetWindowTextW(edit, text.c_str());
        SetWindowLongPtrW(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(session));
        session->editProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TypedTextEditProc)));
        return TRUE;
    }
    auto* session = reinterpret_cast<TypeTextSession*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (session == nullptr || message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK: {
        HWND edit = GetDlgItem(dialog, IDC_TYPED_TEXT);
        std::u16string text = EditText(edit);
        if (!AcceptTypedText(Seam(dialog), &text)) {
            SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
            return TRUE;
        }
        session->values->text = std::move(text);
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return TRUE;
    }
}

}  // namespace

bool ShowTypeTextDialog(win::HWND owner, TypeTextValues* values) {
    TypeTextSession session{values, nullptr};
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TYPE_TEXT), reinterpret_cast<HWND>(owner),
                           TypeTextProc, reinterpret_cast<LPARAM>(&session)) == IDOK;
}

bool ShowDelayDialog(win::HWND owner, DelayValues* values) {
    DelayDialog dialog(values);
    return Show(owner, IDD_DELAY, dialog);
}

bool ShowCopyFromClipboardDialog(win::HWND owner, BufferValues* values) {
    CopyFromDialog dialog(values);
    return Show(owner, IDD_COPY_FROM_CLIPBOARD, dialog);
}

bool ShowPasteToClipboardDialog(win::HWND owner, PasteValues* values) {
    PasteToDialog dialog(values);
    return Show(owner, IDD_PASTE_TO_CLIPBOARD, dialog);
}

bool ShowMessageBoxDialog(win::HWND owner, MessageBoxValues* values) {
    MessageBoxDialog dialog(values);
    return Show(owner, IDD_MESSAGE_BOX, dialog);
}

bool ShowRunDialog(win::HWND owner, RunValues* values) {
    RunDialog dialog(values);
    return Show(owner, IDD_RUN, dialog);
}
