// The fake's hooks, injected input, screen metrics, waitable timers and
// performance counter. Errors are the ones Windows gives for the same misuse.
#include "platform/fake/fake_hooks.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"

namespace {

using win::BOOL;
using win::DWORD;
using win::HANDLE;
using win::HHOOK;
using win::LRESULT;

constexpr DWORD kInvalidHookHandle = 1404;  // ERROR_INVALID_HOOK_HANDLE
constexpr DWORD kInvalidFilterProc = 1427;  // ERROR_INVALID_FILTER_PROC
constexpr DWORD kHookNeedsModule = 1428;    // ERROR_HOOK_NEEDS_HMOD
constexpr DWORD kGlobalOnlyHook = 1429;     // ERROR_GLOBAL_ONLY_HOOK
constexpr DWORD kInvalidThreadId = 1444;    // ERROR_INVALID_THREAD_ID
constexpr DWORD kModuleNotFound = 126;      // ERROR_MOD_NOT_FOUND
constexpr win::WPARAM kRemoveMessage = 1;  // PM_REMOVE

constexpr DWORD kMainThread = 0x1A2C;
const win::HINSTANCE kModule = reinterpret_cast<win::HINSTANCE>(static_cast<std::uintptr_t>(0x400000));

struct State {
    std::vector<fake::Hook> hooks;
    std::vector<fake::ThreadMessage> threadMessages;
    std::vector<win::INPUT> inputs;
    int sendInputCut = -1;  // the next SendInput takes this many; -1 all
    int screenLeft = 0, screenTop = 0, screenWidth = 1280, screenHeight = 1024;
    std::vector<fake::Timer> timers;
    bool refuseHighResolution = false;
    // The counter runs on below the tick: 100 ns units past `counterTick`,
    // dropped when the tick count is set anew.
    win::DWORD counterTick = 0;
    std::int64_t subTick = 0;
    // The system's key state: down, and toggled by every press.
    std::array<bool, 256> down{};
    std::array<bool, 256> toggled{};
    win::POINT cursor{0, 0};
    // The low-level chains being called, innermost last: CallNextHookEx
    // goes on with the next hook of the innermost one.
    struct Running {
        std::vector<HHOOK> chain;
        std::size_t at;
    };
    std::vector<Running> running;
    // Threads and events; the thread whose code runs now.
    struct Thread {
        HANDLE handle;
        DWORD id;
        win::LPTHREAD_START_ROUTINE start;
        void* parameter;
        bool running = false;
        bool waiting = false;
        bool ended = false;
    };
    std::vector<Thread> threads;
    struct Event {
        HANDLE handle;
        bool manualReset;
        bool signalled;
    };
    std::vector<Event> events;
    DWORD current = 0x1A2C;  // kMainThread
};

State state;

using fake::detail::NewHandleValue;

using fake::detail::Fails;

const char* HookName(int idHook) {
    switch (idHook) {
    case win::WH_JOURNALRECORD: return "WH_JOURNALRECORD";
    case win::WH_JOURNALPLAYBACK: return "WH_JOURNALPLAYBACK";
    case win::WH_GETMESSAGE: return "WH_GETMESSAGE";
    case win::WH_KEYBOARD_LL: return "WH_KEYBOARD_LL";
    case win::WH_MOUSE_LL: return "WH_MOUSE_LL";
    default: return "WH_OTHER";
    }
}

bool IsJournal(int idHook) { return idHook == win::WH_JOURNALRECORD || idHook == win::WH_JOURNALPLAYBACK; }
bool IsLowLevel(int idHook) { return idHook == win::WH_KEYBOARD_LL || idHook == win::WH_MOUSE_LL; }

fake::Hook* Find(HHOOK hook) {
    auto it = std::find_if(state.hooks.begin(), state.hooks.end(), [&](const fake::Hook& h) { return h.handle == hook; });
    return it == state.hooks.end() ? nullptr : &*it;
}

fake::Timer* FindTimer(HANDLE timer) {
    auto it = std::find_if(state.timers.begin(), state.timers.end(),
                           [&](const fake::Timer& t) { return t.handle == timer; });
    return it == state.timers.end() ? nullptr : &*it;
}

// Handles of the installed hooks of one kind, newest first: the order in
// which the system calls them. A copy, as hooks may remove themselves.
std::vector<HHOOK> Chain(int idHook) {
    std::vector<HHOOK> chain;
    for (auto it = state.hooks.rbegin(); it != state.hooks.rend(); ++it)
        if (it->idHook == idHook) chain.push_back(it->handle);
    return chain;
}

// Calls the newest hook of a low-level chain, which reaches the older ones
// only through CallNextHookEx, as the system chains them. True when the
// event was kept from the system (a nonzero answer).
bool RunLowLevelChain(int idHook, win::WPARAM message, win::LPARAM info) {
    std::vector<HHOOK> chain = Chain(idHook);
    if (chain.empty()) return false;
    state.running.push_back(State::Running{chain, 0});
    const win::LRESULT answer = fake::CallHook(chain.front(), win::HC_ACTION, message, info);
    state.running.pop_back();
    return answer != 0;
}

constexpr DWORD kManualReset = 0x1;  // CREATE_WAITABLE_TIMER_MANUAL_RESET

// Shift, Ctrl and Alt are down as the generic key and as the one side that
// was pressed: the generic key counts as the left one, an extended Ctrl or
// Alt (or Shift's scan code 0x36) as the right one.
void SetKeyDown(win::BYTE key, bool down, DWORD scan, bool extended) {
    struct Pair {
        win::BYTE generic, left, right;
    };
    constexpr Pair pairs[] = {{win::VK_SHIFT, win::VK_LSHIFT, win::VK_RSHIFT},
                              {win::VK_CONTROL, win::VK_LCONTROL, win::VK_RCONTROL},
                              {win::VK_MENU, win::VK_LMENU, win::VK_RMENU}};
    for (const Pair& pair : pairs) {
        if (key != pair.generic && key != pair.left && key != pair.right) continue;
        win::BYTE side = key;
        if (key == pair.generic)
            side = (pair.generic == win::VK_SHIFT ? scan == 0x36 : extended) ? pair.right : pair.left;
        if (down && !state.down[side]) state.toggled[side] = !state.toggled[side];
        state.down[side] = down;
        key = pair.generic;
        down = state.down[pair.left] || state.down[pair.right];
        break;
    }
    if (down && !state.down[key]) state.toggled[key] = !state.toggled[key];
    state.down[key] = down;
}

// A key event through the low-level keyboard chain and, unless a hook
// keeps it, into the key state.
void PassKey(win::BYTE virtualKey, DWORD scan, bool up, bool extended, DWORD hookFlags, win::ULONG_PTR extraInfo) {
    if (scan == 0) scan = win::MapVirtualKeyA(virtualKey, win::MAPVK_VK_TO_VSC);
    win::KBDLLHOOKSTRUCT info{virtualKey, scan,
                              hookFlags | (up ? win::LLKHF_UP : 0) | (extended ? win::LLKHF_EXTENDED : 0),
                              win::GetTickCount(), extraInfo};
    if (RunLowLevelChain(win::WH_KEYBOARD_LL, up ? win::WM_KEYUP : win::WM_KEYDOWN, reinterpret_cast<win::LPARAM>(&info)))
        return;
    SetKeyDown(virtualKey, !up, scan, extended);
}

// One injected mouse input: the move first, then each button and wheel,
// each through the low-level mouse chain, marked injected.
void MouseInput(const win::MOUSEINPUT& mouse) {
    const DWORD flags = mouse.dwFlags;
    if ((flags & win::MOUSEEVENTF_MOVE) != 0) {
        win::POINT to = state.cursor;
        if ((flags & win::MOUSEEVENTF_ABSOLUTE) != 0) {
            // 0..65535 spans the virtual screen or the primary monitor.
            const bool virtualDesk = (flags & win::MOUSEEVENTF_VIRTUALDESK) != 0;
            const std::int64_t left = virtualDesk ? state.screenLeft : 0, top = virtualDesk ? state.screenTop : 0;
            const std::int64_t width = virtualDesk ? state.screenWidth : 1280;
            const std::int64_t height = virtualDesk ? state.screenHeight : 1024;
            to.x = static_cast<win::LONG>(left + ((std::int64_t{mouse.dx} * width) >> 16));
            to.y = static_cast<win::LONG>(top + ((std::int64_t{mouse.dy} * height) >> 16));
        } else {
            to.x += mouse.dx;
            to.y += mouse.dy;
        }
        to.x = std::clamp<win::LONG>(to.x, state.screenLeft, state.screenLeft + state.screenWidth - 1);
        to.y = std::clamp<win::LONG>(to.y, state.screenTop, state.screenTop + state.screenHeight - 1);
        win::MSLLHOOKSTRUCT info{to, 0, win::LLMHF_INJECTED, win::GetTickCount(), mouse.dwExtraInfo};
        if (!RunLowLevelChain(win::WH_MOUSE_LL, win::WM_MOUSEMOVE, reinterpret_cast<win::LPARAM>(&info)))
            state.cursor = to;
    }
    const struct {
        DWORD flag;
        win::UINT message;
        win::BYTE button;  // its virtual key; 0 for a wheel
        bool down;
    } events[] = {
        {win::MOUSEEVENTF_LEFTDOWN, win::WM_LBUTTONDOWN, 0x01, true},
        {win::MOUSEEVENTF_LEFTUP, win::WM_LBUTTONUP, 0x01, false},
        {win::MOUSEEVENTF_RIGHTDOWN, win::WM_RBUTTONDOWN, 0x02, true},
        {win::MOUSEEVENTF_RIGHTUP, win::WM_RBUTTONUP, 0x02, false},
        {win::MOUSEEVENTF_MIDDLEDOWN, win::WM_MBUTTONDOWN, 0x04, true},
        {win::MOUSEEVENTF_MIDDLEUP, win::WM_MBUTTONUP, 0x04, false},
        {win::MOUSEEVENTF_XDOWN, 0x020B, 0, true},  // WM_XBUTTONDOWN, XBUTTON1 or 2 in mouseData
        {win::MOUSEEVENTF_XUP, 0x020C, 0, false},
        {win::MOUSEEVENTF_WHEEL, win::WM_MOUSEWHEEL, 0, false},
        {win::MOUSEEVENTF_HWHEEL, win::WM_MOUSEHWHEEL, 0, false},
    };
    for (const auto& event : events) {
        if ((flags & event.flag) == 0) continue;
        const bool withData = event.button == 0;
        win::MSLLHOOKSTRUCT info{state.cursor, withData ? mouse.mouseData << 16 : 0, win::LLMHF_INJECTED,
                                 win::GetTickCount(), mouse.dwExtraInfo};
        if (RunLowLevelChain(win::WH_MOUSE_LL, event.message, reinterpret_cast<win::LPARAM>(&info))) continue;
        win::BYTE button = event.button;
        if (event.message == 0x020B || event.message == 0x020C) button = mouse.mouseData == 2 ? 0x06 : 0x05;
        if (button != 0) state.down[button] = event.down;
    }
}

constexpr std::int64_t kCountsPerTick = fake::kCounterFrequency / 1000;

std::int64_t Counter() {
    const win::DWORD tick = win::GetTickCount();
    if (tick != state.counterTick) {
        state.counterTick = tick;
        state.subTick = 0;
    }
    return std::int64_t{tick} * kCountsPerTick + state.subTick;
}

State::Thread* FindThread(DWORD id) {
    for (auto& thread : state.threads)
        if (thread.id == id) return &thread;
    return nullptr;
}

State::Event* FindEvent(HANDLE handle) {
    for (auto& event : state.events)
        if (event.handle == handle) return &event;
    return nullptr;
}

// Runs a thread until it waits for a message or ends. The procedure is
// looked up again afterwards: it may have made more threads meanwhile.
void RunThread(State::Thread& thread) {
    const DWORD id = thread.id;
    const win::LPTHREAD_START_ROUTINE start = thread.start;
    void* parameter = thread.parameter;
    thread.running = true;
    thread.waiting = false;
    const DWORD caller = std::exchange(state.current, id);
    start(parameter);
    state.current = caller;
    State::Thread* after = FindThread(id);
    if (after == nullptr) return;
    after->running = false;
    if (!after->waiting) {
        after->ended = true;
        // What was posted to it and not taken goes with it.
        std::erase_if(state.threadMessages, [&](const fake::ThreadMessage& m) { return m.threadId == id; });
    }
}

// A timer whose due time the counter has reached has fired: it is
// signalled, whether anyone looked or not.
void Expire(fake::Timer& timer) {
    if (timer.armed && timer.due <= Counter()) {
        timer.armed = false;
        timer.signalled = true;
    }
}

}  // namespace

