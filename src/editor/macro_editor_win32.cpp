// The macro editor's procedure: it makes the keyboard's buttons from their
// table, binds MacroEditDialog to the controls and routes the commands; the
// property dialogs it opens are those of property_dialogs_win32.cpp.
// Project headers come before <windows.h>.
#include "common/control_text.h"
#include "editor/keyboard.h"
#include "editor/macro_editor.h"
#include "editor/select_recording_dialog.h"
#include "exec/scope.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "resource.h"

namespace {

win::HWND Seam(HWND window) { return reinterpret_cast<win::HWND>(window); }

// A button shows "&" only when it is doubled: a single one marks the next
// character as the button's access key.
std::string ButtonText(const std::string& caption) {
    std::string text;
    for (char c : caption) {
        if (c == '&') text += '&';
        text += c;
    }
    return text;
}

class ButtonCaptions final : public KeyCaptions {
public:
    void SetDialog(HWND dialog) { dialog_ = dialog; }
    void SetCaption(int id, const std::string& caption) override {
        SetDlgItemTextA(dialog_, id, ButtonText(caption).c_str());
    }

private:
    HWND dialog_ = nullptr;
};

class WindowInstructionDialogs final : public InstructionDialogs {
public:
    void SetOwner(HWND owner) { owner_ = Seam(owner); }
    bool Delay(DelayValues* values) override { return ShowDelayDialog(owner_, values); }
    bool CopyFromClipboard(BufferValues* values) override { return ShowCopyFromClipboardDialog(owner_, values); }
    bool PasteToClipboard(PasteValues* values) override { return ShowPasteToClipboardDialog(owner_, values); }
    bool MessageBoxProperties(MessageBoxValues* values) override { return ShowMessageBoxDialog(owner_, values); }
    bool Run(RunValues* values) override { return ShowRunDialog(owner_, values); }
    bool SelectRecording(RecordingChoice* choice) override { return ShowSelectRecordingDialog(owner_, choice); }
    bool TypeText(TypeTextValues* values) override { return ShowTypeTextDialog(owner_, values); }

private:
    win::HWND owner_ = nullptr;
};

struct Session {
    HWND mainWindow;
    RowList* macroList;
    bool isAdd;
    int editIndex;
    std::unique_ptr<LineList> body;
    std::unique_ptr<LineList> commands;
    ButtonCaptions captions;
    WindowInstructionDialogs dialogs;
    std::unique_ptr<MacroEditDialog> model;
};

// The keyboard's buttons, in their table's order, take their place in the
// tab order right after the command list.
void MakeKeyboard(HWND dialog) {
    const auto font = static_cast<WPARAM>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    HWND after = GetDlgItem(dialog, IDC_COMMANDS);
    for (const KeyButton& key : KeyboardButtons()) {
        RECT rect{key.x, key.y, key.x + key.width, key.y + key.height};
        MapDialogRect(dialog, &rect);
        HWND button = CreateWindowExA(0, "BUTTON", ButtonText(key.caption).c_str(),
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, rect.left, rect.top,
                                      rect.right - rect.left, rect.bottom - rect.top, dialog,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(key.id)),
                                      GetModuleHandleA(nullptr), nullptr);
        SendMessageA(button, WM_SETFONT, font, FALSE);
        SetWindowPos(button, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = button;
    }
}

std::u16string ProgramsText(HWND dialog) {
    HWND edit = GetDlgItem(dialog, IDC_SCOPE_PROGRAMS);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1);
    const int length = GetWindowTextW(edit, buffer.data(), static_cast<int>(buffer.size()));
    return std::u16string(buffer.begin(), buffer.begin() + std::max(length, 0));
}

void SetProgramsText(HWND dialog, const std::u16string& text) {
    const std::wstring wide(text.begin(), text.end());
    SetDlgItemTextW(dialog, IDC_SCOPE_PROGRAMS, wide.c_str());
}

