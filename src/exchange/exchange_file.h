// The exchange file: macros and recordings as one UTF-8 JSON document
// (docs/file-format.md), written from and read into the values below. The
// reader checks a file whole, against what the editor and the recorder
// would accept, before anything is done with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/layout.h"

namespace exchange {

inline constexpr const char* kFormatName = "keyloom";
inline constexpr std::int64_t kFormatVersion = 1;
// The largest file that is read at all, and that export writes.
inline constexpr std::size_t kMaxFileBytes = 64u * 1024u * 1024u;
inline constexpr const char* kTooLarge = "is larger than 64 MB.";

// Texts here are UTF-8; the store's own are converted at its door.
struct InstructionData {
    std::int32_t code = 0;
    std::map<layout::Field, std::int32_t> numbers;
    std::map<layout::Field, std::string> texts;

    bool operator==(const InstructionData&) const = default;
};

struct MacroData {
    std::string name;
    std::int32_t virtualKey = 0;
    std::int32_t modifiers = 0;
    // Values of the macro key that a Keyloom before them does not store:
    // absent here when absent there.
    std::map<std::string, std::int32_t> numbers;
    std::map<std::string, std::string> texts;
    std::vector<InstructionData> instructions;

    bool operator==(const MacroData&) const = default;
};

struct RecordingData {
    std::string name;
    std::int32_t type = 0;
    std::vector<std::uint8_t> events;  // the stored bytes, 20 an event

    bool operator==(const RecordingData&) const = default;
};

struct FileData {
    std::vector<MacroData> macros;
    std::vector<RecordingData> recordings;

    bool operator==(const FileData&) const = default;
};

// Values of the macro key beyond its hot key, by their stored names, with
// the range the editor gives each. A macro that lacks one in the store lacks
// it in the file, and the other way round.
struct MacroValue {
    const char* name;
    std::int64_t least, most;
};
std::span<const MacroValue> MacroNumbers();
// Texts of the macro key beyond its name, by their stored names, read and
// written through the UTF-16 calls; absent in the file when absent there.
std::span<const char* const> MacroTexts();

// The name of an instruction kind in the file ("Key", "Delay", ...); null
// for a code that is no kind.
const char* KindName(std::int32_t code);

// The document, indented, UTF-8.
std::string WriteFile(const FileData& file);

// Reads a whole file. On a refusal, `problem` says what is wrong first, in
// words that follow the file's name ("is not a Keyloom file."), with the
// position where one is known, and `file` is untouched.
bool ReadFile(std::string_view bytes, FileData* file, std::string* problem);

// Whether two names are one for the store as far as can be told before
// either is stored: the same characters, letters compared without case.
bool SameNameFolded(std::string_view a, std::string_view b);

}  // namespace exchange
