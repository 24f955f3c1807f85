// The fake registry: one tree below HKEY_LOCAL_MACHINE, handles that stay
// bound to their key, and Windows' rules for names, enumeration and deletion.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"

namespace {

using win::BYTE;
using win::DWORD;
using win::HKEY;
using win::LSTATUS;

// Registry names compare without regard to case (the ANSI code page's, not
// only ASCII's) but keep the spelling they were created with. Subkeys
// enumerate in the order of their lower-case form, as the registry under
// Wine returns them ("_x" before "A", "z" before "\xE4").
struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return fake::detail::SortKey(static_cast<unsigned char>(x)) < fake::detail::SortKey(static_cast<unsigned char>(y));
        });
    }
};

struct Value {
    std::string name;
    DWORD type = win::REG_NONE;
    std::vector<BYTE> data;
    DWORD claimed = 0;  // a size that the value answers with, holding only zeros; 0: its data's
    bool wide = false;  // a string written by a UTF-16 call: `data` holds UTF-16 units
};

struct Key {
    std::string name;
    Key* parent = nullptr;
    bool deleted = false;
    std::string dacl = "D:";  // access list, as a descriptor string
    std::map<std::string, std::shared_ptr<Key>, NameLess> subkeys;
    std::map<std::string, Value, NameLess> values;
};

struct OpenKey {
    std::shared_ptr<Key> key;
    std::string path;  // below HKEY_LOCAL_MACHINE, as it was opened
};

constexpr DWORD kRegExpandSz = 2;
constexpr DWORD kRegMultiSz = 7;

// Longest key name the registry accepts, in characters: one more than fits
// a 255-byte enumeration buffer with its NUL.
constexpr std::size_t kMaxKeyName = 256;
// The ANSI calls convert a key path through a buffer of MAX_PATH characters;
// a longer path fails with ERROR_MORE_DATA before the registry sees it.
constexpr std::size_t kMaxAnsiPath = 260;

bool PathTooLong(const char* subKey) { return subKey != nullptr && std::strlen(subKey) > kMaxAnsiPath; }

constexpr const char* kSoftwareDacl = "D:PAI(A;CIIO;KA;;;CO)(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)";

std::shared_ptr<Key> FreshRoot() {
    auto fresh = std::make_shared<Key>();
    auto software = std::make_shared<Key>();
    software->name = "Software";
    software->parent = fresh.get();
    // As on Windows: everyone signed in may read, administrators and the
    // system may do anything, and each key below inherits that.
    software->dacl = kSoftwareDacl;
    fresh->subkeys.emplace(software->name, software);
    return fresh;
}

// The fake starts as a fresh machine, so tests that never reset it see one.
std::shared_ptr<Key> root = FreshRoot();
std::map<std::uintptr_t, OpenKey> handles;
std::uintptr_t nextHandle = 0x1000;
DWORD largestRead = 0;
int rootOpens = 0;

const std::uintptr_t kLocalMachine = reinterpret_cast<std::uintptr_t>(win::HKEY_LOCAL_MACHINE);

