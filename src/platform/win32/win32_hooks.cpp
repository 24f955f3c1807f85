// The real layer's hooks, injected input, screen metrics, waitable timers and
// performance counter: each call forwards to Windows. The structures that
// hooks and SendInput exchange with the system must have its exact layout,
// which the checks below hold the seam to.
//
// The seam is read first and its constants copied under other names: after
// <windows.h> their own names are macros.
#include "platform/win.h"

namespace {
constexpr auto seam_WH_JOURNALRECORD = win::WH_JOURNALRECORD;
constexpr auto seam_WH_JOURNALPLAYBACK = win::WH_JOURNALPLAYBACK;
constexpr auto seam_WH_GETMESSAGE = win::WH_GETMESSAGE;
constexpr auto seam_WH_KEYBOARD_LL = win::WH_KEYBOARD_LL;
constexpr auto seam_WH_MOUSE_LL = win::WH_MOUSE_LL;
constexpr auto seam_HC_ACTION = win::HC_ACTION;
constexpr auto seam_HC_GETNEXT = win::HC_GETNEXT;
constexpr auto seam_HC_SKIP = win::HC_SKIP;
constexpr auto seam_WM_CANCELJOURNAL = win::WM_CANCELJOURNAL;
constexpr auto seam_LLKHF_EXTENDED = win::LLKHF_EXTENDED;
constexpr auto seam_LLKHF_INJECTED = win::LLKHF_INJECTED;
constexpr auto seam_LLKHF_ALTDOWN = win::LLKHF_ALTDOWN;
constexpr auto seam_LLKHF_UP = win::LLKHF_UP;
constexpr auto seam_LLMHF_INJECTED = win::LLMHF_INJECTED;
constexpr auto seam_INPUT_MOUSE = win::INPUT_MOUSE;
constexpr auto seam_INPUT_KEYBOARD = win::INPUT_KEYBOARD;
constexpr auto seam_KEYEVENTF_EXTENDEDKEY = win::KEYEVENTF_EXTENDEDKEY;
constexpr auto seam_KEYEVENTF_KEYUP = win::KEYEVENTF_KEYUP;
constexpr auto seam_KEYEVENTF_SCANCODE = win::KEYEVENTF_SCANCODE;
constexpr auto seam_KEYEVENTF_UNICODE = win::KEYEVENTF_UNICODE;
constexpr auto seam_MOUSEEVENTF_MOVE = win::MOUSEEVENTF_MOVE;
constexpr auto seam_MOUSEEVENTF_LEFTDOWN = win::MOUSEEVENTF_LEFTDOWN;
constexpr auto seam_MOUSEEVENTF_LEFTUP = win::MOUSEEVENTF_LEFTUP;
constexpr auto seam_MOUSEEVENTF_RIGHTDOWN = win::MOUSEEVENTF_RIGHTDOWN;
constexpr auto seam_MOUSEEVENTF_RIGHTUP = win::MOUSEEVENTF_RIGHTUP;
constexpr auto seam_MOUSEEVENTF_MIDDLEDOWN = win::MOUSEEVENTF_MIDDLEDOWN;
constexpr auto seam_MOUSEEVENTF_MIDDLEUP = win::MOUSEEVENTF_MIDDLEUP;
constexpr auto seam_MOUSEEVENTF_XDOWN = win::MOUSEEVENTF_XDOWN;
constexpr auto seam_MOUSEEVENTF_XUP = win::MOUSEEVENTF_XUP;
constexpr auto seam_MOUSEEVENTF_WHEEL = win::MOUSEEVENTF_WHEEL;
constexpr auto seam_MOUSEEVENTF_HWHEEL = win::MOUSEEVENTF_HWHEEL;
constexpr auto seam_MOUSEEVENTF_VIRTUALDESK = win::MOUSEEVENTF_VIRTUALDESK;
constexpr auto seam_MOUSEEVENTF_ABSOLUTE = win::MOUSEEVENTF_ABSOLUTE;
constexpr auto seam_SM_CXSCREEN = win::SM_CXSCREEN;
constexpr auto seam_SM_CYSCREEN = win::SM_CYSCREEN;
constexpr auto seam_SM_XVIRTUALSCREEN = win::SM_XVIRTUALSCREEN;
constexpr auto seam_SM_YVIRTUALSCREEN = win::SM_YVIRTUALSCREEN;
constexpr auto seam_SM_CXVIRTUALSCREEN = win::SM_CXVIRTUALSCREEN;
constexpr auto seam_SM_CYVIRTUALSCREEN = win::SM_CYVIRTUALSCREEN;
constexpr auto seam_CREATE_WAITABLE_TIMER_HIGH_RESOLUTION = win::CREATE_WAITABLE_TIMER_HIGH_RESOLUTION;
constexpr auto seam_TIMER_ALL_ACCESS = win::TIMER_ALL_ACCESS;
}  // namespace

