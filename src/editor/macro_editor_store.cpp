// The macro editor's load and save: the body read from the store, and the
// macro written afresh with a new hot-key id.
#include <algorithm>

#include "editor/key_names.h"
#include "editor/macro_editor.h"
#include "exec/clipboard_buffers.h"
#include "exec/runner.h"
#include "store/message_text.h"
#include "store/optional_value.h"
#include "store/registry_store.h"

namespace {

using layout::Field;
using layout::ValueType;

// The load leaves an instruction without these values with an empty text,
// and one without any other value out altogether.
bool Optional(Field field) { return field == Field::DefPasteString || field == Field::JournalName; }

}  // namespace

void MacroEditDialog::LoadMacroBody() {
    body_.SetRedraw(false);
    for (std::int32_t n = 0;; ++n) {
        const std::string path = layout::InstructionPath(oldName_, n);
        RegistryStore::KeyReader key;
        std::int32_t code = 0;
        // The first instruction without a readable code ends the body.
        if (!key.OpenMacro(path) || !key.Code(&code)) break;
        Instruction instruction(code);
        bool complete = true;
        for (Field field : layout::ValuesOf(code).read) {
            const bool read = layout::TypeOf(field) == ValueType::Dword
                                  ? key.Read(layout::NameOf(field), instruction.Number(field))
                                  : key.Read(layout::NameOf(field), instruction.Text(field));
            if (!read && !Optional(field)) {
                complete = false;
                break;
            }
        }
        if (!complete) continue;
        for (Field field : layout::ValuesOf(code).optional)
            RegistryStore::ReadOptionalInstructionValue(path, field, instruction.Number(field));
        Place(-1, instruction, false);
        if (code == kind::PasteToClipboard)
            FindClipboardBuffer(instruction.BufIndex).bufferText = instruction.DefPasteString;
    }
    body_.SetRedraw(true);
}

bool MacroEditDialog::Save(const std::string& name, HotKeyValue hotKey) {
    if (name.empty()) {
        ShowWarning(dialog_, "Macro Name must not be empty!");
        return false;
    }
    if (hotKey.virtualKey == 0) {
        ShowWarning(dialog_, "Must select hot key!");
        return false;
    }
    if (!NameCanBeStored(name)) return false;
    macroName = name;
    virtualKey_ = hotKey.virtualKey;
    modifiers_ = ModifiersFromControl(hotKey.flags);
    // What an earlier, failed Save left of this macro goes first; the old
    // macro, once gone, is not looked for again in row EditIndex, which may
    // belong to another macro by now.
    if (!ClearFailedSave()) return false;
    if (IsAdd) return SaveNewMacro(macroList_.RowCount());
    if (oldRemoved_) return SaveNewMacro(EditIndex);
    return SaveEditedMacro();
}

bool MacroEditDialog::NameCanBeStored(const std::string& name) {
    // A backslash would make the name a path to some other key.
    if (name.find('\\') != std::string::npos) {
        ShowWarning(dialog_, "A macro name must not contain a backslash (\\).");
        return false;
    }
    // Every saved macro must be listed at the next start and its last
    // instruction read back.
    const std::int32_t last = std::max<std::int32_t>(static_cast<std::int32_t>(InstructionList.size()) - 1, 0);
    const std::size_t room = layout::kLongestKeyPath - (layout::MacroFullPath(layout::InstructionPath("", last)).size());
    const std::size_t longest = std::min(room, layout::kLongestListedName);
    if (name.size() > longest) {
        ShowWarning(dialog_, FormatText("The macro name is too long: at most %s characters fit.", {std::to_string(longest)}));
        return false;
    }
    // Another macro's key must not take this macro in: the registry decides
    // which spellings name the same key. This macro's own key (its old
    // name, or what a failed save left) may be written again.
    if (!RegistryStore::KeyExists(layout::MacroFullPath(name))) return true;
    const std::string macros = layout::MacrosFullPath();
    for (const std::string& own : {partialName_, IsAdd || oldRemoved_ ? std::string() : oldName_}) {
        if (own.empty()) continue;
        switch (RegistryStore::NamesSameKey(macros, own, name)) {
        case RegistryStore::SameKey::Yes: return true;
        case RegistryStore::SameKey::No: break;
        case RegistryStore::SameKey::Unknown:
            ShowWarning(dialog_, FormatText("Unable to check in the registry whether the name %s is taken.", {name}));
            return false;
        }
    }
    ShowWarning(dialog_, FormatText("A macro named %s already exists.", {name}));
    return false;
}

