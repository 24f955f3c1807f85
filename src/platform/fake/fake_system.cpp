// The fake's non-registry half: faults and call counts, last error, error
// texts, message boxes, windows and messages, hot keys, time, synthetic key
// events, clipboard and global memory, shell, process token, list views.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/fake/fake.h"
#include "platform/fake/fake_hooks.h"
#include "platform/fake/fake_state.h"

namespace {

using win::BOOL;
using win::DWORD;
using win::HANDLE;
using win::HGLOBAL;
using win::HWND;
using win::UINT;

constexpr DWORD kErrorInsufficientBuffer = static_cast<DWORD>(win::ERROR_INSUFFICIENT_BUFFER);
constexpr DWORD kErrorNotLocked = static_cast<DWORD>(win::ERROR_NOT_LOCKED);
constexpr DWORD kErrorMrMidNotFound = static_cast<DWORD>(win::ERROR_MR_MID_NOT_FOUND);

struct Fault {
    std::string function;
    std::int32_t code;
    int times;  // -1: without end
    std::string argContains;
};

struct Block {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size;
    UINT flags;
    int locks = 0;
};

struct ListView {
    int clientWidth;
    std::vector<fake::Column> columns;
    std::vector<std::vector<std::string>> rows;
    int selected = -1;
    bool redraw = true;
};

struct Token {
    DWORD access;
};

std::tm DefaultLocalTime() {
    std::tm t{};
    t.tm_year = 100;  // 2000-07-04, a Tuesday, 09:05:00
    t.tm_mon = 6;
    t.tm_mday = 4;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 0;
    t.tm_wday = 2;
    t.tm_yday = 185;
    t.tm_isdst = 0;
    return t;
}

struct State {
    std::vector<Fault> faults;
    std::map<std::string, int> calls;
    DWORD lastError = 0;

    std::vector<fake::MessageBoxRecord> messageBoxes;
    std::function<int(const fake::MessageBoxRecord&)> onMessageBox;

    std::map<std::uintptr_t, std::string> windows;  // top-level windows and their titles
    std::vector<fake::PostedMessage> posted;
    std::vector<fake::HotKey> hotKeys;

    DWORD tick = 0;
    std::vector<DWORD> sleeps;
    std::tm localTime = DefaultLocalTime();
    DWORD platformId = win::VER_PLATFORM_WIN32_NT;

    std::vector<fake::KeyEvent> keyEvents;

    std::map<std::uintptr_t, Block> blocks;
    bool clipboardHeld = false;
    bool clipboardOpen = false;
    HWND clipboardOwner = nullptr;
    std::map<UINT, HGLOBAL> clipboard;  // format -> block the clipboard owns

    std::vector<fake::ShellCall> shellCalls;
    std::intptr_t shellResult = 42;
    std::vector<UINT> exitRequests;
    std::map<std::uintptr_t, Token> tokens;
    bool shutdownEnabled = false;

    std::map<std::uintptr_t, ListView> listViews;

    std::uintptr_t nextHandle = 0x20000;
};

State state;

using fake::detail::NewHandleValue;

std::uintptr_t Value(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }


// The shutdown privilege's locally unique id, as Windows assigns it.
constexpr DWORD kShutdownLuid = 19;
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

void FreeBlock(HGLOBAL memory) { state.blocks.erase(Value(memory)); }

HGLOBAL NewBlock(UINT flags, std::size_t bytes) {
    Block block;
    block.size = bytes;
    // Fresh global memory holds whatever was there before; a recognisable
    // filler makes a missing terminator show.
    block.bytes = std::make_unique<unsigned char[]>(bytes == 0 ? 1 : bytes);
    std::memset(block.bytes.get(), 0xCD, bytes == 0 ? 1 : bytes);
    block.flags = flags;
    std::uintptr_t value = NewHandleValue();
    state.blocks.emplace(value, std::move(block));
    return reinterpret_cast<HGLOBAL>(value);
}

Block* FindBlock(HGLOBAL memory) {
    auto it = state.blocks.find(Value(memory));
    return it == state.blocks.end() ? nullptr : &it->second;
}

// Replaces what the clipboard holds in `format`, freeing the old block.
void PutOnClipboard(UINT format, HGLOBAL memory) {
    auto it = state.clipboard.find(format);
    if (it != state.clipboard.end()) {
        if (it->second != memory) FreeBlock(it->second);
        state.clipboard.erase(it);
    }
    state.clipboard[format] = memory;
}

void EmptyClipboardData() {
    for (auto& [format, memory] : state.clipboard) FreeBlock(memory);
    state.clipboard.clear();
}

bool Fails(const char* function, std::initializer_list<std::string_view> args = {}) {
    std::int32_t code = 0;
    if (!fake::detail::Faulted(function, args, &code)) return false;
    state.lastError = static_cast<DWORD>(code);
    return true;
}

std::string Text(const char* text) { return text != nullptr ? text : ""; }

ListView* FindListView(HWND list) {
    auto it = state.listViews.find(Value(list));
    return it == state.listViews.end() ? nullptr : &it->second;
}

}  // namespace

