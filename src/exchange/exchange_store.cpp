#include "exchange/exchange_store.h"

#include <algorithm>
#include <memory>

#include "exchange/text_codes.h"
#include "exec/hot_keys.h"
#include "exec/runner.h"
#include "journal/journal_format.h"
#include "platform/unique_handle.h"
#include "store/macro_names.h"
#include "store/message_text.h"
#include "store/optional_value.h"
#include "store/recording_store.h"
#include "store/registry_store.h"
#include "store/work_keys.h"

namespace exchange {
namespace {

using layout::Field;
using layout::ValueType;

// The names below a list's key (Macros or Journals) as its list shows them;
// false, after saying so, when the key cannot be opened.
bool StoredNames(const std::string& fullPath, std::vector<std::string>* names) {
    names->clear();
    UniqueKey key;
    if (win::LSTATUS rc = RegistryStore::OpenKey(fullPath, key.put()); rc != win::ERROR_SUCCESS) {
        ShowWarning(nullptr, FormatText("Error opening key %s in the registry - %s", {fullPath, SystemErrorText(rc)}));
        return false;
    }
    char name[255];
    for (win::DWORD index = 0; win::RegEnumKeyA(key.get(), index, name, sizeof name) == win::ERROR_SUCCESS; ++index)
        if (!layout::IsWorkKeyName(name)) names->push_back(name);
    return true;
}

// A number of the macro key that an older Keyloom does not store: false
// with nothing said when it is absent, and after saying why when it cannot
// be read; `*failed` tells the two apart.
bool ReadMacroNumber(const std::string& macro, const char* name, std::int32_t* value, bool* failed) {
    *failed = false;
    const std::string storePath = layout::MacroStorePath(macro);
    UniqueKey key;
    if (RegistryStore::OpenKey(RegistryStore::FullPath(storePath), key.put()) == win::ERROR_SUCCESS) {
        const win::LSTATUS rc = RegistryStore::QueryDword(key.get(), name, value);
        if (rc == win::ERROR_SUCCESS) return true;
        if (rc == win::ERROR_FILE_NOT_FOUND) return false;
    }
    *failed = !RegistryStore::ReadDword(storePath, name, value);
    return !*failed;
}

// A text of the macro key that an older Keyloom does not store, through the
// UTF-16 calls: false with nothing said when it is absent, and after saying
// why when it cannot be read; `*failed` tells the two apart.
bool ReadMacroText(const std::string& macro, const char* name, std::string* utf8, bool* failed) {
    *failed = false;
    UniqueKey key;
    if (RegistryStore::OpenKey(layout::MacroFullPath(macro), key.put()) == win::ERROR_SUCCESS) {
        const std::string narrow(name);
        const std::wstring wide(narrow.begin(), narrow.end());
        // A size query only: whether the value is there at all.
        if (win::RegQueryValueExW(key.get(), wide.c_str(), nullptr, nullptr, nullptr, nullptr) ==
            win::ERROR_FILE_NOT_FOUND)
            return false;
    }
    std::u16string units;
    *failed = !RegistryStore::ReadMacroText(macro, name, &units) || !Utf16ToUtf8(units, utf8);
    return !*failed;
}

bool ToUtf8(const std::string& ansi, std::string* utf8) {
    if (AnsiToUtf8(ansi, utf8)) return true;
    ShowWarning(nullptr, FormatText("Unable to convert the text %s for the file.", {ansi}));
    return false;
}

// The editor loads a body without these texts with them empty.
bool OptionalText(Field field) { return field == Field::DefPasteString || field == Field::JournalName; }

// Reads macro `name` as the editor loads it; the names of the recordings it
// plays (as its instructions spell them) go to `plays`.
bool ReadMacroData(const std::string& name, MacroData* macro, std::vector<std::string>* plays) {
    const std::string storePath = layout::MacroStorePath(name);
    if (!ToUtf8(name, &macro->name)) return false;
    if (!RegistryStore::ReadDword(storePath, layout::kHotKeyVk, &macro->virtualKey) ||
        !RegistryStore::ReadDword(storePath, layout::kHotKeyModifiers, &macro->modifiers))
        return false;
    for (const MacroValue& number : MacroNumbers()) {
        std::int32_t value = 0;
        bool failed = false;
        if (ReadMacroNumber(name, number.name, &value, &failed)) macro->numbers[number.name] = value;
        if (failed) return false;
    }
    for (const char* text : MacroTexts()) {
        std::string value;
        bool failed = false;
        if (ReadMacroText(name, text, &value, &failed)) macro->texts[text] = std::move(value);
        if (failed) return false;
    }
    for (std::int32_t n = 0;; ++n) {
        const std::string path = layout::InstructionPath(name, n);
        RegistryStore::KeyReader key;
        std::int32_t code = 0;
        if (!key.OpenMacro(path) || !key.Code(&code)) break;
        InstructionData instruction;
        instruction.code = code;
        bool complete = true;
        for (Field field : layout::ValuesOf(code).read) {
            if (layout::TypeOf(field) == ValueType::Dword) {
                std::int32_t value = 0;
                complete = key.Read(layout::NameOf(field), &value);
                instruction.numbers[field] = value;
            } else if (layout::TypeOf(field) == ValueType::UnicodeText) {
                std::u16string units;
                complete = RegistryStore::ReadMacroText(path, layout::NameOf(field), &units);
                if (complete && !Utf16ToUtf8(units, &instruction.texts[field])) complete = false;
            } else {
                std::string text;
                complete = key.Read(layout::NameOf(field), &text) || OptionalText(field);
                if (!ToUtf8(text, &instruction.texts[field])) return false;
                if (field == Field::JournalName && !text.empty()) plays->push_back(text);
            }
            if (!complete) break;
        }
        // An instruction the editor would leave out is left out here too.
        if (!complete) continue;
        for (Field field : layout::ValuesOf(code).optional) {
            std::int32_t value = 0;
            if (!RegistryStore::ReadOptionalInstructionValue(path, field, &value)) return false;
            instruction.numbers[field] = value;
        }
        macro->instructions.push_back(std::move(instruction));
    }
    return true;
}

bool ReadRecordingData(const std::string& name, RecordingData* recording) {
    if (!ToUtf8(name, &recording->name)) return false;
    StoredRecording stored;
    switch (ReadRecording(name, kMaxRecordingBytes, true, &stored)) {
    case RecordingRead::Done: break;
    case RecordingRead::Failed: return false;
    case RecordingRead::TooLarge:
        ShowWarning(nullptr, FormatText("The recording %s is too large to export.", {name}));
        return false;
    }
    recording->type = stored.type;
    recording->events.assign(stored.chunks.bytes.get(), stored.chunks.bytes.get() + stored.chunks.byteCount);
    return true;
}

// ---- Import -----------------------------------------------------------------

std::string Ansi(const std::string& utf8) {
    std::string ansi;
    Utf8ToAnsi(utf8, &ansi);  // the file's names and texts have been checked
    return ansi;
}

// The stored macros that are on, with their hot keys and where they work,
// read without a word: one that cannot be read holds no registration.
std::vector<hotkeys::User> StoredHotKeys(const std::vector<std::string>& names) {
    std::vector<hotkeys::User> keys;
    for (const std::string& name : names) {
        UniqueKey key;
        if (RegistryStore::OpenKey(layout::MacroFullPath(name), key.put()) != win::ERROR_SUCCESS) continue;
        hotkeys::User stored;
        stored.name = name;
        if (RegistryStore::QueryDword(key.get(), layout::kHotKeyVk, &stored.virtualKey) != win::ERROR_SUCCESS ||
            RegistryStore::QueryDword(key.get(), layout::kHotKeyModifiers, &stored.modifiers) != win::ERROR_SUCCESS)
            continue;
        std::int32_t enabled = 1;
        if (RegistryStore::QueryDword(key.get(), layout::kEnabled, &enabled) == win::ERROR_SUCCESS && enabled == 0)
            continue;
        stored.scope = scope::ReadScope(key.get(), name);
        keys.push_back(std::move(stored));
    }
    return keys;
}

// Where a macro of the file works, from its values as the file gave them.
scope::MacroScope ScopeOf(const MacroData& macro) {
    scope::MacroScope where;
    if (const auto mode = macro.numbers.find(layout::kScope); mode != macro.numbers.end()) where.mode = mode->second;
    if (const auto programs = macro.texts.find(layout::kScopePrograms); programs != macro.texts.end())
        Utf8ToUtf16(programs->second, &where.programs);
    return where;
}

// An id that no macro takes (they count up from 0), that the stop key does
// not take (MainDialog::kStopKeyIds) and that RegisterHotKey accepts from a
// program: for asking whether a combination is free.
constexpr int kProbeId = 0xBFFD;

bool HotKeyFree(win::HWND window, std::int32_t virtualKey, std::int32_t modifiers) {
    if (!win::RegisterHotKey(window, kProbeId, static_cast<win::UINT>(modifiers), static_cast<win::UINT>(virtualKey)))
        return false;
    win::UnregisterHotKey(window, kProbeId);
    return true;
}

bool WriteMacroTree(const std::string& key, const MacroData& macro) {
    RegistryStore::KeyWriter writer;
    if (!writer.CreateMacro(key)) return false;
    if (!RegistryStore::CreateMacroKey(layout::CommandsPath(key))) return false;
    // The hot-key id is handed out when the hot keys are registered anew.
    if (!writer.Write(layout::kHotKeyVk, macro.virtualKey) || !writer.Write(layout::kHotKeyModifiers, macro.modifiers) ||
        !writer.Write(layout::kId, kNoHotKey))
        return false;
    for (const auto& [name, value] : macro.numbers)
        if (!writer.Write(name, value)) return false;
    for (const auto& [name, text] : macro.texts) {
        std::u16string units;
        Utf8ToUtf16(text, &units);  // checked as the file was read
        if (!RegistryStore::WriteMacroText(units, key, name)) return false;
    }
    for (std::size_t i = 0; i < macro.instructions.size(); ++i) {
        const InstructionData& instruction = macro.instructions[i];
        RegistryStore::KeyWriter values;
        if (!values.CreateMacro(layout::InstructionPath(key, static_cast<std::int32_t>(i)))) return false;
        if (!values.Write(layout::kId, instruction.code)) return false;
        const auto number = [&](Field field) {
            const auto it = instruction.numbers.find(field);
            return it != instruction.numbers.end() ? it->second : 0;
        };
        for (Field field : layout::ValuesOf(instruction.code).stored) {
            bool written = false;
            if (layout::TypeOf(field) == ValueType::Dword) {
                written = values.Write(layout::NameOf(field), number(field));
            } else if (layout::TypeOf(field) == ValueType::UnicodeText) {
                const auto it = instruction.texts.find(field);
                std::u16string units;
                if (it != instruction.texts.end()) Utf8ToUtf16(it->second, &units);
                written = RegistryStore::WriteMacroText(
                    units, layout::InstructionPath(key, static_cast<std::int32_t>(i)), layout::NameOf(field));
            } else {
                const auto it = instruction.texts.find(field);
                written = values.Write(layout::NameOf(field), it != instruction.texts.end() ? Ansi(it->second) : "");
            }
            if (!written) return false;
        }
        for (Field field : layout::ValuesOf(instruction.code).optional)
            if (number(field) != 0 && !values.Write(layout::NameOf(field), number(field))) return false;
    }
    return true;
}

// Writes the macro whole under a work key, then puts it in the place of
// `replaced` (a stored name; empty: none) under `name`.
bool StoreMacro(const MacroData& macro, const std::string& name, const std::string& replaced, bool* keptAside) {
    *keptAside = false;
    const std::string stamp = WorkKeys::FreshStamp();
    const std::string work = WorkKeys::NameOf(WorkKeys::Role::New, stamp);
    if (!WriteMacroTree(work, macro)) {
        WorkKeys::Remove(layout::MacroFullPath(work));
        return false;
    }
    switch (WorkKeys::PutInPlace(layout::MacrosFullPath(), stamp, replaced, name)) {
    case WorkKeys::Outcome::New: return true;
    case WorkKeys::Outcome::Old: return false;
    case WorkKeys::Outcome::OldAside: *keptAside = true; return false;
    }
    return false;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The name that "Keep both" gives: "name (2)", "name (3)", ... the first
// that neither the store nor this import holds.
template <typename Taken>
std::string FreeName(const std::string& name, const std::string& parentFullPath, Taken taken) {
    for (int k = 2;; ++k) {
        const std::string candidate = name + " (" + std::to_string(k) + ")";
        if (!RegistryStore::KeyExists(parentFullPath + "\\" + Ansi(candidate)) && !taken(candidate)) return candidate;
    }
}

}  // namespace

bool CollectExport(const ExportChoice& choice, FileData* file, std::vector<std::string>* unstored) {
    *file = FileData{};
    unstored->clear();
    std::vector<std::string> recordings;
    if (!StoredNames(layout::JournalsFullPath(), &recordings)) return false;
    std::vector<std::string> macros;
    std::vector<std::string> plays;
    switch (choice.what) {
    case ExportChoice::What::Everything:
        if (!StoredNames(layout::MacrosFullPath(), &macros)) return false;
        break;
    case ExportChoice::What::Macro: macros = {choice.name}; break;
    case ExportChoice::What::Recording: recordings = {choice.name}; break;
    }
    for (const std::string& name : macros) {
        MacroData macro;
        if (!ReadMacroData(name, &macro, &plays)) return false;
        file->macros.push_back(std::move(macro));
    }
    if (choice.what == ExportChoice::What::Macro) {
        // The recordings the macro plays, each once, by the name it is
        // stored under.
        std::vector<std::string> stored = recordings;
        recordings.clear();
        for (const std::string& name : plays) {
            const int found = RegistryStore::FindStoredName(layout::JournalsFullPath(), stored, name);
            if (found < 0) {
                if (std::find(unstored->begin(), unstored->end(), name) == unstored->end()) unstored->push_back(name);
                continue;
            }
            if (std::find(recordings.begin(), recordings.end(), stored[found]) == recordings.end())
                recordings.push_back(stored[found]);
        }
    }
    for (const std::string& name : recordings) {
        RecordingData recording;
        if (!ReadRecordingData(name, &recording)) return false;
        file->recordings.push_back(std::move(recording));
    }
    return true;
}

bool ImportPlan::HasClashes() const {
    for (const auto* items : {&macros, &recordings})
        for (const PlannedItem& item : *items)
            if (item.Clashes()) return true;
    return false;
}

ImportPlan PlanImport(FileData file) {
    ImportPlan plan;
    plan.file = std::move(file);
    std::vector<std::string> macros, recordings;
    StoredNames(layout::MacrosFullPath(), &macros);
    StoredNames(layout::JournalsFullPath(), &recordings);
    const auto item = [](const std::string& name, const std::string& parent, const std::vector<std::string>& names) {
        PlannedItem planned;
        planned.name = name;
        const std::string ansi = Ansi(name);
        if (RegistryStore::KeyExists(parent + "\\" + ansi)) {
            const int found = RegistryStore::FindStoredName(parent, names, ansi);
            planned.stored = found >= 0 ? names[found] : ansi;
        }
        return planned;
    };
    for (const MacroData& macro : plan.file.macros)
        plan.macros.push_back(item(macro.name, layout::MacrosFullPath(), macros));
    for (const RecordingData& recording : plan.file.recordings)
        plan.recordings.push_back(item(recording.name, layout::JournalsFullPath(), recordings));
    return plan;
}

ImportOutcome ApplyImport(const ImportPlan& plan, win::HWND window) {
    ImportOutcome outcome;
    // Every name is settled before anything is written. Empty: skipped.
    std::vector<std::string> macroNames(plan.macros.size()), recordingNames(plan.recordings.size());
    const auto taken = [&](const std::string& candidate) {
        for (const auto* names : {&macroNames, &recordingNames})
            for (const std::string& name : *names)
                if (SameNameFolded(name, candidate)) return true;
        for (const PlannedItem& item : plan.macros)
            if (SameNameFolded(item.name, candidate)) return true;
        for (const PlannedItem& item : plan.recordings)
            if (SameNameFolded(item.name, candidate)) return true;
        return false;
    };
    for (std::size_t i = 0; i < plan.recordings.size(); ++i) {
        const PlannedItem& item = plan.recordings[i];
        if (item.Clashes() && item.choice == Choice::Skip) {
            outcome.skipped.push_back(item.name);
            continue;
        }
        recordingNames[i] = item.name;
        if (!item.Clashes() || item.choice != Choice::KeepBoth) continue;
        recordingNames[i] = FreeName(item.name, layout::JournalsFullPath(), taken);
        if (const std::string refusal = RecordingNameRefusal(Ansi(recordingNames[i])); !refusal.empty()) {
            outcome.refused = true;
            outcome.problem = FormatText("The recording %s cannot be kept beside the stored one as %s: %s",
                                         {item.name, recordingNames[i], refusal});
            return outcome;
        }
    }
    for (std::size_t i = 0; i < plan.macros.size(); ++i) {
        const PlannedItem& item = plan.macros[i];
        if (item.Clashes() && item.choice == Choice::Skip) {
            outcome.skipped.push_back(item.name);
            continue;
        }
        macroNames[i] = item.name;
        if (!item.Clashes() || item.choice != Choice::KeepBoth) continue;
        macroNames[i] = FreeName(item.name, layout::MacrosFullPath(), taken);
        const std::string refusal = MacroNameRefusal(Ansi(macroNames[i]), plan.file.macros[i].instructions.size());
        if (!refusal.empty()) {
            outcome.refused = true;
            outcome.problem = FormatText("The macro %s cannot be kept beside the stored one as %s: %s",
                                         {item.name, macroNames[i], refusal});
            return outcome;
        }
    }

    // The macros as they are written: recordings kept beside stored ones
    // are played under their new names, and a hot key that is taken leaves
    // its macro switched off.
    std::vector<std::string> storedMacros;
    StoredNames(layout::MacrosFullPath(), &storedMacros);
    const auto replaced = [&](const std::string& storedName) {
        for (const PlannedItem& item : plan.macros)
            if (item.Clashes() && item.choice == Choice::Replace && item.stored == storedName) return true;
        return false;
    };
    // The macros that will hold hot keys beside the imported ones: the
    // stored ones that are on and stay, and those of the file switched on
    // so far. A hot key is shared where the scopes cannot both work in one
    // program, as Save shares it.
    std::vector<hotkeys::User> users = StoredHotKeys(storedMacros);
    std::vector<hotkeys::User> givenBack;
    std::erase_if(users, [&](const hotkeys::User& user) {
        if (!replaced(user.name)) return false;
        givenBack.push_back(user);
        return true;
    });
    std::vector<MacroData> macros(plan.file.macros);
    for (std::size_t i = 0; i < macros.size(); ++i) {
        if (macroNames[i].empty()) continue;
        MacroData& macro = macros[i];
        for (InstructionData& instruction : macro.instructions) {
            if (instruction.code != kind::PlaybackRecording) continue;
            std::string& played = instruction.texts[Field::JournalName];
            for (std::size_t r = 0; r < plan.recordings.size(); ++r)
                if (!recordingNames[r].empty() && SameNameFolded(played, plan.recordings[r].name)) {
                    played = recordingNames[r];
                    break;
                }
        }
        const auto enabled = macro.numbers.find(layout::kEnabled);
        if (enabled != macro.numbers.end() && enabled->second == 0) continue;
        const scope::MacroScope where = ScopeOf(macro);
        bool inUse = hotkeys::OverlappingUser(users, macro.virtualKey, macro.modifiers, where) != nullptr;
        // A combination that Keyloom holds, for a macro this import replaces
        // or one whose hot key this macro shares, is Keyloom's to give; any
        // other must be free of other programs.
        const auto sameKey = [&](const hotkeys::User& user) {
            return user.virtualKey == macro.virtualKey && user.modifiers == macro.modifiers;
        };
        const bool keyloomHolds = std::any_of(users.begin(), users.end(), sameKey) ||
                                  std::any_of(givenBack.begin(), givenBack.end(), sameKey);
        if (!inUse && !keyloomHolds) inUse = !HotKeyFree(window, macro.virtualKey, macro.modifiers);
        if (inUse) {
            macro.numbers[layout::kEnabled] = 0;
            outcome.switchedOff.push_back(macroNames[i]);
        } else {
            hotkeys::User user;
            user.name = macroNames[i];
            user.virtualKey = macro.virtualKey;
            user.modifiers = macro.modifiers;
            user.scope = where;
            users.push_back(std::move(user));
        }
    }

    // Recordings first, since the macros play them; each whole or not at
    // all, and the first failure ends the import.
    for (std::size_t i = 0; i < plan.recordings.size(); ++i) {
        if (recordingNames[i].empty()) continue;
        const RecordingData& recording = plan.file.recordings[i];
        const auto chunks = CutIntoChunks(recording.events.data(), recording.events.size());
        if (!WriteRecording(Ansi(recordingNames[i]), chunks, static_cast<std::int32_t>(chunks.size()), recording.type)) {
            outcome.failed = true;
            outcome.failedAt = "recording " + recordingNames[i];
            return outcome;
        }
        outcome.recordings.push_back(recordingNames[i]);
    }
    for (std::size_t i = 0; i < plan.macros.size(); ++i) {
        if (macroNames[i].empty()) continue;
        const PlannedItem& item = plan.macros[i];
        const std::string replacedName = item.Clashes() && item.choice == Choice::Replace ? item.stored : std::string();
        bool keptAside = false;
        if (!StoreMacro(macros[i], Ansi(macroNames[i]), replacedName, &keptAside)) {
            outcome.failed = true;
            outcome.failedAt = "macro " + macroNames[i];
            if (keptAside)
                outcome.problem = FormatText("The macro %s is kept under a temporary name and comes back at the next "
                                             "start of Keyloom.",
                                             {item.stored});
            return outcome;
        }
        outcome.macros.push_back(macroNames[i]);
    }
    // Those not written after all are no news.
    std::erase_if(outcome.switchedOff, [&](const std::string& name) {
        return std::find(outcome.macros.begin(), outcome.macros.end(), name) == outcome.macros.end();
    });
    return outcome;
}

std::string ImportNote(const ImportOutcome& outcome) {
    if (outcome.refused) return "Nothing was imported. " + outcome.problem;
    std::string note;
    if (outcome.macros.empty() && outcome.recordings.empty()) {
        note = "Nothing was imported.";
    } else {
        note = "Imported " + Counted(outcome.macros.size(), "macro", "macros");
        if (!outcome.macros.empty()) note += " (" + Joined(outcome.macros) + ")";
        note += " and " + Counted(outcome.recordings.size(), "recording", "recordings");
        if (!outcome.recordings.empty()) note += " (" + Joined(outcome.recordings) + ")";
        note += ".";
    }
    if (outcome.failed) {
        note += "\nThe import stopped at the " + outcome.failedAt + ", which was not imported, nor anything after it.";
        if (!outcome.problem.empty()) note += "\n" + outcome.problem;
    }
    if (!outcome.skipped.empty()) note += "\nSkipped, since the name is taken: " + Joined(outcome.skipped) + ".";
    if (!outcome.switchedOff.empty())
        note += "\nSwitched off, since the hot key is in use: " + Joined(outcome.switchedOff) + ".";
    return note;
}

}  // namespace exchange