namespace fake::detail {

void ResetHooks() { state = State{}; }

void InjectKey(win::BYTE virtualKey, win::BYTE scanCode, win::DWORD flags, win::ULONG_PTR extraInfo) {
    PassKey(virtualKey, scanCode, (flags & win::KEYEVENTF_KEYUP) != 0, (flags & win::KEYEVENTF_EXTENDEDKEY) != 0,
             win::LLKHF_INJECTED, extraInfo);
}


bool CloseThreadOrEvent(HANDLE handle) {
    // A thread's handle closes; the thread itself runs on.
    for (auto& thread : state.threads) {
        if (thread.handle == handle) {
            thread.handle = nullptr;
            return true;
        }
    }
    return std::erase_if(state.events, [&](const State::Event& e) { return e.handle == handle; }) != 0;
}

void PassCounter(std::int64_t counts) {
    Counter();  // drops a sub-tick left from a tick set meanwhile
    state.subTick += counts;
    const auto ticks = static_cast<DWORD>(state.subTick / kCountsPerTick);
    state.subTick %= kCountsPerTick;
    if (ticks != 0) {
        fake::SetTickCount(win::GetTickCount() + ticks);
        state.counterTick = win::GetTickCount();
    }
}

bool CloseTimer(HANDLE handle) {
    auto it = std::find_if(state.timers.begin(), state.timers.end(), [&](const Timer& t) { return t.handle == handle; });
    if (it == state.timers.end()) return false;
    state.timers.erase(it);
    return true;
}

}  // namespace fake::detail

