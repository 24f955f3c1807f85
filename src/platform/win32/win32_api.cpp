// The real layer: each seam call forwards to Windows. Handles and integer
// types are converted here and nowhere else; every constant and structure the
// seam defines is checked against the system headers.
//
// The seam spells its constants with Windows' own names, which <windows.h>
// defines as macros. So the seam is read first and its values copied under
// other names; after the system headers, only those copies are used.
#include "platform/win.h"

namespace {
constexpr auto seam_CF_TEXT = win::CF_TEXT;
constexpr auto seam_CP_ACP = win::CP_ACP;
constexpr auto seam_WC_NO_BEST_FIT_CHARS = win::WC_NO_BEST_FIT_CHARS;
constexpr auto seam_ERROR_ACCESS_DENIED = win::ERROR_ACCESS_DENIED;
constexpr auto seam_ERROR_CLIPBOARD_NOT_OPEN = win::ERROR_CLIPBOARD_NOT_OPEN;
constexpr auto seam_ERROR_FILE_NOT_FOUND = win::ERROR_FILE_NOT_FOUND;
constexpr auto seam_ERROR_HOTKEY_ALREADY_REGISTERED = win::ERROR_HOTKEY_ALREADY_REGISTERED;
constexpr auto seam_ERROR_HOTKEY_NOT_REGISTERED = win::ERROR_HOTKEY_NOT_REGISTERED;
constexpr auto seam_ERROR_INSUFFICIENT_BUFFER = win::ERROR_INSUFFICIENT_BUFFER;
constexpr auto seam_ERROR_INVALID_HANDLE = win::ERROR_INVALID_HANDLE;
constexpr auto seam_ERROR_INVALID_PARAMETER = win::ERROR_INVALID_PARAMETER;
constexpr auto seam_ERROR_INVALID_WINDOW_HANDLE = win::ERROR_INVALID_WINDOW_HANDLE;
constexpr auto seam_ERROR_KEY_DELETED = win::ERROR_KEY_DELETED;
constexpr auto seam_ERROR_MORE_DATA = win::ERROR_MORE_DATA;
constexpr auto seam_ERROR_MR_MID_NOT_FOUND = win::ERROR_MR_MID_NOT_FOUND;
constexpr auto seam_ERROR_NOT_ALL_ASSIGNED = win::ERROR_NOT_ALL_ASSIGNED;
constexpr auto seam_ERROR_NOT_ENOUGH_MEMORY = win::ERROR_NOT_ENOUGH_MEMORY;
constexpr auto seam_ERROR_NOT_LOCKED = win::ERROR_NOT_LOCKED;
constexpr auto seam_ERROR_NO_MORE_ITEMS = win::ERROR_NO_MORE_ITEMS;
constexpr auto seam_ERROR_NO_SUCH_PRIVILEGE = win::ERROR_NO_SUCH_PRIVILEGE;
constexpr auto seam_ERROR_PRIVILEGE_NOT_HELD = win::ERROR_PRIVILEGE_NOT_HELD;
constexpr auto seam_ERROR_SUCCESS = win::ERROR_SUCCESS;
constexpr auto seam_EWX_POWEROFF = win::EWX_POWEROFF;
constexpr auto seam_EWX_REBOOT = win::EWX_REBOOT;
constexpr auto seam_EWX_SHUTDOWN = win::EWX_SHUTDOWN;
constexpr auto seam_FALSE = win::FALSE;
constexpr auto seam_FORMAT_MESSAGE_FROM_SYSTEM = win::FORMAT_MESSAGE_FROM_SYSTEM;
constexpr auto seam_FORMAT_MESSAGE_IGNORE_INSERTS = win::FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr auto seam_GMEM_DDESHARE = win::GMEM_DDESHARE;
constexpr auto seam_GMEM_MOVEABLE = win::GMEM_MOVEABLE;
constexpr auto seam_IDCANCEL = win::IDCANCEL;
constexpr auto seam_IDOK = win::IDOK;
constexpr auto seam_KEYEVENTF_EXTENDEDKEY = win::KEYEVENTF_EXTENDEDKEY;
constexpr auto seam_KEYEVENTF_KEYUP = win::KEYEVENTF_KEYUP;
constexpr auto seam_KEY_ALL_ACCESS = win::KEY_ALL_ACCESS;
constexpr auto seam_KEY_WOW64_32KEY = win::KEY_WOW64_32KEY;
constexpr auto seam_MAPVK_VK_TO_CHAR = win::MAPVK_VK_TO_CHAR;
constexpr auto seam_MAPVK_VK_TO_VSC = win::MAPVK_VK_TO_VSC;
constexpr auto seam_MAPVK_VSC_TO_VK = win::MAPVK_VSC_TO_VK;
constexpr auto seam_MB_ICONERROR = win::MB_ICONERROR;
constexpr auto seam_MB_ICONWARNING = win::MB_ICONWARNING;
constexpr auto seam_MB_OK = win::MB_OK;
constexpr auto seam_MB_SYSTEMMODAL = win::MB_SYSTEMMODAL;
constexpr auto seam_MOD_ALT = win::MOD_ALT;
constexpr auto seam_MOD_CONTROL = win::MOD_CONTROL;
constexpr auto seam_MOD_SHIFT = win::MOD_SHIFT;
constexpr auto seam_MOD_WIN = win::MOD_WIN;
constexpr auto seam_VK_LWIN = win::VK_LWIN;
constexpr auto seam_VK_RWIN = win::VK_RWIN;
constexpr auto seam_REG_BINARY = win::REG_BINARY;
constexpr auto seam_REG_DWORD = win::REG_DWORD;
constexpr auto seam_REG_NONE = win::REG_NONE;
constexpr auto seam_REG_SZ = win::REG_SZ;
constexpr auto seam_SE_PRIVILEGE_ENABLED = win::SE_PRIVILEGE_ENABLED;
constexpr auto seam_SW_HIDE = win::SW_HIDE;
constexpr auto seam_SW_SHOWMAXIMIZED = win::SW_SHOWMAXIMIZED;
constexpr auto seam_SW_SHOWMINIMIZED = win::SW_SHOWMINIMIZED;
constexpr auto seam_SW_SHOWNORMAL = win::SW_SHOWNORMAL;
constexpr auto seam_TOKEN_ADJUST_PRIVILEGES = win::TOKEN_ADJUST_PRIVILEGES;
constexpr auto seam_TOKEN_QUERY = win::TOKEN_QUERY;
constexpr auto seam_TRUE = win::TRUE;
constexpr auto seam_VER_PLATFORM_WIN32_NT = win::VER_PLATFORM_WIN32_NT;
constexpr auto seam_VER_PLATFORM_WIN32_WINDOWS = win::VER_PLATFORM_WIN32_WINDOWS;
constexpr auto seam_VK_SHIFT = win::VK_SHIFT;
constexpr auto seam_VK_CANCEL = win::VK_CANCEL;
constexpr auto seam_VK_BACK = win::VK_BACK;
constexpr auto seam_VK_TAB = win::VK_TAB;
constexpr auto seam_VK_RETURN = win::VK_RETURN;
constexpr auto seam_VK_CONTROL = win::VK_CONTROL;
constexpr auto seam_VK_MENU = win::VK_MENU;
constexpr auto seam_VK_PAUSE = win::VK_PAUSE;
constexpr auto seam_VK_CAPITAL = win::VK_CAPITAL;
constexpr auto seam_VK_ESCAPE = win::VK_ESCAPE;
constexpr auto seam_VK_PACKET = win::VK_PACKET;
constexpr auto seam_VK_SPACE = win::VK_SPACE;
constexpr auto seam_VK_PRIOR = win::VK_PRIOR;
constexpr auto seam_VK_NEXT = win::VK_NEXT;
constexpr auto seam_VK_END = win::VK_END;
constexpr auto seam_VK_HOME = win::VK_HOME;
constexpr auto seam_VK_LEFT = win::VK_LEFT;
constexpr auto seam_VK_UP = win::VK_UP;
constexpr auto seam_VK_RIGHT = win::VK_RIGHT;
constexpr auto seam_VK_DOWN = win::VK_DOWN;
constexpr auto seam_VK_SNAPSHOT = win::VK_SNAPSHOT;
constexpr auto seam_VK_INSERT = win::VK_INSERT;
constexpr auto seam_VK_DELETE = win::VK_DELETE;
constexpr auto seam_VK_NUMPAD0 = win::VK_NUMPAD0;
constexpr auto seam_VK_NUMPAD9 = win::VK_NUMPAD9;
constexpr auto seam_VK_MULTIPLY = win::VK_MULTIPLY;
constexpr auto seam_VK_ADD = win::VK_ADD;
constexpr auto seam_VK_SEPARATOR = win::VK_SEPARATOR;
constexpr auto seam_VK_SUBTRACT = win::VK_SUBTRACT;
constexpr auto seam_VK_DECIMAL = win::VK_DECIMAL;
constexpr auto seam_VK_DIVIDE = win::VK_DIVIDE;
constexpr auto seam_VK_F1 = win::VK_F1;
constexpr auto seam_VK_F24 = win::VK_F24;
constexpr auto seam_VK_NUMLOCK = win::VK_NUMLOCK;
constexpr auto seam_VK_SCROLL = win::VK_SCROLL;
constexpr auto seam_VK_LSHIFT = win::VK_LSHIFT;
constexpr auto seam_VK_RSHIFT = win::VK_RSHIFT;
constexpr auto seam_VK_LCONTROL = win::VK_LCONTROL;
constexpr auto seam_VK_RCONTROL = win::VK_RCONTROL;
constexpr auto seam_VK_LMENU = win::VK_LMENU;
constexpr auto seam_VK_RMENU = win::VK_RMENU;
constexpr auto seam_WM_CHAR = win::WM_CHAR;
constexpr auto seam_WM_LBUTTONDBLCLK = win::WM_LBUTTONDBLCLK;
constexpr auto seam_WM_RBUTTONDBLCLK = win::WM_RBUTTONDBLCLK;
constexpr auto seam_WM_MBUTTONDOWN = win::WM_MBUTTONDOWN;
constexpr auto seam_WM_MBUTTONUP = win::WM_MBUTTONUP;
constexpr auto seam_WM_MBUTTONDBLCLK = win::WM_MBUTTONDBLCLK;
constexpr auto seam_WM_MOUSEWHEEL = win::WM_MOUSEWHEEL;
constexpr auto seam_WM_MOUSEHWHEEL = win::WM_MOUSEHWHEEL;
constexpr auto seam_WM_CANCELJOURNAL = win::WM_CANCELJOURNAL;
constexpr auto seam_WM_HOTKEY = win::WM_HOTKEY;
constexpr auto seam_WM_LBUTTONDOWN = win::WM_LBUTTONDOWN;
constexpr auto seam_WM_LBUTTONUP = win::WM_LBUTTONUP;
constexpr auto seam_WM_KEYDOWN = win::WM_KEYDOWN;
constexpr auto seam_WM_KEYUP = win::WM_KEYUP;
constexpr auto seam_WM_SYSKEYDOWN = win::WM_SYSKEYDOWN;
constexpr auto seam_WM_SYSKEYUP = win::WM_SYSKEYUP;
constexpr auto seam_WM_MOUSEMOVE = win::WM_MOUSEMOVE;
constexpr auto seam_WM_RBUTTONDOWN = win::WM_RBUTTONDOWN;
constexpr auto seam_WM_RBUTTONUP = win::WM_RBUTTONUP;
constexpr auto seam_WM_USER = win::WM_USER;
const win::HKEY seamLocalMachine = win::HKEY_LOCAL_MACHINE;
}  // namespace

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <ctime>