std::vector<std::string> SplitPath(const char* path) {
    std::vector<std::string> parts;
    if (path == nullptr) return parts;
    std::string part;
    // By characters of the code page, as the system converts a name before
    // it parses the path: a double-byte character's 0x5C is no separator.
    for (const char* p = path; *p != '\0';) {
        const char* next = win::CharNextA(p);
        if (*p == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part.append(p, next);
        }
        p = next;
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

std::string JoinPath(const std::string& base, const std::string& sub) {
    if (base.empty()) return sub;
    if (sub.empty()) return base;
    return base + "\\" + sub;
}

std::string JoinParts(const std::vector<std::string>& parts) {
    std::string out;
    for (const auto& part : parts) out = JoinPath(out, part);
    return out;
}

// The key a handle stands for, or nullptr when the handle is not open.
const OpenKey* Resolve(HKEY key) {
    static OpenKey machine;
    auto value = reinterpret_cast<std::uintptr_t>(key);
    if (value == kLocalMachine) {
        machine = OpenKey{root, ""};
        return &machine;
    }
    auto it = handles.find(value);
    return it == handles.end() ? nullptr : &it->second;
}

// The path below HKEY_LOCAL_MACHINE that a handle and a relative name denote,
// for matching injected faults.
std::string FullPath(HKEY key, const char* sub) {
    const OpenKey* open = Resolve(key);
    std::string base = open != nullptr ? open->path : std::string();
    return JoinPath(base, sub != nullptr ? sub : "");
}

HKEY NewHandle(std::shared_ptr<Key> key, std::string path) {
    std::uintptr_t value = nextHandle;
    nextHandle += 8;
    handles[value] = OpenKey{std::move(key), std::move(path)};
    return reinterpret_cast<HKEY>(value);
}

Key* Find(Key* from, const std::vector<std::string>& parts) {
    Key* key = from;
    for (const auto& part : parts) {
        auto it = key->subkeys.find(part);
        if (it == key->subkeys.end()) return nullptr;
        key = it->second.get();
    }
    return key;
}

std::shared_ptr<Key> Share(Key* key) {
    if (key == root.get()) return root;
    return key->parent->subkeys.find(key->name)->second;
}

// Creates the missing keys of `parts` below `from`; sets *created when the
// last one is new.
LSTATUS CreatePath(Key* from, const std::vector<std::string>& parts, Key** out, bool* created) {
    for (const auto& part : parts) {
        if (part.size() > kMaxKeyName) return win::ERROR_INVALID_PARAMETER;
    }
    Key* key = from;
    *created = false;
    for (const auto& part : parts) {
        auto it = key->subkeys.find(part);
        if (it == key->subkeys.end()) {
            auto child = std::make_shared<Key>();
            child->name = part;
            child->parent = key;
            child->dacl = fake::detail::InheritedDacl(key->dacl);
            it = key->subkeys.emplace(part, child).first;
            *created = true;
        } else {
            *created = false;
        }
        key = it->second.get();
    }
    *out = key;
    return win::ERROR_SUCCESS;
}

Key* RootFor(const std::string& path) { return Find(root.get(), SplitPath(path.c_str())); }

}  // namespace

namespace fake::detail {

void ResetRegistry() {
    largestRead = 0;
    rootOpens = 0;
    handles.clear();
    nextHandle = 0x1000;
    root = FreshRoot();
}

}  // namespace fake::detail

namespace win {

namespace {

// What opening and creating check first, in Windows' order: injected
// faults, the result pointer, the path's length, the parent handle.
LSTATUS BeginOpen(const char* function, HKEY key, const char* subKey, HKEY* result, const OpenKey** open) {
    std::int32_t code = 0;
    if (fake::detail::Faulted(function, {subKey != nullptr ? subKey : "", FullPath(key, subKey)}, &code)) {
        if (result != nullptr) *result = nullptr;
        return code;
    }
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (PathTooLong(subKey)) return ERROR_MORE_DATA;
    *open = Resolve(key);
    if (*open == nullptr) return ERROR_INVALID_HANDLE;
    if ((*open)->key->deleted) return ERROR_KEY_DELETED;
    if (reinterpret_cast<std::uintptr_t>(key) == kLocalMachine) ++rootOpens;
    return ERROR_SUCCESS;
}

}  // namespace

LSTATUS RegOpenKeyExA(HKEY key, const char* subKey, DWORD /*options*/, DWORD /*samDesired*/, HKEY* result) {
    const OpenKey* open = nullptr;
    if (LSTATUS rc = BeginOpen("RegOpenKeyExA", key, subKey, result, &open); rc != ERROR_SUCCESS) return rc;
    auto parts = SplitPath(subKey);
    Key* found = Find(open->key.get(), parts);
    if (found == nullptr) return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(Share(found), JoinPath(open->path, JoinParts(parts)));
    return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyExA(HKEY key, const char* subKey, DWORD /*reserved*/, char* /*className*/, DWORD /*options*/,
                        DWORD /*samDesired*/, void* /*security*/, HKEY* result, DWORD* disposition) {
    const OpenKey* open = nullptr;
    if (LSTATUS rc = BeginOpen("RegCreateKeyExA", key, subKey, result, &open); rc != ERROR_SUCCESS) return rc;
    auto parts = SplitPath(subKey);
    Key* made = nullptr;
    bool created = false;
    if (LSTATUS rc = CreatePath(open->key.get(), parts, &made, &created); rc != ERROR_SUCCESS) return rc;
    // Windows names the last part "opened" when it existed, whatever it created above it.
    if (disposition != nullptr) *disposition = created ? 1u : 2u;
    *result = NewHandle(Share(made), JoinPath(open->path, JoinParts(parts)));
    return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize) {
    std::int32_t code = 0;
    if (fake::detail::Faulted("RegEnumKeyA", {FullPath(key, nullptr)}, &code)) return code;
    const OpenKey* open = Resolve(key);
    if (open == nullptr) return ERROR_INVALID_HANDLE;
    if (open->key->deleted) return ERROR_KEY_DELETED;
    if (name == nullptr) return ERROR_INVALID_PARAMETER;
    const auto& subkeys = open->key->subkeys;
    if (index >= subkeys.size()) return ERROR_NO_MORE_ITEMS;
    auto it = std::next(subkeys.begin(), static_cast<std::ptrdiff_t>(index));
    const std::string& found = it->second->name;
    if (found.size() >= nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, found.c_str(), found.size() + 1);
    return ERROR_SUCCESS;
}

LSTATUS RegQueryInfoKeyA(HKEY key, char* className, DWORD* classLength, DWORD* /*reserved*/, DWORD* subKeys,
                         DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values, DWORD* maxValueNameLength,
                         DWORD* maxValueLength, DWORD* securityDescriptorSize, FILETIME* lastWriteTime) {
    std::int32_t code = 0;
    if (fake::detail::Faulted("RegQueryInfoKeyA", {FullPath(key, nullptr)}, &code)) return code;
    const OpenKey* open = Resolve(key);
    if (open == nullptr) return ERROR_INVALID_HANDLE;
    if (open->key->deleted) return ERROR_KEY_DELETED;
    // Keys here have no class, no times and a descriptor the fake keeps as text.
    if (className != nullptr && classLength != nullptr && *classLength > 0) className[0] = '\0';
    if (classLength != nullptr) *classLength = 0;
    if (maxClassLength != nullptr) *maxClassLength = 0;
    if (securityDescriptorSize != nullptr) *securityDescriptorSize = 0;
    if (lastWriteTime != nullptr) *lastWriteTime = FILETIME{0, 0};
    DWORD longestSubKey = 0, longestName = 0, largest = 0;
    for (const auto& [name, subkey] : open->key->subkeys)
        longestSubKey = std::max(longestSubKey, static_cast<DWORD>(subkey->name.size()));
    for (const auto& [name, value] : open->key->values) {
        longestName = std::max(longestName, static_cast<DWORD>(value.name.size()));
        largest = std::max(largest, value.claimed != 0 ? value.claimed : static_cast<DWORD>(value.data.size()));
    }
    if (subKeys != nullptr) *subKeys = static_cast<DWORD>(open->key->subkeys.size());
    if (maxSubKeyLength != nullptr) *maxSubKeyLength = longestSubKey;
    if (values != nullptr) *values = static_cast<DWORD>(open->key->values.size());
    if (maxValueNameLength != nullptr) *maxValueNameLength = longestName;
    if (maxValueLength != nullptr) *maxValueLength = largest;
    return ERROR_SUCCESS;
}

namespace {

bool IsString(DWORD type) { return type == REG_SZ || type == kRegExpandSz || type == kRegMultiSz; }

// A string's bytes as the calling side sees them: Windows keeps strings as
// UTF-16 and converts for the ANSI calls, so a value written by one side
// reads the same through the other (through the code page: a character it
// lacks reads as '?').
std::vector<BYTE> Served(const Value& value, bool wideCall) {
    if (!IsString(value.type) || value.wide == wideCall) return value.data;
    std::vector<BYTE> out;
    if (value.wide) {
        for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
            unsigned unit = value.data[i] | static_cast<unsigned>(value.data[i + 1]) << 8;
            out.push_back(static_cast<BYTE>(fake::detail::UnicodeToAnsi(unit)));
        }
    } else {
        for (BYTE b : value.data) {
            unsigned unit = fake::detail::AnsiToUnicode(b);
            out.push_back(static_cast<BYTE>(unit & 0xFF));
            out.push_back(static_cast<BYTE>(unit >> 8));
        }
    }
    return out;
}

std::string NarrowName(const wchar_t* wide) {
    std::string out;
    for (const wchar_t* p = wide; p != nullptr && *p != 0; ++p)
        out += fake::detail::UnicodeToAnsi(static_cast<unsigned>(*p));
    return out;
}

LSTATUS QueryValue(const char* function, bool wideCall, HKEY key, const std::string& valueText, DWORD* reserved,
                   DWORD* type, BYTE* data, DWORD* dataSize) {
    std::int32_t code = 0;
    if (fake::detail::Faulted(function, {valueText, JoinPath(FullPath(key, nullptr), valueText)}, &code)) {
        return code;
    }
    if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    const OpenKey* open = Resolve(key);
    if (open == nullptr) return ERROR_INVALID_HANDLE;
    if (open->key->deleted) return ERROR_KEY_DELETED;
    auto it = open->key->values.find(valueText);
    if (it == open->key->values.end()) return ERROR_FILE_NOT_FOUND;
    const Value& value = it->second;
    const std::vector<BYTE> served = value.claimed != 0 ? std::vector<BYTE>{} : Served(value, wideCall);
    const auto size = value.claimed != 0 ? value.claimed : static_cast<DWORD>(served.size());
    if (type != nullptr) *type = value.type;
    if (data == nullptr) {
        if (dataSize != nullptr) *dataSize = size;
        return ERROR_SUCCESS;
    }
    largestRead = std::max(largestRead, *dataSize);
    if (size > *dataSize) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (value.claimed != 0) std::memset(data, 0, size);
    else if (size > 0) std::memcpy(data, served.data(), size);
    *dataSize = size;
    return ERROR_SUCCESS;
}

LSTATUS SetValue(const char* function, bool wideCall, HKEY key, const std::string& valueText, DWORD type,
                 const BYTE* data, DWORD dataSize) {
    std::int32_t code = 0;
    if (fake::detail::Faulted(function, {valueText, JoinPath(FullPath(key, nullptr), valueText)}, &code)) {
        return code;
    }
    if (data == nullptr && dataSize != 0) return ERROR_INVALID_PARAMETER;
    const OpenKey* open = Resolve(key);
    if (open == nullptr) return ERROR_INVALID_HANDLE;
    if (open->key->deleted) return ERROR_KEY_DELETED;
    auto& values = open->key->values;
    auto it = values.find(valueText);
    if (it == values.end()) it = values.emplace(valueText, Value{valueText, type, {}}).first;
    it->second.type = type;
    it->second.wide = wideCall && IsString(type);
    if (wideCall && IsString(type)) dataSize &= ~1u;  // a string of UTF-16 units keeps whole units
    it->second.data.assign(data, data + dataSize);
    // Strings are handed back with a terminator, so one written without
    // its NUL comes back one unit longer.
    if (IsString(type) && dataSize > 0) {
        const bool ends = wideCall ? data[dataSize - 1] == 0 && data[dataSize - 2] == 0 : data[dataSize - 1] == 0;
        if (!ends) it->second.data.insert(it->second.data.end(), wideCall ? 2 : 1, 0);
    }
    return ERROR_SUCCESS;
}

}  // namespace

LSTATUS RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize) {
    return QueryValue("RegQueryValueExA", false, key, valueName != nullptr ? valueName : "", reserved, type, data,
                      dataSize);
}

LSTATUS RegQueryValueExW(HKEY key, const wchar_t* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize) {
    return QueryValue("RegQueryValueExW", true, key, NarrowName(valueName), reserved, type, data, dataSize);
}

LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                       DWORD dataSize) {
    return SetValue("RegSetValueExA", false, key, valueName != nullptr ? valueName : "", type, data, dataSize);
}