namespace fake {

std::vector<Hook> Hooks() { return state.hooks; }

win::HHOOK FindHook(int idHook) {
    auto chain = Chain(idHook);
    return chain.empty() ? nullptr : chain.front();
}

int CountHooks(int idHook) {
    return static_cast<int>(std::count_if(state.hooks.begin(), state.hooks.end(),
                                          [&](const Hook& h) { return h.idHook == idHook; }));
}

win::LRESULT CallHook(win::HHOOK hook, int code, win::WPARAM wParam, win::LPARAM lParam) {
    const Hook* found = Find(hook);
    if (found == nullptr) return 0;
    const win::HOOKPROC procedure = found->procedure;
    const DWORD caller = std::exchange(state.current, found->installedBy);
    const win::LRESULT result = procedure(code, wParam, lParam);
    state.current = caller;
    return result;
}

std::vector<ThreadInfo> Threads() {
    std::vector<ThreadInfo> threads;
    for (const auto& thread : state.threads) threads.push_back(ThreadInfo{thread.id, thread.ended});
    return threads;
}

void CancelJournal() {
    DWORD thread = kMainThread;
    for (const Hook& hook : state.hooks)
        if (hook.idHook == win::WH_JOURNALPLAYBACK && hook.threadId != 0) thread = hook.threadId;
    std::erase_if(state.hooks, [](const Hook& h) { return IsJournal(h.idHook); });
    state.threadMessages.push_back(ThreadMessage{thread, win::WM_CANCELJOURNAL, 0, 0});
}

void PressPhysicalKey(win::BYTE virtualKey, bool up) { PassKey(virtualKey, 0, up, false, 0, 0); }

win::DWORD MainThreadId() { return kMainThread; }
win::HINSTANCE ModuleInstance() { return kModule; }

}  // namespace fake