namespace {

template <typename To, typename From>
To Cast(From handle) {
    return reinterpret_cast<To>(handle);
}

// The seam spells the predefined key's value without the sign extension that
// 64-bit Windows gives it.
::HKEY Native(win::HKEY key) { return key == seamLocalMachine ? HKEY_LOCAL_MACHINE : Cast<::HKEY>(key); }
::HWND Native(win::HWND window) { return Cast<::HWND>(window); }

}  // namespace

// ---- The seam's definitions match the system's ----------------------------

static_assert(sizeof(win::BOOL) == sizeof(::BOOL));
static_assert(sizeof(win::DWORD) == sizeof(::DWORD));
static_assert(sizeof(win::LONG) == sizeof(::LONG));
static_assert(sizeof(win::LSTATUS) == sizeof(::LSTATUS));
static_assert(sizeof(win::WPARAM) == sizeof(::WPARAM));
static_assert(sizeof(win::LPARAM) == sizeof(::LPARAM));
static_assert(sizeof(win::ULONG_PTR) == sizeof(::ULONG_PTR));
static_assert(sizeof(win::HKEY) == sizeof(::HKEY));

static_assert(seam_CF_TEXT == CF_TEXT);
static_assert(seam_CP_ACP == CP_ACP);
static_assert(seam_WC_NO_BEST_FIT_CHARS == WC_NO_BEST_FIT_CHARS);
static_assert(seam_ERROR_ACCESS_DENIED == ERROR_ACCESS_DENIED);
static_assert(seam_ERROR_CLIPBOARD_NOT_OPEN == ERROR_CLIPBOARD_NOT_OPEN);
static_assert(seam_ERROR_FILE_NOT_FOUND == ERROR_FILE_NOT_FOUND);
static_assert(seam_ERROR_HOTKEY_ALREADY_REGISTERED == ERROR_HOTKEY_ALREADY_REGISTERED);
static_assert(seam_ERROR_HOTKEY_NOT_REGISTERED == ERROR_HOTKEY_NOT_REGISTERED);
static_assert(seam_ERROR_INSUFFICIENT_BUFFER == ERROR_INSUFFICIENT_BUFFER);
static_assert(seam_ERROR_INVALID_HANDLE == ERROR_INVALID_HANDLE);
static_assert(seam_ERROR_INVALID_PARAMETER == ERROR_INVALID_PARAMETER);
static_assert(seam_ERROR_INVALID_WINDOW_HANDLE == ERROR_INVALID_WINDOW_HANDLE);
static_assert(seam_ERROR_KEY_DELETED == ERROR_KEY_DELETED);
static_assert(seam_ERROR_MORE_DATA == ERROR_MORE_DATA);
static_assert(seam_ERROR_MR_MID_NOT_FOUND == ERROR_MR_MID_NOT_FOUND);
static_assert(seam_ERROR_NOT_ALL_ASSIGNED == ERROR_NOT_ALL_ASSIGNED);
static_assert(seam_ERROR_NOT_ENOUGH_MEMORY == ERROR_NOT_ENOUGH_MEMORY);
static_assert(seam_ERROR_NOT_LOCKED == ERROR_NOT_LOCKED);
static_assert(seam_ERROR_NO_MORE_ITEMS == ERROR_NO_MORE_ITEMS);
static_assert(seam_ERROR_NO_SUCH_PRIVILEGE == ERROR_NO_SUCH_PRIVILEGE);
static_assert(seam_ERROR_PRIVILEGE_NOT_HELD == ERROR_PRIVILEGE_NOT_HELD);
static_assert(seam_ERROR_SUCCESS == ERROR_SUCCESS);
static_assert(seam_EWX_POWEROFF == EWX_POWEROFF);
static_assert(seam_EWX_REBOOT == EWX_REBOOT);
static_assert(seam_EWX_SHUTDOWN == EWX_SHUTDOWN);
static_assert(seam_FALSE == FALSE);
static_assert(seam_FORMAT_MESSAGE_FROM_SYSTEM == FORMAT_MESSAGE_FROM_SYSTEM);
static_assert(seam_FORMAT_MESSAGE_IGNORE_INSERTS == FORMAT_MESSAGE_IGNORE_INSERTS);
static_assert(seam_GMEM_DDESHARE == GMEM_DDESHARE);
static_assert(seam_GMEM_MOVEABLE == GMEM_MOVEABLE);
static_assert(seam_IDCANCEL == IDCANCEL);
static_assert(seam_IDOK == IDOK);
static_assert(seam_KEYEVENTF_EXTENDEDKEY == KEYEVENTF_EXTENDEDKEY);
static_assert(seam_KEYEVENTF_KEYUP == KEYEVENTF_KEYUP);
static_assert(seam_KEY_ALL_ACCESS == KEY_ALL_ACCESS);
static_assert(seam_KEY_WOW64_32KEY == KEY_WOW64_32KEY);
static_assert(seam_MAPVK_VK_TO_CHAR == MAPVK_VK_TO_CHAR);
static_assert(seam_MAPVK_VK_TO_VSC == MAPVK_VK_TO_VSC);
static_assert(seam_MAPVK_VSC_TO_VK == MAPVK_VSC_TO_VK);
static_assert(seam_MB_ICONERROR == MB_ICONERROR);
static_assert(seam_MB_ICONWARNING == MB_ICONWARNING);
static_assert(seam_MB_OK == MB_OK);
static_assert(seam_MB_SYSTEMMODAL == MB_SYSTEMMODAL);
static_assert(seam_MOD_ALT == MOD_ALT);
static_assert(seam_MOD_CONTROL == MOD_CONTROL);
static_assert(seam_MOD_SHIFT == MOD_SHIFT);
static_assert(seam_MOD_WIN == MOD_WIN);
static_assert(seam_VK_LWIN == VK_LWIN);
static_assert(seam_VK_RWIN == VK_RWIN);
static_assert(seam_REG_BINARY == REG_BINARY);
static_assert(seam_REG_DWORD == REG_DWORD);
static_assert(seam_REG_NONE == REG_NONE);
static_assert(seam_REG_SZ == REG_SZ);
static_assert(seam_SE_PRIVILEGE_ENABLED == SE_PRIVILEGE_ENABLED);
static_assert(seam_SW_HIDE == SW_HIDE);
static_assert(seam_SW_SHOWMAXIMIZED == SW_SHOWMAXIMIZED);
static_assert(seam_SW_SHOWMINIMIZED == SW_SHOWMINIMIZED);
static_assert(seam_SW_SHOWNORMAL == SW_SHOWNORMAL);
static_assert(seam_TOKEN_ADJUST_PRIVILEGES == TOKEN_ADJUST_PRIVILEGES);
static_assert(seam_TOKEN_QUERY == TOKEN_QUERY);
static_assert(seam_TRUE == TRUE);
static_assert(seam_VER_PLATFORM_WIN32_NT == VER_PLATFORM_WIN32_NT);
static_assert(seam_VER_PLATFORM_WIN32_WINDOWS == VER_PLATFORM_WIN32_WINDOWS);
static_assert(seam_VK_SHIFT == VK_SHIFT);
static_assert(seam_VK_CANCEL == VK_CANCEL);
static_assert(seam_VK_BACK == VK_BACK);
static_assert(seam_VK_TAB == VK_TAB);
static_assert(seam_VK_RETURN == VK_RETURN);
static_assert(seam_VK_CONTROL == VK_CONTROL);
static_assert(seam_VK_MENU == VK_MENU);
static_assert(seam_VK_PAUSE == VK_PAUSE);
static_assert(seam_VK_CAPITAL == VK_CAPITAL);
static_assert(seam_VK_ESCAPE == VK_ESCAPE);
static_assert(seam_VK_PACKET == VK_PACKET);
static_assert(seam_VK_SPACE == VK_SPACE);
static_assert(seam_VK_PRIOR == VK_PRIOR);
static_assert(seam_VK_NEXT == VK_NEXT);
static_assert(seam_VK_END == VK_END);
static_assert(seam_VK_HOME == VK_HOME);
static_assert(seam_VK_LEFT == VK_LEFT);
static_assert(seam_VK_UP == VK_UP);
static_assert(seam_VK_RIGHT == VK_RIGHT);
static_assert(seam_VK_DOWN == VK_DOWN);
static_assert(seam_VK_SNAPSHOT == VK_SNAPSHOT);
static_assert(seam_VK_INSERT == VK_INSERT);
static_assert(seam_VK_DELETE == VK_DELETE);
static_assert(seam_VK_NUMPAD0 == VK_NUMPAD0);
static_assert(seam_VK_NUMPAD9 == VK_NUMPAD9);
static_assert(seam_VK_MULTIPLY == VK_MULTIPLY);
static_assert(seam_VK_ADD == VK_ADD);
static_assert(seam_VK_SEPARATOR == VK_SEPARATOR);
static_assert(seam_VK_SUBTRACT == VK_SUBTRACT);
static_assert(seam_VK_DECIMAL == VK_DECIMAL);
static_assert(seam_VK_DIVIDE == VK_DIVIDE);
static_assert(seam_VK_F1 == VK_F1);
static_assert(seam_VK_F24 == VK_F24);
static_assert(seam_VK_NUMLOCK == VK_NUMLOCK);
static_assert(seam_VK_SCROLL == VK_SCROLL);
static_assert(seam_VK_LSHIFT == VK_LSHIFT);
static_assert(seam_VK_RSHIFT == VK_RSHIFT);
static_assert(seam_VK_LCONTROL == VK_LCONTROL);
static_assert(seam_VK_RCONTROL == VK_RCONTROL);
static_assert(seam_VK_LMENU == VK_LMENU);
static_assert(seam_VK_RMENU == VK_RMENU);
static_assert(seam_WM_CHAR == WM_CHAR);
static_assert(seam_WM_LBUTTONDBLCLK == WM_LBUTTONDBLCLK);
static_assert(seam_WM_RBUTTONDBLCLK == WM_RBUTTONDBLCLK);
static_assert(seam_WM_MBUTTONDOWN == WM_MBUTTONDOWN);
static_assert(seam_WM_MBUTTONUP == WM_MBUTTONUP);
static_assert(seam_WM_MBUTTONDBLCLK == WM_MBUTTONDBLCLK);
static_assert(seam_WM_MOUSEWHEEL == WM_MOUSEWHEEL);
static_assert(seam_WM_MOUSEHWHEEL == WM_MOUSEHWHEEL);
static_assert(seam_WM_CANCELJOURNAL == WM_CANCELJOURNAL);
static_assert(seam_WM_HOTKEY == WM_HOTKEY);
static_assert(seam_WM_LBUTTONDOWN == WM_LBUTTONDOWN);
static_assert(seam_WM_LBUTTONUP == WM_LBUTTONUP);
static_assert(seam_WM_KEYDOWN == WM_KEYDOWN);
static_assert(seam_WM_KEYUP == WM_KEYUP);
static_assert(seam_WM_SYSKEYDOWN == WM_SYSKEYDOWN);
static_assert(seam_WM_SYSKEYUP == WM_SYSKEYUP);
static_assert(seam_WM_MOUSEMOVE == WM_MOUSEMOVE);
static_assert(seam_WM_RBUTTONDOWN == WM_RBUTTONDOWN);
static_assert(seam_WM_RBUTTONUP == WM_RBUTTONUP);
static_assert(seam_WM_USER == WM_USER);

