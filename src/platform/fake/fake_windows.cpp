// The fake's top-level windows: the program's own and other programs',
// found by title, posted to, enumerated with their titles, placement,
// visibility, owning threads, shared input, the foreground window and hit
// testing. Errors are the ones Windows gives for the same misuse.
#include "platform/fake/fake_windows.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"

namespace {

// What a wait of no time costs on the fake's clock: 50 microseconds.
constexpr std::int64_t kZeroWaitCounts = 500;

using win::BOOL;
using win::DWORD;
using win::HWND;

// The desktop is no top-level window: EnumWindows never visits it.
const HWND kDesktop = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10010));
constexpr DWORD kDesktopThread = 0x0F00;

struct State {
    std::map<std::uintptr_t, std::string> titles;         // every top-level window, in EnumWindows order
    std::map<std::uintptr_t, fake::WindowState> windows;  // only those a test or a call changed
    std::vector<fake::PostedMessage> posted;
    std::vector<std::pair<DWORD, fake::PostedMessage>> postedLater;  // by the tick they come at
    std::vector<DWORD> messageWaits;
    HWND foreground = nullptr;
    std::vector<fake::ShowCall> showCalls;
    std::vector<std::pair<DWORD, DWORD>> attached;
};

State state;

using fake::detail::Fails;
using fake::detail::Value;

bool Exists(HWND window) { return state.titles.count(Value(window)) != 0; }

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
    for (const auto& [value, title] : state.titles)
        if (ThreadOf(reinterpret_cast<HWND>(value)) == thread) return true;
    return false;
}

BOOL InvalidWindow() {
    fake::detail::SetError(win::ERROR_INVALID_WINDOW_HANDLE);
    return win::FALSE;
}

}  // namespace

namespace fake::detail {
void ResetWindows() { state = State{}; }
bool WindowExists(win::HWND window) { return Exists(window); }
}  // namespace fake::detail

namespace fake {

win::HWND AddWindow(const std::string& title) {
    const std::uintptr_t value = detail::NewHandleValue();
    state.titles[value] = title;
    return reinterpret_cast<HWND>(value);
}

void RemoveWindow(win::HWND window) {
    state.titles.erase(Value(window));
    state.windows.erase(Value(window));
    detail::DropHotKeys(window);
}

std::vector<PostedMessage> TakePosted() {
    std::vector<PostedMessage> out;
    out.swap(state.posted);
    return out;
}

void PostAtTick(win::DWORD tick, const PostedMessage& message) { state.postedLater.emplace_back(tick, message); }

const std::vector<win::DWORD>& MessageWaits() { return state.messageWaits; }

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

HWND FindWindowA(const char* /*className*/, const char* windowName) {
    if (Fails("FindWindowA", {fake::detail::Text(windowName)})) return nullptr;
    // Windows compares titles without regard to case.
    for (const auto& [value, title] : state.titles) {
        if (windowName == nullptr || fake::detail::EqualNoCase(title, windowName)) return reinterpret_cast<HWND>(value);
    }
    return nullptr;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Fails("PostMessageA")) return FALSE;
    // A null window posts to the thread's own queue.
    if (window != nullptr && !Exists(window)) return InvalidWindow();
    state.posted.push_back(fake::PostedMessage{window, message, wParam, lParam});
    return TRUE;
}

// Waits on no handles: the tests' timers and events are waited for one by
// one. Posted messages are the input that wakes it; time passes as during
// Sleep, up to the first message a test set to come within the wait.
DWORD MsgWaitForMultipleObjectsEx(DWORD count, const HANDLE* /*handles*/, DWORD milliseconds, DWORD wakeMask,
                                  DWORD /*flags*/) {
    if (Fails("MsgWaitForMultipleObjectsEx")) return WAIT_FAILED;
    if (count != 0) {
        fake::detail::SetError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    const bool wakes = (wakeMask & QS_ALLINPUT) != 0;
    if (wakes && !state.posted.empty()) {
        state.messageWaits.push_back(0);
        return WAIT_OBJECT_0;
    }
    const DWORD now = GetTickCount();
    auto next = state.postedLater.end();
    for (auto it = state.postedLater.begin(); it != state.postedLater.end(); ++it)
        if (next == state.postedLater.end() || it->first < next->first) next = it;
    if (wakes && next != state.postedLater.end() && (milliseconds == INFINITE || next->first - now <= milliseconds)) {
        const DWORD passed = next->first > now ? next->first - now : 0;
        fake::SetTickCount(now + passed);
        state.messageWaits.push_back(passed);
        state.posted.push_back(next->second);
        state.postedLater.erase(next);
        return WAIT_OBJECT_0;
    }
    // Nothing will ever come: on Windows the thread would hang here.
    if (milliseconds == INFINITE) {
        fake::detail::SetError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    // A wait of no time still gives the processor up for a moment, as on
    // Windows: the counter moves on by a fraction of a millisecond, so that
    // code that looks at the queue until the counter reaches a time gets there.
    if (milliseconds == 0)
        fake::detail::PassCounter(kZeroWaitCounts);
    else
        fake::SetTickCount(now + milliseconds);
    state.messageWaits.push_back(milliseconds);
    return WAIT_TIMEOUT;
}

BOOL EnumWindows(WNDENUMPROC procedure, LPARAM lParam) {
    if (Fails("EnumWindows")) return FALSE;
    // A snapshot: the callback may make or destroy windows.
    std::vector<HWND> windows;
    for (const auto& [value, title] : state.titles) windows.push_back(reinterpret_cast<HWND>(value));
    for (HWND window : windows) {
        if (!Exists(window)) continue;
        if (procedure(window, lParam) == FALSE) return FALSE;
    }
    return TRUE;
}

int GetWindowTextA(HWND window, char* text, int size) {
    if (Fails("GetWindowTextA")) return 0;
    auto it = state.titles.find(Value(window));
    if (it == state.titles.end()) {
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
        fake::detail::SetError(ERROR_INVALID_PARAMETER);
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
        fake::detail::SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::pair<DWORD, DWORD> pair{attachFrom, attachTo};
    auto it = std::find(state.attached.begin(), state.attached.end(), pair);
    if (attach != FALSE) {
        if (it == state.attached.end()) state.attached.push_back(pair);
        return TRUE;
    }
    if (it == state.attached.end()) {
        fake::detail::SetError(ERROR_INVALID_PARAMETER);
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
    for (const auto& [value, title] : state.titles) {
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
