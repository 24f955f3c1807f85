// The registry tree that holds every macro and recording, and the operations
// that create, write, read and delete it. Each operation opens the key it
// needs, does one thing, closes the key and reports its own failure in a
// message box; callers only look at the success flag.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/unique_handle.h"
#include "platform/win.h"
#include "store/layout.h"

// Set at start-up: the NT family deletes key trees level by level.
extern bool isWindowsNt;

namespace RegistryStore {

using layout::kRootPath;
// 32-bit and 64-bit builds share one store: both open the 32-bit view.
inline constexpr win::DWORD kView = win::KEY_WOW64_32KEY;
inline constexpr win::DWORD kAccess = win::KEY_ALL_ACCESS | kView;
// Below a key already opened in that view no key is redirected, so a key
// opened through such a handle names no view. (A 64-bit program under Wine
// that names the 32-bit view has the path walked key by key, an open and a
// close for each part of it; a path below a held key is one open.)
inline constexpr win::DWORD kAccessBelow = win::KEY_ALL_ACCESS;

// Opens or creates "Software\Tallow Labs\Keyloom" with "Macros" and
// "Journals" below it.
bool EnsureStoreTree();

// Path forms: `macroPath` is below Macros ("name", "name\Commands\3");
// `storePath` begins with "\Macros\" or "\Journals\"; `fullPath` is below
// HKEY_LOCAL_MACHINE.
bool CreateMacroKey(const std::string& macroPath);
// Opens or creates the Settings key below the store root.
bool CreateSettingsKey();
bool WriteMacroString(const std::string& text, const std::string& macroPath, const std::string& valueName);
bool WriteDword(std::int32_t value, const std::string& storePath, const std::string& valueName);
bool WriteBinary(const std::uint8_t* bytes, std::uint32_t count, const std::string& storePath,
                 const std::string& valueName);
// Texts in any language, through the registry's UTF-16 calls: a REG_SZ of
// UTF-16 units with its NUL. std::u16string, since wchar_t is not 16 bits
// in every build. Failures are reported as WriteMacroString and
// ReadMacroString report theirs; `text` is emptied first and stays empty on
// failure, and it ends at the first NUL.
bool WriteMacroText(const std::u16string& text, const std::string& macroPath, const std::string& valueName);
bool ReadMacroText(const std::string& macroPath, const std::string& valueName, std::u16string* text);
// Reads at most 4 bytes; `value` is untouched on failure.
bool ReadDword(const std::string& storePath, const std::string& valueName, std::int32_t* value);
// `text` is emptied first and stays empty on failure.
bool ReadMacroString(const std::string& macroPath, const std::string& valueName, std::string* text);
// Hands over the whole value; `bytes` is empty and `count` 0 on failure.
bool ReadBinary(const std::string& storePath, const std::string& valueName, std::unique_ptr<std::uint8_t[]>* bytes,
                std::uint32_t* count);
// A value of instruction `instructionPath` (below Macros) by its field:
// WriteDword for numbers, WriteMacroString for texts, under the layout's
// name for the field. (A run reads them through InstructionKey.)
bool WriteInstructionValue(std::int32_t value, const std::string& instructionPath, layout::Field field);
bool WriteInstructionValue(const std::string& text, const std::string& instructionPath, layout::Field field);
// A recording's journal chunks, the values "0", "1", ... of one key, go
// through one open of the key: each reads or writes as ReadBinary and
// WriteBinary do, with their messages, and stops at the first failure.
struct ChunkView {
    const std::uint8_t* bytes;
    std::uint32_t count;
};
// Chunks as read back: their bytes back to back in one buffer (with one
// spare byte, so that no chunks is still a real allocation), and the size
// of each in order, which is all that is needed to write them again.
struct ChunkBytes {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::uint64_t byteCount = 0;
    std::vector<std::uint32_t> sizes;
};
// What a chunk costs besides its bytes, the same in every build: its size
// in ChunkBytes, with room to spare. It counts against a reader's limit, so
// that no count of empty chunks makes memory grow past that.
inline constexpr std::uint64_t kChunkOverheadBytes = 16;
enum class ChunkRead { Done, Failed, TooLarge };
// Reads the code of instruction `instructionPath` (below Macros) without
// reporting anything. A key or an id that is not there is the normal end of
// a macro; any other failure (no access, a value of the wrong size) ends it
// too, but as a failure, which lets go of what the macro held.
enum class InstructionRead { Read, End, Failed };

// One instruction's key, opened once while the runner carries the
// instruction out: the code is read without a word (see InstructionRead),
// then its executor reads the values through the same handle, in the
// layout's names for its fields, each failure reported as ReadDword,
// ReadMacroString and ReadMacroText report theirs. An open costs about as
// much as a value's read, so one open for the code and every value is the
// least a run from the registry takes.
// The Macros key, held for a stretch of a run in which nothing waits, so
// that each instruction's key is one open below it rather than a path from
// the root. Opened when first needed; let go when an instruction is about
// to wait (InstructionKey::Close) and when the stretch ends, so that no key
// is held while the user may edit or delete the macro. A name is looked up
// afresh at each open, as a path from the root is.
class MacrosKey {
public:
    // Opens `macroPath` (below Macros) into `key`, as OpenKey would open
    // its full path: below the held key, or from the root when Macros does
    // not open or has been deleted meanwhile.
    win::LSTATUS OpenBelow(const std::string& macroPath, win::HKEY* key);
    void Release() { key_.reset(); }

private:
    UniqueKey key_;
};

class InstructionKey {
public:
    InstructionRead Open(MacrosKey& macros, const std::string& instructionPath, std::int32_t* code);
    // Below Macros ("name\Commands\3"), and below HKEY_LOCAL_MACHINE.
    const std::string& Path() const { return path_; }
    const std::string& FullPath() const { return fullPath_; }
    bool Read(layout::Field field, std::int32_t* value) const;
    bool Read(layout::Field field, std::string* text) const;
    // A text in any language of at most layout::kLongestTypedText units,
    // checked as QueryUnicodeText checks it.
    bool Read(layout::Field field, std::u16string* text) const;
    // A number that a macro stored by an earlier Keyloom does not have: 0
    // when it is missing, without a word; other failures as Read.
    bool ReadOptional(layout::Field field, std::int32_t* value) const;
    // Lets go of the key before a wait (a DELAY, a box): nothing more is
    // read, and the macro's keys are not held open while the user may edit
    // or delete it.
    // The held Macros key goes with it.
    void Close() {
        key_.reset();
        if (macros_ != nullptr) macros_->Release();
    }

private:
    UniqueKey key_;
    MacrosKey* macros_ = nullptr;
    std::string path_;
    std::string fullPath_;
};

// A key below Macros or Journals created once and written value by value
// through that one handle, since each open of a key costs about as much as
// a value's write: each failure is reported as CreateMacroKey and
// WriteDword, WriteMacroString or WriteBinary report theirs.
class KeyWriter {
public:
    bool CreateMacro(const std::string& macroPath);
    bool CreateRecording(const std::string& name);
    // The same below `journals`, the Journals key already open.
    bool CreateRecording(win::HKEY journals, const std::string& name);
    bool Write(const std::string& valueName, std::int32_t value);
    bool Write(const std::string& valueName, const std::string& text);
    // A text in any language, through the registry's UTF-16 call, as
    // WriteMacroText writes it.
    bool Write(const std::string& valueName, const std::u16string& text);
    // Chunks "0", "1", ... in order; stops at the first that fails.
    bool WriteChunks(const std::vector<ChunkView>& chunks);

private:
    UniqueKey key_;
    std::string path_;
};

// A key opened once and read value by value: the code silently, as
// InstructionKey reads it, the others with the messages of ReadDword,
// ReadMacroString and ReadChunks. A macro's key opens silently (nothing can
// be read then); a recording's reports its failure as ReadDword does.
class KeyReader {
public:
    bool OpenMacro(const std::string& macroPath);
    bool OpenRecording(const std::string& name);
    bool Code(std::int32_t* code) const;
    bool Read(const std::string& valueName, std::int32_t* value) const;
    bool Read(const std::string& valueName, std::string* text) const;
    // A text in any language of at most layout::kLongestTypedText units,
    // read and checked as QueryUnicodeText does.
    bool Read(const std::string& valueName, std::u16string* text) const;
    // Reads chunks "0" to count - 1 (none for a count of 0 or less): the
    // size of each is asked first, and memory is had once, for exactly
    // what they hold. TooLarge, with nothing said and before any memory
    // for their bytes is had, when their bytes and kChunkOverheadBytes each
    // add up to more than `maxBytes`. Memory that cannot be had is said
    // ("Error allocating memory!") and is Failed.
    ChunkRead ReadChunks(std::int32_t count, std::uint64_t maxBytes, ChunkBytes* chunks) const;

private:
    UniqueKey key_;
    std::string fullPath_;
};

// A macro's own key opened once, for start-up: its hot key read and its id
// written through the one handle, each failure reported as ReadDword and
// WriteDword report theirs. Open says nothing: a key that cannot be opened
// is left to ReadDword and WriteDword, which say why in their own words.
class MacroKey {
public:
    bool Open(const std::string& name);
    // The same below `macros`, the Macros key already open (none: from the
    // root).
    bool Open(win::HKEY macros, const std::string& name);
    bool Read(const std::string& valueName, std::int32_t* value) const;
    bool Write(const std::string& valueName, std::int32_t value) const;
    // A number an earlier Keyloom never stored: `defaultValue` when it is
    // missing, without a word; as ReadOptionalDword reads it.
    bool ReadOptional(const std::string& valueName, std::int32_t defaultValue, std::int32_t* value) const;
    win::HKEY Handle() const { return key_.get(); }
    const std::string& FullPath() const { return fullPath_; }

private:
    UniqueKey key_;
    std::string storePath_;
    std::string fullPath_;
};

bool KeyExists(const std::string& fullPath);
// Whether `name` is a key below the open key `parent`.
bool KeyExistsBelow(win::HKEY parent, const std::string& name);
// Whether names `a` and `b` below `parentFullPath` address one key as the
// registry compares names (its case rules are not ASCII's). No when `a`
// is not stored; Unknown when the registry could not be asked.
enum class SameKey { Yes, No, Unknown };
SameKey NamesSameKey(const std::string& parentFullPath, const std::string& a, const std::string& b);

// Which of `names` (the stored spellings of keys below `parentFullPath`, as
// a list shows them) addresses the same key as `name`; -1 when none does.
int FindStoredName(const std::string& parentFullPath, const std::vector<std::string>& names, const std::string& name);

bool DeleteKeyTree(const std::string& fullPath);
bool DeleteSubtree(const std::string& fullPath);

// For the few callers that open or enumerate keys themselves.
std::string FullPath(const std::string& storePath);
win::LSTATUS OpenKey(const std::string& fullPath, win::HKEY* key);
// Reads a value as a little-endian 32-bit integer; `value` is untouched on
// failure.
win::LSTATUS QueryDword(win::HKEY key, const std::string& valueName, std::int32_t* value);

// A UTF-16 text of an open key (`fullPath` names it in the messages), up to
// its first NUL, through RegQueryValueExW. Whatever is stored there, the
// user is told plainly what is wrong and `text` stays empty: a value that
// is missing, not a REG_SZ, of an odd number of bytes (no UTF-16 text), or
// longer than `longest` units, which is refused before any memory is had
// for it.
bool QueryUnicodeText(win::HKEY key, const std::string& fullPath, const std::string& valueName, std::size_t longest,
                      std::u16string* text);
// Writes `text` as a REG_SZ of UTF-16 units through RegSetValueExW on an
// open key (`storePath` names it in the message a failure shows).
bool SetUnicodeText(win::HKEY key, const std::string& storePath, const std::string& valueName,
                    const std::u16string& text);
// A stored value name (ASCII) in the form the UTF-16 calls take.
std::wstring WideValueName(const std::string& name);

}  // namespace RegistryStore
