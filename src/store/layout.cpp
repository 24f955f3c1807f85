#include "store/layout.h"

#include <array>
#include <string_view>

#include "platform/win.h"

namespace layout {
namespace {

constexpr const char* kMacros = "\\Macros";
constexpr const char* kJournals = "\\Journals";

struct FieldInfo {
    const char* name;
    ValueType type;
};

// In the order of Field.
constexpr std::array<FieldInfo, 15> kFields{{
    {"KeyPressed", ValueType::Dword},
    {"DelayInterval", ValueType::Dword},
    {"BufIndex", ValueType::Dword},
    {"DefPasteString", ValueType::Text},
    {"JournalName", ValueType::Text},
    {"PlayBackSpeed", ValueType::Dword},
    {"PlayBackEvent", ValueType::Dword},
    {"WindowTitle", ValueType::Text},
    {"MessageBody", ValueType::Text},
    {"FileName", ValueType::Text},
    {"Arguments", ValueType::Text},
    {"DirName", ValueType::Text},
    {"ShowStyle", ValueType::Dword},
    {"Unelevated", ValueType::Dword},
    {"Text", ValueType::UnicodeText},
}};

using F = Field;
constexpr F kKeyValues[] = {F::KeyPressed};
constexpr F kDelay[] = {F::DelayInterval};
constexpr F kCopy[] = {F::BufIndex};
constexpr F kPaste[] = {F::BufIndex, F::DefPasteString};
constexpr F kPlaybackStored[] = {F::JournalName, F::PlayBackSpeed, F::PlayBackEvent};
constexpr F kPlaybackRead[] = {F::PlayBackSpeed, F::PlayBackEvent, F::JournalName};
constexpr F kMessageBox[] = {F::WindowTitle, F::MessageBody};
constexpr F kRun[] = {F::FileName, F::Arguments, F::DirName, F::ShowStyle};
constexpr F kRunOptional[] = {F::Unelevated};
constexpr F kTypeText[] = {F::Text};

}  // namespace

std::string CommandsPath(const std::string& macro) { return macro + "\\Commands"; }

std::string InstructionPath(const std::string& macro, std::int32_t position) {
    return CommandsPath(macro) + "\\" + std::to_string(position);
}

std::string MacroStorePath(const std::string& macroPath) { return std::string(kMacros) + "\\" + macroPath; }
std::string RecordingStorePath(const std::string& name) { return std::string(kJournals) + "\\" + name; }

std::string MacrosFullPath() { return std::string(kRootPath) + kMacros; }
std::string JournalsFullPath() { return std::string(kRootPath) + kJournals; }
std::string MacroFullPath(const std::string& macroPath) { return kRootPath + MacroStorePath(macroPath); }
std::string RecordingFullPath(const std::string& name) { return kRootPath + RecordingStorePath(name); }
std::string SettingsStorePath() { return "\\Settings"; }
std::string SettingsFullPath() { return kRootPath + SettingsStorePath(); }

bool IsWorkKeyName(const std::string& name) {
    // The registry takes "|KEYLOOM|" for the same key: case does not count.
    const std::string_view prefix(kWorkPrefix);
    if (name.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = name[i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        const char want = prefix[i] >= 'A' && prefix[i] <= 'Z' ? static_cast<char>(prefix[i] - 'A' + 'a') : prefix[i];
        if (lower != want) return false;
    }
    return true;
}

std::string ChunkName(std::int32_t position) { return std::to_string(position); }

const char* NameOf(Field field) { return kFields[static_cast<std::size_t>(field)].name; }
ValueType TypeOf(Field field) { return kFields[static_cast<std::size_t>(field)].type; }

KindValues ValuesOf(std::int32_t code) {
    switch (code) {
    case kind::Delay: return {kDelay, kDelay};
    case kind::Reboot:
    case kind::Shutdown:
    case kind::Pause:
    case kind::Time:
    case kind::Date: return {kKeyValues, {}};
    case kind::CopyFromClipboard: return {kCopy, kCopy};
    case kind::PasteToClipboard: return {kPaste, kPaste};
    case kind::PlaybackRecording: return {kPlaybackStored, kPlaybackRead};
    case kind::MessageBox: return {kMessageBox, kMessageBox};
    case kind::Run: return {kRun, kRun, kRunOptional};
    case kind::TypeText: return {kTypeText, kTypeText};
    default: return {kKeyValues, kKeyValues};
    }
}

bool HasBackslash(const std::string& name) {
    for (const char* at = name.c_str(); *at != '\0'; at = win::CharNextA(at))
        if (*at == '\\') return true;
    return false;
}

std::size_t CharactersWithin(const std::string& name, std::size_t bytes) {
    std::size_t characters = 0;
    for (const char* at = name.c_str(); *at != '\0'; ++characters) {
        const char* next = win::CharNextA(at);
        if (static_cast<std::size_t>(next - name.c_str()) > bytes) break;
        at = next;
    }
    return characters;
}

}  // namespace layout
