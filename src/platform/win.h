// The platform seam: the Win32 calls Keyloom makes, with Windows' own names,
// arguments, results and error codes. Program logic includes this header
// instead of <windows.h>; platform/win32 forwards each call to Windows and
// platform/fake stands in for Windows in native unit tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

namespace win {

using BOOL = std::int32_t;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using SHORT = std::int16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = std::uint32_t;
using LSTATUS = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using ULONG_PTR = std::uintptr_t;

// Opaque handles; only the real layer turns them into Windows' own.
using HKEY = struct HKEY_tag*;
using HWND = struct HWND_tag*;
using HINSTANCE = struct HINSTANCE_tag*;
using HHOOK = struct HHOOK_tag*;
using HANDLE = void*;
using HGLOBAL = void*;

inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u));

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// Error codes.
constexpr LSTATUS ERROR_SUCCESS = 0;
constexpr LSTATUS ERROR_FILE_NOT_FOUND = 2;
constexpr LSTATUS ERROR_ACCESS_DENIED = 5;
constexpr LSTATUS ERROR_INVALID_HANDLE = 6;
constexpr LSTATUS ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr LSTATUS ERROR_INVALID_PARAMETER = 87;
constexpr LSTATUS ERROR_INSUFFICIENT_BUFFER = 122;
constexpr LSTATUS ERROR_NOT_LOCKED = 158;
constexpr LSTATUS ERROR_MORE_DATA = 234;
constexpr LSTATUS ERROR_NO_MORE_ITEMS = 259;
constexpr LSTATUS ERROR_MR_MID_NOT_FOUND = 317;
constexpr LSTATUS ERROR_KEY_DELETED = 1018;
constexpr LSTATUS ERROR_NOT_ALL_ASSIGNED = 1300;
constexpr LSTATUS ERROR_NO_SUCH_PRIVILEGE = 1313;
constexpr LSTATUS ERROR_PRIVILEGE_NOT_HELD = 1314;
constexpr LSTATUS ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr LSTATUS ERROR_CLIPBOARD_NOT_OPEN = 1418;
constexpr LSTATUS ERROR_HOTKEY_ALREADY_REGISTERED = 1409;
constexpr LSTATUS ERROR_HOTKEY_NOT_REGISTERED = 1419;

// Registry.
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD KEY_WOW64_32KEY = 0x0200;
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

LSTATUS RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD samDesired, HKEY* result);
// RegCreateKeyA has no access mask, so the store creates through the Ex form
// to pick the registry view.
LSTATUS RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* className, DWORD options,
                        DWORD samDesired, void* security, HKEY* result, DWORD* disposition);
LSTATUS RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize);
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
// What a key holds: each out parameter may be null. Name lengths are in
// characters without the NUL; value sizes in bytes.
LSTATUS RegQueryInfoKeyA(HKEY key, char* className, DWORD* classLength, DWORD* reserved, DWORD* subKeys,
                         DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values, DWORD* maxValueNameLength,
                         DWORD* maxValueLength, DWORD* securityDescriptorSize, FILETIME* lastWriteTime);
LSTATUS RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize);
LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataSize);
// The UTF-16 forms: a REG_SZ's bytes are UTF-16 units (little-endian) with
// their NUL; Windows keeps strings as UTF-16, so a value written by one
// form reads through the other (the ANSI side through the code page).
LSTATUS RegQueryValueExW(HKEY key, const wchar_t* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize);
LSTATUS RegSetValueExW(HKEY key, const wchar_t* valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataSize);
LSTATUS RegDeleteKeyExA(HKEY key, const char* subKey, DWORD samDesired, DWORD reserved);
// Renames the subkey `subKeyName` of `key` (`key` itself when null) to
// `newKeyName`, a name without a path, with everything below it. Fails, and
// changes nothing, when a key of the new name exists. UTF-16 only.
LSTATUS RegRenameKey(HKEY key, const wchar_t* subKeyName, const wchar_t* newKeyName);
LSTATUS RegCloseKey(HKEY key);