namespace fake::detail {

bool Faulted(const char* function, std::initializer_list<std::string_view> args, std::int32_t* code) {
    ++state.calls[function];
    for (auto& fault : state.faults) {
        if (fault.times == 0 || fault.function != function) continue;
        bool matches = fault.argContains.empty();
        for (auto arg : args) matches = matches || ContainsNoCase(arg, fault.argContains);
        if (!matches) continue;
        if (fault.times > 0) --fault.times;
        *code = fault.code;
        return true;
    }
    return false;
}

void Count(const char* function) { ++state.calls[function]; }

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) { return Lower(a) == Lower(b); }

bool ContainsNoCase(std::string_view text, std::string_view part) {
    return Lower(text).find(Lower(part)) != std::string::npos;
}

void ResetSystem() {
    state = State{};
}

std::uintptr_t NewHandleValue() {
    std::uintptr_t value = state.nextHandle;
    state.nextHandle += 0x10;
    return value;
}

const std::map<std::uintptr_t, std::string>& WindowTitles() { return state.windows; }

}  // namespace fake::detail

namespace fake {

void Reset() {
    detail::ResetSystem();
    detail::ResetRegistry();
    detail::ResetHooks();
    detail::ResetWindows();
    UseLayout(Layout::Us);
}

void Fail(const std::string& function, std::int32_t code, int times, const std::string& argContains) {
    state.faults.push_back(Fault{function, code, times, argContains});
}

int Calls(const std::string& function) {
    auto it = state.calls.find(function);
    return it == state.calls.end() ? 0 : it->second;
}

const std::vector<MessageBoxRecord>& MessageBoxes() { return state.messageBoxes; }
void ClearMessageBoxes() { state.messageBoxes.clear(); }
void OnMessageBox(std::function<int(const MessageBoxRecord&)> handler) { state.onMessageBox = std::move(handler); }

win::HWND AddWindow(const std::string& title) {
    std::uintptr_t value = NewHandleValue();
    state.windows[value] = title;
    return reinterpret_cast<HWND>(value);
}

void RemoveWindow(win::HWND window) {
    state.windows.erase(Value(window));
    // A destroyed window's hot keys go with it.
    std::erase_if(state.hotKeys, [&](const HotKey& k) { return k.window == window; });
}

std::vector<PostedMessage> TakePosted() {
    std::vector<PostedMessage> out;
    out.swap(state.posted);
    return out;
}

std::vector<HotKey> HotKeys() { return state.hotKeys; }

void SetTickCount(win::DWORD tick) { state.tick = tick; }
const std::vector<win::DWORD>& Sleeps() { return state.sleeps; }
void SetLocalTime(const std::tm& time) { state.localTime = time; }
void SetPlatformId(win::DWORD platformId) { state.platformId = platformId; }

const std::vector<KeyEvent>& KeyEvents() { return state.keyEvents; }
void ClearKeyEvents() { state.keyEvents.clear(); }

void SetClipboardText(const std::string& text) {
    HGLOBAL memory = NewBlock(win::GMEM_DDESHARE, text.size() + 1);
    std::memcpy(FindBlock(memory)->bytes.get(), text.c_str(), text.size() + 1);
    PutOnClipboard(win::CF_TEXT, memory);
}

bool ClipboardText(std::string* text) {
    auto it = state.clipboard.find(win::CF_TEXT);
    if (it == state.clipboard.end()) return false;
    const Block* block = FindBlock(it->second);
    if (block == nullptr) return false;
    const char* bytes = reinterpret_cast<const char*>(block->bytes.get());
    if (text != nullptr) text->assign(bytes, strnlen(bytes, block->size));
    return true;
}

void HoldClipboard(bool held) { state.clipboardHeld = held; }
bool ClipboardIsOpen() { return state.clipboardOpen; }
int LiveGlobalBlocks() { return static_cast<int>(state.blocks.size()); }

const std::vector<ShellCall>& ShellCalls() { return state.shellCalls; }
void SetShellResult(std::intptr_t result) { state.shellResult = result; }
const std::vector<win::UINT>& ExitRequests() { return state.exitRequests; }
bool ShutdownPrivilegeEnabled() { return state.shutdownEnabled; }

win::HWND CreateListView(int clientWidth) {
    std::uintptr_t value = NewHandleValue();
    state.listViews[value] = ListView{clientWidth, {}, {}, -1};
    return reinterpret_cast<HWND>(value);
}

std::vector<Column> ListViewColumns(win::HWND list) {
    const ListView* view = FindListView(list);
    return view != nullptr ? view->columns : std::vector<Column>{};
}

std::vector<std::vector<std::string>> ListViewRows(win::HWND list) {
    const ListView* view = FindListView(list);
    if (view == nullptr) return {};
    auto rows = view->rows;
    for (auto& row : rows) row.resize(std::max({row.size(), view->columns.size(), std::size_t{1}}));
    return rows;
}

void ListViewSelect(win::HWND list, int row) {
    if (ListView* view = FindListView(list); view != nullptr) view->selected = row;
}

bool ListViewRedraws(win::HWND list) {
    const ListView* view = FindListView(list);
    return view != nullptr && view->redraw;
}

}  // namespace fake

