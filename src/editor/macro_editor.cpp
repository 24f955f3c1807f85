#include "editor/macro_editor.h"

#include "editor/key_names.h"
#include "editor/keyboard.h"
#include "exec/clipboard_buffers.h"
#include "store/message_text.h"
#include "store/optional_value.h"
#include "store/registry_store.h"

namespace {

// Buffer rule A: a COPY FROM CLIP BOARD makes its buffer, empty, if there
// is none with its number yet.
void UseCopyBuffer(std::int32_t index) { FindClipboardBuffer(index); }

// Buffer rule B: a PASTE TO CLIP BOARD gives its buffer its default text.
void UsePasteBuffer(std::int32_t index, const std::string& text) { FindClipboardBuffer(index).bufferText = text; }

}  // namespace

std::int32_t ModifiersFromControl(std::uint16_t flags) {
    std::int32_t modifiers = 0;
    if (flags & 1) modifiers |= win::MOD_SHIFT;
    if (flags & 2) modifiers |= win::MOD_CONTROL;
    if (flags & 4) modifiers |= win::MOD_ALT;
    return modifiers;
}

std::uint16_t ControlFromModifiers(std::int32_t modifiers) {
    std::uint16_t flags = 0;
    if (modifiers & win::MOD_SHIFT) flags |= 1;
    if (modifiers & win::MOD_CONTROL) flags |= 2;
    if (modifiers & win::MOD_ALT) flags |= 4;
    return flags;
}

MacroEditDialog::MacroEditDialog(win::HWND dialog, win::HWND mainWindow, RowList& macroList, LineList& body,
                                 LineList& commands, KeyCaptions& captions, InstructionDialogs& dialogs)
    : dialog_(dialog),
      mainWindow_(mainWindow),
      macroList_(macroList),
      body_(body),
      commands_(commands),
      captions_(captions),
      dialogs_(dialogs) {}

void MacroEditDialog::Initialize() {
    if (!IsAdd) {
        oldName_ = macroList_.Cell(EditIndex, 0);
        macroName = oldName_;
    }
    KeyMode = NormalKeyStroke;
    for (std::int32_t code = kind::FirstCommand; code <= kind::LastCommand; ++code) {
        commands_.Insert(-1, InstructionCodeName(code));
        commands_.SetData(commands_.Count() - 1, code);
    }
    if (IsAdd) return;
    LoadMacroBody();
    std::int32_t virtualKey = 0, modifiers = 0;
    const std::string macro = layout::MacroStorePath(oldName_);
    if (RegistryStore::ReadDword(macro, layout::kHotKeyVk, &virtualKey) &&
        RegistryStore::ReadDword(macro, layout::kHotKeyModifiers, &modifiers))
        hotKeyPreset = HotKeyValue{static_cast<std::uint16_t>(virtualKey & 0xFF), ControlFromModifiers(modifiers)};
    RegistryStore::ReadOptionalDword(macro, layout::kRepeat, layout::kDefaultRepeat, &repeat);
    // A count the field could not have stored shows as the default.
    if (repeat < 0 || repeat > layout::kMostRepeats) repeat = layout::kDefaultRepeat;
    // The program list is kept even for "All programs": the user may have
    // chosen that for a while and mean to come back to it.
    RegistryStore::ReadOptionalDword(macro, layout::kScope, scope::AllPrograms, &macroScope.mode);
    if (macroScope.mode < scope::AllPrograms || macroScope.mode > scope::AllExcept) macroScope.mode = scope::AllPrograms;
    RegistryStore::ReadOptionalMacroText(oldName_, layout::kScopePrograms, &macroScope.programs);
    std::int32_t stored = 1;
    RegistryStore::ReadOptionalDword(macro, layout::kEnabled, 1, &stored);
    enabled = stored != 0;
}

bool MacroEditDialog::AcceptRepeat(std::string_view text) { return ::AcceptRepeat(dialog_, text, &repeat); }

namespace {

void ReportLineRefused(win::HWND dialog) { ShowError(dialog, "Unable to add the line to the macro!"); }

}  // namespace

int MacroEditDialog::Place(int index, const Instruction& instruction, bool fromInsertion) {
    // Line i shows instruction i: the instruction goes where the line went,
    // and nowhere when the list box refused the line.
    const int at = body_.Insert(index, InstructionText(instruction, fromInsertion));
    if (at < 0 || at > static_cast<int>(InstructionList.size())) {
        if (at >= 0) body_.Remove(at);
        ReportLineRefused(dialog_);
        return -1;
    }
    InstructionList.insert(InstructionList.begin() + at, instruction);
    return at;
}

void MacroEditDialog::Unplace(int index) {
    body_.Remove(index);
    InstructionList.erase(InstructionList.begin() + index);
}

void MacroEditDialog::InsertKey(std::int32_t code) {
    Instruction press(code), release(code);
    press.KeyPressed = kKeyDown;
    release.KeyPressed = kKeyUp;
    const bool presses = KeyMode == KeyDownOnly || KeyMode == NormalKeyStroke;
    const bool releases = KeyMode == KeyUpOnly || KeyMode == NormalKeyStroke;
    const int selected = body_.Selected();
    // A key stroke goes in whole or not at all: a press whose release was
    // refused is taken out again, and so is a release whose press was.
    if (selected < 0) {
        const int pressed = presses ? Place(-1, press, true) : -2;
        if (pressed == -1) return;
        if (releases && Place(-1, release, true) < 0 && pressed >= 0) Unplace(pressed);
        return;
    }
    // Ahead of the selected line, release first: the press then lands ahead
    // of it. The list box keeps that line selected, so further keys land in
    // order ahead of it too.
    const int released = releases ? Place(selected, release, true) : -2;
    if (released == -1) return;
    if (presses && Place(selected, press, true) < 0 && released >= 0) Unplace(released);
}

