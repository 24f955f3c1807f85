// The command channel between keyloomc.exe and Keyloom: one WM_COPYDATA
// block per request and per answer. Both programs build and read the blocks
// here, and Keyloom reads a request whole (size, command, name) before it
// acts on any of it.
//
// A request, little-endian:
//   u32 magic "KLC1"  u16 version  u16 command
//   u64 answer window (the caller's own window; answers go only there)
//   u32 name length in UTF-16 units  u32 payload length in bytes
//   name (UTF-16LE, no terminator)  payload
// An answer has the same magic and version, a u16 status in place of the
// command, and its payload (the list, an exported file, an import's report,
// an error text) after a u32 length.
//
// A file of up to kFileLimit bytes goes in pieces of at most kPieceLimit
// bytes each way, since a much larger block between processes may never
// arrive: keyloomc sends ImportPiece requests and then an Import with no
// payload, and Export's answer comes back as Piece answers. Each piece's
// payload starts with its sequence number and the file's whole size (u32
// each). keyloomc reads and writes the file with its own rights; Keyloom
// never opens a path that a caller names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace channel {

inline constexpr std::uint32_t kMagic = 0x314C434Bu;  // "KLC1"
inline constexpr std::uint16_t kVersion = 1;
inline constexpr std::size_t kRequestHeader = 24;
inline constexpr std::size_t kAnswerHeader = 12;
// A macro's name is a registry key name: at most 255 UTF-16 units.
inline constexpr std::size_t kMaxName = 255;
// Commands without a file fit in a small block; those carrying one get 64 MB.
inline constexpr std::size_t kSmallLimit = 4096;
inline constexpr std::size_t kFileLimit = 64u * 1024u * 1024u;
inline constexpr std::size_t kPieceLimit = 1024u * 1024u;
inline constexpr std::size_t kPieceHeader = 8;
// The dwData of every channel block, so stray WM_COPYDATA is told apart.
inline constexpr std::uintptr_t kCopyDataTag = 0x4B4C4331u;
// The class of keyloomc's window that answers come to. Keyloom's own window
// is found by its class, kMainWindowClass (common/messages.h).
inline constexpr const char* kAnswerWindowClass = "KeyloomcAnswer";

enum class Command : std::uint16_t { Run = 1, Stop = 2, List = 3, Export = 4, Import = 5, ImportPiece = 6 };

// What an answer (and the WM_COPYDATA handler's result) says. The values up
// to Failed are also keyloomc's exit codes for run. Refused: the request was
// whole but what it carries is not taken (an import's file that Keyloom
// refuses); nothing was written. Piece: an answer block that carries one
// piece of an exported file.
enum class Status : std::uint16_t {
    Ok = 0,
    NoSuchMacro = 1,
    NotRunning = 2,
    Busy = 3,
    Malformed = 5,
    Failed = 6,
    Refused = 7,
    Piece = 8
};

struct Request {
    Command command = Command::List;
    std::uint64_t answerWindow = 0;
    std::u16string name;
    std::vector<std::uint8_t> payload;
};

enum class RequestFault { None, Size, Magic, UnknownCommand, MissingName, BadName, NameTooLong, TooLarge, Payload };

// The size limit for a command's whole block.
std::size_t LimitFor(Command command);
bool NeedsName(Command command);
// Only Import and ImportPiece carry a payload (the file, a piece of it);
// one that comes with another command is refused.
bool TakesPayload(Command command);

// What Keyloom's WM_COPYDATA handler returns for a channel block: the tag
// with the status in the low 16 bits. 0 (what a window that does not know
// the channel returns) or any other value means no Keyloom took it.
inline constexpr std::intptr_t kHandledTag = 0x4B4C0000;
inline constexpr std::intptr_t HandledResult(Status status) {
    return kHandledTag | static_cast<std::intptr_t>(status);
}
// The status in a handler's result; false when the result is not one.
bool StatusFromResult(std::intptr_t result, Status* status);

std::vector<std::uint8_t> EncodeRequest(const Request& request);
// Reads a block checked whole; on a fault leaves *out untouched.
RequestFault ParseRequest(const void* data, std::size_t size, Request* out);

struct Answer {
    Status status = Status::Ok;
    std::vector<std::uint8_t> payload;
};
std::vector<std::uint8_t> EncodeAnswer(const Answer& answer);
bool ParseAnswer(const void* data, std::size_t size, Answer* out);

// An import's report, the payload of Import's answer: one record a line,
// a u16 kind, a u32 length in UTF-16 units, the text (UTF-16LE).
enum class ReportKind : std::uint16_t {
    ImportedMacro = 1,
    ImportedRecording = 2,
    Skipped = 3,      // a name that is taken: left as it is
    SwitchedOff = 4,  // imported switched off, since its hot key is in use
    Problem = 5,      // why nothing more was written, after the file's name
    Message = 6,      // what Keyloom would have shown in a box meanwhile
};
struct ReportLine {
    ReportKind kind = ReportKind::Problem;
    std::u16string text;

    bool operator==(const ReportLine&) const = default;
};
std::vector<std::uint8_t> EncodeReport(const std::vector<ReportLine>& lines);
// False, with *out untouched, for bytes that are not a whole report.
bool ParseReport(const std::vector<std::uint8_t>& bytes, std::vector<ReportLine>* out);

// One piece of a file, as the payload of an ImportPiece request or a Piece
// answer.
struct Piece {
    std::uint32_t sequence = 0;
    std::uint32_t total = 0;  // the whole file's size, the same in every piece
    std::vector<std::uint8_t> bytes;
};
// How many pieces a file of `size` bytes goes in (one for an empty file),
// and the payload of piece `sequence` of `file`.
std::size_t PieceCount(std::size_t size);
std::vector<std::uint8_t> PiecePayload(const std::vector<std::uint8_t>& file, std::size_t sequence);
// False, with *out untouched, for a payload that is no piece: too short,
// more than kPieceLimit bytes, a total above kFileLimit.
bool ParsePiece(const std::vector<std::uint8_t>& payload, Piece* out);

// A file put together from its pieces, in order. A first piece (sequence 0)
// starts over; any other must follow the last one taken and declare the
// same total, and the bytes never go past it. A piece that does not fit
// empties the assembly, so nothing of a broken transfer is held.
class Assembly {
public:
    bool Take(Piece piece);
    // Every byte of the declared total has come.
    bool Complete() const { return started_ && bytes_.size() == total_; }
    bool Empty() const { return !started_; }
    std::size_t Held() const { return bytes_.size(); }
    // The file, leaving the assembly empty.
    std::vector<std::uint8_t> Release();
    void Clear();

private:
    bool started_ = false;
    std::uint32_t next_ = 0;
    std::uint32_t total_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace channel