LSTATUS RegSetValueExW(HKEY key, const wchar_t* valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                       DWORD dataSize) {
    return SetValue("RegSetValueExW", true, key, NarrowName(valueName), type, data, dataSize);
}

LSTATUS RegDeleteKeyExA(HKEY key, const char* subKey, DWORD /*samDesired*/, DWORD /*reserved*/) {
    std::int32_t code = 0;
    if (fake::detail::Faulted("RegDeleteKeyExA", {subKey != nullptr ? subKey : "", FullPath(key, subKey)}, &code)) {
        return code;
    }
    if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
    if (PathTooLong(subKey)) return ERROR_MORE_DATA;
    const OpenKey* open = Resolve(key);
    if (open == nullptr) return ERROR_INVALID_HANDLE;
    if (open->key->deleted) return ERROR_KEY_DELETED;
    // The system opens the key to delete it.
    if (reinterpret_cast<std::uintptr_t>(key) == kLocalMachine) ++rootOpens;
    Key* target = Find(open->key.get(), SplitPath(subKey));
    if (target == nullptr) return ERROR_FILE_NOT_FOUND;
    if (target == root.get() || !target->subkeys.empty()) return ERROR_ACCESS_DENIED;
    // Handles still open on the key keep it alive and see it as deleted.
    Key* parent = target->parent;
    target->deleted = true;
    target->parent = nullptr;
    parent->subkeys.erase(target->name);
    return ERROR_SUCCESS;
}

