// The real layer's key state, waits and message queue: each call forwards
// to Windows.
#include "platform/win.h"

namespace {
constexpr auto seam_INFINITE = win::INFINITE;
constexpr auto seam_WAIT_OBJECT_0 = win::WAIT_OBJECT_0;
constexpr auto seam_WAIT_TIMEOUT = win::WAIT_TIMEOUT;
constexpr auto seam_WAIT_FAILED = win::WAIT_FAILED;
constexpr auto seam_PM_NOREMOVE = win::PM_NOREMOVE;
constexpr auto seam_PM_REMOVE = win::PM_REMOVE;
constexpr auto seam_QS_ALLINPUT = win::QS_ALLINPUT;
constexpr auto seam_MWMO_INPUTAVAILABLE = win::MWMO_INPUTAVAILABLE;
}  // namespace

#include <windows.h>

static_assert(seam_INFINITE == INFINITE);
static_assert(seam_WAIT_OBJECT_0 == WAIT_OBJECT_0);
static_assert(seam_WAIT_TIMEOUT == WAIT_TIMEOUT);
static_assert(seam_WAIT_FAILED == WAIT_FAILED);
static_assert(seam_PM_NOREMOVE == PM_NOREMOVE);
static_assert(seam_PM_REMOVE == PM_REMOVE);
static_assert(seam_QS_ALLINPUT == QS_ALLINPUT);
static_assert(seam_MWMO_INPUTAVAILABLE == MWMO_INPUTAVAILABLE);

namespace win {

SHORT GetAsyncKeyState(int virtualKey) { return ::GetAsyncKeyState(virtualKey); }
SHORT GetKeyState(int virtualKey) { return ::GetKeyState(virtualKey); }

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) { return ::WaitForSingleObject(handle, milliseconds); }

DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask,
                                  DWORD flags) {
    return ::MsgWaitForMultipleObjectsEx(count, reinterpret_cast<const ::HANDLE*>(handles), milliseconds, wakeMask,
                                         flags);
}

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    return ::PeekMessageA(reinterpret_cast<::MSG*>(msg), reinterpret_cast<::HWND>(window), filterMin, filterMax,
                          removeFlags);
}

}  // namespace win
