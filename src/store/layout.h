// The stored layout: where macros, their instructions and recordings live
// below the store root, what each key holds, and in which order the values
// are written and read. Nothing above store/ spells a path or a value name.
//
//   Macros\<macro>                 "vk", "fsModifiers", "id"; optional: "Enabled",
//                                  "Scope", "ScopePrograms"
//   Macros\<macro>\Commands\<n>    "id", then the values of its kind
//                                  (TYPE TEXT: "Text", a UTF-16 REG_SZ)
//   Journals\<recording>           "0", "1", ... (chunks), "Count", "Type"
//   Settings                       "StopVk", "StopModifiers" (each optional)
//
// Values that later versions added are optional: absent means what Keyloom
// did before them, and a tree an older Keyloom wrote reads as it did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// Instruction codes: below 0x1000 an instruction code is a Windows
// virtual-key code; 0x1000 to 0x100B are the commands, in this order.
namespace kind {

constexpr std::int32_t Delay = 0x1000;
constexpr std::int32_t Reboot = 0x1001;
constexpr std::int32_t Shutdown = 0x1002;
constexpr std::int32_t CopyFromClipboard = 0x1003;
constexpr std::int32_t PasteToClipboard = 0x1004;
constexpr std::int32_t PlaybackRecording = 0x1005;
constexpr std::int32_t Pause = 0x1006;
constexpr std::int32_t Time = 0x1007;
constexpr std::int32_t Date = 0x1008;
constexpr std::int32_t MessageBox = 0x1009;
constexpr std::int32_t Run = 0x100A;
constexpr std::int32_t TypeText = 0x100B;

constexpr std::int32_t FirstCommand = Delay;
constexpr std::int32_t LastCommand = TypeText;

// True for the twelve command codes, false for key codes and anything else.
constexpr bool IsCommand(std::int32_t code) { return code >= FirstCommand && code <= LastCommand; }

}  // namespace kind

using kind::IsCommand;

namespace layout {

// The store root, below HKEY_LOCAL_MACHINE.
inline constexpr const char* kRootPath = "Software\\Tallow Labs\\Keyloom";

// ---- Paths -------------------------------------------------------------
// The store's operations take three forms of path (registry_store.h): below
// Macros, a store path ("\Macros\..." or "\Journals\..."), or a full path
// below HKEY_LOCAL_MACHINE. These build each form from names.

// "<macro>\Commands" and "<macro>\Commands\<n>", below Macros.
std::string CommandsPath(const std::string& macro);
std::string InstructionPath(const std::string& macro, std::int32_t position);
// "\Macros\<path>" for a path below Macros, and "\Journals\<name>".
std::string MacroStorePath(const std::string& macroPath);
std::string RecordingStorePath(const std::string& name);
// Below HKEY_LOCAL_MACHINE: the two lists' keys, a macro (or a path below
// Macros) and a recording.
std::string MacrosFullPath();
std::string JournalsFullPath();
std::string MacroFullPath(const std::string& macroPath);
std::string RecordingFullPath(const std::string& name);
// The program's own settings: "\Settings" and its full path. The key is
// made when a setting is first written.
std::string SettingsStorePath();
std::string SettingsFullPath();

// Work keys: what the store writes beside the macros and recordings while a
// change is under way (a tree being written, an old one set aside, a note of
// where it goes back to, the mark that compares two names). Their names
// begin with kWorkPrefix, which the editor and the Record dialog refuse at
// the start of a name; the lists and the hot-key registration pass over them.
inline constexpr const char* kWorkPrefix = "|Keyloom|";
bool IsWorkKeyName(const std::string& name);

// The ANSI registry calls take key paths of at most this many characters,
// and the lists enumerate names of at most kLongestListedName.
inline constexpr std::size_t kLongestKeyPath = 260;
inline constexpr std::size_t kLongestListedName = 254;

// Names are ANSI text in the system's code page, whose double-byte
// characters may have 0x5C ('\\') as their second byte: the registry sees a
// character there, not a backslash. These walk the name by characters.
// Whether the name holds a backslash character, which would make it a path.
bool HasBackslash(const std::string& name);
// How many of the name's first characters fit in `bytes` bytes.
std::size_t CharactersWithin(const std::string& name, std::size_t bytes);

// ---- Values of a macro key and a recording key -------------------------
inline constexpr const char* kHotKeyVk = "vk";
inline constexpr const char* kHotKeyModifiers = "fsModifiers";
// DWORD 0 switches a macro off: it registers no hot key. Absent means on.
inline constexpr const char* kEnabled = "Enabled";
// The hot-key id on a macro key; the instruction code on an instruction key.
inline constexpr const char* kId = "id";
// How many times a run carries out the macro's body (optional: absent is
// 1; 0 repeats until the stop key).
inline constexpr const char* kRepeat = "Repeat";
inline constexpr std::int32_t kDefaultRepeat = 1;
inline constexpr std::int32_t kMostRepeats = 1000000;
// The stop key under Settings: RegisterHotKey's virtual key and modifiers
// (optional: absent is Ctrl+Alt+Esc).
inline constexpr const char* kStopVk = "StopVk";
inline constexpr const char* kStopModifiers = "StopModifiers";
// Where a macro works. "Scope" is a DWORD: 0 in every program, 1 only in the
// programs of "ScopePrograms", 2 in every program but those; absent means 0,
// as for a macro stored before there were scopes. "ScopePrograms" holds
// program file names separated by semicolons, a REG_SZ written and read
// through the UTF-16 calls; absent means none.
inline constexpr const char* kScope = "Scope";
inline constexpr const char* kScopePrograms = "ScopePrograms";
inline constexpr const char* kChunkCount = "Count";
inline constexpr const char* kRecordingType = "Type";
// A journal chunk is named by its position: "0", "1", ... Every chunk but
// the last holds this many bytes.
std::string ChunkName(std::int32_t position);
inline constexpr std::uint32_t kChunkBytes = 16000;

// ---- Values of an instruction key --------------------------------------
enum class Field : std::uint8_t {
    KeyPressed,
    DelayInterval,
    BufIndex,
    DefPasteString,
    JournalName,
    PlayBackSpeed,
    PlayBackEvent,
    WindowTitle,
    MessageBody,
    FileName,
    Arguments,
    DirName,
    ShowStyle,
    Unelevated,
    Text,
};
// Text is ANSI text in the code page, through the registry's A calls;
// UnicodeText is UTF-16, through its W calls, for text in any language.
enum class ValueType : std::uint8_t { Dword, Text, UnicodeText };

// The longest TYPE TEXT, in UTF-16 units: what the editor takes and what
// the runner and the load read; a longer stored value is refused before
// any memory is had for it.
inline constexpr std::size_t kLongestTypedText = 100000;

const char* NameOf(Field field);
ValueType TypeOf(Field field);

// The values an instruction of one kind stores after its "id": `stored` in
// the order they are written, `read` in the order the runner and the
// editor's load read them (PLAYBACK RECORDING reads its speed and filter
// before the name; REBOOT, SHUTDOWN, PAUSE, TIME and DATE store a
// "KeyPressed" of 0 that nobody reads). Any code that is no command is a
// key and stores "KeyPressed". `optional` are numbers that later versions
// added: absent means 0, so each is written only when it is not 0 and read
// without a word when it is missing, and a macro stored before reads and
// runs as it did (RUN's "Unelevated").
struct KindValues {
    std::span<const Field> stored;
    std::span<const Field> read;
    std::span<const Field> optional = {};
};
KindValues ValuesOf(std::int32_t code);

}  // namespace layout