namespace {

// The oldest message posted to `thread`; end() when it has none.
std::vector<fake::ThreadMessage>::iterator NextFor(DWORD thread) {
    return std::find_if(state.threadMessages.begin(), state.threadMessages.end(),
                        [&](const fake::ThreadMessage& m) { return m.threadId == thread; });
}

// The oldest thread message of the running thread, removed and shown to the
// thread's WH_GETMESSAGE hooks as GetMessage does.
fake::ThreadMessage RetrieveOne(win::MSG* msg) {
    const auto next = NextFor(state.current);
    fake::ThreadMessage message = *next;
    state.threadMessages.erase(next);
    *msg = win::MSG{nullptr, message.message, message.wParam, message.lParam, win::GetTickCount(), state.cursor};
    for (HHOOK hook : Chain(win::WH_GETMESSAGE)) {
        const fake::Hook* found = Find(hook);
        if (found != nullptr && found->threadId == message.threadId)
            fake::CallHook(hook, win::HC_ACTION, kRemoveMessage, reinterpret_cast<win::LPARAM>(msg));
    }
    return message;
}

}  // namespace

namespace fake {

std::vector<ThreadMessage> RetrieveThreadMessages() {
    std::vector<ThreadMessage> retrieved;
    // Hooks may post further thread messages while they run; those are
    // retrieved in turn, as a message loop would.
    win::MSG msg;
    while (NextFor(state.current) != state.threadMessages.end()) retrieved.push_back(RetrieveOne(&msg));
    return retrieved;
}

const std::vector<ThreadMessage>& ThreadMessages() { return state.threadMessages; }

const std::vector<win::INPUT>& SentInputs() { return state.inputs; }
void ClearSentInputs() { state.inputs.clear(); }
void CutNextSendInput(int taken) { state.sendInputCut = taken; }

void SetVirtualScreen(int left, int top, int width, int height) {
    state.screenLeft = left;
    state.screenTop = top;
    state.screenWidth = width;
    state.screenHeight = height;
}

std::vector<Timer> Timers() { return state.timers; }
void RefuseHighResolutionTimers(bool refuse) { state.refuseHighResolution = refuse; }

bool IsKeyDown(win::BYTE virtualKey) { return state.down[virtualKey]; }
win::POINT CursorPosition() { return state.cursor; }

bool FireTimer(win::HANDLE timer) {
    Timer* found = FindTimer(timer);
    if (found == nullptr || !found->armed) return false;
    if (found->due > Counter()) {
        const auto tick = static_cast<DWORD>(found->due / kCountsPerTick);
        fake::SetTickCount(tick);
        state.counterTick = tick;
        state.subTick = found->due % kCountsPerTick;
    }
    found->armed = false;
    found->signalled = true;
    return true;
}

}  // namespace fake

