#include "exchange/exchange_file.h"

#include <array>
#include <new>
#include <span>

#include <nlohmann/json.hpp>

#include "exchange/text_codes.h"
#include "exec/scope.h"
#include "journal/journal_format.h"
#include "journal/playback_schedule.h"
#include "store/macro_names.h"
#include "store/message_text.h"
#include "store/recording_store.h"

namespace exchange {
namespace {

using layout::Field;
using layout::ValueType;
using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

constexpr const char* kKeyKind = "Key";

struct KindNameEntry {
    std::int32_t code;
    const char* name;
};
constexpr std::array<KindNameEntry, 12> kKindNames{{
    {kind::Delay, "Delay"},
    {kind::Reboot, "Reboot"},
    {kind::Shutdown, "Shutdown"},
    {kind::CopyFromClipboard, "CopyFromClipboard"},
    {kind::PasteToClipboard, "PasteToClipboard"},
    {kind::PlaybackRecording, "PlaybackRecording"},
    {kind::Pause, "Pause"},
    {kind::Time, "Time"},
    {kind::Date, "Date"},
    {kind::MessageBox, "MessageBox"},
    {kind::Run, "Run"},
    {kind::TypeText, "TypeText"},
}};

// The key codes the editor's keyboard inserts, and the hot keys its hot-key
// control gives: a virtual key, with Alt (1), Ctrl (2) and Shift (4).
constexpr std::int64_t kLeastKey = 1;
constexpr std::int64_t kMostKey = 254;
constexpr std::int64_t kMostModifiers = 7;

constexpr MacroValue kMacroNumbers[] = {
    {layout::kEnabled, 0, 1},
    {layout::kRepeat, 0, layout::kMostRepeats},
    {layout::kScope, scope::AllPrograms, scope::AllExcept},
};
// Texts of the macro key, stored through the registry's UTF-16 calls.
constexpr const char* kMacroTexts[] = {layout::kScopePrograms};

// What the editor lets a number field hold.
struct Range {
    std::int64_t least, most;
};
Range RangeOf(Field field) {
    switch (field) {
    case Field::KeyPressed: return {0, 2};
    case Field::DelayInterval: return {0, 2000000000};
    case Field::BufIndex: return {0, 0xFFFFFFFFll};
    case Field::PlayBackSpeed: return {-0x7FFFFFFFll, MostSlowdownPercent()};
    case Field::PlayBackEvent: return {1, 3};
    // The ShowWindow commands; the editor offers 1 to 3 and keeps any
    // other that a macro holds.
    case Field::ShowStyle: return {0, 11};
    case Field::Unelevated: return {0, 1};
    default: return {0, 0};
    }
}

// Numbers that the file shows as the registry's unsigned DWORD.
bool IsUnsigned(Field field) { return field == Field::BufIndex; }

// The values an instruction of `code` has in the file: those the editor and
// the runner read, in the stored order, then the optional ones.
std::vector<Field> FileFields(std::int32_t code) {
    const layout::KindValues values = layout::ValuesOf(code);
    std::vector<Field> fields;
    for (Field field : values.stored)
        for (Field read : values.read)
            if (read == field) fields.push_back(field);
    for (Field field : values.optional) fields.push_back(field);
    return fields;
}

bool IsOptional(std::int32_t code, Field field) {
    for (Field optional : layout::ValuesOf(code).optional)
        if (optional == field) return true;
    return false;
}

// ---- Reading ---------------------------------------------------------------

// A refusal on its way out, with where it was found.
struct Refusal {
    std::string text;
};

[[noreturn]] void Refuse(const std::string& where, const std::string& what) {
    throw Refusal{where.empty() ? what : where + ": " + what};
}

std::string Quoted(const std::string& utf8) { return "\"" + utf8 + "\""; }

const Json* Member(const Json& object, const char* name) {
    const auto it = object.find(name);
    return it == object.end() ? nullptr : &*it;
}

std::int64_t Integer(const Json& value, const std::string& where, const char* name, std::int64_t least,
                     std::int64_t most) {
    const std::string range = FormatText("%s must be a whole number from %s to %s.",
                                         {name, std::to_string(least), std::to_string(most)});
    if (!value.is_number_integer()) Refuse(where, range);
    std::int64_t number = 0;
    if (value.is_number_unsigned()) {
        const auto unsignedNumber = value.get<std::uint64_t>();
        if (unsignedNumber > static_cast<std::uint64_t>(most)) Refuse(where, range);
        number = static_cast<std::int64_t>(unsignedNumber);
    } else {
        number = value.get<std::int64_t>();
    }
    if (number < least || number > most) Refuse(where, range);
    return number;
}

std::int64_t RequiredInteger(const Json& object, const std::string& where, const char* name, std::int64_t least,
                             std::int64_t most) {
    const Json* value = Member(object, name);
    if (value == nullptr) Refuse(where, FormatText("%s is missing.", {name}));
    return Integer(*value, where, name, least, most);
}

const std::string& RequiredString(const Json& object, const std::string& where, const char* name) {
    const Json* value = Member(object, name);
    if (value == nullptr) Refuse(where, FormatText("%s is missing.", {name}));
    if (!value->is_string()) Refuse(where, FormatText("%s must be a text.", {name}));
    return value->get_ref<const std::string&>();
}

// A text the store keeps in the code page: no NUL, which would end it, and
// no character that the code page lacks.
std::string StoreText(const std::string& utf8, const std::string& where, const char* what) {
    if (utf8.find('\0') != std::string::npos)
        Refuse(where, FormatText("%s holds a NUL character, which the store cannot keep.", {what}));
    std::string ansi;
    if (!Utf8ToAnsi(utf8, &ansi))
        Refuse(where, FormatText("%s %s has characters that this system's code page does not hold.",
                                 {what, Quoted(utf8)}));
    return ansi;
}

InstructionData ReadInstruction(const Json& value, const std::string& where) {
    if (!value.is_object()) Refuse(where, "an instruction must be an object.");
    const std::string& kindName = RequiredString(value, where, "kind");
    InstructionData instruction;
    if (kindName == kKeyKind) {
        instruction.code = static_cast<std::int32_t>(RequiredInteger(value, where, layout::kId, kLeastKey, kMostKey));
    } else {
        bool known = false;
        for (const KindNameEntry& entry : kKindNames)
            if (kindName == entry.name) {
                instruction.code = entry.code;
                known = true;
            }
        if (!known) Refuse(where, FormatText("the kind %s is not one this Keyloom knows.", {Quoted(kindName)}));
    }
    for (Field field : FileFields(instruction.code)) {
        const char* name = layout::NameOf(field);
        const Json* member = Member(value, name);
        if (layout::TypeOf(field) == ValueType::UnicodeText) {
            const std::string& text = RequiredString(value, where, name);
            std::u16string units;
            if (text.find('\0') != std::string::npos || !Utf8ToUtf16(text, &units))
                Refuse(where, FormatText("%s holds a NUL character, which the store cannot keep.", {name}));
            if (units.size() > layout::kLongestTypedText)
                Refuse(where, FormatText("%s is longer than %s characters.",
                                         {name, std::to_string(layout::kLongestTypedText)}));
            instruction.texts[field] = text;
            continue;
        }
        if (layout::TypeOf(field) == ValueType::Text) {
            const std::string& text = RequiredString(value, where, name);
            const std::string ansi = StoreText(text, where, name);
            if (field == Field::JournalName && !ansi.empty())
                if (const std::string refusal = RecordingNameRefusal(ansi); !refusal.empty())
                    Refuse(where, refusal);
            instruction.texts[field] = text;
            continue;
        }
        if (member == nullptr && IsOptional(instruction.code, field)) {
            instruction.numbers[field] = 0;
            continue;
        }
        const Range range = RangeOf(field);
        std::int64_t number = RequiredInteger(value, where, name, range.least, range.most);
        // A key is pressed (0) or released (2).
        if (field == Field::KeyPressed && number == 1) Refuse(where, "KeyPressed must be 0 (down) or 2 (up).");
        instruction.numbers[field] = static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
    }
    return instruction;
}

MacroData ReadMacro(const Json& value, const std::string& where) {
    if (!value.is_object()) Refuse(where, "a macro must be an object.");
    MacroData macro;
    macro.name = RequiredString(value, where, "name");
    const std::string named = where + " (" + Quoted(macro.name) + ")";
    const Json* hotKey = Member(value, "hotKey");
    if (hotKey == nullptr) Refuse(named, "hotKey is missing.");
    if (!hotKey->is_object()) Refuse(named, "hotKey must be an object.");
    macro.virtualKey =
        static_cast<std::int32_t>(RequiredInteger(*hotKey, named + ".hotKey", layout::kHotKeyVk, kLeastKey, kMostKey));
    macro.modifiers = static_cast<std::int32_t>(
        RequiredInteger(*hotKey, named + ".hotKey", layout::kHotKeyModifiers, 0, kMostModifiers));
    for (const MacroValue& number : MacroNumbers())
        if (const Json* member = Member(value, number.name))
            macro.numbers[number.name] =
                static_cast<std::int32_t>(Integer(*member, named, number.name, number.least, number.most));
    for (const char* name : MacroTexts()) {
        if (Member(value, name) == nullptr) continue;
        const std::string& text = RequiredString(value, named, name);
        std::u16string units;
        if (text.find('\0') != std::string::npos || !Utf8ToUtf16(text, &units))
            Refuse(named, FormatText("%s holds a NUL character, which the store cannot keep.", {name}));
        macro.texts[name] = text;
    }
    // As the editor's Save: a macro that works only in some programs names
    // at least one.
    if (const auto mode = macro.numbers.find(layout::kScope);
        mode != macro.numbers.end() && mode->second == scope::OnlyThese) {
        const auto programs = macro.texts.find(layout::kScopePrograms);
        std::u16string units;
        if (programs != macro.texts.end()) Utf8ToUtf16(programs->second, &units);
        if (scope::ProgramNames(units).empty())
            Refuse(named, FormatText("%s is 1 (only these programs) but %s names no program.",
                                     {layout::kScope, layout::kScopePrograms}));
    }
    const Json* instructions = Member(value, "instructions");
    if (instructions == nullptr) Refuse(named, "instructions is missing.");
    if (!instructions->is_array()) Refuse(named, "instructions must be a list.");
    for (std::size_t i = 0; i < instructions->size(); ++i)
        macro.instructions.push_back(
            ReadInstruction((*instructions)[i], named + ".instructions[" + std::to_string(i) + "]"));
    const std::string ansiName = StoreText(macro.name, named, "The name");
    if (const std::string refusal = MacroNameRefusal(ansiName, macro.instructions.size()); !refusal.empty())
        Refuse(named, refusal);
    return macro;
}

RecordingData ReadRecordingData(const Json& value, const std::string& where) {
    if (!value.is_object()) Refuse(where, "a recording must be an object.");
    RecordingData recording;
    recording.name = RequiredString(value, where, "name");
    const std::string named = where + " (" + Quoted(recording.name) + ")";
    const std::string ansiName = StoreText(recording.name, named, "The name");
    if (const std::string refusal = RecordingNameRefusal(ansiName); !refusal.empty()) Refuse(named, refusal);
    if (ansiName.empty()) Refuse(named, "a recording name must not be empty.");
    recording.type = static_cast<std::int32_t>(RequiredInteger(value, named, layout::kRecordingType, 1, 3));
    const std::string& events = RequiredString(value, named, "events");
    if (!DecodeBase64(events, &recording.events)) Refuse(named, "events is not base64 text.");
    if (recording.events.size() % kJournalEventBytes != 0)
        Refuse(named, "events must hold whole events of 20 bytes.");
    if (recording.events.size() / kJournalEventBytes > kMaxRecordedEvents)
        Refuse(named, FormatText("events holds more than the %s events a recording may have.",
                                 {std::to_string(kMaxRecordedEvents)}));
    return recording;
}

const Json* List(const Json& document, const char* name) {
    const Json* list = Member(document, name);
    if (list != nullptr && !list->is_array()) Refuse("", FormatText("%s must be a list.", {name}));
    return list;
}

// The names of `items` must be told apart by the store.
template <typename Item>
void RefuseRepeatedNames(const std::vector<Item>& items, const char* list) {
    for (std::size_t i = 0; i < items.size(); ++i)
        for (std::size_t k = 0; k < i; ++k)
            if (SameNameFolded(items[i].name, items[k].name))
                Refuse(std::string(list) + "[" + std::to_string(i) + "]",
                       FormatText("the name %s is given twice.", {Quoted(items[i].name)}));
}

FileData ReadDocument(const Json& document) {
    const Json* format = document.is_object() ? Member(document, "format") : nullptr;
    if (format == nullptr || !format->is_string() || format->get_ref<const std::string&>() != kFormatName)
        Refuse("", "is not a Keyloom file.");
    const Json* version = Member(document, "version");
    if (version == nullptr || !version->is_number_integer() || (!version->is_number_unsigned() && version->get<std::int64_t>() < 1))
        Refuse("", "is not a Keyloom file: it has no version.");
    if (version->is_number_unsigned() && version->get<std::uint64_t>() > static_cast<std::uint64_t>(kFormatVersion))
        Refuse("", FormatText("was written by a later Keyloom (file version %s); this Keyloom reads version %s.",
                              {version->dump(), std::to_string(kFormatVersion)}));
    FileData file;
    if (const Json* macros = List(document, "macros"))
        for (std::size_t i = 0; i < macros->size(); ++i)
            file.macros.push_back(ReadMacro((*macros)[i], "macros[" + std::to_string(i) + "]"));
    if (const Json* recordings = List(document, "recordings"))
        for (std::size_t i = 0; i < recordings->size(); ++i)
            file.recordings.push_back(ReadRecordingData((*recordings)[i], "recordings[" + std::to_string(i) + "]"));
    RefuseRepeatedNames(file.macros, "macros");
    RefuseRepeatedNames(file.recordings, "recordings");
    return file;
}

// The library's message without its exception's tag.
std::string LibraryMessage(const std::exception& error) {
    std::string text = error.what();
    if (text.rfind("[json.exception.", 0) == 0)
        if (const std::size_t end = text.find("] "); end != std::string::npos) text.erase(0, end + 2);
    return text;
}

// The deepest nesting a Keyloom file has, with room to spare: deeper input
// is refused as it is read, before it takes memory and time.
constexpr int kDeepestNesting = 16;

// ---- Writing ---------------------------------------------------------------

OrderedJson InstructionJson(const InstructionData& instruction) {
    OrderedJson out = OrderedJson::object();
    const char* kindName = KindName(instruction.code);
    out["kind"] = kindName != nullptr ? kindName : kKeyKind;
    if (!IsCommand(instruction.code)) out[layout::kId] = instruction.code;
    for (Field field : FileFields(instruction.code)) {
        const char* name = layout::NameOf(field);
        if (layout::TypeOf(field) != ValueType::Dword) {
            const auto it = instruction.texts.find(field);
            out[name] = it != instruction.texts.end() ? it->second : std::string();
            continue;
        }
        const auto it = instruction.numbers.find(field);
        const std::int32_t number = it != instruction.numbers.end() ? it->second : 0;
        // An optional value of 0 is one the store does not hold either.
        if (number == 0 && IsOptional(instruction.code, field)) continue;
        if (IsUnsigned(field))
            out[name] = static_cast<std::uint32_t>(number);
        else
            out[name] = number;
    }
    return out;
}

}  // namespace

std::span<const MacroValue> MacroNumbers() { return kMacroNumbers; }
std::span<const char* const> MacroTexts() { return kMacroTexts; }

const char* KindName(std::int32_t code) {
    if (!IsCommand(code)) return kKeyKind;
    for (const KindNameEntry& entry : kKindNames)
        if (entry.code == code) return entry.name;
    return nullptr;
}

std::string WriteFile(const FileData& file) {
    OrderedJson document = OrderedJson::object();
    document["format"] = kFormatName;
    document["version"] = kFormatVersion;
    OrderedJson macros = OrderedJson::array();
    for (const MacroData& macro : file.macros) {
        OrderedJson out = OrderedJson::object();
        out["name"] = macro.name;
        out["hotKey"] = {{layout::kHotKeyVk, macro.virtualKey}, {layout::kHotKeyModifiers, macro.modifiers}};
        for (const auto& [name, number] : macro.numbers) out[name] = number;
        for (const auto& [name, text] : macro.texts) out[name] = text;
        OrderedJson instructions = OrderedJson::array();
        for (const InstructionData& instruction : macro.instructions) instructions.push_back(InstructionJson(instruction));
        out["instructions"] = std::move(instructions);
        macros.push_back(std::move(out));
    }
    document["macros"] = std::move(macros);
    OrderedJson recordings = OrderedJson::array();
    for (const RecordingData& recording : file.recordings) {
        OrderedJson out = OrderedJson::object();
        out["name"] = recording.name;
        out[layout::kRecordingType] = recording.type;
        out["events"] = EncodeBase64(recording.events.data(), recording.events.size());
        recordings.push_back(std::move(out));
    }
    document["recordings"] = std::move(recordings);
    return document.dump(2) + "\n";
}

bool ReadFile(std::string_view bytes, FileData* file, std::string* problem) {
    if (bytes.size() > kMaxFileBytes) {
        *problem = kTooLarge;
        return false;
    }
    try {
        const Json::parser_callback_t limitDepth = [](int level, Json::parse_event_t event, Json&) {
            if (event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start)
                if (level >= kDeepestNesting) throw Refusal{"is not a Keyloom file: it is nested too deeply."};
            return true;
        };
        const Json document = Json::parse(bytes.begin(), bytes.end(), limitDepth);
        FileData read = ReadDocument(document);
        *file = std::move(read);
        return true;
    } catch (const Refusal& refusal) {
        *problem = refusal.text.rfind("is ", 0) == 0 || refusal.text.rfind("was ", 0) == 0
                       ? refusal.text
                       : "cannot be imported: " + refusal.text;
    } catch (const Json::parse_error& error) {
        *problem = "is damaged or cut short: " + LibraryMessage(error);
    } catch (const std::bad_alloc&) {
        *problem = "cannot be read: there is not enough memory.";
    } catch (const Json::exception& error) {
        *problem = "cannot be imported: " + LibraryMessage(error);
    }
    return false;
}

bool SameNameFolded(std::string_view a, std::string_view b) {
    std::u16string wideA, wideB;
    if (!Utf8ToUtf16(a, &wideA) || !Utf8ToUtf16(b, &wideB) || wideA.size() != wideB.size()) return a == b;
    // Letters of the Latin alphabets and Greek and Cyrillic compare without
    // case, as the registry compares them; the store itself has the last
    // word when a name is written.
    const auto fold = [](char16_t c) -> char16_t {
        if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
        if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
        // Latin Extended-A pairs capital and small letter: even and odd,
        // but odd and even from U+0139 to U+0148 and from U+0179.
        if ((c >= 0x100 && c <= 0x137 && c != 0x130 && c != 0x131) || (c >= 0x14A && c <= 0x177))
            return static_cast<char16_t>(c & ~1u);
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return static_cast<char16_t>(((c - 1u) & ~1u) + 1u);
        if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
        if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
        if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
        return c;
    };
    for (std::size_t i = 0; i < wideA.size(); ++i)
        if (fold(wideA[i]) != fold(wideB[i])) return false;
    return true;
}

}  // namespace exchange