#include <windows.h>

#include <cstddef>
#include <cstdint>

// CREATE_WAITABLE_TIMER_HIGH_RESOLUTION came with Windows 10 1803; older
// system headers lack it.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// ---- The seam's definitions match the system's ----------------------------

static_assert(seam_WH_JOURNALRECORD == WH_JOURNALRECORD);
static_assert(seam_WH_JOURNALPLAYBACK == WH_JOURNALPLAYBACK);
static_assert(seam_WH_GETMESSAGE == WH_GETMESSAGE);
static_assert(seam_WH_KEYBOARD_LL == WH_KEYBOARD_LL);
static_assert(seam_WH_MOUSE_LL == WH_MOUSE_LL);
static_assert(seam_HC_ACTION == HC_ACTION);
static_assert(seam_HC_GETNEXT == HC_GETNEXT);
static_assert(seam_HC_SKIP == HC_SKIP);
static_assert(seam_WM_CANCELJOURNAL == WM_CANCELJOURNAL);
static_assert(seam_LLKHF_EXTENDED == LLKHF_EXTENDED);
static_assert(seam_LLKHF_INJECTED == LLKHF_INJECTED);
static_assert(seam_LLKHF_ALTDOWN == LLKHF_ALTDOWN);
static_assert(seam_LLKHF_UP == LLKHF_UP);
static_assert(seam_LLMHF_INJECTED == LLMHF_INJECTED);
static_assert(seam_INPUT_MOUSE == INPUT_MOUSE);
static_assert(seam_INPUT_KEYBOARD == INPUT_KEYBOARD);
static_assert(seam_KEYEVENTF_EXTENDEDKEY == KEYEVENTF_EXTENDEDKEY);
static_assert(seam_KEYEVENTF_KEYUP == KEYEVENTF_KEYUP);
static_assert(seam_KEYEVENTF_SCANCODE == KEYEVENTF_SCANCODE);
static_assert(seam_KEYEVENTF_UNICODE == KEYEVENTF_UNICODE);
static_assert(seam_MOUSEEVENTF_MOVE == MOUSEEVENTF_MOVE);
static_assert(seam_MOUSEEVENTF_LEFTDOWN == MOUSEEVENTF_LEFTDOWN);
static_assert(seam_MOUSEEVENTF_LEFTUP == MOUSEEVENTF_LEFTUP);
static_assert(seam_MOUSEEVENTF_RIGHTDOWN == MOUSEEVENTF_RIGHTDOWN);
static_assert(seam_MOUSEEVENTF_RIGHTUP == MOUSEEVENTF_RIGHTUP);
static_assert(seam_MOUSEEVENTF_MIDDLEDOWN == MOUSEEVENTF_MIDDLEDOWN);
static_assert(seam_MOUSEEVENTF_MIDDLEUP == MOUSEEVENTF_MIDDLEUP);
static_assert(seam_MOUSEEVENTF_XDOWN == MOUSEEVENTF_XDOWN);
static_assert(seam_MOUSEEVENTF_XUP == MOUSEEVENTF_XUP);
static_assert(seam_MOUSEEVENTF_WHEEL == MOUSEEVENTF_WHEEL);
static_assert(seam_MOUSEEVENTF_HWHEEL == MOUSEEVENTF_HWHEEL);
static_assert(seam_MOUSEEVENTF_VIRTUALDESK == MOUSEEVENTF_VIRTUALDESK);
static_assert(seam_MOUSEEVENTF_ABSOLUTE == MOUSEEVENTF_ABSOLUTE);
static_assert(seam_SM_CXSCREEN == SM_CXSCREEN);
static_assert(seam_SM_CYSCREEN == SM_CYSCREEN);
static_assert(seam_SM_XVIRTUALSCREEN == SM_XVIRTUALSCREEN);
static_assert(seam_SM_YVIRTUALSCREEN == SM_YVIRTUALSCREEN);
static_assert(seam_SM_CXVIRTUALSCREEN == SM_CXVIRTUALSCREEN);
static_assert(seam_SM_CYVIRTUALSCREEN == SM_CYVIRTUALSCREEN);
static_assert(seam_CREATE_WAITABLE_TIMER_HIGH_RESOLUTION == CREATE_WAITABLE_TIMER_HIGH_RESOLUTION);
static_assert(seam_TIMER_ALL_ACCESS == TIMER_ALL_ACCESS);