static_assert(sizeof(win::OSVERSIONINFOA) == sizeof(::OSVERSIONINFOA));
static_assert(offsetof(win::OSVERSIONINFOA, dwPlatformId) == offsetof(::OSVERSIONINFOA, dwPlatformId));
static_assert(offsetof(win::OSVERSIONINFOA, szCSDVersion) == offsetof(::OSVERSIONINFOA, szCSDVersion));
static_assert(sizeof(win::LUID) == sizeof(::LUID));
static_assert(sizeof(win::FILETIME) == sizeof(::FILETIME));
static_assert(offsetof(win::FILETIME, dwHighDateTime) == offsetof(::FILETIME, dwHighDateTime));
static_assert(offsetof(win::LUID, HighPart) == offsetof(::LUID, HighPart));
static_assert(sizeof(win::LUID_AND_ATTRIBUTES) == sizeof(::LUID_AND_ATTRIBUTES));
static_assert(offsetof(win::LUID_AND_ATTRIBUTES, Attributes) == offsetof(::LUID_AND_ATTRIBUTES, Attributes));
static_assert(sizeof(win::TOKEN_PRIVILEGES) == sizeof(::TOKEN_PRIVILEGES));
static_assert(offsetof(win::TOKEN_PRIVILEGES, Privileges) == offsetof(::TOKEN_PRIVILEGES, Privileges));