LSTATUS RegRenameKey(HKEY key, const wchar_t* subKeyName, const wchar_t* newKeyName) {
    const auto ansi = [](const wchar_t* wide) {
        std::string out;
        for (const wchar_t* p = wide; p != nullptr && *p != 0; ++p)
            out += fake::detail::UnicodeToAnsi(static_cast<unsigned>(*p));
        return out;
    };
    const std::string from = ansi(subKeyName);
    const std::string to = ansi(newKeyName);
    std::int32_t code = 0;
    if (fake::detail::Faulted("RegRenameKey", {from, FullPath(key, from.c_str()), to}, &code)) return code;
    if (newKeyName == nullptr || to.empty() || SplitPath(to.c_str()).size() != 1 || to.size() > kMaxKeyName)
        return ERROR_INVALID_PARAMETER;
    if (PathTooLong(from.c_str())) return ERROR_MORE_DATA;
    const OpenKey* open = Resolve(key);
    if (open == nullptr) return ERROR_INVALID_HANDLE;
    if (open->key->deleted) return ERROR_KEY_DELETED;
    Key* target = Find(open->key.get(), SplitPath(from.c_str()));
    if (target == nullptr) return ERROR_FILE_NOT_FOUND;
    if (target == root.get() || target->parent == root.get()) return ERROR_ACCESS_DENIED;
    Key* parent = target->parent;
    // A key of the new name, another spelling included, stays as it is.
    if (parent->subkeys.find(to) != parent->subkeys.end()) return ERROR_ACCESS_DENIED;
    std::shared_ptr<Key> moved = Share(target);
    parent->subkeys.erase(target->name);
    moved->name = to;
    parent->subkeys.emplace(to, moved);
    return ERROR_SUCCESS;
}

