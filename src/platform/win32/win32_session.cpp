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
constexpr auto seam_WM_COPYDATA = win::WM_COPYDATA;
constexpr auto seam_SMTO_NORMAL = win::SMTO_NORMAL;
constexpr auto seam_SMTO_BLOCK = win::SMTO_BLOCK;
constexpr auto seam_SMTO_ABORTIFHUNG = win::SMTO_ABORTIFHUNG;
}  // namespace

#include <windows.h>

#include <cstddef>

static_assert(seam_ERROR_ALREADY_EXISTS == ERROR_ALREADY_EXISTS);
static_assert(seam_WM_COMMAND == WM_COMMAND);
static_assert(seam_MSGFLT_RESET == MSGFLT_RESET);
static_assert(seam_MSGFLT_ALLOW == MSGFLT_ALLOW);
static_assert(seam_MSGFLT_DISALLOW == MSGFLT_DISALLOW);
static_assert(seam_WM_COPYDATA == WM_COPYDATA);
static_assert(seam_SMTO_NORMAL == SMTO_NORMAL);
static_assert(seam_SMTO_BLOCK == SMTO_BLOCK);
static_assert(seam_SMTO_ABORTIFHUNG == SMTO_ABORTIFHUNG);
static_assert(sizeof(win::COPYDATASTRUCT) == sizeof(::COPYDATASTRUCT));
static_assert(offsetof(win::COPYDATASTRUCT, cbData) == offsetof(::COPYDATASTRUCT, cbData));
static_assert(offsetof(win::COPYDATASTRUCT, lpData) == offsetof(::COPYDATASTRUCT, lpData));
static_assert(sizeof(win::ULONG_PTR) == sizeof(::ULONG_PTR));

namespace win {

HANDLE CreateMutexA(void* attributes, BOOL initialOwner, const char* name) {
    return ::CreateMutexA(static_cast<LPSECURITY_ATTRIBUTES>(attributes), initialOwner, name);
}

UINT RegisterWindowMessageA(const char* name) { return ::RegisterWindowMessageA(name); }

BOOL ChangeWindowMessageFilterEx(HWND window, UINT message, DWORD action, void* changeFilterStruct) {
    return ::ChangeWindowMessageFilterEx(reinterpret_cast<::HWND>(window), message, action,
                                         static_cast<PCHANGEFILTERSTRUCT>(changeFilterStruct));
}

LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                            ULONG_PTR* result) {
    ::DWORD_PTR answer = 0;
    const ::LRESULT sent = ::SendMessageTimeoutA(reinterpret_cast<::HWND>(window), message, wParam, lParam, flags,
                                                 timeout, &answer);
    if (result != nullptr) *result = answer;
    return sent;
}

BOOL ReplyMessage(LRESULT result) { return ::ReplyMessage(result); }

int GetClassNameA(HWND window, char* className, int maxCount) {
    return ::GetClassNameA(reinterpret_cast<::HWND>(window), className, maxCount);
}

}  // namespace win
