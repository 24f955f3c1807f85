// The real layer for windows of other programs: enumeration, titles,
// placement, owning threads, shared input, the foreground window and hit
// testing. Seam values are copied before <windows.h> defines the same names
// as macros, then checked against the system's.
#include "platform/win.h"

namespace {
constexpr auto seam_SW_SHOWMINNOACTIVE = win::SW_SHOWMINNOACTIVE;
constexpr auto seam_MB_ICONINFORMATION = win::MB_ICONINFORMATION;
}  // namespace

#include <windows.h>

#include <cstddef>

static_assert(seam_SW_SHOWMINNOACTIVE == SW_SHOWMINNOACTIVE);
static_assert(seam_MB_ICONINFORMATION == MB_ICONINFORMATION);
static_assert(sizeof(win::HWND) == sizeof(::HWND));
static_assert(sizeof(win::POINT) == sizeof(::POINT));
static_assert(offsetof(win::POINT, y) == offsetof(::POINT, y));
static_assert(sizeof(win::RECT) == sizeof(::RECT));
static_assert(offsetof(win::RECT, bottom) == offsetof(::RECT, bottom));
static_assert(sizeof(win::WINDOWPLACEMENT) == sizeof(::WINDOWPLACEMENT));
static_assert(offsetof(win::WINDOWPLACEMENT, flags) == offsetof(::WINDOWPLACEMENT, flags));
static_assert(offsetof(win::WINDOWPLACEMENT, showCmd) == offsetof(::WINDOWPLACEMENT, showCmd));
static_assert(offsetof(win::WINDOWPLACEMENT, ptMinPosition) == offsetof(::WINDOWPLACEMENT, ptMinPosition));
static_assert(offsetof(win::WINDOWPLACEMENT, ptMaxPosition) == offsetof(::WINDOWPLACEMENT, ptMaxPosition));
static_assert(offsetof(win::WINDOWPLACEMENT, rcNormalPosition) == offsetof(::WINDOWPLACEMENT, rcNormalPosition));

namespace {
::HWND Native(win::HWND window) { return reinterpret_cast<::HWND>(window); }
win::HWND Seam(::HWND window) { return reinterpret_cast<win::HWND>(window); }
}  // namespace

namespace win {

BOOL EnumWindows(WNDENUMPROC procedure, LPARAM lParam) {
    // Same signature and calling convention; only the handle type's name
    // differs.
    return ::EnumWindows(reinterpret_cast<::WNDENUMPROC>(procedure), lParam);
}

int GetWindowTextA(HWND window, char* text, int size) { return ::GetWindowTextA(Native(window), text, size); }

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement) {
    return ::GetWindowPlacement(Native(window), reinterpret_cast<::WINDOWPLACEMENT*>(placement));
}

BOOL IsWindowVisible(HWND window) { return ::IsWindowVisible(Native(window)); }

DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) {
    ::DWORD process = 0;
    const ::DWORD thread = ::GetWindowThreadProcessId(Native(window), &process);
    if (processId != nullptr) *processId = process;
    return thread;
}

BOOL AttachThreadInput(DWORD attachFrom, DWORD attachTo, BOOL attach) {
    return ::AttachThreadInput(attachFrom, attachTo, attach);
}

BOOL SetForegroundWindow(HWND window) { return ::SetForegroundWindow(Native(window)); }

BOOL ShowWindow(HWND window, int command) { return ::ShowWindow(Native(window), command); }

HWND GetDesktopWindow() { return Seam(::GetDesktopWindow()); }

HWND WindowFromPoint(POINT point) { return Seam(::WindowFromPoint(::POINT{point.x, point.y})); }

HWND GetForegroundWindow() { return Seam(::GetForegroundWindow()); }

}  // namespace win