LSTATUS RegGetKeySecurity(HKEY key, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor, DWORD* size) {
    std::int32_t code = 0;
    if (fake::detail::Faulted("RegGetKeySecurity", {FullPath(key, nullptr)}, &code)) return code;
    if (size == nullptr) return ERROR_INVALID_PARAMETER;
    const OpenKey* open = Resolve(key);
    if (open == nullptr) return ERROR_INVALID_HANDLE;
    if (open->key->deleted) return ERROR_KEY_DELETED;
    const std::string dacl = (information & DACL_SECURITY_INFORMATION) != 0 ? open->key->dacl : std::string("D:");
    const std::string bytes = fake::detail::DescriptorBytes(dacl);
    if (descriptor == nullptr || *size < bytes.size()) {
        *size = static_cast<DWORD>(bytes.size());
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memcpy(descriptor, bytes.data(), bytes.size());
    *size = static_cast<DWORD>(bytes.size());
    return ERROR_SUCCESS;
}

LSTATUS RegSetKeySecurity(HKEY key, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor) {
    std::int32_t code = 0;
    if (fake::detail::Faulted("RegSetKeySecurity", {FullPath(key, nullptr)}, &code)) return code;
    std::string dacl;
    if (!fake::detail::DescriptorDacl(descriptor, &dacl)) return ERROR_INVALID_PARAMETER;
    const OpenKey* open = Resolve(key);
    if (open == nullptr) return ERROR_INVALID_HANDLE;
    if (open->key->deleted) return ERROR_KEY_DELETED;
    // Only this key's list changes: unlike the security calls of the
    // access-control API, the registry's own call passes nothing on to
    // the keys below.
    if ((information & DACL_SECURITY_INFORMATION) != 0) open->key->dacl = dacl;
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
    std::int32_t code = 0;
    if (fake::detail::Faulted("RegCloseKey", {FullPath(key, nullptr)}, &code)) return code;
    auto value = reinterpret_cast<std::uintptr_t>(key);
    if (value == kLocalMachine) return ERROR_SUCCESS;
    if (handles.erase(value) == 0) return ERROR_INVALID_HANDLE;
    return ERROR_SUCCESS;
}

int MultiByteToWideChar(UINT codePage, DWORD /*flags*/, const char* multiByte, int multiByteLength, wchar_t* wide,
                        int wideLength) {
    if (fake::detail::Fails("MultiByteToWideChar")) return 0;
    if (codePage != CP_ACP || multiByte == nullptr || wideLength < 0) {
        fake::detail::SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::size_t length =
        multiByteLength < 0 ? std::strlen(multiByte) + 1 : static_cast<std::size_t>(multiByteLength);
    if (wideLength == 0) return static_cast<int>(length);
    if (static_cast<std::size_t>(wideLength) < length) {
        fake::detail::SetError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    for (std::size_t i = 0; i < length; ++i)
        wide[i] = static_cast<wchar_t>(fake::detail::AnsiToUnicode(static_cast<unsigned char>(multiByte[i])));
    return static_cast<int>(length);
}

int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, const wchar_t* wide, int wideLength, char* multiByte,
                        int multiByteLength, const char* defaultChar, BOOL* usedDefaultChar) {
    if (fake::detail::Fails("WideCharToMultiByte")) return 0;
    if (codePage != CP_ACP || wide == nullptr || multiByteLength < 0 || wideLength == 0) {
        fake::detail::SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::size_t length = 0;
    if (wideLength < 0) {
        while (wide[length] != 0) ++length;
        ++length;
    } else {
        length = static_cast<std::size_t>(wideLength);
    }
    // The code page's characters unit by unit; one that it lacks is the
    // default character, a surrogate pair two of them (as Wine converts).
    const char fallback = defaultChar != nullptr ? *defaultChar : '?';
    std::string out;
    bool usedDefault = false;
    for (std::size_t i = 0; i < length; ++i) {
        const auto unit = static_cast<unsigned>(wide[i]) & 0xFFFFu;
        const char c = fake::detail::UnicodeToAnsi(unit);
        const bool lacking = unit != '?' && c == '?';
        out += lacking ? fallback : c;
        usedDefault = usedDefault || lacking;
    }
    if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault ? TRUE : FALSE;
    if (multiByteLength == 0) return static_cast<int>(out.size());
    if (static_cast<std::size_t>(multiByteLength) < out.size()) {
        fake::detail::SetError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(multiByte, out.data(), out.size());
    return static_cast<int>(out.size());
}

}  // namespace win

namespace fake {

bool KeyExists(const std::string& path) { return RootFor(path) != nullptr; }

bool GetValue(const std::string& path, const std::string& name, std::uint32_t* type, std::vector<std::uint8_t>* data) {
    Key* key = RootFor(path);
    if (key == nullptr) return false;
    auto it = key->values.find(name);
    if (it == key->values.end()) return false;
    if (type != nullptr) *type = it->second.type;
    if (data != nullptr) *data = it->second.data;
    return true;
}

void CreateKey(const std::string& path) {
    Key* key = nullptr;
    bool created = false;
    CreatePath(root.get(), SplitPath(path.c_str()), &key, &created);
}

void SetValue(const std::string& path, const std::string& name, std::uint32_t type, const std::vector<std::uint8_t>& data) {
    Key* key = nullptr;
    bool created = false;
    if (CreatePath(root.get(), SplitPath(path.c_str()), &key, &created) != win::ERROR_SUCCESS) return;
    auto it = key->values.find(name);
    if (it == key->values.end()) it = key->values.emplace(name, Value{name, type, {}}).first;
    it->second.type = type;
    it->second.data = data;
}

void SetWideValue(const std::string& path, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data) {
    SetValue(path, name, type, data);
    RootFor(path)->values.find(name)->second.wide = win::IsString(type);
}

void SetUnicodeString(const std::string& path, const std::string& name, const std::u16string& text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.insert(bytes.end(), 2, 0);
    SetWideValue(path, name, win::REG_SZ, bytes);
}

void SetValueSize(const std::string& path, const std::string& name, std::uint32_t size) {
    SetValue(path, name, win::REG_BINARY, {});
    RootFor(path)->values.find(name)->second.claimed = size;
}

std::uint32_t LargestReadBuffer() { return largestRead; }

void SetDword(const std::string& path, const std::string& name, std::uint32_t value) {
    std::vector<std::uint8_t> bytes(4);
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    SetValue(path, name, win::REG_DWORD, bytes);
}

void SetString(const std::string& path, const std::string& name, const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    SetValue(path, name, win::REG_SZ, bytes);
}

std::vector<std::string> SubKeys(const std::string& path) {
    std::vector<std::string> names;
    Key* key = RootFor(path);
    if (key == nullptr) return names;
    for (const auto& [sortName, child] : key->subkeys) names.push_back(child->name);
    return names;
}

int OpenKeyCount() { return static_cast<int>(handles.size()); }
int RootOpens() { return rootOpens; }

namespace {
void Collect(const Key& key, const std::string& path, std::map<std::string, StoredValues>* tree) {
    StoredValues& values = (*tree)[path];
    for (const auto& [name, value] : key.values) values[detail::Lower(value.name)] = {value.type, value.data};
    for (const auto& [name, child] : key.subkeys)
        Collect(*child, path.empty() ? detail::Lower(child->name) : path + "\\" + detail::Lower(child->name), tree);
}
}  // namespace

std::string KeyDacl(const std::string& path) {
    Key* key = RootFor(path);
    return key != nullptr ? key->dacl : std::string();
}

void SetKeyDacl(const std::string& path, const std::string& dacl) {
    if (Key* key = RootFor(path)) detail::NormaliseDacl(dacl, &key->dacl);
}

std::map<std::string, StoredValues> Tree(const std::string& path) {
    std::map<std::string, StoredValues> tree;
    if (Key* key = RootFor(path)) Collect(*key, "", &tree);
    return tree;
}

}  // namespace fake
