// The real layer for the security of registry keys: their descriptors, read
// and set, and the conversions between descriptors and their string form.
// Seam values are copied before <windows.h> defines the same names as
// macros, then checked against the system's.
#include "platform/win.h"

namespace {
constexpr auto seam_DACL_SECURITY_INFORMATION = win::DACL_SECURITY_INFORMATION;
constexpr auto seam_SDDL_REVISION_1 = win::SDDL_REVISION_1;
constexpr auto seam_ERROR_INVALID_SECURITY_DESCR = win::ERROR_INVALID_SECURITY_DESCR;
const win::HKEY seamLocalMachine = win::HKEY_LOCAL_MACHINE;
}  // namespace

#include <windows.h>
#include <sddl.h>

static_assert(seam_DACL_SECURITY_INFORMATION == DACL_SECURITY_INFORMATION);
static_assert(seam_SDDL_REVISION_1 == SDDL_REVISION_1);
static_assert(seam_ERROR_INVALID_SECURITY_DESCR == ERROR_INVALID_SECURITY_DESCR);
static_assert(sizeof(win::ULONG) == sizeof(::ULONG));
static_assert(sizeof(win::SECURITY_INFORMATION) == sizeof(::SECURITY_INFORMATION));

namespace {
::HKEY Native(win::HKEY key) {
    return key == seamLocalMachine ? HKEY_LOCAL_MACHINE : reinterpret_cast<::HKEY>(key);
}
}  // namespace

namespace win {

LSTATUS RegGetKeySecurity(HKEY key, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor, DWORD* size) {
    ::DWORD bytes = size != nullptr ? *size : 0;
    const LSTATUS rc = ::RegGetKeySecurity(Native(key), information, descriptor, size != nullptr ? &bytes : nullptr);
    if (size != nullptr) *size = bytes;
    return rc;
}

LSTATUS RegSetKeySecurity(HKEY key, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor) {
    return ::RegSetKeySecurity(Native(key), information, descriptor);
}

BOOL ConvertStringSecurityDescriptorToSecurityDescriptorA(const char* text, DWORD revision,
                                                          PSECURITY_DESCRIPTOR* descriptor, ULONG* size) {
    ::ULONG bytes = 0;
    const BOOL ok = ::ConvertStringSecurityDescriptorToSecurityDescriptorA(text, revision, descriptor,
                                                                          size != nullptr ? &bytes : nullptr);
    if (size != nullptr) *size = bytes;
    return ok;
}

BOOL ConvertSecurityDescriptorToStringSecurityDescriptorA(PSECURITY_DESCRIPTOR descriptor, DWORD revision,
                                                          SECURITY_INFORMATION information, char** text,
                                                          ULONG* length) {
    ::ULONG chars = 0;
    const BOOL ok = ::ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, revision, information, text,
                                                                          length != nullptr ? &chars : nullptr);
    if (length != nullptr) *length = chars;
    return ok;
}

HLOCAL LocalFree(HLOCAL memory) { return ::LocalFree(memory); }

}  // namespace win
