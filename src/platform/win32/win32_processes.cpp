// The real layer for processes and file names: which program owns a
// window, and the file system's comparison of names. Seam values are copied
// before <windows.h> defines the same names as macros, then checked against
// the system's.
#include "platform/win.h"

namespace {
constexpr auto seam_PROCESS_QUERY_LIMITED_INFORMATION = win::PROCESS_QUERY_LIMITED_INFORMATION;
constexpr auto seam_CSTR_LESS_THAN = win::CSTR_LESS_THAN;
constexpr auto seam_CSTR_EQUAL = win::CSTR_EQUAL;
constexpr auto seam_CSTR_GREATER_THAN = win::CSTR_GREATER_THAN;
}  // namespace

#include <windows.h>

static_assert(seam_PROCESS_QUERY_LIMITED_INFORMATION == PROCESS_QUERY_LIMITED_INFORMATION);
static_assert(seam_CSTR_LESS_THAN == CSTR_LESS_THAN);
static_assert(seam_CSTR_EQUAL == CSTR_EQUAL);
static_assert(seam_CSTR_GREATER_THAN == CSTR_GREATER_THAN);

namespace win {

HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId) {
    return ::OpenProcess(access, inheritHandle, processId);
}

BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, wchar_t* name, DWORD* size) {
    if (size == nullptr) return ::QueryFullProcessImageNameW(process, flags, name, nullptr);
    // The seam's DWORD is 32 bits; the system's is a long.
    ::DWORD length = *size;
    const ::BOOL done = ::QueryFullProcessImageNameW(process, flags, name, &length);
    *size = length;
    return done;
}

int CompareStringOrdinal(const wchar_t* a, int aLength, const wchar_t* b, int bLength, BOOL ignoreCase) {
    return ::CompareStringOrdinal(a, aLength, b, bLength, ignoreCase);
}

}  // namespace win