// Text conversion: the ANSI code page's bytes to UTF-16. With a `wideLength`
// of 0 it returns the length needed; `multiByteLength` -1 takes the NUL too.
constexpr UINT CP_ACP = 0;
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* multiByte, int multiByteLength, wchar_t* wide,
                        int wideLength);
// And back: UTF-16 to the ANSI code page, a character the code page lacks
// as `defaultChar` ("?" when null; a surrogate pair may give two).
// With a `multiByteLength` of 0 it returns the length needed; `wideLength`
// -1 takes the NUL too.
// WC_NO_BEST_FIT_CHARS writes the default character for a character the
// code page lacks instead of a look-alike.
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;
int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* wide, int wideLength, char* multiByte,
                        int multiByteLength, const char* defaultChar, BOOL* usedDefaultChar);

// Error texts.
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x1000;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x200;
DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer,
                     DWORD size, void* arguments);
DWORD GetLastError();
void SetLastError(DWORD code);

// Message boxes.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_SYSTEMMODAL = 0x1000;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

// Characters of ANSI text in the current code page: the next character
// after `text`'s first (two bytes on for a double-byte character), or `text`
// itself at its NUL.
char* CharNextA(const char* text);

// Windows and messages.
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_CANCELJOURNAL = 0x004B;
constexpr UINT WM_HOTKEY = 0x0312;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_MOUSEHWHEEL = 0x020E;
HWND FindWindowA(const char* className, const char* windowName);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Operating-system version.
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};
BOOL GetVersionExA(OSVERSIONINFOA* info);

// Hot keys.
constexpr UINT MOD_ALT = 1;
constexpr UINT MOD_CONTROL = 2;
constexpr UINT MOD_SHIFT = 4;
constexpr UINT MOD_WIN = 8;
BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT virtualKey);
BOOL UnregisterHotKey(HWND window, int id);

// Time.
void Sleep(DWORD milliseconds);
DWORD GetTickCount();
// The current local time as the C library gives it (time, then localtime).
bool GetLocalTm(std::tm* out);

// Keyboard input and layout.
constexpr DWORD KEYEVENTF_EXTENDEDKEY = 0x1;
constexpr DWORD KEYEVENTF_KEYUP = 0x2;
// Virtual keys the program names.
constexpr BYTE VK_CANCEL = 0x03;
constexpr BYTE VK_BACK = 0x08;
constexpr BYTE VK_TAB = 0x09;
constexpr BYTE VK_RETURN = 0x0D;
constexpr BYTE VK_SHIFT = 0x10;
constexpr BYTE VK_CONTROL = 0x11;
constexpr BYTE VK_MENU = 0x12;
constexpr BYTE VK_LWIN = 0x5B;
constexpr BYTE VK_RWIN = 0x5C;
constexpr BYTE VK_PAUSE = 0x13;
constexpr BYTE VK_CAPITAL = 0x14;
constexpr BYTE VK_ESCAPE = 0x1B;
constexpr BYTE VK_SPACE = 0x20;
constexpr BYTE VK_PRIOR = 0x21;
constexpr BYTE VK_NEXT = 0x22;
constexpr BYTE VK_END = 0x23;
constexpr BYTE VK_HOME = 0x24;
constexpr BYTE VK_LEFT = 0x25;
constexpr BYTE VK_UP = 0x26;
constexpr BYTE VK_RIGHT = 0x27;
constexpr BYTE VK_DOWN = 0x28;
constexpr BYTE VK_SNAPSHOT = 0x2C;
constexpr BYTE VK_INSERT = 0x2D;
constexpr BYTE VK_DELETE = 0x2E;
constexpr BYTE VK_NUMPAD0 = 0x60;
constexpr BYTE VK_NUMPAD9 = 0x69;
constexpr BYTE VK_MULTIPLY = 0x6A;
constexpr BYTE VK_ADD = 0x6B;
constexpr BYTE VK_SEPARATOR = 0x6C;
constexpr BYTE VK_SUBTRACT = 0x6D;
constexpr BYTE VK_DECIMAL = 0x6E;
constexpr BYTE VK_DIVIDE = 0x6F;
constexpr BYTE VK_F1 = 0x70;
constexpr BYTE VK_F24 = 0x87;
constexpr BYTE VK_NUMLOCK = 0x90;
constexpr BYTE VK_SCROLL = 0x91;
constexpr BYTE VK_LSHIFT = 0xA0;
constexpr BYTE VK_RSHIFT = 0xA1;
constexpr BYTE VK_LCONTROL = 0xA2;
constexpr BYTE VK_RCONTROL = 0xA3;
constexpr BYTE VK_LMENU = 0xA4;
constexpr BYTE VK_RMENU = 0xA5;
// What the low-level hooks and the key state see for an input typed by its
// UTF-16 unit (KEYEVENTF_UNICODE); the unit is its scan code.
constexpr BYTE VK_PACKET = 0xE7;
constexpr UINT MAPVK_VK_TO_VSC = 0;
constexpr UINT MAPVK_VSC_TO_VK = 1;
constexpr UINT MAPVK_VK_TO_CHAR = 2;
void keybd_event(BYTE virtualKey, BYTE scanCode, DWORD flags, ULONG_PTR extraInfo);
SHORT VkKeyScanA(char character);
UINT MapVirtualKeyA(UINT code, UINT mapType);