namespace win {

// ---- Registry ------------------------------------------------------------------

LSTATUS RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD samDesired, HKEY* result) {
    ::HKEY opened = nullptr;
    LSTATUS rc = ::RegOpenKeyExA(Native(key), subKey, options, samDesired, &opened);
    if (result != nullptr) *result = Cast<HKEY>(opened);
    return rc;
}

LSTATUS RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* className, DWORD options,
                        DWORD samDesired, void* security, HKEY* result, DWORD* disposition) {
    ::HKEY created = nullptr;
    ::DWORD how = 0;
    LSTATUS rc = ::RegCreateKeyExA(Native(key), subKey, reserved, className, options, samDesired,
                                   static_cast<LPSECURITY_ATTRIBUTES>(security), &created, &how);
    if (result != nullptr) *result = Cast<HKEY>(created);
    if (disposition != nullptr && rc == ERROR_SUCCESS) *disposition = how;
    return rc;
}

LSTATUS RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize) {
    return ::RegEnumKeyA(Native(key), index, name, nameSize);
}

LSTATUS RegQueryInfoKeyA(HKEY key, char* className, DWORD* classLength, DWORD* reserved, DWORD* subKeys,
                         DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values, DWORD* maxValueNameLength,
                         DWORD* maxValueLength, DWORD* securityDescriptorSize, FILETIME* lastWriteTime) {
    // The seam's DWORDs pass through the system's own, which need not be
    // the same type.
    ::DWORD native[8] = {classLength != nullptr ? *classLength : 0};
    DWORD* const outs[8] = {classLength, subKeys, maxSubKeyLength, maxClassLength,
                            values, maxValueNameLength, maxValueLength, securityDescriptorSize};
    const auto slot = [&](int i) { return outs[i] != nullptr ? &native[i] : nullptr; };
    const LSTATUS rc = ::RegQueryInfoKeyA(Native(key), className, slot(0), reinterpret_cast<::LPDWORD>(reserved),
                                          slot(1), slot(2), slot(3), slot(4), slot(5), slot(6), slot(7),
                                          reinterpret_cast<::PFILETIME>(lastWriteTime));
    for (int i = 0; i < 8; ++i)
        if (outs[i] != nullptr) *outs[i] = native[i];
    return rc;
}