namespace win {

// ---- Hooks ---------------------------------------------------------------------

HHOOK SetWindowsHookExA(int idHook, HOOKPROC procedure, HINSTANCE module, DWORD threadId) {
    if (Fails("SetWindowsHookExA", {HookName(idHook)})) return nullptr;
    if (procedure == nullptr) {
        fake::detail::SetError(kInvalidFilterProc);
        return nullptr;
    }
    if ((IsJournal(idHook) || IsLowLevel(idHook)) && threadId != 0) {
        fake::detail::SetError(kGlobalOnlyHook);
        return nullptr;
    }
    // A hook on every thread runs in other processes: it needs its module
    // (low-level hooks run in the installing thread and need none).
    if (threadId == 0 && module == nullptr && !IsLowLevel(idHook)) {
        fake::detail::SetError(kHookNeedsModule);
        return nullptr;
    }
    if (threadId != 0 && threadId != kMainThread) {
        fake::detail::SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const HHOOK handle = reinterpret_cast<HHOOK>(NewHandleValue());
    state.hooks.push_back(fake::Hook{handle, idHook, procedure, module, threadId, state.current});
    return handle;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
    if (Fails("UnhookWindowsHookEx")) return FALSE;
    auto it = std::find_if(state.hooks.begin(), state.hooks.end(), [&](const fake::Hook& h) { return h.handle == hook; });
    if (it == state.hooks.end()) {
        fake::detail::SetError(kInvalidHookHandle);
        return FALSE;
    }
    state.hooks.erase(it);
    return TRUE;
}

LRESULT CallNextHookEx(HHOOK /*hook*/, int code, WPARAM wParam, LPARAM lParam) {
    // The handle is ignored, as the system ignores it: inside a low-level
    // chain the next hook is called; past the last one, or outside a chain,
    // no other program's hooks follow the program's own.
    fake::detail::Count("CallNextHookEx");
    if (state.running.empty()) return 0;
    State::Running& running = state.running.back();
    while (++running.at < running.chain.size()) {
        // A hook removed meanwhile is passed over.
        if (Find(running.chain[running.at]) != nullptr)
            return fake::CallHook(running.chain[running.at], code, wParam, lParam);
    }
    return 0;
}

HINSTANCE GetModuleHandleA(const char* moduleName) {
    fake::detail::Count("GetModuleHandleA");
    if (moduleName == nullptr) return kModule;
    fake::detail::SetError(kModuleNotFound);
    return nullptr;
}

DWORD GetCurrentThreadId() { return state.current; }

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Fails("PostThreadMessageA")) return FALSE;
    State::Thread* thread = FindThread(threadId);
    if (threadId != kMainThread && (thread == nullptr || thread->ended)) {
        fake::detail::SetError(kInvalidThreadId);
        return FALSE;
    }
    state.threadMessages.push_back(fake::ThreadMessage{threadId, message, wParam, lParam});
    if (thread != nullptr && !thread->running) RunThread(*thread);
    return TRUE;
}