static_assert(sizeof(win::HHOOK) == sizeof(::HHOOK));
static_assert(sizeof(win::HINSTANCE) == sizeof(::HINSTANCE));
static_assert(sizeof(win::HANDLE) == sizeof(::HANDLE));
static_assert(sizeof(win::LRESULT) == sizeof(::LRESULT));
static_assert(sizeof(std::int64_t) == sizeof(::LARGE_INTEGER));

// The system writes and reads these through pointers: every field in place.
#define KEYLOOM_SAME_FIELD(type, field) static_assert(offsetof(win::type, field) == offsetof(::type, field))
static_assert(sizeof(win::POINT) == sizeof(::POINT));
KEYLOOM_SAME_FIELD(POINT, y);
static_assert(sizeof(win::EVENTMSG) == sizeof(::EVENTMSG));
KEYLOOM_SAME_FIELD(EVENTMSG, message);
KEYLOOM_SAME_FIELD(EVENTMSG, paramL);
KEYLOOM_SAME_FIELD(EVENTMSG, paramH);
KEYLOOM_SAME_FIELD(EVENTMSG, time);
KEYLOOM_SAME_FIELD(EVENTMSG, hwnd);
static_assert(sizeof(win::MSG) == sizeof(::MSG));
KEYLOOM_SAME_FIELD(MSG, hwnd);
KEYLOOM_SAME_FIELD(MSG, message);
KEYLOOM_SAME_FIELD(MSG, wParam);
KEYLOOM_SAME_FIELD(MSG, lParam);
KEYLOOM_SAME_FIELD(MSG, time);
KEYLOOM_SAME_FIELD(MSG, pt);
static_assert(sizeof(win::KBDLLHOOKSTRUCT) == sizeof(::KBDLLHOOKSTRUCT));
KEYLOOM_SAME_FIELD(KBDLLHOOKSTRUCT, vkCode);
KEYLOOM_SAME_FIELD(KBDLLHOOKSTRUCT, scanCode);
KEYLOOM_SAME_FIELD(KBDLLHOOKSTRUCT, flags);
KEYLOOM_SAME_FIELD(KBDLLHOOKSTRUCT, time);
KEYLOOM_SAME_FIELD(KBDLLHOOKSTRUCT, dwExtraInfo);
static_assert(sizeof(win::MSLLHOOKSTRUCT) == sizeof(::MSLLHOOKSTRUCT));
KEYLOOM_SAME_FIELD(MSLLHOOKSTRUCT, pt);
KEYLOOM_SAME_FIELD(MSLLHOOKSTRUCT, mouseData);
KEYLOOM_SAME_FIELD(MSLLHOOKSTRUCT, flags);
KEYLOOM_SAME_FIELD(MSLLHOOKSTRUCT, time);
KEYLOOM_SAME_FIELD(MSLLHOOKSTRUCT, dwExtraInfo);
static_assert(sizeof(win::MOUSEINPUT) == sizeof(::MOUSEINPUT));
KEYLOOM_SAME_FIELD(MOUSEINPUT, dx);
KEYLOOM_SAME_FIELD(MOUSEINPUT, dy);
KEYLOOM_SAME_FIELD(MOUSEINPUT, mouseData);
KEYLOOM_SAME_FIELD(MOUSEINPUT, dwFlags);
KEYLOOM_SAME_FIELD(MOUSEINPUT, time);
KEYLOOM_SAME_FIELD(MOUSEINPUT, dwExtraInfo);
static_assert(sizeof(win::KEYBDINPUT) == sizeof(::KEYBDINPUT));
KEYLOOM_SAME_FIELD(KEYBDINPUT, wVk);
KEYLOOM_SAME_FIELD(KEYBDINPUT, wScan);
KEYLOOM_SAME_FIELD(KEYBDINPUT, dwFlags);
KEYLOOM_SAME_FIELD(KEYBDINPUT, time);
KEYLOOM_SAME_FIELD(KEYBDINPUT, dwExtraInfo);
static_assert(sizeof(win::INPUT) == sizeof(::INPUT));
KEYLOOM_SAME_FIELD(INPUT, type);
static_assert(offsetof(win::INPUT, mi) == offsetof(::INPUT, mi));
static_assert(offsetof(win::INPUT, ki) == offsetof(::INPUT, ki));
#undef KEYLOOM_SAME_FIELD