namespace {

// The ANSI and UTF-16 value queries pass the seam's DWORDs through the
// system's own, which need not be the same type.
template <typename Char, typename Query>
LSTATUS QueryValueThrough(Query query, HKEY key, const Char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                          DWORD* dataSize) {
    ::DWORD nativeType = 0;
    ::DWORD nativeSize = dataSize != nullptr ? *dataSize : 0;
    LSTATUS rc = query(Native(key), valueName, reinterpret_cast<::LPDWORD>(reserved),
                       type != nullptr ? &nativeType : nullptr, data, dataSize != nullptr ? &nativeSize : nullptr);
    if (type != nullptr) *type = nativeType;
    if (dataSize != nullptr) *dataSize = nativeSize;
    return rc;
}

}  // namespace

LSTATUS RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize) {
    return QueryValueThrough(::RegQueryValueExA, key, valueName, reserved, type, data, dataSize);
}

LSTATUS RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataSize) {
    return ::RegSetValueExA(Native(key), valueName, reserved, type, data, dataSize);
}

LSTATUS RegQueryValueExW(HKEY key, const wchar_t* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                         DWORD* dataSize) {
    return QueryValueThrough(::RegQueryValueExW, key, valueName, reserved, type, data, dataSize);
}

LSTATUS RegSetValueExW(HKEY key, const wchar_t* valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataSize) {
    return ::RegSetValueExW(Native(key), valueName, reserved, type, data, dataSize);
}