// Clipboard and global memory.
constexpr UINT CF_TEXT = 1;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_DDESHARE = 0x2000;
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
HANDLE GetClipboardData(UINT format);
HANDLE SetClipboardData(UINT format, HANDLE memory);
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
void* GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
HGLOBAL GlobalFree(HGLOBAL memory);

// Shell and system.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
// ShellExecuteA's result; values of 32 or less are errors.
std::intptr_t ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                            const char* directory, int showCommand);

constexpr UINT EWX_SHUTDOWN = 0x1;
constexpr UINT EWX_REBOOT = 0x2;
constexpr UINT EWX_POWEROFF = 0x8;
constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x20;
constexpr DWORD TOKEN_QUERY = 0x8;
constexpr DWORD SE_PRIVILEGE_ENABLED = 0x2;
struct LUID {
    DWORD LowPart;
    LONG HighPart;
};
struct LUID_AND_ATTRIBUTES {
    LUID Luid;
    DWORD Attributes;
};
struct TOKEN_PRIVILEGES {
    DWORD PrivilegeCount;
    LUID_AND_ATTRIBUTES Privileges[1];
};
HANDLE GetCurrentProcess();
BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token);
BOOL LookupPrivilegeValueA(const char* system, const char* name, LUID* luid);
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD bufferLength,
                           TOKEN_PRIVILEGES* previousState, DWORD* returnLength);
BOOL CloseHandle(HANDLE handle);
BOOL ExitWindowsEx(UINT flags, DWORD reason);

