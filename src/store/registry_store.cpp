#include "store/registry_store.h"

#include <cstring>
#include <new>

#include "platform/unique_handle.h"
#include "store/message_text.h"
#include "store/work_keys.h"

bool isWindowsNt = false;

namespace RegistryStore {
namespace {

// RegCreateKeyExA's disposition for a key it made (REG_CREATED_NEW_KEY).
constexpr win::DWORD kCreatedNewKey = 1;

win::LSTATUS CreateKey(const std::string& fullPath, win::HKEY* key) {
    return win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, fullPath.c_str(), 0, nullptr, 0, kAccess, nullptr, key,
                                nullptr);
}

// Opens `fullPath`, creating it when the open fails.
win::LSTATUS OpenOrCreate(const std::string& fullPath) {
    UniqueKey key;
    if (OpenKey(fullPath, key.put()) == win::ERROR_SUCCESS) return win::ERROR_SUCCESS;
    return CreateKey(fullPath, key.put());
}

// Creates `fullPath`, a key `name` below `parentPath`, into `key`; the
// message names them as the parent's path with its backslash, then the
// name.
bool CreateBelow(const std::string& fullPath, const std::string& parentPath, const std::string& name,
                 UniqueKey* key) {
    if (win::LSTATUS rc = CreateKey(fullPath, key->put()); rc != win::ERROR_SUCCESS) {
        ShowError(nullptr, FormatText("Error creating key %s%s - %s", {parentPath + "\\", name, SystemErrorText(rc)}));
        return false;
    }
    return true;
}

bool ReportOpenForWrite(win::LSTATUS rc) {
    ShowError(nullptr, FormatText("Error accessing registry - %s", {SystemErrorText(rc)}));
    return false;
}

bool SetValue(win::HKEY key, const std::string& storePath, const std::string& valueName, win::DWORD type,
              const std::uint8_t* bytes, win::DWORD count) {
    if (win::LSTATUS rc = win::RegSetValueExA(key, valueName.c_str(), 0, type, bytes, count);
        rc != win::ERROR_SUCCESS) {
        ShowError(nullptr, FormatText("Error writing %s%s\\%s - %s", {kRootPath, storePath, valueName, SystemErrorText(rc)}));
        return false;
    }
    return true;
}

bool WriteValue(const std::string& storePath, const std::string& valueName, win::DWORD type,
                const std::uint8_t* bytes, win::DWORD count) {
    UniqueKey key;
    if (win::LSTATUS rc = OpenKey(FullPath(storePath), key.put()); rc != win::ERROR_SUCCESS)
        return ReportOpenForWrite(rc);
    return SetValue(key.get(), storePath, valueName, type, bytes, count);
}

void ReportOpenForRead(const std::string& fullPath, win::LSTATUS rc) {
    ShowWarning(nullptr, FormatText("Error opening key in reigistry at: %s, error: %s", {fullPath, SystemErrorText(rc)}));
}

void ReportValueRead(const std::string& fullPath, const std::string& valueName, win::LSTATUS rc) {
    ShowWarning(nullptr, FormatText("Error reading value in reigistry at: %s, error: %s",
                                    {fullPath + "\\" + valueName, SystemErrorText(rc)}));
}

// Reads a whole value into a buffer with `spare` zeroed bytes beyond it:
// the size is asked first, then the value is read with that capacity.
// `query(data, size)` is the registry's A or W query of the value.
template <typename Query>
bool QueryWholeValueBy(Query query, const std::string& fullPath, const std::string& valueName, win::DWORD spare,
                       std::unique_ptr<std::uint8_t[]>* bytes, win::DWORD* count) {
    win::DWORD size = 0;
    if (win::LSTATUS rc = query(nullptr, &size); rc != win::ERROR_SUCCESS) {
        ReportValueRead(fullPath, valueName, rc);
        return false;
    }
    // A value too large for the spare bytes cannot be held at all.
    if (size > 0xFFFFFFFFu - spare) {
        ShowError(nullptr, "Error allocating memory!");
        return false;
    }
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size + spare]());
    if (!buffer) {
        ShowError(nullptr, "Error allocating memory!");
        return false;
    }
    win::DWORD capacity = size + spare;
    if (win::LSTATUS rc = query(buffer.get(), &capacity); rc != win::ERROR_SUCCESS) {
        ReportValueRead(fullPath, valueName, rc);
        return false;
    }
    *bytes = std::move(buffer);
    *count = capacity;
    return true;
}