namespace {

template <typename To, typename From>
To Cast(From value) {
    return reinterpret_cast<To>(value);
}

}  // namespace

namespace win {

// ---- Hooks -----------------------------------------------------------------

HHOOK SetWindowsHookExA(int idHook, HOOKPROC procedure, HINSTANCE module, DWORD threadId) {
    return Cast<HHOOK>(::SetWindowsHookExA(idHook, Cast<::HOOKPROC>(procedure), Cast<::HINSTANCE>(module), threadId));
}

BOOL UnhookWindowsHookEx(HHOOK hook) { return ::UnhookWindowsHookEx(Cast<::HHOOK>(hook)); }

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
    return ::CallNextHookEx(Cast<::HHOOK>(hook), code, wParam, lParam);
}

HINSTANCE GetModuleHandleA(const char* moduleName) { return Cast<HINSTANCE>(::GetModuleHandleA(moduleName)); }

DWORD GetCurrentThreadId() { return ::GetCurrentThreadId(); }

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostThreadMessageA(threadId, message, wParam, lParam);
}

// ---- Injected input ---------------------------------------------------------

UINT SendInput(UINT count, INPUT* inputs, int size) { return ::SendInput(count, Cast<::INPUT*>(inputs), size); }

int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

// ---- High-resolution time -----------------------------------------------------

HANDLE CreateWaitableTimerExW(void* attributes, const wchar_t* name, DWORD flags, DWORD access) {
    return ::CreateWaitableTimerExW(static_cast<::LPSECURITY_ATTRIBUTES>(attributes), name, flags, access);
}

BOOL SetWaitableTimer(HANDLE timer, const std::int64_t* dueTime, LONG period, void* completion, void* argument,
                      BOOL resume) {
    ::LARGE_INTEGER due;
    due.QuadPart = *dueTime;
    return ::SetWaitableTimer(timer, &due, period, Cast<::PTIMERAPCROUTINE>(completion), argument, resume);
}

BOOL CancelWaitableTimer(HANDLE timer) { return ::CancelWaitableTimer(timer); }

BOOL QueryPerformanceCounter(std::int64_t* count) {
    ::LARGE_INTEGER value;
    const BOOL ok = ::QueryPerformanceCounter(&value);
    *count = value.QuadPart;
    return ok;
}

BOOL QueryPerformanceFrequency(std::int64_t* frequency) {
    ::LARGE_INTEGER value;
    const BOOL ok = ::QueryPerformanceFrequency(&value);
    *frequency = value.QuadPart;
    return ok;
}

BOOL SwitchToThread() { return ::SwitchToThread(); }

}  // namespace win
