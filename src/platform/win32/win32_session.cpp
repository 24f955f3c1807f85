// The real layer for the session's named objects and the messages between
// programs: the instance mutex, registered messages and the integrity
// filter. Seam values are copied before <windows.h> defines the same names
// as macros, then checked against the system's.
#include "platform/win.h"

namespace {
constexpr auto seam_ERROR_ALREADY_EXISTS = win::ERROR_ALREADY_EXISTS;
constexpr auto seam_WM_COMMAND = win::WM_COMMAND;
constexpr auto seam_MSGFLT_RESET = win::MSGFLT_RESET;
constexpr auto seam_MSGFLT_ALLOW = win::MSGFLT_ALLOW;
constexpr auto seam_MSGFLT_DISALLOW = win::MSGFLT_DISALLOW;
}  // namespace

#include <windows.h>

static_assert(seam_ERROR_ALREADY_EXISTS == ERROR_ALREADY_EXISTS);
static_assert(seam_WM_COMMAND == WM_COMMAND);
static_assert(seam_MSGFLT_RESET == MSGFLT_RESET);
static_assert(seam_MSGFLT_ALLOW == MSGFLT_ALLOW);
static_assert(seam_MSGFLT_DISALLOW == MSGFLT_DISALLOW);

namespace win {

HANDLE CreateMutexA(void* attributes, BOOL initialOwner, const char* name) {
    return ::CreateMutexA(static_cast<LPSECURITY_ATTRIBUTES>(attributes), initialOwner, name);
}

UINT RegisterWindowMessageA(const char* name) { return ::RegisterWindowMessageA(name); }

BOOL ChangeWindowMessageFilterEx(HWND window, UINT message, DWORD action, void* changeFilterStruct) {
    return ::ChangeWindowMessageFilterEx(reinterpret_cast<::HWND>(window), message, action,
                                         static_cast<PCHANGEFILTERSTRUCT>(changeFilterStruct));
}

}  // namespace win