// A value of an open key through the A call, with 5 spare bytes.
bool QueryWholeValue(win::HKEY key, const std::string& fullPath, const std::string& valueName,
                     std::unique_ptr<std::uint8_t[]>* bytes, win::DWORD* count) {
    const auto query = [&](win::BYTE* data, win::DWORD* size) {
        return win::RegQueryValueExA(key, valueName.c_str(), nullptr, nullptr, data, size);
    };
    return QueryWholeValueBy(query, fullPath, valueName, 5, bytes, count);
}

bool OpenForRead(const std::string& fullPath, UniqueKey* key) {
    if (win::LSTATUS rc = OpenKey(fullPath, key->put()); rc != win::ERROR_SUCCESS) {
        ReportOpenForRead(fullPath, rc);
        return false;
    }
    return true;
}

bool ReportDwordRead(const std::string& fullPath, const std::string& valueName, win::LSTATUS rc) {
    ShowWarning(nullptr, FormatText("Error reading DWORD from reigistry at: %s, error: %s",
                                    {fullPath + "\\" + valueName, SystemErrorText(rc)}));
    return false;
}

// A DWORD of an open key, reported as ReadDword reports it.
bool QueryDwordReporting(win::HKEY key, const std::string& fullPath, const std::string& valueName,
                         std::int32_t* value) {
    if (win::LSTATUS rc = QueryDword(key, valueName, value); rc != win::ERROR_SUCCESS)
        return ReportDwordRead(fullPath, valueName, rc);
    return true;
}

// A text of an open key up to its first NUL (or the end of its bytes),
// reported as ReadMacroString reports it; `text` is emptied first.
bool QueryText(win::HKEY key, const std::string& fullPath, const std::string& valueName, std::string* text) {
    text->clear();
    std::unique_ptr<std::uint8_t[]> bytes;
    win::DWORD count = 0;
    if (!QueryWholeValue(key, fullPath, valueName, &bytes, &count)) return false;
    const char* chars = reinterpret_cast<const char*>(bytes.get());
    std::size_t length = 0;
    while (length < count && chars[length] != '\0') ++length;
    text->assign(chars, length);
    return true;
}

}  // namespace

std::string FullPath(const std::string& storePath) { return kRootPath + storePath; }

win::LSTATUS QueryDword(win::HKEY key, const std::string& valueName, std::int32_t* value) {
    // Four bytes whatever the value's type; a shorter value fills the low
    // bytes and the rest stay zero.
    std::uint8_t bytes[4] = {};
    win::DWORD size = sizeof bytes;
    const win::LSTATUS rc = win::RegQueryValueExA(key, valueName.c_str(), nullptr, nullptr, bytes, &size);
    if (rc == win::ERROR_SUCCESS) {
        *value = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) |
                                           static_cast<std::uint32_t>(bytes[1]) << 8 |
                                           static_cast<std::uint32_t>(bytes[2]) << 16 |
                                           static_cast<std::uint32_t>(bytes[3]) << 24);
    }
    return rc;
}

win::LSTATUS OpenKey(const std::string& fullPath, win::HKEY* key) {
    return win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, fullPath.c_str(), 0, kAccess, key);
}

