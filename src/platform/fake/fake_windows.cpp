// The fake's top-level windows as the recorder sees them: enumeration, titles,
// placement, visibility, owning threads, shared input, the foreground window
// and hit testing. Errors are the ones Windows gives for the same misuse.
#include "platform/fake/fake_windows.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"

namespace {

using win::BOOL;
using win::DWORD;
using win::HWND;

// The desktop is no top-level window: EnumWindows never visits it.
const HWND kDesktop = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10010));
constexpr DWORD kDesktopThread = 0x0F00;

struct State {
    std::map<std::uintptr_t, fake::WindowState> windows;  // only those a test or a call changed
    HWND foreground = nullptr;
    std::vector<fake::ShowCall> showCalls;
    std::vector<std::pair<DWORD, DWORD>> attached;
};

State state;

std::uintptr_t Value(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

bool Exists(HWND window) { return fake::detail::WindowTitles().count(Value(window)) != 0; }

fake::WindowState& StateOf(HWND window) { return state.windows[Value(window)]; }

// Reads without recording the window: hit tests run inside input hooks.
const fake::WindowState& Peek(HWND window) {
    static const fake::WindowState unchanged;
    auto it = state.windows.find(Value(window));
    return it == state.windows.end() ? unchanged : it->second;
}

DWORD ThreadOf(HWND window) {
    const DWORD thread = Peek(window).threadId;
    return thread != 0 ? thread : win::GetCurrentThreadId();
}

// A thread that owns a window, or the program's own.
bool ThreadExists(DWORD thread) {
    if (thread == win::GetCurrentThreadId() || thread == kDesktopThread) return true;
    for (const auto& [value, title] : fake::detail::WindowTitles())
        if (ThreadOf(reinterpret_cast<HWND>(value)) == thread) return true;
    return false;
}

bool Fails(const char* function) {
    std::int32_t code = 0;
    if (!fake::detail::Faulted(function, &code)) return false;
    win::SetLastError(static_cast<DWORD>(code));
    return true;
}

BOOL InvalidWindow() {
    win::SetLastError(static_cast<DWORD>(win::ERROR_INVALID_WINDOW_HANDLE));
    return win::FALSE;
}

}  // namespace

namespace fake::detail {
void ResetWindows() { state = State{}; }
}  // namespace fake::detail

namespace fake {

void SetWindowState(win::HWND window, const WindowState& windowState) { StateOf(window) = windowState; }

WindowState GetWindowState(win::HWND window) { return Peek(window); }

win::HWND AddOtherWindow(const std::string& title, win::DWORD threadId) {
    const HWND window = AddWindow(title);
    StateOf(window).threadId = threadId;
    return window;
}

win::HWND ForegroundWindow() { return state.foreground; }
void SetForeground(win::HWND window) { state.foreground = window; }

const std::vector<ShowCall>& ShowCalls() { return state.showCalls; }

std::vector<std::pair<win::DWORD, win::DWORD>> AttachedInputs() { return state.attached; }

}  // namespace fake

namespace win {

BOOL EnumWindows(WNDENUMPROC procedure, LPARAM lParam) {
    if (Fails("EnumWindows")) return FALSE;
    // A snapshot: the callback may make or destroy windows.
    std::vector<HWND> windows;
    for (const auto& [value, title] : fake::detail::WindowTitles()) windows.push_back(reinterpret_cast<HWND>(value));
    for (HWND window : windows) {
        if (!Exists(window)) continue;
        if (procedure(window, lParam) == FALSE) return FALSE;
    }
    return TRUE;
}

int GetWindowTextA(HWND window, char* text, int size) {
    if (Fails("GetWindowTextA")) return 0;
    const auto& titles = fake::detail::WindowTitles();
    auto it = titles.find(Value(window));
    if (it == titles.end()) {
        InvalidWindow();
        return 0;
    }
    if (text == nullptr || size <= 0) return 0;
    const std::size_t n = std::min(it->second.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(text, it->second.data(), n);
    text[n] = '\0';
    return static_cast<int>(n);
}

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement) {
    if (Fails("GetWindowPlacement")) return FALSE;
    if (!Exists(window)) return InvalidWindow();
    if (placement == nullptr || placement->length != sizeof(WINDOWPLACEMENT)) {
        SetLastError(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        return FALSE;
    }
    const fake::WindowState& s = Peek(window);
    placement->flags = 0;
    placement->showCmd = static_cast<UINT>(s.showCmd);
    placement->ptMinPosition = POINT{-1, -1};
    placement->ptMaxPosition = POINT{-1, -1};
    placement->rcNormalPosition = s.rect;
    return TRUE;
}

BOOL IsWindowVisible(HWND window) {
    fake::detail::Count("IsWindowVisible");
    return Exists(window) && Peek(window).visible ? TRUE : FALSE;
}

DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) {
    fake::detail::Count("GetWindowThreadProcessId");
    if (window == kDesktop) {
        if (processId != nullptr) *processId = 4;
        return kDesktopThread;
    }
    if (!Exists(window)) {
        InvalidWindow();
        return 0;
    }
    const DWORD thread = ThreadOf(window);
    // Each thread stands for a process of its own.
    if (processId != nullptr) *processId = thread + 1;
    return thread;
}

BOOL AttachThreadInput(DWORD attachFrom, DWORD attachTo, BOOL attach) {
    if (Fails("AttachThreadInput")) return FALSE;
    // A thread cannot share input with itself, nor with a thread that is not.
    if (attachFrom == attachTo || !ThreadExists(attachFrom) || !ThreadExists(attachTo)) {
        SetLastError(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        return FALSE;
    }
    const std::pair<DWORD, DWORD> pair{attachFrom, attachTo};
    auto it = std::find(state.attached.begin(), state.attached.end(), pair);
    if (attach != FALSE) {
        if (it == state.attached.end()) state.attached.push_back(pair);
        return TRUE;
    }
    if (it == state.attached.end()) {
        SetLastError(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        return FALSE;
    }
    state.attached.erase(it);
    return TRUE;
}

BOOL SetForegroundWindow(HWND window) {
    if (Fails("SetForegroundWindow")) return FALSE;
    if (!Exists(window) && window != kDesktop) return InvalidWindow();
    state.foreground = window;
    return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
    fake::detail::Count("ShowWindow");
    if (!Exists(window)) return InvalidWindow();
    state.showCalls.push_back(fake::ShowCall{window, command});
    fake::WindowState& s = StateOf(window);
    const BOOL wasVisible = s.visible ? TRUE : FALSE;
    switch (command) {
    case SW_HIDE: s.visible = false; break;
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        s.visible = true;
        s.showCmd = SW_SHOWMINIMIZED;
        break;
    case SW_SHOWMAXIMIZED:
        s.visible = true;
        s.showCmd = SW_SHOWMAXIMIZED;
        break;
    default:
        s.visible = true;
        s.showCmd = SW_SHOWNORMAL;
        break;
    }
    return wasVisible;
}

HWND GetDesktopWindow() { return kDesktop; }

HWND WindowFromPoint(POINT point) {
    fake::detail::Count("WindowFromPoint");
    for (const auto& [value, title] : fake::detail::WindowTitles()) {
        const HWND window = reinterpret_cast<HWND>(value);
        const fake::WindowState& s = Peek(window);
        if (s.visible && point.x >= s.rect.left && point.x < s.rect.right && point.y >= s.rect.top &&
            point.y < s.rect.bottom)
            return window;
    }
    return kDesktop;
}

HWND GetForegroundWindow() {
    fake::detail::Count("GetForegroundWindow");
    return state.foreground;
}

}  // namespace win
