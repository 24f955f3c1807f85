// The macro editor's load and save: the body read from the store, and the
// macro written afresh with a new hot-key id.
#include <algorithm>

#include "editor/key_names.h"
#include "editor/macro_editor.h"
#include "exec/clipboard_buffers.h"
#include "exec/hot_keys.h"
#include "exec/runner.h"
#include "store/message_text.h"
#include "store/optional_value.h"
#include "store/registry_store.h"
#include "store/work_keys.h"

namespace {

using layout::Field;
using layout::ValueType;

// The load leaves an instruction without these values with an empty text,
// and one without any other value out altogether.
// An old macro that a failed Save set aside and could not put back.
constexpr const char* kKeptAside =
    "The macro %s is kept under a temporary name: it comes back when Save is pressed again or at the next start of "
    "Keyloom.";

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
            bool read = false;
            switch (layout::TypeOf(field)) {
            case ValueType::Dword: read = key.Read(layout::NameOf(field), instruction.Number(field)); break;
            case ValueType::Text: read = key.Read(layout::NameOf(field), instruction.Text(field)); break;
            case ValueType::UnicodeText: read = key.Read(layout::NameOf(field), instruction.UnicodeText(field)); break;
            }
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
    // The old macro that an earlier Save could neither replace nor put back
    // comes back before anything else is tried.
    if (!aside_.empty()) {
        if (!WorkKeys::Restore(layout::MacrosFullPath(), aside_)) {
            ShowWarning(dialog_, FormatText(kKeptAside, {oldName_}));
            return false;
        }
        aside_.clear();
    }
    if (!NameCanBeStored(name)) return false;
    virtualKey_ = hotKey.virtualKey;
    modifiers_ = ModifiersFromControl(hotKey.flags);
    if (!ScopeCanBeStored()) return false;
    macroName = name;
    if (IsAdd) return SaveNewMacro(macroList_.RowCount());
    return SaveEditedMacro();
}