LSTATUS RegDeleteKeyExA(HKEY key, const char* subKey, DWORD samDesired, DWORD reserved) {
    return ::RegDeleteKeyExA(Native(key), subKey, samDesired, reserved);
}

LSTATUS RegRenameKey(HKEY key, const wchar_t* subKeyName, const wchar_t* newKeyName) {
    // Looked up when first used: advapi32 has it since Vista, and a system
    // without it still starts the program.
    using Rename = ::LONG(WINAPI*)(::HKEY, ::LPCWSTR, ::LPCWSTR);
    static const auto rename = reinterpret_cast<Rename>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleA("advapi32.dll"), "RegRenameKey")));
    if (rename == nullptr) return ERROR_CALL_NOT_IMPLEMENTED;
    return rename(Native(key), subKeyName, newKeyName);
}

LSTATUS RegCloseKey(HKEY key) { return ::RegCloseKey(Native(key)); }

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* multiByte, int multiByteLength, wchar_t* wide,
                        int wideLength) {
    return ::MultiByteToWideChar(codePage, flags, multiByte, multiByteLength, wide, wideLength);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* wide, int wideLength, char* multiByte,
                        int multiByteLength, const char* defaultChar, BOOL* usedDefaultChar) {
    return ::WideCharToMultiByte(codePage, flags, wide, wideLength, multiByte, multiByteLength, defaultChar,
                                 usedDefaultChar);
}