HANDLE CreateThread(void* /*security*/, std::size_t /*stackSize*/, LPTHREAD_START_ROUTINE start, void* parameter,
                    DWORD /*flags*/, DWORD* threadId) {
    if (Fails("CreateThread")) return nullptr;
    const HANDLE handle = reinterpret_cast<HANDLE>(NewHandleValue());
    const auto id = static_cast<DWORD>(0x2000 + state.threads.size() * 4);
    state.threads.push_back(State::Thread{handle, id, start, parameter});
    if (threadId != nullptr) *threadId = id;
    RunThread(state.threads.back());
    return handle;
}

BOOL GetMessageA(MSG* msg, HWND /*window*/, UINT /*filterMin*/, UINT /*filterMax*/) {
    fake::detail::Count("GetMessageA");
    State::Thread* thread = FindThread(state.current);
    if (NextFor(state.current) == state.threadMessages.end()) {
        // The thread waits: on the fake its procedure returns, to be
        // entered again by the next post. The main thread never waits here.
        if (thread == nullptr) return -1;
        thread->waiting = true;
        return 0;
    }
    RetrieveOne(msg);
    return msg->message == WM_QUIT ? 0 : 1;
}

HANDLE CreateEventA(void* /*security*/, BOOL manualReset, BOOL initialState, const char* /*name*/) {
    if (Fails("CreateEventA")) return nullptr;
    const HANDLE handle = reinterpret_cast<HANDLE>(NewHandleValue());
    state.events.push_back(State::Event{handle, manualReset != FALSE, initialState != FALSE});
    return handle;
}

