#include "store/store_security.h"

#include <string>
#include <vector>

#include "platform/unique_handle.h"
#include "platform/win.h"
#include "store/layout.h"
#include "store/message_text.h"
#include "store/registry_store.h"

namespace RegistryStore {
namespace {

using UniqueLocal = UniqueHandle<win::HLOCAL, &win::LocalFree>;

constexpr const char* kRootDacl = "D:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)";
// What Windows itself gives a key below such a root: the same entries,
// marked inherited.
constexpr const char* kBelowRootDacl = "D:(A;OICIID;KA;;;BA)(A;OICIID;KA;;;SY)";

bool Report(const std::string& where, win::DWORD rc) {
    ShowError(nullptr, FormatText("Error restricting access to %s - %s", {where, SystemErrorText(rc)}));
    return false;
}

bool MakeDescriptor(const char* text, UniqueLocal* descriptor) {
    win::PSECURITY_DESCRIPTOR made = nullptr;
    if (!win::ConvertStringSecurityDescriptorToSecurityDescriptorA(text, win::SDDL_REVISION_1, &made, nullptr))
        return Report(kRootPath, win::GetLastError());
    descriptor->reset(made);
    return true;
}

// The access list of `descriptor` in string form, as the system writes it.
bool DaclText(win::PSECURITY_DESCRIPTOR descriptor, std::string* text) {
    char* chars = nullptr;
    if (!win::ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, win::SDDL_REVISION_1,
                                                                  win::DACL_SECURITY_INFORMATION, &chars, nullptr))
        return false;
    const UniqueLocal owned(chars);
    *text = chars;
    return true;
}

// The access list of an open key in string form; empty when it cannot be
// read, which counts as not yet restricted.
std::string KeyDaclText(win::HKEY key) {
    win::DWORD size = 0;
    if (win::RegGetKeySecurity(key, win::DACL_SECURITY_INFORMATION, nullptr, &size) !=
        win::ERROR_INSUFFICIENT_BUFFER)
        return {};
    std::vector<std::uint8_t> buffer(size);
    if (win::RegGetKeySecurity(key, win::DACL_SECURITY_INFORMATION, buffer.data(), &size) != win::ERROR_SUCCESS)
        return {};
    std::string text;
    return DaclText(buffer.data(), &text) ? text : std::string();
}

// Sets `descriptor` on every key below the open key `key` (at `fullPath`),
// each key before the keys below it.
bool RestrictBelow(win::HKEY key, const std::string& fullPath, win::PSECURITY_DESCRIPTOR descriptor) {
    char name[1024];  // room for any name the registry holds
    for (win::DWORD index = 0;; ++index) {
        const win::LSTATUS enumerated = win::RegEnumKeyA(key, index, name, sizeof name);
        if (enumerated == win::ERROR_NO_MORE_ITEMS) return true;
        if (enumerated != win::ERROR_SUCCESS) return Report(fullPath, static_cast<win::DWORD>(enumerated));
        const std::string childPath = fullPath + "\\" + name;
        UniqueKey child;
        if (win::LSTATUS rc = win::RegOpenKeyExA(key, name, 0, kAccess, child.put()); rc != win::ERROR_SUCCESS)
            return Report(childPath, static_cast<win::DWORD>(rc));
        if (win::LSTATUS rc = win::RegSetKeySecurity(child.get(), win::DACL_SECURITY_INFORMATION, descriptor);
            rc != win::ERROR_SUCCESS)
            return Report(childPath, static_cast<win::DWORD>(rc));
        if (!RestrictBelow(child.get(), childPath, descriptor)) return false;
    }
}

}  // namespace

bool RestrictStoreAccess() {
    UniqueKey root;
    if (win::LSTATUS rc = OpenKey(kRootPath, root.put()); rc != win::ERROR_SUCCESS)
        return Report(kRootPath, static_cast<win::DWORD>(rc));
    UniqueLocal rootDescriptor;
    if (!MakeDescriptor(kRootDacl, &rootDescriptor)) return false;
    // Compared in the system's own spelling of the list, not in ours.
    std::string wanted;
    if (!DaclText(rootDescriptor.get(), &wanted)) return Report(kRootPath, win::GetLastError());
    if (KeyDaclText(root.get()) == wanted) return true;

    UniqueLocal belowDescriptor;
    if (!MakeDescriptor(kBelowRootDacl, &belowDescriptor)) return false;
    if (!RestrictBelow(root.get(), kRootPath, belowDescriptor.get())) return false;
    if (win::LSTATUS rc = win::RegSetKeySecurity(root.get(), win::DACL_SECURITY_INFORMATION, rootDescriptor.get());
        rc != win::ERROR_SUCCESS)
        return Report(kRootPath, static_cast<win::DWORD>(rc));
    return true;
}

}  // namespace RegistryStore