namespace win {

// ---- Errors ----------------------------------------------------------------

DWORD GetLastError() {
    fake::detail::Count("GetLastError");
    return state.lastError;
}

void SetLastError(DWORD code) {
    fake::detail::Count("SetLastError");
    state.lastError = code;
}

DWORD FormatMessageA(DWORD flags, const void* /*source*/, DWORD messageId, DWORD /*languageId*/, char* buffer,
                     DWORD size, void* /*arguments*/) {
    static const std::map<DWORD, const char*> texts = {
        {2, "The system cannot find the file specified.\r\n"},
        {5, "Access is denied.\r\n"},
        {6, "The handle is invalid.\r\n"},
        {8, "Not enough memory resources are available to process this command.\r\n"},
        {87, "The parameter is incorrect.\r\n"},
        {122, "The data area passed to a system call is too small.\r\n"},
        {158, "The segment is already unlocked.\r\n"},
        {234, "More data is available.\r\n"},
        {259, "No more data is available.\r\n"},
        {1018, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
        {1300, "Not all privileges or groups referenced are assigned to the caller.\r\n"},
        {1313, "A specified privilege does not exist.\r\n"},
        {1314, "A required privilege is not held by the client.\r\n"},
        {1400, "Invalid window handle.\r\n"},
        {1409, "Hot key is already registered.\r\n"},
        {1418, "Thread does not have a clipboard open.\r\n"},
        {1419, "Hot key is not registered.\r\n"},
    };
    if (Fails("FormatMessageA")) return 0;
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || buffer == nullptr) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto it = texts.find(messageId);
    if (it == texts.end()) {
        state.lastError = kErrorMrMidNotFound;
        return 0;
    }
    std::size_t length = std::strlen(it->second);
    if (length + 1 > size) {
        state.lastError = kErrorInsufficientBuffer;
        return 0;
    }
    std::memcpy(buffer, it->second, length + 1);
    return static_cast<DWORD>(length);
}

// ---- Message boxes ---------------------------------------------------------

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    if (Fails("MessageBoxA", {Text(text), Text(caption)})) return 0;
    fake::MessageBoxRecord record{owner, Text(text), Text(caption), type};
    state.messageBoxes.push_back(record);
    // The handler may show further boxes or replace itself while it runs.
    auto handler = state.onMessageBox;
    return handler ? handler(record) : IDOK;
}

// ---- Windows and messages ----------------------------------------------------

HWND FindWindowA(const char* /*className*/, const char* windowName) {
    if (Fails("FindWindowA", {Text(windowName)})) return nullptr;
    // Windows compares titles without regard to case.
    for (const auto& [value, title] : state.windows) {
        if (windowName == nullptr || fake::detail::EqualNoCase(title, windowName)) return reinterpret_cast<HWND>(value);
    }
    return nullptr;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Fails("PostMessageA")) return FALSE;
    // A null window posts to the thread's own queue.
    if (window != nullptr && state.windows.count(Value(window)) == 0) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    state.posted.push_back(fake::PostedMessage{window, message, wParam, lParam});
    return TRUE;
}