BOOL SetEvent(HANDLE event) {
    if (Fails("SetEvent")) return FALSE;
    State::Event* found = FindEvent(event);
    if (found == nullptr) {
        fake::detail::SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    found->signalled = true;
    return TRUE;
}

// ---- Injected input ---------------------------------------------------------------

UINT SendInput(UINT count, INPUT* inputs, int size) {
    if (Fails("SendInput")) return 0;
    if (size != static_cast<int>(sizeof(INPUT)) || inputs == nullptr) {
        fake::detail::SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Input that the system stops taking partway (another desktop, a
    // program of higher integrity): the rest is not injected.
    if (state.sendInputCut >= 0 && static_cast<UINT>(state.sendInputCut) < count) count = static_cast<UINT>(state.sendInputCut);
    state.sendInputCut = -1;
    for (UINT i = 0; i < count; ++i) {
        state.inputs.push_back(inputs[i]);
        const INPUT& input = inputs[i];
        if (input.type == INPUT_KEYBOARD) {
            // A character typed by its UTF-16 unit reaches the hooks as
            // VK_PACKET with the unit as its scan code.
            const bool unicode = (input.ki.dwFlags & KEYEVENTF_UNICODE) != 0;
            PassKey(unicode ? VK_PACKET : static_cast<BYTE>(input.ki.wVk), input.ki.wScan,
                    (input.ki.dwFlags & KEYEVENTF_KEYUP) != 0, (input.ki.dwFlags & KEYEVENTF_EXTENDEDKEY) != 0,
                    LLKHF_INJECTED, input.ki.dwExtraInfo);
        } else if (input.type == INPUT_MOUSE) {
            MouseInput(input.mi);
        }
    }
    return count;
}

int GetSystemMetrics(int index) {
    fake::detail::Count("GetSystemMetrics");
    switch (index) {
    case SM_CXSCREEN: return 1280;
    case SM_CYSCREEN: return 1024;
    case SM_XVIRTUALSCREEN: return state.screenLeft;
    case SM_YVIRTUALSCREEN: return state.screenTop;
    case SM_CXVIRTUALSCREEN: return state.screenWidth;
    case SM_CYVIRTUALSCREEN: return state.screenHeight;
    default: return 0;
    }
}

// ---- High-resolution time ------------------------------------------------------------

HANDLE CreateWaitableTimerExW(void* /*attributes*/, const wchar_t* /*name*/, DWORD flags, DWORD /*access*/) {
    const bool highResolution = (flags & CREATE_WAITABLE_TIMER_HIGH_RESOLUTION) != 0;
    if (Fails("CreateWaitableTimerExW", {highResolution ? "high-resolution" : "plain"})) return nullptr;
    if (highResolution && state.refuseHighResolution) {
        fake::detail::SetError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const HANDLE handle = reinterpret_cast<HANDLE>(NewHandleValue());
    state.timers.push_back(fake::Timer{handle, flags, false, 0, false});
    return handle;
}

BOOL SetWaitableTimer(HANDLE timer, const std::int64_t* dueTime, LONG /*period*/, void* /*completion*/,
                      void* /*argument*/, BOOL /*resume*/) {
    if (Fails("SetWaitableTimer")) return FALSE;
    fake::Timer* found = FindTimer(timer);
    if (found == nullptr || dueTime == nullptr) {
        fake::detail::SetError(found == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Expire(*found);
    // Negative: relative to now, in 100 ns units, which are the counter's.
    // Positive: an absolute time, here on the counter's scale.
    found->due = *dueTime < 0 ? Counter() - *dueTime : *dueTime;
    found->armed = true;
    // Wine 8 resets the signal of a manual-reset timer only: a
    // synchronization timer set again keeps one it owed (Windows resets it).
    if ((found->flags & kManualReset) != 0) found->signalled = false;
    return TRUE;
}

BOOL CancelWaitableTimer(HANDLE timer) {
    if (Fails("CancelWaitableTimer")) return FALSE;
    fake::Timer* found = FindTimer(timer);
    if (found == nullptr) {
        fake::detail::SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Cancelling stops a pending due time but leaves a signal as it is.
    Expire(*found);
    found->armed = false;
    return TRUE;
}

// ---- Key state, waits and the thread's queue -----------------------------------

SHORT GetAsyncKeyState(int virtualKey) {
    fake::detail::Count("GetAsyncKeyState");
    if (virtualKey < 0 || virtualKey > 255) return 0;
    return static_cast<SHORT>(state.down[static_cast<std::size_t>(virtualKey)] ? 0x8000 : 0);
}

// The program's one thread sees the system's state, as Wine's thread state
// follows injected input.
SHORT GetKeyState(int virtualKey) {
    fake::detail::Count("GetKeyState");
    if (virtualKey < 0 || virtualKey > 255) return 0;
    const auto key = static_cast<std::size_t>(virtualKey);
    return static_cast<SHORT>((state.down[key] ? 0xFF80 : 0) | (state.toggled[key] ? 1 : 0));
}

// Timers only. Time passes during the wait as during Sleep: up to the due
// time when it comes within the wait, else the whole wait.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    if (Fails("WaitForSingleObject")) return WAIT_FAILED;
    // Other threads have run as far as they can: an event or a thread that
    // is not signalled now stays so for the whole wait, which passes.
    if (State::Event* event = FindEvent(handle)) {
        if (!event->signalled) {
            if (milliseconds != INFINITE) fake::SetTickCount(GetTickCount() + milliseconds);
            return WAIT_TIMEOUT;
        }
        if (!event->manualReset) event->signalled = false;
        return WAIT_OBJECT_0;
    }
    for (const auto& thread : state.threads) {
        if (thread.handle != handle) continue;
        if (thread.ended) return WAIT_OBJECT_0;
        if (milliseconds != INFINITE) fake::SetTickCount(GetTickCount() + milliseconds);
        return WAIT_TIMEOUT;
    }
    fake::Timer* timer = FindTimer(handle);
    if (timer == nullptr) {
        fake::detail::SetError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    Expire(*timer);
    if (!timer->signalled && milliseconds != 0) {
        const bool comes = timer->armed && (milliseconds == INFINITE ||
                                            timer->due <= Counter() + std::int64_t{milliseconds} * kCountsPerTick);
        if (comes) {
            fake::FireTimer(handle);
        } else if (milliseconds != INFINITE) {
            fake::SetTickCount(GetTickCount() + milliseconds);
        }
    }
    if (!timer->signalled) return WAIT_TIMEOUT;
    if ((timer->flags & kManualReset) == 0) timer->signalled = false;
    return WAIT_OBJECT_0;
}

// The thread messages posted to the program's thread; window messages are
// the tests' to deliver (fake_windows.h).
BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
    fake::detail::Count("PeekMessageA");
    const auto found = NextFor(state.current);
    if (window != nullptr || found == state.threadMessages.end()) return FALSE;
    const UINT message = found->message;
    if ((filterMin != 0 || filterMax != 0) && (message < filterMin || message > filterMax)) return FALSE;
    if ((removeFlags & PM_REMOVE) != 0) {
        RetrieveOne(msg);
        return TRUE;
    }
    const fake::ThreadMessage& next = *found;
    *msg = MSG{nullptr, next.message, next.wParam, next.lParam, GetTickCount(), state.cursor};
    return TRUE;
}

BOOL QueryPerformanceCounter(std::int64_t* count) {
    *count = Counter();
    return TRUE;
}

BOOL QueryPerformanceFrequency(std::int64_t* frequency) {
    *frequency = fake::kCounterFrequency;
    return TRUE;
}

BOOL SwitchToThread() {
    fake::detail::Count("SwitchToThread");
    // Another thread has run for a moment: the counter moves on, into the
    // next tick when it gets there.
    std::int64_t now = Counter() + fake::kSwitchToThreadCounts;
    const auto tick = static_cast<DWORD>(now / kCountsPerTick);
    fake::SetTickCount(tick);
    state.counterTick = tick;
    state.subTick = now % kCountsPerTick;
    return TRUE;
}

}  // namespace win