bool MacroEditDialog::ClearFailedSave() {
    if (partialName_.empty()) return true;
    const std::string path = layout::MacroFullPath(partialName_);
    if (RegistryStore::KeyExists(path) && !RegistryStore::DeleteKeyTree(path)) {
        ShowWarning(dialog_, "Unable to modify macro: " + partialName_);
        return false;
    }
    if (partialRow_ >= 0) macroList_.RemoveRow(partialRow_);
    partialName_.clear();
    partialRow_ = -1;
    return true;
}

bool MacroEditDialog::SaveNewMacro(std::int32_t row) {
    RegistryStore::KeyWriter macro;
    if (!macro.CreateMacro(macroName)) return false;
    partialName_ = macroName;
    const std::int32_t id = ++hotKeyCounter;
    partialRow_ = macroList_.InsertRow(row, macroName);
    macroList_.SetCell(partialRow_, 1, HotKeyText(virtualKey_, modifiers_));
    if (!RegistryStore::CreateMacroKey(layout::CommandsPath(macroName))) return false;
    if (!macro.Write(layout::kHotKeyVk, virtualKey_) || !macro.Write(layout::kHotKeyModifiers, modifiers_) ||
        !macro.Write(layout::kId, id))
        return false;
    for (std::size_t i = 0; i < InstructionList.size(); ++i) {
        const Instruction& instruction = InstructionList[i];
        RegistryStore::KeyWriter key;
        if (!key.CreateMacro(layout::InstructionPath(macroName, static_cast<std::int32_t>(i)))) return false;
        if (!key.Write(layout::kId, instruction.id)) return false;
        for (Field field : layout::ValuesOf(instruction.id).stored) {
            const bool written = layout::TypeOf(field) == ValueType::Dword
                                     ? key.Write(layout::NameOf(field), *instruction.Number(field))
                                     : key.Write(layout::NameOf(field), *instruction.Text(field));
            if (!written) return false;
        }
        for (Field field : layout::ValuesOf(instruction.id).optional)
            if (*instruction.Number(field) != 0 && !key.Write(layout::NameOf(field), *instruction.Number(field)))
                return false;
    }
    // Saved: nothing is left over to clear.
    partialName_.clear();
    partialRow_ = -1;
    if (!win::RegisterHotKey(mainWindow_, id, static_cast<win::UINT>(modifiers_), static_cast<win::UINT>(virtualKey_)))
        win::MessageBoxA(dialog_, ("Failed to start macro: " + macroName).c_str(), "Error",
                         win::MB_OK | win::MB_ICONWARNING);
    return true;
}

bool MacroEditDialog::SaveEditedMacro() {
    const std::string oldName = macroList_.Cell(EditIndex, 0);
    std::int32_t oldId = 0;
    const bool idRead =
        RegistryStore::ReadDword(layout::MacroStorePath(oldName), layout::kId, &oldId) && oldId != kNoHotKey &&
        !HasStaleId(oldName);
    if (!RegistryStore::DeleteKeyTree(layout::MacroFullPath(oldName))) {
        ShowWarning(dialog_, "Unable to modify macro: " + oldName);
        return false;
    }
    ForgetStaleId(oldName);
    oldRemoved_ = true;
    macroList_.RemoveRow(EditIndex);
    if (idRead && !win::UnregisterHotKey(mainWindow_, oldId))
        ShowWarning(dialog_, "Unable to unregister hotkey for macro: " + oldName);
    return SaveNewMacro(EditIndex);
}