bool EnsureStoreTree() {
    {
        UniqueKey software;
        if (win::LSTATUS rc = OpenKey("Software", software.put()); rc != win::ERROR_SUCCESS) {
            ShowError(nullptr, FormatText("Error opening Software key in registry - %s", {SystemErrorText(rc, 100)}));
            return false;
        }
    }
    if (win::LSTATUS rc = OpenOrCreate("Software\\Tallow Labs"); rc != win::ERROR_SUCCESS) {
        ShowError(nullptr, FormatText("Error creating %s key! - %s", {"Tallow Labs", SystemErrorText(rc)}));
        return false;
    }
    if (win::LSTATUS rc = OpenOrCreate(kRootPath); rc != win::ERROR_SUCCESS) {
        ShowError(nullptr, FormatText("Error creating %s key! - %s", {"Keyloom", SystemErrorText(rc)}));
        return false;
    }
    if (win::LSTATUS rc = OpenOrCreate(layout::MacrosFullPath()); rc != win::ERROR_SUCCESS) {
        ShowError(nullptr, FormatText("Error creating Macros key! - %s", {SystemErrorText(rc)}));
        return false;
    }
    if (win::LSTATUS rc = OpenOrCreate(layout::JournalsFullPath()); rc != win::ERROR_SUCCESS) {
        ShowError(nullptr, FormatText("Error creating Journals key! - %s", {SystemErrorText(rc)}));
        return false;
    }
    return true;
}

bool CreateMacroKey(const std::string& macroPath) {
    UniqueKey key;
    return CreateBelow(layout::MacroFullPath(macroPath), layout::MacrosFullPath(), macroPath, &key);
}

bool CreateSettingsKey() {
    UniqueKey key;
    if (OpenKey(layout::SettingsFullPath(), key.put()) == win::ERROR_SUCCESS) return true;
    return CreateBelow(layout::SettingsFullPath(), kRootPath, "Settings", &key);
}

bool WriteMacroString(const std::string& text, const std::string& macroPath, const std::string& valueName) {
    // Stored with its terminating NUL.
    return WriteValue(layout::MacroStorePath(macroPath), valueName, win::REG_SZ,
                      reinterpret_cast<const std::uint8_t*>(text.c_str()), static_cast<win::DWORD>(text.size() + 1));
}

bool WriteDword(std::int32_t value, const std::string& storePath, const std::string& valueName) {
    const auto u = static_cast<std::uint32_t>(value);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                   static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
    return WriteValue(storePath, valueName, win::REG_DWORD, bytes, 4);
}

bool WriteBinary(const std::uint8_t* bytes, std::uint32_t count, const std::string& storePath,
                 const std::string& valueName) {
    return WriteValue(storePath, valueName, win::REG_BINARY, bytes, count);
}

bool ReadDword(const std::string& storePath, const std::string& valueName, std::int32_t* value) {
    const std::string fullPath = FullPath(storePath);
    UniqueKey key;
    return OpenForRead(fullPath, &key) && QueryDwordReporting(key.get(), fullPath, valueName, value);
}

bool ReadMacroString(const std::string& macroPath, const std::string& valueName, std::string* text) {
    text->clear();
    const std::string fullPath = layout::MacroFullPath(macroPath);
    UniqueKey key;
    return OpenForRead(fullPath, &key) && QueryText(key.get(), fullPath, valueName, text);
}

bool ReadBinary(const std::string& storePath, const std::string& valueName, std::unique_ptr<std::uint8_t[]>* bytes,
                std::uint32_t* count) {
    bytes->reset();
    *count = 0;
    const std::string fullPath = FullPath(storePath);
    UniqueKey key;
    win::DWORD size = 0;
    if (!OpenForRead(fullPath, &key) || !QueryWholeValue(key.get(), fullPath, valueName, bytes, &size)) return false;
    *count = size;
    return true;
}

bool WriteMacroText(const std::u16string& text, const std::string& macroPath, const std::string& valueName) {
    const std::string storePath = layout::MacroStorePath(macroPath);
    UniqueKey key;
    if (win::LSTATUS rc = OpenKey(FullPath(storePath), key.put()); rc != win::ERROR_SUCCESS)
        return ReportOpenForWrite(rc);
    return SetUnicodeText(key.get(), storePath, valueName, text);
}