// ---- Hooks -----------------------------------------------------------------
// Hook and enumeration procedures use the system's calling convention.
#if defined(_WIN32) && !defined(_WIN64)
#define KEYLOOM_CALLBACK __stdcall
#else
#define KEYLOOM_CALLBACK
#endif
using HOOKPROC = LRESULT(KEYLOOM_CALLBACK*)(int code, WPARAM wParam, LPARAM lParam);
constexpr int WH_JOURNALRECORD = 0;
constexpr int WH_JOURNALPLAYBACK = 1;
constexpr int WH_GETMESSAGE = 3;
constexpr int WH_KEYBOARD_LL = 13;
constexpr int WH_MOUSE_LL = 14;
constexpr int HC_ACTION = 0;
constexpr int HC_GETNEXT = 1;
constexpr int HC_SKIP = 2;
struct POINT {
    LONG x;
    LONG y;
};
struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
// The journal hooks' event record, in the system's own layout (24 bytes in
// a 64-bit process): never stored as it is.
struct EVENTMSG {
    UINT message;
    UINT paramL;
    UINT paramH;
    DWORD time;
    HWND hwnd;
};
// What a WH_GETMESSAGE hook's lParam points to.
struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
constexpr DWORD LLKHF_EXTENDED = 0x01;
constexpr DWORD LLKHF_INJECTED = 0x10;
constexpr DWORD LLKHF_ALTDOWN = 0x20;
constexpr DWORD LLKHF_UP = 0x80;
constexpr DWORD LLMHF_INJECTED = 0x01;
struct KBDLLHOOKSTRUCT {
    DWORD vkCode;
    DWORD scanCode;
    DWORD flags;
    DWORD time;
    ULONG_PTR dwExtraInfo;
};
struct MSLLHOOKSTRUCT {
    POINT pt;
    DWORD mouseData;
    DWORD flags;
    DWORD time;
    ULONG_PTR dwExtraInfo;
};
HHOOK SetWindowsHookExA(int idHook, HOOKPROC procedure, HINSTANCE module, DWORD threadId);
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);
HINSTANCE GetModuleHandleA(const char* moduleName);
DWORD GetCurrentThreadId();
BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Injected input ----------------------------------------------------------
constexpr DWORD INPUT_MOUSE = 0;
constexpr DWORD INPUT_KEYBOARD = 1;
constexpr DWORD KEYEVENTF_UNICODE = 0x4;
constexpr DWORD KEYEVENTF_SCANCODE = 0x8;
constexpr DWORD MOUSEEVENTF_MOVE = 0x0001;
constexpr DWORD MOUSEEVENTF_LEFTDOWN = 0x0002;
constexpr DWORD MOUSEEVENTF_LEFTUP = 0x0004;
constexpr DWORD MOUSEEVENTF_RIGHTDOWN = 0x0008;
constexpr DWORD MOUSEEVENTF_RIGHTUP = 0x0010;
constexpr DWORD MOUSEEVENTF_MIDDLEDOWN = 0x0020;
constexpr DWORD MOUSEEVENTF_MIDDLEUP = 0x0040;
constexpr DWORD MOUSEEVENTF_XDOWN = 0x0080;
constexpr DWORD MOUSEEVENTF_XUP = 0x0100;
constexpr DWORD MOUSEEVENTF_WHEEL = 0x0800;
constexpr DWORD MOUSEEVENTF_HWHEEL = 0x1000;
constexpr DWORD MOUSEEVENTF_VIRTUALDESK = 0x4000;
constexpr DWORD MOUSEEVENTF_ABSOLUTE = 0x8000;
struct MOUSEINPUT {
    LONG dx;
    LONG dy;
    DWORD mouseData;
    DWORD dwFlags;
    DWORD time;
    ULONG_PTR dwExtraInfo;
};
struct KEYBDINPUT {
    WORD wVk;
    WORD wScan;
    DWORD dwFlags;
    DWORD time;
    ULONG_PTR dwExtraInfo;
};
struct INPUT {
    DWORD type;
    union {
        MOUSEINPUT mi;
        KEYBDINPUT ki;
    };
};
UINT SendInput(UINT count, INPUT* inputs, int size);
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_XVIRTUALSCREEN = 76;
constexpr int SM_YVIRTUALSCREEN = 77;
constexpr int SM_CXVIRTUALSCREEN = 78;
constexpr int SM_CYVIRTUALSCREEN = 79;
int GetSystemMetrics(int index);

// ---- High-resolution time ------------------------------------------------------
constexpr DWORD CREATE_WAITABLE_TIMER_HIGH_RESOLUTION = 0x2;
constexpr DWORD TIMER_ALL_ACCESS = 0x1F0003;
HANDLE CreateWaitableTimerExW(void* attributes, const wchar_t* name, DWORD flags, DWORD access);
// dueTime in 100 ns units; negative is relative to now.
BOOL SetWaitableTimer(HANDLE timer, const std::int64_t* dueTime, LONG period, void* completion, void* argument,
                      BOOL resume);
BOOL CancelWaitableTimer(HANDLE timer);
BOOL QueryPerformanceCounter(std::int64_t* count);
BOOL QueryPerformanceFrequency(std::int64_t* frequency);
// Lets another thread that is ready run on this processor; nonzero when one
// did. The fake's performance counter moves on by a moment each call, as
// the other threads take their time.
BOOL SwitchToThread();