// ---- Operating-system version ------------------------------------------------

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    if (Fails("GetVersionExA")) return FALSE;
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        state.lastError = kErrorInsufficientBuffer;
        return FALSE;
    }
    bool nt = state.platformId == VER_PLATFORM_WIN32_NT;
    info->dwMajorVersion = nt ? 6 : 4;
    info->dwMinorVersion = nt ? 2 : 10;
    info->dwBuildNumber = nt ? 9200 : 2222;
    info->dwPlatformId = state.platformId;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    return TRUE;
}

// ---- Hot keys ----------------------------------------------------------------

BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT virtualKey) {
    if (Fails("RegisterHotKey")) return FALSE;
    if (window != nullptr && state.windows.count(Value(window)) == 0) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // Registering an id again for the same window replaces its earlier key.
    auto same = std::find_if(state.hotKeys.begin(), state.hotKeys.end(),
                             [&](const fake::HotKey& k) { return k.window == window && k.id == id; });
    for (auto it = state.hotKeys.begin(); it != state.hotKeys.end(); ++it) {
        if (it != same && it->modifiers == modifiers && it->virtualKey == virtualKey) {
            state.lastError = static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED);
            return FALSE;
        }
    }
    if (same != state.hotKeys.end()) {
        same->modifiers = modifiers;
        same->virtualKey = virtualKey;
    } else {
        state.hotKeys.push_back(fake::HotKey{window, id, modifiers, virtualKey});
    }
    return TRUE;
}

BOOL UnregisterHotKey(HWND window, int id) {
    if (Fails("UnregisterHotKey")) return FALSE;
    auto it = std::find_if(state.hotKeys.begin(), state.hotKeys.end(),
                           [&](const fake::HotKey& k) { return k.window == window && k.id == id; });
    if (it == state.hotKeys.end()) {
        state.lastError = static_cast<DWORD>(ERROR_HOTKEY_NOT_REGISTERED);
        return FALSE;
    }
    state.hotKeys.erase(it);
    return TRUE;
}

// ---- Time ----------------------------------------------------------------------

void Sleep(DWORD milliseconds) {
    fake::detail::Count("Sleep");
    state.sleeps.push_back(milliseconds);
    state.tick += milliseconds;
}

DWORD GetTickCount() {
    fake::detail::Count("GetTickCount");
    return state.tick;
}

bool GetLocalTm(std::tm* out) {
    if (Fails("GetLocalTm") || out == nullptr) return false;
    *out = state.localTime;
    return true;
}

// ---- Keyboard ------------------------------------------------------------------

void keybd_event(BYTE virtualKey, BYTE scanCode, DWORD flags, ULONG_PTR extraInfo) {
    fake::detail::Count("keybd_event");
    state.keyEvents.push_back(fake::KeyEvent{virtualKey, scanCode, flags, extraInfo});
}

// ---- Clipboard and global memory -------------------------------------------------