std::int32_t ScopeMode(HWND dialog) {
    const auto index = static_cast<std::int32_t>(SendDlgItemMessageA(dialog, IDC_SCOPE_MODE, CB_GETCURSEL, 0, 0));
    return index < scope::AllPrograms || index > scope::AllExcept ? scope::AllPrograms : index;
}

void ShowScopeMode(HWND dialog) {
    const BOOL uses = scope::UsesPrograms(ScopeMode(dialog)) ? TRUE : FALSE;
    EnableWindow(GetDlgItem(dialog, IDC_SCOPE_PROGRAMS), uses);
    EnableWindow(GetDlgItem(dialog, IDC_SCOPE_PICK), uses);
}

// The Pick list: the programs' names in a list box; OK hands back the
// selected one.
struct PickSession {
    std::vector<std::u16string> programs;
    std::u16string chosen;
};

INT_PTR CALLBACK PickProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* session = reinterpret_cast<PickSession*>(lParam);
        for (const std::u16string& program : session->programs) {
            const std::wstring wide(program.begin(), program.end());
            SendDlgItemMessageW(dialog, IDC_PICK_PROGRAMS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        }
        SendDlgItemMessageW(dialog, IDC_PICK_PROGRAMS, LB_SETCURSEL, 0, 0);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    auto* session = reinterpret_cast<PickSession*>(GetWindowLongPtrA(dialog, DWLP_USER));
    const WORD id = LOWORD(wParam);
    if (id == IDOK || (id == IDC_PICK_PROGRAMS && HIWORD(wParam) == LBN_DBLCLK)) {
        // The list is unsorted: its rows are the programs in their order.
        const auto row = SendDlgItemMessageW(dialog, IDC_PICK_PROGRAMS, LB_GETCURSEL, 0, 0);
        if (row >= 0 && static_cast<std::size_t>(row) < session->programs.size())
            session->chosen = session->programs[static_cast<std::size_t>(row)];
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

void PickProgram(HWND dialog) {
    PickSession session{scope::VisiblePrograms(), {}};
    if (DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PICK_PROGRAM), dialog, PickProc,
                        reinterpret_cast<LPARAM>(&session)) != IDOK ||
        session.chosen.empty())
        return;
    SetProgramsText(dialog, scope::AddProgram(ProgramsText(dialog), session.chosen));
}