// ---- Errors ----------------------------------------------------------------------

DWORD FormatMessageA(DWORD flags, const void* source, DWORD messageId, DWORD languageId, char* buffer,
                     DWORD size, void* arguments) {
    return ::FormatMessageA(flags, source, messageId, languageId, buffer, size, static_cast<va_list*>(arguments));
}

DWORD GetLastError() { return ::GetLastError(); }
void SetLastError(DWORD code) { ::SetLastError(code); }

// ---- Message boxes, windows, messages --------------------------------------------

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    return ::MessageBoxA(Native(owner), text, caption, type);
}

char* CharNextA(const char* text) { return ::CharNextA(text); }

HWND FindWindowA(const char* className, const char* windowName) {
    return Cast<HWND>(::FindWindowA(className, windowName));
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageA(Native(window), message, wParam, lParam);
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    // Deprecated because it reports the version the manifest claims; the
    // program only asks for the platform family.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#elif defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
    return ::GetVersionExA(reinterpret_cast<::OSVERSIONINFOA*>(info));
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#elif defined(_MSC_VER)
#pragma warning(pop)
#endif
}

BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT virtualKey) {
    return ::RegisterHotKey(Native(window), id, modifiers, virtualKey);
}

BOOL UnregisterHotKey(HWND window, int id) { return ::UnregisterHotKey(Native(window), id); }