// ---- Key state, waits and the thread's queue -------------------------------------
// Bit 15 set while the key is down: GetAsyncKeyState as the system's input
// stands, GetKeyState as the calling thread's messages have left it (bit 0:
// a toggle key is on). Shift, Ctrl and Alt are down as the generic key and
// as their left or right one.
SHORT GetAsyncKeyState(int virtualKey);
SHORT GetKeyState(int virtualKey);
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
constexpr DWORD QS_ALLINPUT = 0x1CFF;  // with touch and pointer input, as Windows 8 and later count it
constexpr DWORD MWMO_INPUTAVAILABLE = 0x0004;
// Waits until one of the handles is signalled (WAIT_OBJECT_0 + its index),
// input of the kinds in wakeMask is in the thread's queue (WAIT_OBJECT_0 +
// count; with MWMO_INPUTAVAILABLE also input that is there but was already
// seen), or the time is up (WAIT_TIMEOUT).
DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, DWORD milliseconds, DWORD wakeMask,
                                  DWORD flags);
constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;
// The next message for the calling thread, if any: sent messages and the
// thread's low-level hooks are served first, as every look at the queue
// does.
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);

// ---- Threads and events ------------------------------------------------------------
constexpr UINT WM_QUIT = 0x0012;
using LPTHREAD_START_ROUTINE = DWORD(KEYLOOM_CALLBACK*)(void* parameter);
HANDLE CreateThread(void* security, std::size_t stackSize, LPTHREAD_START_ROUTINE start, void* parameter,
                    DWORD flags, DWORD* threadId);
// The calling thread's next message, waiting until there is one: nonzero
// for a message, 0 for WM_QUIT, -1 on an error.
BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax);
HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState, const char* name);
BOOL SetEvent(HANDLE event);

// ---- Windows of other programs ----------------------------------------------
using WNDENUMPROC = BOOL(KEYLOOM_CALLBACK*)(HWND window, LPARAM lParam);
constexpr int SW_SHOWMINNOACTIVE = 7;
struct WINDOWPLACEMENT {
    UINT length;
    UINT flags;
    UINT showCmd;
    POINT ptMinPosition;
    POINT ptMaxPosition;
    RECT rcNormalPosition;
};
BOOL EnumWindows(WNDENUMPROC procedure, LPARAM lParam);
int GetWindowTextA(HWND window, char* text, int size);
BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement);
BOOL IsWindowVisible(HWND window);
DWORD GetWindowThreadProcessId(HWND window, DWORD* processId);
BOOL AttachThreadInput(DWORD attachFrom, DWORD attachTo, BOOL attach);
BOOL SetForegroundWindow(HWND window);
BOOL ShowWindow(HWND window, int command);
HWND GetDesktopWindow();
// The window under a screen point, and the one that has the user's input:
// where a recorded mouse or key event was directed.
HWND WindowFromPoint(POINT point);
HWND GetForegroundWindow();

// ---- Processes and file names ----------------------------------------------
// Which program a window belongs to: its process, opened for the one query
// that a process of any integrity level answers, and the full path of the
// process's image file ("C:\\Windows\\notepad.exe"). `size` is the
// buffer's length in characters on the way in and the path's, without its
// NUL, on the way out; a buffer too small fails with
// ERROR_INSUFFICIENT_BUFFER.
constexpr DWORD PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId);
BOOL QueryFullProcessImageNameW(HANDLE process, DWORD flags, wchar_t* name, DWORD* size);
// Compares two UTF-16 texts unit by unit, as the file system compares file
// names: with `ignoreCase` each unit is first mapped to its upper case by
// the system's one table (no locale: "i" and "I" match in every language,
// "\u00DF" matches only itself). A length of -1 means up to the NUL.
// CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN; 0 on a bad argument.
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;
int CompareStringOrdinal(const wchar_t* a, int aLength, const wchar_t* b, int bLength, BOOL ignoreCase);
constexpr UINT MB_ICONINFORMATION = 0x40;


