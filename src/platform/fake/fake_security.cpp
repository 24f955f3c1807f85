// The fake's security descriptors. A registry key keeps its access list in
// string form (fake_registry.cpp); a descriptor handed out is a block of the
// fake's own layout that only these calls read, as the system's own layout
// is opaque to the program. Strings are checked and written back the way
// Windows writes them: ACE flags in the system's order, names upper-case.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"

namespace {

using win::BOOL;
using win::DWORD;
using fake::detail::Fails;
using fake::detail::SetError;

constexpr char kMagic[4] = {'K', 'L', 'S', 'D'};

// Local memory blocks alive, by address.
std::map<std::uintptr_t, std::unique_ptr<char[]>> blocks;

char* NewBlock(const std::string& bytes) {
    auto block = std::make_unique<char[]>(bytes.size());
    std::memcpy(block.get(), bytes.data(), bytes.size());
    char* address = block.get();
    blocks.emplace(reinterpret_cast<std::uintptr_t>(address), std::move(block));
    return address;
}

// The ACE flags that SDDL knows, in the order Windows writes them.
constexpr const char* kAceFlags[] = {"OI", "CI", "NP", "IO", "ID", "SA", "FA"};

struct Ace {
    std::string type, flags, rights, objectGuid, inheritGuid, sid;
};

struct Dacl {
    std::string control;  // "P", "AI", "PAI" ...
    std::vector<Ace> aces;
};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool HasFlag(const std::string& flags, const char* flag) {
    for (std::size_t i = 0; i + 1 < flags.size(); i += 2)
        if (flags.compare(i, 2, flag) == 0) return true;
    return false;
}

// Flags in Windows' order; false for a flag SDDL does not know.
bool NormaliseFlags(const std::string& flags, std::string* out) {
    if (flags.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < flags.size(); i += 2) {
        const std::string flag = flags.substr(i, 2);
        if (std::none_of(std::begin(kAceFlags), std::end(kAceFlags), [&](const char* f) { return flag == f; }))
            return false;
    }
    out->clear();
    for (const char* flag : kAceFlags)
        if (HasFlag(flags, flag)) *out += flag;
    return true;
}

bool ParseDacl(const std::string& text, Dacl* dacl) {
    const std::string upper = Upper(text);
    if (upper.compare(0, 2, "D:") != 0) return false;
    std::size_t at = 2;
    std::string control;
    while (at < upper.size() && upper[at] != '(') control += upper[at++];
    if (control != "" && control != "P" && control != "AI" && control != "PAI" && control != "AR" &&
        control != "PAR" && control != "PARAI" && control != "ARAI")
        return false;
    dacl->control = control;
    dacl->aces.clear();
    while (at < upper.size()) {
        if (upper[at] != '(') return false;
        const std::size_t close = upper.find(')', at);
        if (close == std::string::npos) return false;
        std::vector<std::string> fields;
        std::string field;
        for (std::size_t i = at + 1; i < close; ++i) {
            if (upper[i] == ';') {
                fields.push_back(field);
                field.clear();
            } else {
                field += upper[i];
            }
        }
        fields.push_back(field);
        if (fields.size() != 6) return false;
        Ace ace{fields[0], "", fields[2], fields[3], fields[4], fields[5]};
        if (ace.type != "A" && ace.type != "D") return false;
        if (!NormaliseFlags(fields[1], &ace.flags)) return false;
        if (ace.rights.empty() || ace.sid.empty()) return false;
        dacl->aces.push_back(ace);
        at = close + 1;
    }
    return true;
}

std::string Write(const Dacl& dacl) {
    std::string text = "D:" + dacl.control;
    for (const Ace& ace : dacl.aces)
        text += "(" + ace.type + ";" + ace.flags + ";" + ace.rights + ";" + ace.objectGuid + ";" + ace.inheritGuid +
                ";" + ace.sid + ")";
    return text;
}

}  // namespace