// ---- Time ---------------------------------------------------------------------------

void Sleep(DWORD milliseconds) { ::Sleep(milliseconds); }
DWORD GetTickCount() { return ::GetTickCount(); }

bool GetLocalTm(std::tm* out) {
    if (out == nullptr) return false;
    std::time_t now = std::time(nullptr);
    return localtime_s(out, &now) == 0;
}

// ---- Keyboard -------------------------------------------------------------------------

void keybd_event(BYTE virtualKey, BYTE scanCode, DWORD flags, ULONG_PTR extraInfo) {
    ::keybd_event(virtualKey, scanCode, flags, extraInfo);
}

SHORT VkKeyScanA(char character) { return ::VkKeyScanA(character); }
UINT MapVirtualKeyA(UINT code, UINT mapType) { return ::MapVirtualKeyA(code, mapType); }

// ---- Clipboard and global memory ---------------------------------------------------------

BOOL OpenClipboard(HWND owner) { return ::OpenClipboard(Native(owner)); }
BOOL CloseClipboard() { return ::CloseClipboard(); }
BOOL EmptyClipboard() { return ::EmptyClipboard(); }
HANDLE GetClipboardData(UINT format) { return ::GetClipboardData(format); }
HANDLE SetClipboardData(UINT format, HANDLE memory) { return ::SetClipboardData(format, memory); }
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) { return ::GlobalAlloc(flags, bytes); }
void* GlobalLock(HGLOBAL memory) { return ::GlobalLock(memory); }
BOOL GlobalUnlock(HGLOBAL memory) { return ::GlobalUnlock(memory); }
HGLOBAL GlobalFree(HGLOBAL memory) { return ::GlobalFree(memory); }

// ---- Shell and system ---------------------------------------------------------------------

std::intptr_t ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                            const char* directory, int showCommand) {
    return reinterpret_cast<std::intptr_t>(::ShellExecuteA(Native(owner), verb, file, parameters, directory, showCommand));
}

HANDLE GetCurrentProcess() { return ::GetCurrentProcess(); }

BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) {
    return ::OpenProcessToken(process, access, token);
}

BOOL LookupPrivilegeValueA(const char* system, const char* name, LUID* luid) {
    return ::LookupPrivilegeValueA(system, name, reinterpret_cast<::LUID*>(luid));
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD bufferLength,
                           TOKEN_PRIVILEGES* previousState, DWORD* returnLength) {
    ::DWORD length = 0;
    BOOL ok = ::AdjustTokenPrivileges(token, disableAll, reinterpret_cast<::TOKEN_PRIVILEGES*>(newState), bufferLength,
                                      reinterpret_cast<::TOKEN_PRIVILEGES*>(previousState),
                                      returnLength != nullptr ? &length : nullptr);
    if (returnLength != nullptr) *returnLength = length;
    return ok;
}

BOOL CloseHandle(HANDLE handle) { return ::CloseHandle(handle); }
BOOL ExitWindowsEx(UINT flags, DWORD reason) { return ::ExitWindowsEx(flags, reason); }

}  // namespace win
