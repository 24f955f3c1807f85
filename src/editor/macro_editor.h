// The macro editor (dialog 130): the macro's name, its hot key and its body
// of instructions, composed from the on-screen keyboard and the command
// list, loaded from the store and saved to it. This is the dialog's model;
// macro_editor_win32.cpp binds it to the controls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/row_list.h"
#include "editor/instruction.h"
#include "editor/line_list.h"
#include "editor/property_dialogs.h"
#include "exec/hot_keys.h"
#include "exec/scope.h"
#include "platform/win.h"
#include "store/layout.h"
#include "store/work_keys.h"

// The keyboard buttons' captions.
class KeyCaptions {
public:
    virtual ~KeyCaptions() = default;
    virtual void SetCaption(int id, const std::string& caption) = 0;
};

// A hot-key control's value: the virtual key and its modifier flags 1
// Shift, 2 Ctrl, 4 Alt, 8 extended key.
struct HotKeyValue {
    std::uint16_t virtualKey = 0;
    std::uint16_t flags = 0;
};
// The control's flags in RegisterHotKey's layout (1 Alt, 2 Ctrl, 4 Shift),
// the extended-key flag dropped, and back.
std::int32_t ModifiersFromControl(std::uint16_t flags);
std::uint16_t ControlFromModifiers(std::int32_t modifiers);

enum KeyMode : std::int32_t { KeyDownOnly = 1, KeyUpOnly = 2, NormalKeyStroke = 3 };

class MacroEditDialog {
public:
    // `dialog` owns the message boxes; `mainWindow` receives the hot keys;
    // `macroList` is the main window's Macros list.
    MacroEditDialog(win::HWND dialog, win::HWND mainWindow, RowList& macroList, LineList& body, LineList& commands,
                    KeyCaptions& captions, InstructionDialogs& dialogs);

    // Set by the main window before the dialog is shown.
    bool IsAdd = true;
    std::int32_t EditIndex = -1;

    // When the dialog opens: the name, the command list and, in Edit mode,
    // the body and the hot key from the store.
    void Initialize();
    std::string Title() const { return IsAdd ? "Keyloom - Add Macro" : "Keyloom - Edit Macro"; }

    void SetKeyMode(std::int32_t mode) { KeyMode = mode; }
    void InsertKey(std::int32_t code);
    // A click on keyboard button `id` (1005 to 1117).
    void OnKeyButton(int id);
    void InsertCommand();
    void DeleteInstruction();
    void EditInstruction();
    void ClearBodySelection();
    // "Save" with the name box's text and the hot-key control's value: true
    // when the macro is saved and the dialog closes.
    bool Save(const std::string& name, HotKeyValue hotKey);
    // The Repeat field's text (1171), read before Save: false, told, when
    // it is no number from 0 to 1000000; the focus then goes back to it.
    bool AcceptRepeat(std::string_view text);

    void LoadMacroBody();
    bool SaveNewMacro(std::int32_t row);
    bool SaveEditedMacro();

    std::string macroName;
    HotKeyValue hotKeyPreset;  // what the hot-key control shows when the dialog opens
    // How many times a run carries out the body; 0 until stopped. Edit mode
    // loads the stored one (absent: 1) and the Repeat field shows it.
    std::int32_t repeat = layout::kDefaultRepeat;
    // The "Enabled" box: loaded in Edit mode (on for a macro stored without
    // it), set by the view before Save. A macro that is off is saved with
    // Enabled 0 and registers no hot key.
    bool enabled = true;
    std::int32_t KeyMode = NormalKeyStroke;
    // "Works in:": loaded in Edit mode, set from the controls before Save.
    scope::MacroScope macroScope;
    // Element i is the instruction line i of the body shows.
    std::vector<Instruction> InstructionList;

private:
    // Places a line and its instruction at `index`, or at the end for -1,
    // where the list box took the line: the index of both, or -1 when it
    // took none (said, and no instruction added).
    int Place(int index, const Instruction& instruction, bool fromInsertion);
    // Takes line `index` and its instruction out again.
    void Unplace(int index);
    void ShowCaptions(bool shifted);
    // Asks the property dialog of the instruction's kind; false when there
    // is none or it was cancelled.
    bool AskProperties(Instruction* instruction);
    // The checks Save makes beyond the name and the hot key: a name the
    // store would take for a path, one too long to read back, one that
    // addresses another macro.
    bool NameCanBeStored(const std::string& name);
    // The checks of "Works in:" and of the hot key against the other
    // macros' (one that would run in the same programs refuses the save).
    bool ScopeCanBeStored();
    // Writes the macro with hot-key id `id` below Macros\<key>; false at the
    // first failure, which the store has shown.
    bool WriteMacroTree(const std::string& key, std::int32_t id);
    // Writes the macro whole under a work key with a new hot-key id and puts
    // it in the place of `oldName` (empty: none) under macroName.
    WorkKeys::Outcome StoreWhole(const std::string& oldName, std::string* stamp);
    void RegisterSavedHotKey();

    win::HWND dialog_;
    win::HWND mainWindow_;
    RowList& macroList_;
    LineList& body_;
    LineList& commands_;
    KeyCaptions& captions_;
    InstructionDialogs& dialogs_;

    std::string oldName_;          // Edit mode: the name the macro is stored under
    std::int32_t virtualKey_ = 0;  // the hot key being saved
    std::int32_t modifiers_ = 0;
    std::int32_t newId_ = 0;
    // The other macros with hot keys, as Save found them.
    std::vector<hotkeys::User> users_;
    // After a Save that could neither put the new macro in place nor the old
    // one back: the stamp of the old macro's work key.
    std::string aside_;
};

// Shows the editor over `owner` (Windows build).
void ShowMacroEditor(win::HWND owner, RowList& macroList, bool isAdd, int editIndex);