namespace fake::detail {

bool NormaliseDacl(const std::string& text, std::string* out) {
    Dacl dacl;
    if (!ParseDacl(text, &dacl)) return false;
    *out = Write(dacl);
    return true;
}

std::string InheritedDacl(const std::string& parent) {
    Dacl from;
    Dacl child;
    if (!ParseDacl(parent, &from)) return "D:";
    if (from.control.find("AI") != std::string::npos) child.control = "AI";
    for (const Ace& ace : from.aces) {
        const bool container = HasFlag(ace.flags, "CI");
        const bool object = HasFlag(ace.flags, "OI");
        if (!container && !object) continue;
        Ace inherited = ace;
        if (container) {
            // A key is a container: it takes the entry for itself and, unless
            // the entry stops at one level, passes it on.
            inherited.flags = HasFlag(ace.flags, "NP") ? "" : (object ? "OICI" : "CI");
        } else {
            inherited.flags = "OIIO";
        }
        inherited.flags += "ID";
        child.aces.push_back(inherited);
    }
    return Write(child);
}

std::string DescriptorBytes(const std::string& dacl) {
    std::string bytes(kMagic, sizeof kMagic);
    bytes += dacl;
    bytes.push_back('\0');
    return bytes;
}

bool DescriptorDacl(const void* descriptor, std::string* dacl) {
    if (descriptor == nullptr) return false;
    const char* bytes = static_cast<const char*>(descriptor);
    if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return false;
    *dacl = bytes + sizeof kMagic;
    return true;
}

void ResetSecurity() { blocks.clear(); }

}  // namespace fake::detail

namespace fake {
int LiveLocalBlocks() { return static_cast<int>(blocks.size()); }
}  // namespace fake

namespace win {

BOOL ConvertStringSecurityDescriptorToSecurityDescriptorA(const char* text, DWORD revision,
                                                          PSECURITY_DESCRIPTOR* descriptor, ULONG* size) {
    if (Fails("ConvertStringSecurityDescriptorToSecurityDescriptorA")) return FALSE;
    if (text == nullptr || descriptor == nullptr) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (revision != SDDL_REVISION_1) {
        SetError(static_cast<DWORD>(1305));  // ERROR_UNKNOWN_REVISION
        return FALSE;
    }
    std::string dacl;
    if (!fake::detail::NormaliseDacl(text, &dacl)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string bytes = fake::detail::DescriptorBytes(dacl);
    *descriptor = NewBlock(bytes);
    if (size != nullptr) *size = static_cast<ULONG>(bytes.size());
    return TRUE;
}

BOOL ConvertSecurityDescriptorToStringSecurityDescriptorA(PSECURITY_DESCRIPTOR descriptor, DWORD revision,
                                                          SECURITY_INFORMATION information, char** text,
                                                          ULONG* length) {
    if (Fails("ConvertSecurityDescriptorToStringSecurityDescriptorA")) return FALSE;
    if (text == nullptr) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (revision != SDDL_REVISION_1) {
        SetError(static_cast<DWORD>(1305));
        return FALSE;
    }
    std::string dacl;
    if (!fake::detail::DescriptorDacl(descriptor, &dacl)) {
        SetError(ERROR_INVALID_SECURITY_DESCR);
        return FALSE;
    }
    const std::string out = (information & DACL_SECURITY_INFORMATION) != 0 ? dacl : std::string();
    *text = NewBlock(out + '\0');
    if (length != nullptr) *length = static_cast<ULONG>(out.size() + 1);
    return TRUE;
}

HLOCAL LocalFree(HLOCAL memory) {
    fake::detail::Count("LocalFree");
    if (memory == nullptr) return nullptr;
    if (blocks.erase(reinterpret_cast<std::uintptr_t>(memory)) == 0) {
        SetError(ERROR_INVALID_HANDLE);
        return memory;
    }
    return nullptr;
}

}  // namespace win