namespace {

// A UTF-16 text of an open key up to its first NUL, reported as
// ReadMacroText reports it; `text` is emptied first.
bool QueryText16(win::HKEY key, const std::string& fullPath, const std::string& valueName, std::u16string* text) {
    text->clear();
    const std::wstring name = WideValueName(valueName);
    // The size first, then the whole value with spare bytes (a whole UTF-16
    // terminator beyond any odd length), as every other text is read.
    const auto query = [&](win::BYTE* data, win::DWORD* size) {
        return win::RegQueryValueExW(key, name.c_str(), nullptr, nullptr, data, size);
    };
    std::unique_ptr<std::uint8_t[]> buffer;
    win::DWORD capacity = 0;
    if (!QueryWholeValueBy(query, fullPath, valueName, 6, &buffer, &capacity)) return false;
    std::u16string read;
    for (win::DWORD i = 0; i + 1 < capacity; i += 2) {
        const auto unit = static_cast<char16_t>(buffer[i] | buffer[i + 1] << 8);
        if (unit == 0) break;
        read.push_back(unit);
    }
    *text = std::move(read);
    return true;
}

}  // namespace

bool ReadMacroText(const std::string& macroPath, const std::string& valueName, std::u16string* text) {
    text->clear();
    const std::string fullPath = layout::MacroFullPath(macroPath);
    UniqueKey key;
    return OpenForRead(fullPath, &key) && QueryText16(key.get(), fullPath, valueName, text);
}

win::LSTATUS MacrosKey::OpenBelow(const std::string& macroPath, win::HKEY* key) {
    // A path from the root too long for the other calls is not opened below
    // Macros either: it fails as they do.
    if (layout::MacrosFullPath().size() + 1 + macroPath.size() > layout::kLongestKeyPath ||
        (!key_ && OpenKey(layout::MacrosFullPath(), key_.put()) != win::ERROR_SUCCESS))
        return OpenKey(layout::MacroFullPath(macroPath), key);
    const win::LSTATUS rc = win::RegOpenKeyExA(key_.get(), macroPath.c_str(), 0, kAccessBelow, key);
    if (rc != win::ERROR_KEY_DELETED) return rc;
    // Macros itself went (another program deleted it): what stands under
    // the name now is found from the root.
    key_.reset();
    return OpenKey(layout::MacroFullPath(macroPath), key);
}

InstructionRead InstructionKey::Open(MacrosKey& macros, const std::string& instructionPath, std::int32_t* code) {
    const auto outcome = [](win::LSTATUS rc) {
        return rc == win::ERROR_FILE_NOT_FOUND ? InstructionRead::End : InstructionRead::Failed;
    };
    macros_ = &macros;
    path_ = instructionPath;
    fullPath_ = layout::MacroFullPath(instructionPath);
    if (win::LSTATUS rc = macros.OpenBelow(instructionPath, key_.put()); rc != win::ERROR_SUCCESS) return outcome(rc);
    if (win::LSTATUS rc = QueryDword(key_.get(), layout::kId, code); rc != win::ERROR_SUCCESS) return outcome(rc);
    return InstructionRead::Read;
}

bool InstructionKey::Read(layout::Field field, std::int32_t* value) const {
    return QueryDwordReporting(key_.get(), fullPath_, layout::NameOf(field), value);
}

bool InstructionKey::Read(layout::Field field, std::string* text) const {
    return QueryText(key_.get(), fullPath_, layout::NameOf(field), text);
}

bool InstructionKey::Read(layout::Field field, std::u16string* text) const {
    return QueryUnicodeText(key_.get(), fullPath_, layout::NameOf(field), layout::kLongestTypedText, text);
}

bool InstructionKey::ReadOptional(layout::Field field, std::int32_t* value) const {
    const std::string name = layout::NameOf(field);
    const win::LSTATUS rc = QueryDword(key_.get(), name, value);
    if (rc == win::ERROR_FILE_NOT_FOUND) *value = 0;
    if (rc == win::ERROR_SUCCESS || rc == win::ERROR_FILE_NOT_FOUND) return true;
    return ReportDwordRead(fullPath_, name, rc);
}

bool KeyWriter::CreateMacro(const std::string& macroPath) {
    path_ = layout::MacroStorePath(macroPath);
    return CreateBelow(layout::MacroFullPath(macroPath), layout::MacrosFullPath(), macroPath, &key_);
}

bool KeyWriter::CreateRecording(const std::string& name) {
    path_ = layout::RecordingStorePath(name);
    return CreateBelow(layout::RecordingFullPath(name), layout::JournalsFullPath(), name, &key_);
}