BOOL OpenClipboard(HWND owner) {
    if (Fails("OpenClipboard")) return FALSE;
    // Another program holding it, or another window of ours, keeps it closed
    // to us; the window that has it open may open it again.
    if (state.clipboardHeld || (state.clipboardOpen && state.clipboardOwner != owner)) {
        state.lastError = static_cast<DWORD>(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    state.clipboardOpen = true;
    state.clipboardOwner = owner;
    return TRUE;
}

BOOL CloseClipboard() {
    if (Fails("CloseClipboard")) return FALSE;
    if (!state.clipboardOpen) {
        state.lastError = static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    state.clipboardOpen = false;
    state.clipboardOwner = nullptr;
    return TRUE;
}

BOOL EmptyClipboard() {
    if (Fails("EmptyClipboard")) return FALSE;
    if (!state.clipboardOpen) {
        state.lastError = static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    EmptyClipboardData();
    return TRUE;
}

HANDLE GetClipboardData(UINT format) {
    if (Fails("GetClipboardData")) return nullptr;
    if (!state.clipboardOpen) {
        state.lastError = static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    auto it = state.clipboard.find(format);
    return it == state.clipboard.end() ? nullptr : it->second;
}

HANDLE SetClipboardData(UINT format, HANDLE memory) {
    if (Fails("SetClipboardData")) return nullptr;
    if (!state.clipboardOpen) {
        state.lastError = static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    if (FindBlock(memory) == nullptr) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    PutOnClipboard(format, memory);
    return memory;
}

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
    if (Fails("GlobalAlloc")) return nullptr;
    return NewBlock(flags, bytes);
}

void* GlobalLock(HGLOBAL memory) {
    if (Fails("GlobalLock")) return nullptr;
    Block* block = FindBlock(memory);
    if (block == nullptr) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if ((block->flags & GMEM_MOVEABLE) != 0) ++block->locks;
    return block->bytes.get();
}

BOOL GlobalUnlock(HGLOBAL memory) {
    if (Fails("GlobalUnlock")) return FALSE;
    Block* block = FindBlock(memory);
    if (block == nullptr) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A fixed block has no lock count: unlocking it succeeds and leaves the
    // last error alone. A movable one answers FALSE with NO_ERROR when its
    // last lock goes, and FALSE with ERROR_NOT_LOCKED when it had none.
    if ((block->flags & GMEM_MOVEABLE) == 0) return TRUE;
    if (block->locks == 0) {
        state.lastError = kErrorNotLocked;
        return FALSE;
    }
    if (--block->locks > 0) return TRUE;
    state.lastError = 0;
    return FALSE;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    if (Fails("GlobalFree")) return memory;
    if (FindBlock(memory) == nullptr) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_HANDLE);
        return memory;
    }
    for (auto it = state.clipboard.begin(); it != state.clipboard.end(); ++it) {
        if (it->second == memory) {
            state.clipboard.erase(it);
            break;
        }
    }
    FreeBlock(memory);
    return nullptr;
}

// ---- Shell and system ------------------------------------------------------------

std::intptr_t ShellExecuteA(HWND /*owner*/, const char* verb, const char* file, const char* parameters,
                            const char* directory, int showCommand) {
    state.shellCalls.push_back(fake::ShellCall{Text(verb), Text(file), Text(parameters), Text(directory), showCommand});
    std::int32_t code = 0;
    if (fake::detail::Faulted("ShellExecuteA", {Text(file), Text(parameters), Text(directory)}, &code)) {
        state.lastError = static_cast<DWORD>(code);
        return code;
    }
    return state.shellResult;
}

HANDLE GetCurrentProcess() {
    fake::detail::Count("GetCurrentProcess");
    return kCurrentProcess;
}

BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) {
    if (Fails("OpenProcessToken")) return FALSE;
    if (process != kCurrentProcess) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (token == nullptr) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::uintptr_t value = NewHandleValue();
    state.tokens[value] = Token{access};
    *token = reinterpret_cast<HANDLE>(value);
    return TRUE;
}

BOOL LookupPrivilegeValueA(const char* /*system*/, const char* name, LUID* luid) {
    if (Fails("LookupPrivilegeValueA", {Text(name)})) return FALSE;
    if (name == nullptr || !fake::detail::EqualNoCase(name, "SeShutdownPrivilege")) {
        state.lastError = static_cast<DWORD>(ERROR_NO_SUCH_PRIVILEGE);
        return FALSE;
    }
    if (luid == nullptr) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *luid = LUID{kShutdownLuid, 0};
    return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD bufferLength,
                           TOKEN_PRIVILEGES* previousState, DWORD* returnLength) {
    if (Fails("AdjustTokenPrivileges")) return FALSE;
    auto it = state.tokens.find(Value(token));
    if (it == state.tokens.end()) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD needed = previousState != nullptr ? TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES : TOKEN_ADJUST_PRIVILEGES;
    if ((it->second.access & needed) != needed) {
        state.lastError = static_cast<DWORD>(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if ((disableAll == FALSE && newState == nullptr) || (previousState != nullptr && returnLength == nullptr)) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The previous state lists the one privilege the token holds, as it was.
    if (previousState != nullptr) {
        constexpr DWORD size = sizeof(TOKEN_PRIVILEGES);
        *returnLength = size;
        if (bufferLength < size) {
            state.lastError = static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        previousState->PrivilegeCount = 1;
        previousState->Privileges[0].Luid = LUID{kShutdownLuid, 0};
        previousState->Privileges[0].Attributes = state.shutdownEnabled ? SE_PRIVILEGE_ENABLED : 0;
    }
    if (disableAll != FALSE) {
        state.shutdownEnabled = false;
        state.lastError = 0;
        return TRUE;
    }
    // Privileges the token does not hold are skipped; the call still succeeds
    // and says so in the last error.
    bool allAssigned = true;
    for (DWORD i = 0; i < newState->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& entry = newState->Privileges[i];
        if (entry.Luid.LowPart == kShutdownLuid && entry.Luid.HighPart == 0) {
            state.shutdownEnabled = (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        } else {
            allAssigned = false;
        }
    }
    state.lastError = allAssigned ? 0 : static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    if (Fails("CloseHandle")) return FALSE;
    if (handle == kCurrentProcess) return TRUE;
    if (fake::detail::CloseTimer(handle)) return TRUE;
    if (state.tokens.erase(Value(handle)) == 0) {
        state.lastError = static_cast<DWORD>(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL ExitWindowsEx(UINT flags, DWORD /*reason*/) {
    if (Fails("ExitWindowsEx")) return FALSE;
    // Shutting down or rebooting needs the privilege enabled in the token.
    if (!state.shutdownEnabled) {
        state.lastError = static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    state.exitRequests.push_back(flags);
    return TRUE;
}

// ---- List views ---------------------------------------------------------------------

int ListViewInsertColumn(HWND list, int column, const char* heading, int format, int width) {
    if (Fails("ListViewInsertColumn", {Text(heading)})) return -1;
    ListView* view = FindListView(list);
    if (view == nullptr || column < 0) return -1;
    auto at = std::min(static_cast<std::size_t>(column), view->columns.size());
    view->columns.insert(view->columns.begin() + static_cast<std::ptrdiff_t>(at),
                         fake::Column{Text(heading), format, width});
    return static_cast<int>(at);
}

int ListViewClientWidth(HWND list) {
    if (Fails("ListViewClientWidth")) return 0;
    const ListView* view = FindListView(list);
    return view != nullptr ? view->clientWidth : 0;
}

int ListViewAppendRow(HWND list, const char* firstColumn) {
    if (Fails("ListViewAppendRow", {Text(firstColumn)})) return -1;
    ListView* view = FindListView(list);
    if (view == nullptr) return -1;
    std::vector<std::string> row(std::max<std::size_t>(view->columns.size(), 1));
    row[0] = Text(firstColumn);
    view->rows.push_back(std::move(row));
    return static_cast<int>(view->rows.size()) - 1;
}

bool ListViewSetText(HWND list, int row, int column, const char* text) {
    if (Fails("ListViewSetText", {Text(text)})) return false;
    ListView* view = FindListView(list);
    if (view == nullptr || row < 0 || row >= static_cast<int>(view->rows.size()) || column < 0) return false;
    auto& cells = view->rows[static_cast<std::size_t>(row)];
    if (column > 0 && column >= static_cast<int>(view->columns.size())) return false;
    if (static_cast<std::size_t>(column) >= cells.size()) cells.resize(static_cast<std::size_t>(column) + 1);
    cells[static_cast<std::size_t>(column)] = Text(text);
    return true;
}

bool ListViewDeleteRow(HWND list, int row) {
    if (Fails("ListViewDeleteRow")) return false;
    ListView* view = FindListView(list);
    if (view == nullptr || row < 0 || row >= static_cast<int>(view->rows.size())) return false;
    view->rows.erase(view->rows.begin() + row);
    if (view->selected == row) {
        view->selected = -1;
    } else if (view->selected > row) {
        --view->selected;
    }
    return true;
}

int ListViewSelectedRow(HWND list) {
    if (Fails("ListViewSelectedRow")) return -1;
    const ListView* view = FindListView(list);
    return view != nullptr ? view->selected : -1;
}

int ListViewRowCount(HWND list) {
    if (Fails("ListViewRowCount")) return 0;
    const ListView* view = FindListView(list);
    return view != nullptr ? static_cast<int>(view->rows.size()) : 0;
}

void ListViewGetText(HWND list, int row, int column, char* buffer, int size) {
    fake::detail::Count("ListViewGetText");
    if (buffer == nullptr || size <= 0) return;
    const ListView* view = FindListView(list);
    if (view == nullptr || row < 0 || row >= static_cast<int>(view->rows.size()) || column < 0) return;
    const auto& cells = view->rows[static_cast<std::size_t>(row)];
    std::string text = static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)] : "";
    std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

void ListViewSetRedraw(HWND list, bool redraw) {
    fake::detail::Count("ListViewSetRedraw");
    if (ListView* view = FindListView(list)) view->redraw = redraw;
}

}  // namespace win