// ---- Security of registry keys ----------------------------------------------
// Descriptors are opaque above the seam: they are built from and read back
// as security descriptor strings, and handed to the registry as they are.
using ULONG = std::uint32_t;
using HLOCAL = void*;
using SECURITY_INFORMATION = DWORD;
using PSECURITY_DESCRIPTOR = void*;
constexpr SECURITY_INFORMATION DACL_SECURITY_INFORMATION = 0x4;
constexpr DWORD SDDL_REVISION_1 = 1;
constexpr LSTATUS ERROR_INVALID_SECURITY_DESCR = 1338;
// `size` is the buffer's size in bytes; a buffer too small fails with
// ERROR_INSUFFICIENT_BUFFER and `size` set to the size needed.
LSTATUS RegGetKeySecurity(HKEY key, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor, DWORD* size);
LSTATUS RegSetKeySecurity(HKEY key, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor);
// The descriptor and the text are the system's, freed with LocalFree.
BOOL ConvertStringSecurityDescriptorToSecurityDescriptorA(const char* text, DWORD revision,
                                                          PSECURITY_DESCRIPTOR* descriptor, ULONG* size);
BOOL ConvertSecurityDescriptorToStringSecurityDescriptorA(PSECURITY_DESCRIPTOR descriptor, DWORD revision,
                                                          SECURITY_INFORMATION information, char** text,
                                                          ULONG* length);
HLOCAL LocalFree(HLOCAL memory);


// ---- The session: named objects, and messages between programs ----------------
constexpr LSTATUS ERROR_ALREADY_EXISTS = 183;
constexpr UINT WM_COMMAND = 0x0111;
// A mutex that already exists is opened: the handle is good and the last
// error is ERROR_ALREADY_EXISTS.
HANDLE CreateMutexA(void* attributes, BOOL initialOwner, const char* name);
// The same number for the same name (case-insensitive) in every program of
// the session, from 0xC000 up; 0 on failure.
UINT RegisterWindowMessageA(const char* name);
// What a window of this elevated program accepts from programs of a lower
// integrity level: nothing but what it lets through.
constexpr DWORD MSGFLT_RESET = 0;
constexpr DWORD MSGFLT_ALLOW = 1;
constexpr DWORD MSGFLT_DISALLOW = 2;
BOOL ChangeWindowMessageFilterEx(HWND window, UINT message, DWORD action, void* changeFilterStruct);

// ---- WM_COPYDATA between programs: keyloomc's command channel ------------------
// The block is copied into the receiving process for the time the receiver
// handles the message; it can only be sent, never posted.
constexpr UINT WM_COPYDATA = 0x004A;
struct COPYDATASTRUCT {
    ULONG_PTR dwData;
    DWORD cbData;
    void* lpData;
};
constexpr UINT SMTO_NORMAL = 0x0;
constexpr UINT SMTO_BLOCK = 0x1;
constexpr UINT SMTO_ABORTIFHUNG = 0x2;
// Sends the message and waits at most `timeout` ms for the window's answer
// (its result in *result). 0 when the window is not there, is hung or did
// not answer in time (GetLastError says which).
LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout,
                            ULONG_PTR* result);
// Answers the message this thread is handling, sent by another thread,
// with `result` now: the sender goes on while the handler carries on.
// FALSE when the message was not sent by another thread.
BOOL ReplyMessage(LRESULT result);
// The window's class name, cut to fit; 0 when the window is not there.
int GetClassNameA(HWND window, char* className, int maxCount);


// ---- The desktop shell's ShellExecute ------------------------------------------
using HRESULT = std::int32_t;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
// IShellDispatch2::ShellExecute of the shell that owns the desktop, reached
// from the desktop window: IShellWindows::FindWindowSW(SWC_DESKTOP), its
// top-level IShellBrowser, the active view's background object
// (IShellFolderViewDual) and its Application. The program starts as the
// shell's own child, with the signed-in user's normal rights, not with
// this elevated program's. Needs COM on the calling thread. Success (S_OK)
// means the shell took the request: whether the program then starts is
// the shell's business, as are the messages it shows when it cannot.
// A failure (E_FAIL when no window is the desktop's) means there is no
// desktop shell to ask.
HRESULT DesktopShellExecute(const char* file, const char* parameters, const char* directory, const char* verb,
                            int showCommand);

}  // namespace win