bool KeyWriter::CreateRecording(win::HKEY journals, const std::string& name) {
    path_ = layout::RecordingStorePath(name);
    if (win::LSTATUS rc = win::RegCreateKeyExA(journals, name.c_str(), 0, nullptr, 0, kAccessBelow, nullptr,
                                               key_.put(), nullptr);
        rc != win::ERROR_SUCCESS) {
        ShowError(nullptr, FormatText("Error creating key %s%s - %s",
                                      {layout::JournalsFullPath() + "\\", name, SystemErrorText(rc)}));
        return false;
    }
    return true;
}

bool KeyWriter::WriteChunks(const std::vector<ChunkView>& chunks) {
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        if (!SetValue(key_.get(), path_, layout::ChunkName(static_cast<std::int32_t>(i)), win::REG_BINARY,
                      chunks[i].bytes, chunks[i].count))
            return false;
    }
    return true;
}

bool KeyWriter::Write(const std::string& valueName, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                   static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
    return SetValue(key_.get(), path_, valueName, win::REG_DWORD, bytes, 4);
}

bool KeyWriter::Write(const std::string& valueName, const std::string& text) {
    return SetValue(key_.get(), path_, valueName, win::REG_SZ, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                    static_cast<win::DWORD>(text.size() + 1));
}

bool KeyReader::OpenMacro(const std::string& macroPath) {
    fullPath_ = layout::MacroFullPath(macroPath);
    return OpenKey(fullPath_, key_.put()) == win::ERROR_SUCCESS;
}

bool KeyReader::OpenRecording(const std::string& name) {
    fullPath_ = layout::RecordingFullPath(name);
    return OpenForRead(fullPath_, &key_);
}

bool KeyReader::Code(std::int32_t* code) const {
    return key_ && QueryDword(key_.get(), layout::kId, code) == win::ERROR_SUCCESS;
}

bool KeyReader::Read(const std::string& valueName, std::int32_t* value) const {
    return QueryDwordReporting(key_.get(), fullPath_, valueName, value);
}

bool KeyReader::Read(const std::string& valueName, std::string* text) const {
    return QueryText(key_.get(), fullPath_, valueName, text);
}

bool MacroKey::Open(const std::string& name) {
    storePath_ = layout::MacroStorePath(name);
    fullPath_ = RegistryStore::FullPath(storePath_);
    return OpenKey(fullPath_, key_.put()) == win::ERROR_SUCCESS;
}

bool MacroKey::Open(win::HKEY macros, const std::string& name) {
    storePath_ = layout::MacroStorePath(name);
    fullPath_ = RegistryStore::FullPath(storePath_);
    // A macro whose path from the root is too long for every other call
    // (its lookup, its run) is not opened below Macros either.
    if (macros == nullptr || fullPath_.size() > layout::kLongestKeyPath) return Open(name);
    return win::RegOpenKeyExA(macros, name.c_str(), 0, kAccessBelow, key_.put()) == win::ERROR_SUCCESS;
}

bool MacroKey::Read(const std::string& valueName, std::int32_t* value) const {
    return QueryDwordReporting(key_.get(), fullPath_, valueName, value);
}

bool MacroKey::ReadOptional(const std::string& valueName, std::int32_t defaultValue, std::int32_t* value) const {
    *value = defaultValue;
    const win::LSTATUS rc = QueryDword(key_.get(), valueName, value);
    if (rc == win::ERROR_SUCCESS) return true;
    *value = defaultValue;
    if (rc == win::ERROR_FILE_NOT_FOUND) return true;
    // Read once more to be told why, in the store's own words.
    const bool read = QueryDwordReporting(key_.get(), fullPath_, valueName, value);
    if (!read) *value = defaultValue;
    return read;
}

bool MacroKey::Write(const std::string& valueName, std::int32_t value) const {
    const auto u = static_cast<std::uint32_t>(value);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                   static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
    return SetValue(key_.get(), storePath_, valueName, win::REG_DWORD, bytes, 4);
}

bool KeyExists(const std::string& fullPath) {
    UniqueKey key;
    return OpenKey(fullPath, key.put()) == win::ERROR_SUCCESS;
}