bool MacroEditDialog::NameCanBeStored(const std::string& name) {
    // A backslash would make the name a path to some other key.
    if (layout::HasBackslash(name)) {
        ShowWarning(dialog_, "A macro name must not contain a backslash (\\).");
        return false;
    }
    // Names of this form are the store's own, for a save under way.
    if (layout::IsWorkKeyName(name)) {
        ShowWarning(dialog_, FormatText("A macro name must not begin with %s.", {layout::kWorkPrefix}));
        return false;
    }
    // Every saved macro must be listed at the next start and its last
    // instruction read back.
    const std::int32_t last = std::max<std::int32_t>(static_cast<std::int32_t>(InstructionList.size()) - 1, 0);
    const std::size_t room = layout::kLongestKeyPath - (layout::MacroFullPath(layout::InstructionPath("", last)).size());
    const std::size_t longest = std::min(room, layout::kLongestListedName);
    if (name.size() > longest) {
        ShowWarning(dialog_, FormatText("The macro name is too long: at most %s characters fit.",
                                        {std::to_string(layout::CharactersWithin(name, longest))}));
        return false;
    }
    // Another macro's key must not take this macro in: the registry decides
    // which spellings name the same key. This macro's own key (its old
    // name) may be written again.
    if (!RegistryStore::KeyExists(layout::MacroFullPath(name))) return true;
    if (!IsAdd) {
        switch (RegistryStore::NamesSameKey(layout::MacrosFullPath(), oldName_, name)) {
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

bool MacroEditDialog::ScopeCanBeStored() {
    if (macroScope.mode == scope::OnlyThese && scope::ProgramNames(macroScope.programs).empty()) {
        ShowWarning(dialog_, "Type the programs the macro works in, or choose All programs.");
        return false;
    }
    // A macro switched off takes no part: it shares no hot key and stands
    // in no other macro's way.
    users_.clear();
    if (!enabled) return true;
    users_ = hotkeys::ReadUsers(IsAdd ? std::string() : oldName_);
    if (const hotkeys::User* other = hotkeys::OverlappingUser(users_, virtualKey_, modifiers_, macroScope)) {
        ShowWarning(dialog_, FormatText("The hot key %s is already used by the macro %s in the same programs.",
                                        {HotKeyText(virtualKey_, modifiers_), other->name}));
        return false;
    }
    return true;
}

bool MacroEditDialog::WriteMacroTree(const std::string& key, std::int32_t id) {
    RegistryStore::KeyWriter macro;
    if (!macro.CreateMacro(key)) return false;
    if (!RegistryStore::CreateMacroKey(layout::CommandsPath(key))) return false;
    if (!macro.Write(layout::kHotKeyVk, virtualKey_) || !macro.Write(layout::kHotKeyModifiers, modifiers_) ||
        !macro.Write(layout::kId, id) || !macro.Write(layout::kScope, macroScope.mode) ||
        !RegistryStore::WriteMacroText(macroScope.programs, key, layout::kScopePrograms))
        return false;
    // Written only where it is not the default, so that a macro saved with
    // one run is stored as an earlier Keyloom stored it.
    if (repeat != layout::kDefaultRepeat && !macro.Write(layout::kRepeat, repeat)) return false;
    // On is the absent value, which keeps a macro that is on stored as an
    // earlier Keyloom stored it.
    if (!enabled && !macro.Write(layout::kEnabled, 0)) return false;
    for (std::size_t i = 0; i < InstructionList.size(); ++i) {
        const Instruction& instruction = InstructionList[i];
        RegistryStore::KeyWriter writer;
        if (!writer.CreateMacro(layout::InstructionPath(key, static_cast<std::int32_t>(i)))) return false;
        if (!writer.Write(layout::kId, instruction.id)) return false;
        for (Field field : layout::ValuesOf(instruction.id).stored) {
            bool written = false;
            switch (layout::TypeOf(field)) {
            case ValueType::Dword: written = writer.Write(layout::NameOf(field), *instruction.Number(field)); break;
            case ValueType::Text: written = writer.Write(layout::NameOf(field), *instruction.Text(field)); break;
            case ValueType::UnicodeText:
                written = writer.Write(layout::NameOf(field), *instruction.UnicodeText(field));
                break;
            }
            if (!written) return false;
        }
        for (Field field : layout::ValuesOf(instruction.id).optional)
            if (*instruction.Number(field) != 0 && !writer.Write(layout::NameOf(field), *instruction.Number(field)))
                return false;
    }
    return true;
}

WorkKeys::Outcome MacroEditDialog::StoreWhole(const std::string& oldName, std::string* stamp) {
    // The macro is written whole under a work key first; only a complete
    // tree takes the place of the old one, which goes last.
    *stamp = WorkKeys::FreshStamp();
    const std::string work = WorkKeys::NameOf(WorkKeys::Role::New, *stamp);
    // A hot key that other macros have in other programs is shared under
    // their id; any other takes a new one.
    const std::int32_t shared = hotkeys::SharedId(users_, virtualKey_, modifiers_);
    const std::int32_t id = shared != kNoHotKey ? shared : ++hotKeyCounter;
    if (!WriteMacroTree(work, id)) {
        WorkKeys::Remove(layout::MacroFullPath(work));
        return WorkKeys::Outcome::Old;
    }
    newId_ = id;
    return WorkKeys::PutInPlace(layout::MacrosFullPath(), *stamp, oldName, macroName);
}

void MacroEditDialog::RegisterSavedHotKey() {
    if (!enabled) return;
    // A shared registration that stands serves this macro too.
    if (hotkeys::IsRegistered(newId_)) return;
    if (!hotkeys::Register(mainWindow_, newId_, modifiers_, virtualKey_))
        win::MessageBoxA(dialog_, ("Failed to start macro: " + macroName).c_str(), "Error",
                         win::MB_OK | win::MB_ICONWARNING);
}

bool MacroEditDialog::SaveNewMacro(std::int32_t row) {
    std::string stamp;
    if (StoreWhole(std::string(), &stamp) != WorkKeys::Outcome::New) return false;
    const int added = macroList_.InsertRow(row, macroName);
    macroList_.SetCell(added, 1, ListedHotKeyText(virtualKey_, modifiers_, enabled, scope::ListSuffix(macroScope)));
    hotkeys::Hold(newId_, macroName);
    RegisterSavedHotKey();
    return true;
}

bool MacroEditDialog::SaveEditedMacro() {
    const std::string oldName = oldName_;
    // The old hot key must be given back once the new macro is in place: a
    // registration left under an id that no macro holds keeps its key
    // combination taken until the next start.
    std::int32_t oldId = 0;
    if (!RegistryStore::ReadDword(layout::MacroStorePath(oldName), layout::kId, &oldId)) {
        ShowWarning(dialog_, "Unable to modify macro: " + oldName);
        return false;
    }
    // A stale id is another macro's now: that macro's hot key stays.
    const bool idRead = oldId != kNoHotKey && !HasStaleId(oldName);
    std::string stamp;
    switch (StoreWhole(oldName, &stamp)) {
    case WorkKeys::Outcome::New: break;
    case WorkKeys::Outcome::Old:
        // The old macro is whole: body, hot key and row.
        ShowWarning(dialog_, "Unable to modify macro: " + oldName);
        return false;
    case WorkKeys::Outcome::OldAside:
        aside_ = stamp;
        ShowWarning(dialog_, FormatText(kKeptAside, {oldName}));
        return false;
    }
    // Saved whole: the row and the hot key follow.
    ForgetStaleId(oldName);
    oldName_ = macroName;
    macroList_.SetCell(EditIndex, 0, macroName);
    macroList_.SetCell(EditIndex, 1, ListedHotKeyText(virtualKey_, modifiers_, enabled, scope::ListSuffix(macroScope)));
    // The old registration stays while a macro (this one among them) still
    // shares it.
    hotkeys::Release(oldId, oldName);
    hotkeys::Hold(newId_, macroName);
    const bool stillHeld = hotkeys::HeldByOther(oldId, std::string());
    if (idRead && !stillHeld && !hotkeys::Unregister(mainWindow_, oldId))
        ShowWarning(dialog_, "Unable to unregister hotkey for macro: " + oldName);
    RegisterSavedHotKey();
    return true;
}