INT_PTR OnInit(HWND dialog, Session* session) {
    MakeKeyboard(dialog);
    session->body = ListBoxLines(Seam(GetDlgItem(dialog, IDC_MACRO_BODY)));
    session->commands = ListBoxLines(Seam(GetDlgItem(dialog, IDC_COMMANDS)));
    session->captions.SetDialog(dialog);
    session->dialogs.SetOwner(dialog);
    session->model = std::make_unique<MacroEditDialog>(Seam(dialog), Seam(session->mainWindow), *session->macroList,
                                                       *session->body, *session->commands, session->captions,
                                                       session->dialogs);
    MacroEditDialog& model = *session->model;
    model.IsAdd = session->isAdd;
    model.EditIndex = session->editIndex;
    model.Initialize();
    SetDlgItemTextA(dialog, IDC_MACRO_NAME, model.macroName.c_str());
    CheckRadioButton(dialog, IDC_KEY_DOWN_ONLY, IDC_NORMAL_KEY_STROKE, IDC_NORMAL_KEY_STROKE);
    SetWindowTextA(dialog, model.Title().c_str());
    SetDlgItemTextA(dialog, IDC_REPEAT, std::to_string(model.repeat).c_str());
    for (const char* choice : scope::kModeNames)
        SendDlgItemMessageA(dialog, IDC_SCOPE_MODE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    SendDlgItemMessageA(dialog, IDC_SCOPE_MODE, CB_SETCURSEL, static_cast<WPARAM>(model.macroScope.mode), 0);
    SetProgramsText(dialog, model.macroScope.programs);
    ShowScopeMode(dialog);
    CheckDlgButton(dialog, IDC_ENABLED, model.enabled ? BST_CHECKED : BST_UNCHECKED);
    if (model.hotKeyPreset.virtualKey != 0)
        SendDlgItemMessageA(dialog, IDC_HOT_KEY, HKM_SETHOTKEY,
                            MAKEWORD(model.hotKeyPreset.virtualKey, model.hotKeyPreset.flags), 0);
    // The focus starts in the name box, the first tab stop, whatever the
    // buttons made above did to the dialog's idea of it.
    SetFocus(GetDlgItem(dialog, IDC_MACRO_NAME));
    return FALSE;
}

INT_PTR OnCommand(HWND dialog, MacroEditDialog& model, WORD id, WORD notification) {
    if (id >= kFirstKeyButton && id <= kLastKeyButton) {
        model.OnKeyButton(id);
        return TRUE;
    }
    switch (id) {
    case IDC_KEY_DOWN_ONLY: model.SetKeyMode(KeyDownOnly); return TRUE;
    case IDC_KEY_UP_ONLY: model.SetKeyMode(KeyUpOnly); return TRUE;
    case IDC_NORMAL_KEY_STROKE: model.SetKeyMode(NormalKeyStroke); return TRUE;
    case IDC_INSERT_COMMAND: model.InsertCommand(); return TRUE;
    case IDC_COMMANDS:
        if (notification == LBN_DBLCLK) model.InsertCommand();
        return TRUE;
    case IDC_MACRO_BODY:
        if (notification == LBN_DBLCLK || notification == LBN_SELCANCEL) model.ClearBodySelection();
        return TRUE;
    case IDC_DELETE_INSTRUCTION: model.DeleteInstruction(); return TRUE;
    case IDC_EDIT_INSTRUCTION: model.EditInstruction(); return TRUE;
    case IDC_SCOPE_MODE:
        if (notification == CBN_SELCHANGE) ShowScopeMode(dialog);
        return TRUE;
    case IDC_SCOPE_PICK: PickProgram(dialog); return TRUE;
    case IDOK: {
        if (!model.AcceptRepeat(ControlText(Seam(dialog), IDC_REPEAT))) {
            HWND field = GetDlgItem(dialog, IDC_REPEAT);
            SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
            SendMessageA(field, EM_SETSEL, 0, -1);
            return TRUE;
        }
        model.macroScope = scope::MacroScope{ScopeMode(dialog), ProgramsText(dialog)};
        const auto value = static_cast<WORD>(SendDlgItemMessageA(dialog, IDC_HOT_KEY, HKM_GETHOTKEY, 0, 0));
        model.enabled = IsDlgButtonChecked(dialog, IDC_ENABLED) == BST_CHECKED;
        if (model.Save(ControlText(Seam(dialog), IDC_MACRO_NAME), HotKeyValue{LOBYTE(value), HIBYTE(value)}))
            EndDialog(dialog, IDOK);
        return TRUE;
    }
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;  // the button, Esc and the close box
    default: return FALSE;
    }
}

INT_PTR CALLBACK EditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return OnInit(dialog, reinterpret_cast<Session*>(lParam));
    }
    auto* session = reinterpret_cast<Session*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (session == nullptr || !session->model || message != WM_COMMAND) return FALSE;
    return OnCommand(dialog, *session->model, LOWORD(wParam), HIWORD(wParam));
}

}  // namespace

void ShowMacroEditor(win::HWND owner, RowList& macroList, bool isAdd, int editIndex) {
    Session session{reinterpret_cast<HWND>(owner), &macroList, isAdd, editIndex, nullptr, nullptr, {}, {}, nullptr};
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MACRO_EDIT), reinterpret_cast<HWND>(owner),
                    EditorProc, reinterpret_cast<LPARAM>(&session));
}