bool KeyExistsBelow(win::HKEY parent, const std::string& name) {
    UniqueKey key;
    return win::RegOpenKeyExA(parent, name.c_str(), 0, kAccessBelow, key.put()) == win::ERROR_SUCCESS;
}

SameKey NamesSameKey(const std::string& parentFullPath, const std::string& a, const std::string& b) {
    if (a == b) return SameKey::Yes;
    // Whether two spellings name one key is the registry's to say, by its
    // own case rules: a mark made below one name is looked for below the
    // other, then removed. Each call makes a mark of its own: one that
    // exists already is another call's leftover, and tells nothing. A notice
    // beside the stored keys says where the mark is while it is there, so
    // that a start after a stop finds it without looking below every key.
    UniqueKey parent;
    if (OpenKey(parentFullPath, parent.put()) != win::ERROR_SUCCESS) return SameKey::Unknown;
    UniqueKey first;
    if (win::LSTATUS rc = win::RegOpenKeyExA(parent.get(), a.c_str(), 0, kAccessBelow, first.put());
        rc != win::ERROR_SUCCESS)
        return rc == win::ERROR_FILE_NOT_FOUND ? SameKey::No : SameKey::Unknown;
    std::string stamp, mark;
    for (int attempt = 0; attempt < 3 && mark.empty(); ++attempt) {
        stamp = WorkKeys::FreshStamp();
        const std::string name = WorkKeys::NameOf(WorkKeys::Role::Mark, stamp);
        if (!WorkKeys::NoteMark(parent.get(), stamp, a)) {
            WorkKeys::DropMarkNotice(parent.get(), stamp);
            return SameKey::Unknown;
        }
        UniqueKey made;
        win::DWORD disposition = 0;
        if (win::RegCreateKeyExA(first.get(), name.c_str(), 0, nullptr, 0, kAccessBelow, nullptr, made.put(),
                                 &disposition) != win::ERROR_SUCCESS) {
            WorkKeys::DropMarkNotice(parent.get(), stamp);
            return SameKey::Unknown;
        }
        if (disposition == kCreatedNewKey)
            mark = name;
        else
            WorkKeys::DropMarkNotice(parent.get(), stamp);
    }
    if (mark.empty()) return SameKey::Unknown;
    UniqueKey seen;
    const win::LSTATUS seenRc = OpenKey(parentFullPath + "\\" + b + "\\" + mark, seen.put());
    seen.reset();
    const bool same = seenRc == win::ERROR_SUCCESS;
    // The mark must not stay behind in a stored macro or recording: a
    // refused removal is tried once more, and else its notice stays for the
    // next start.
    if (win::RegDeleteKeyExA(first.get(), mark.c_str(), 0, 0) == win::ERROR_SUCCESS ||
        win::RegDeleteKeyExA(first.get(), mark.c_str(), 0, 0) == win::ERROR_SUCCESS)
        WorkKeys::DropMarkNotice(parent.get(), stamp);
    if (!same && seenRc != win::ERROR_FILE_NOT_FOUND) return SameKey::Unknown;
    return same ? SameKey::Yes : SameKey::No;
}

bool WriteInstructionValue(std::int32_t value, const std::string& instructionPath, layout::Field field) {
    return WriteDword(value, layout::MacroStorePath(instructionPath), layout::NameOf(field));
}

bool WriteInstructionValue(const std::string& text, const std::string& instructionPath, layout::Field field) {
    return WriteMacroString(text, instructionPath, layout::NameOf(field));
}