void MacroEditDialog::OnKeyButton(int id) {
    const KeyButton* button = FindKeyButton(id);
    if (button == nullptr) return;
    InsertKey(KeyCodeOf(*button));
    if (!IsShiftButton(*button)) return;
    if (KeyMode == KeyDownOnly) ShowCaptions(true);
    if (KeyMode == KeyUpOnly) ShowCaptions(false);
}

void MacroEditDialog::ShowCaptions(bool shifted) {
    for (const KeyButton& button : KeyboardButtons())
        if (button.shifted != nullptr) captions_.SetCaption(button.id, shifted ? button.shifted : button.caption);
}

bool MacroEditDialog::AskProperties(Instruction* instruction) {
    switch (instruction->id) {
    case kind::Delay: {
        DelayValues values{instruction->DelayInterval};
        if (!dialogs_.Delay(&values)) return false;
        instruction->DelayInterval = values.delay;
        return true;
    }
    case kind::CopyFromClipboard: {
        BufferValues values{static_cast<std::uint32_t>(instruction->BufIndex)};
        if (!dialogs_.CopyFromClipboard(&values)) return false;
        instruction->BufIndex = static_cast<std::int32_t>(values.bufferId);
        UseCopyBuffer(instruction->BufIndex);
        return true;
    }
    case kind::PasteToClipboard: {
        PasteValues values{static_cast<std::uint32_t>(instruction->BufIndex), instruction->DefPasteString};
        if (!dialogs_.PasteToClipboard(&values)) return false;
        instruction->BufIndex = static_cast<std::int32_t>(values.bufferId);
        instruction->DefPasteString = values.initialValue;
        UsePasteBuffer(instruction->BufIndex, instruction->DefPasteString);
        return true;
    }
    case kind::PlaybackRecording: {
        RecordingChoice choice{instruction->JournalName, instruction->PlayBackEvent, instruction->PlayBackSpeed};
        if (!dialogs_.SelectRecording(&choice)) return false;
        instruction->JournalName = choice.name;
        instruction->PlayBackEvent = choice.events;
        instruction->PlayBackSpeed = choice.speed;
        return true;
    }
    case kind::MessageBox: {
        MessageBoxValues values{instruction->Texts[0], instruction->Texts[1]};
        if (!dialogs_.MessageBoxProperties(&values)) return false;
        instruction->Texts[0] = values.title;
        instruction->Texts[1] = values.body;
        return true;
    }
    case kind::Run: {
        RunValues values{instruction->Texts[0], instruction->Texts[1], instruction->Texts[2], instruction->ShowStyle,
                         instruction->Unelevated != 0};
        if (!dialogs_.Run(&values)) return false;
        instruction->Texts = {values.command, values.arguments, values.startIn};
        instruction->ShowStyle = values.showStyle;
        instruction->Unelevated = values.unelevated ? 1 : 0;
        return true;
    }
    case kind::TypeText: {
        TypeTextValues values{instruction->TypedText};
        if (!dialogs_.TypeText(&values)) return false;
        instruction->TypedText = values.text;
        return true;
    }
    default: return false;
    }
}

void MacroEditDialog::InsertCommand() {
    const int chosen = commands_.Selected();
    if (chosen < 0) return;
    Instruction instruction(commands_.Data(chosen));
    // A new RUN starts with a normal window; every other value starts at 0
    // or empty, as its dialog's defaults are.
    if (instruction.id == kind::Run) instruction.ShowStyle = win::SW_SHOWNORMAL;
    if (instruction.id == kind::PlaybackRecording) instruction.PlayBackEvent = -1;
    const bool hasProperties = !layout::ValuesOf(instruction.id).read.empty();
    if (hasProperties && !AskProperties(&instruction)) return;
    Place(body_.Selected(), instruction, true);
}

void MacroEditDialog::DeleteInstruction() {
    const int selected = body_.Selected();
    if (selected < 0) return;
    body_.Remove(selected);
    InstructionList.erase(InstructionList.begin() + selected);
    body_.ClearSelection();
}

void MacroEditDialog::EditInstruction() {
    const int selected = body_.Selected();
    if (selected < 0) return;
    Instruction changed = InstructionList[static_cast<std::size_t>(selected)];
    if (!IsCommand(changed.id) || layout::ValuesOf(changed.id).read.empty()) {
        ShowWarning(dialog_, "Instruction has no properties to change.");
        return;
    }
    if (!AskProperties(&changed)) return;
    // A MESSAGE BOX line shows no property: it stays as it is, selected.
    if (changed.id == kind::MessageBox) {
        InstructionList[static_cast<std::size_t>(selected)] = changed;
        return;
    }
    // The new line goes in before the old one goes: when the list box
    // refuses it, line and instruction stay as they were.
    if (const int at = body_.Insert(selected, InstructionText(changed, false)); at != selected) {
        if (at >= 0) body_.Remove(at);
        ReportLineRefused(dialog_);
        return;
    }
    body_.Remove(selected + 1);
    InstructionList[static_cast<std::size_t>(selected)] = changed;
    body_.ClearSelection();
}

void MacroEditDialog::ClearBodySelection() { body_.ClearSelection(); }