namespace {

// The chunks as the recorder writes them, each full but the last: read
// straight into one buffer with a full chunk's room for each, one query per
// chunk. Unknown when a chunk is larger than that (nothing is kept then);
// Failed with the read's message as the sizes-first read says it.
enum class StraightRead { Done, Failed, Unknown };

StraightRead ReadChunksStraight(win::HKEY key, const std::string& fullPath, std::int32_t count, ChunkBytes* chunks) {
    const std::uint64_t room = static_cast<std::uint64_t>(count) * layout::kChunkBytes;
    std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(room) + 1]);
    if (!bytes) return StraightRead::Unknown;
    std::vector<std::uint32_t> sizes;
    sizes.reserve(static_cast<std::size_t>(count));
    std::uint64_t at = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::string name = layout::ChunkName(i);
        win::DWORD size = layout::kChunkBytes;
        const win::LSTATUS rc = win::RegQueryValueExA(key, name.c_str(), nullptr, nullptr, bytes.get() + at, &size);
        if (rc == win::ERROR_MORE_DATA) return StraightRead::Unknown;
        if (rc != win::ERROR_SUCCESS) {
            ReportValueRead(fullPath, name, rc);
            return StraightRead::Failed;
        }
        sizes.push_back(size);
        at += size;
    }
    // Chunks smaller than the recorder writes leave room unused: beyond a
    // chunk's worth it is given back, at the cost of one copy that chunks
    // as the recorder writes them never take.
    if (room - at > layout::kChunkBytes) {
        std::unique_ptr<std::uint8_t[]> fitting(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(at) + 1]);
        if (fitting) {
            if (at != 0) std::memcpy(fitting.get(), bytes.get(), static_cast<std::size_t>(at));
            bytes = std::move(fitting);
        }
    }
    chunks->bytes = std::move(bytes);
    chunks->byteCount = at;
    chunks->sizes = std::move(sizes);
    return StraightRead::Done;
}

}  // namespace

ChunkRead KeyReader::ReadChunks(std::int32_t count, std::uint64_t maxBytes, ChunkBytes* chunks) const {
    *chunks = ChunkBytes{};
    // Where full chunks would fit the limit, they are read straight in;
    // only a chunk larger than the recorder writes needs the sizes first.
    if (count > 0 && static_cast<std::uint64_t>(count) * (layout::kChunkBytes + kChunkOverheadBytes) <= maxBytes) {
        try {
            switch (ReadChunksStraight(key_.get(), fullPath_, count, chunks)) {
            case StraightRead::Done: return ChunkRead::Done;
            case StraightRead::Failed: *chunks = ChunkBytes{}; return ChunkRead::Failed;
            case StraightRead::Unknown: *chunks = ChunkBytes{}; break;
            }
        } catch (const std::bad_alloc&) {
            *chunks = ChunkBytes{};
        }
    }
    // First the sizes: what the chunks hold is known, and checked against
    // the limit, before memory is had for a byte of them.
    std::uint64_t total = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        win::DWORD size = 0;
        if (win::LSTATUS rc = win::RegQueryValueExA(key_.get(), layout::ChunkName(i).c_str(), nullptr, nullptr,
                                                     nullptr, &size);
            rc != win::ERROR_SUCCESS) {
            ReportValueRead(fullPath_, layout::ChunkName(i), rc);
            *chunks = ChunkBytes{};
            return ChunkRead::Failed;
        }
        total += size;
        if (total + (static_cast<std::uint64_t>(i) + 1) * kChunkOverheadBytes > maxBytes) {
            *chunks = ChunkBytes{};
            return ChunkRead::TooLarge;
        }
        try {
            chunks->sizes.push_back(size);
        } catch (const std::bad_alloc&) {
            *chunks = ChunkBytes{};
            ShowError(nullptr, "Error allocating memory!");
            return ChunkRead::Failed;
        }
    }
    std::unique_ptr<std::uint8_t[]> bytes;
    if (total < SIZE_MAX) bytes.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(total) + 1]);
    if (!bytes) {
        *chunks = ChunkBytes{};
        ShowError(nullptr, "Error allocating memory!");
        return ChunkRead::Failed;
    }
    // Then the bytes, each chunk into its place. A chunk that has grown
    // since its size was asked no longer fits and is a failed read; one
    // that reads shorter (a text read through the ANSI call) keeps what it
    // read, and the next follows on at once.
    std::uint64_t at = 0;
    for (std::size_t i = 0; i < chunks->sizes.size(); ++i) {
        win::DWORD size = chunks->sizes[i];
        if (size == 0) continue;
        const std::string name = layout::ChunkName(static_cast<std::int32_t>(i));
        if (win::LSTATUS rc = win::RegQueryValueExA(key_.get(), name.c_str(), nullptr, nullptr, bytes.get() + at, &size);
            rc != win::ERROR_SUCCESS) {
            ReportValueRead(fullPath_, name, rc);
            *chunks = ChunkBytes{};
            return ChunkRead::Failed;
        }
        chunks->sizes[i] = size;
        at += size;
    }
    chunks->bytes = std::move(bytes);
    chunks->byteCount = at;
    return ChunkRead::Done;
}

int FindStoredName(const std::string& parentFullPath, const std::vector<std::string>& names, const std::string& name) {
    if (name.empty()) return -1;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int>(i);
    // Spelt in another case: only a stored name can match, and only one of
    // the same length, since the ANSI code page folds case byte for byte.
    if (!KeyExists(parentFullPath + "\\" + name)) return -1;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].size() == name.size() && NamesSameKey(parentFullPath, names[i], name) == SameKey::Yes)
            return static_cast<int>(i);
    return -1;
}

namespace {

// Whether every key of the tree at `fullPath` can be opened and its subkeys
// listed: a tree that cannot be walked whole cannot be deleted whole, and is
// found out before anything of it goes.
bool CanDeleteWhole(const std::string& fullPath) {
    UniqueKey key;
    if (win::LSTATUS rc = OpenKey(fullPath, key.put()); rc != win::ERROR_SUCCESS) {
        ShowWarning(nullptr, FormatText("Error opening key %s in the registry - %s", {fullPath, SystemErrorText(rc)}));
        return false;
    }
    char name[255];
    for (win::DWORD index = 0;; ++index) {
        const win::LSTATUS rc = win::RegEnumKeyA(key.get(), index, name, sizeof name);
        if (rc == win::ERROR_NO_MORE_ITEMS) return true;
        if (rc != win::ERROR_SUCCESS) {
            ShowWarning(nullptr, FormatText("Error reading the subkeys of key %s in the registry - %s",
                                            {fullPath, SystemErrorText(rc)}));
            return false;
        }
        if (!CanDeleteWhole(fullPath + "\\" + name)) return false;
    }
}

}  // namespace

bool DeleteKeyTree(const std::string& fullPath) {
    if (!isWindowsNt)
        return win::RegDeleteKeyExA(win::HKEY_LOCAL_MACHINE, fullPath.c_str(), kView, 0) == win::ERROR_SUCCESS;
    if (!CanDeleteWhole(fullPath)) return false;
    // A macro or a recording leaves its list at once, renamed to a work key,
    // and is deleted from there: a failure halfway leaves nothing that lists
    // or runs, and the next start removes the rest.
    const std::size_t slash = fullPath.rfind('\\');
    const std::string parent = slash == std::string::npos ? std::string() : fullPath.substr(0, slash);
    const std::string name = fullPath.substr(slash + 1);
    if ((parent == layout::MacrosFullPath() || parent == layout::JournalsFullPath()) && !layout::IsWorkKeyName(name)) {
        const std::string aside = WorkKeys::NameOf(WorkKeys::Role::Old, WorkKeys::FreshStamp());
        // A refused rename, like a refused deletion, shows no message.
        if (WorkKeys::Rename(parent, name, aside) != win::ERROR_SUCCESS) return false;
        WorkKeys::Remove(parent + "\\" + aside);
        return true;
    }
    return DeleteSubtree(fullPath);
}

bool DeleteSubtree(const std::string& fullPath) {
    UniqueKey key;
    if (win::LSTATUS rc = OpenKey(fullPath, key.put()); rc != win::ERROR_SUCCESS) {
        ShowWarning(nullptr, FormatText("Error opening key %s in the registry - %s", {fullPath, SystemErrorText(rc)}));
        return false;
    }
    // Index 0 again after each deletion: the deleted subkey is gone, so the
    // next one moves up.
    char name[255];
    while (win::RegEnumKeyA(key.get(), 0, name, sizeof name) == win::ERROR_SUCCESS) {
        if (!DeleteSubtree(fullPath + "\\" + name)) return false;
    }
    return win::RegDeleteKeyExA(win::HKEY_LOCAL_MACHINE, fullPath.c_str(), kView, 0) ==
           win::ERROR_SUCCESS;
}

}  // namespace RegistryStore
