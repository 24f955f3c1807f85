// The fake's hooks, injected input, screen metrics, waitable timers and
// performance counter. Errors are the ones Windows gives for the same misuse.
#include "platform/fake/fake_hooks.h"

#include <algorithm>
#include <string>

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
    int screenLeft = 0, screenTop = 0, screenWidth = 1280, screenHeight = 1024;
    std::vector<fake::Timer> timers;
    bool refuseHighResolution = false;
    // The counter runs on below the tick: 100 ns units past `counterTick`,
    // dropped when the tick count is set anew.
    win::DWORD counterTick = 0;
    std::int64_t subTick = 0;
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

// Runs the low-level keyboard chain; true when a hook swallowed the key.
bool RunKeyboardChain(win::BYTE virtualKey, bool up, DWORD flags) {
    win::KBDLLHOOKSTRUCT info{virtualKey, win::MapVirtualKeyA(virtualKey, win::MAPVK_VK_TO_VSC),
                              flags | (up ? win::LLKHF_UP : 0), win::GetTickCount(), 0};
    for (HHOOK hook : Chain(win::WH_KEYBOARD_LL)) {
        if (fake::CallHook(hook, win::HC_ACTION, up ? win::WM_KEYUP : win::WM_KEYDOWN, reinterpret_cast<win::LPARAM>(&info)) != 0)
            return true;
    }
    return false;
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

}  // namespace

namespace fake::detail {

void ResetHooks() { state = State{}; }


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
    return procedure(code, wParam, lParam);
}

void CancelJournal() {
    DWORD thread = kMainThread;
    for (const Hook& hook : state.hooks)
        if (hook.idHook == win::WH_JOURNALPLAYBACK && hook.threadId != 0) thread = hook.threadId;
    std::erase_if(state.hooks, [](const Hook& h) { return IsJournal(h.idHook); });
    state.threadMessages.push_back(ThreadMessage{thread, win::WM_CANCELJOURNAL, 0, 0});
}

void PressPhysicalKey(win::BYTE virtualKey, bool up) { RunKeyboardChain(virtualKey, up, 0); }

win::DWORD MainThreadId() { return kMainThread; }
win::HINSTANCE ModuleInstance() { return kModule; }

std::vector<ThreadMessage> RetrieveThreadMessages() {
    std::vector<ThreadMessage> retrieved;
    // Hooks may post further thread messages while they run; those are
    // retrieved in turn, as a message loop would.
    while (!state.threadMessages.empty()) {
        ThreadMessage message = state.threadMessages.front();
        state.threadMessages.erase(state.threadMessages.begin());
        retrieved.push_back(message);
        win::MSG msg{nullptr, message.message, message.wParam, message.lParam, win::GetTickCount(), {0, 0}};
        for (HHOOK hook : Chain(win::WH_GETMESSAGE)) {
            const Hook* found = Find(hook);
            if (found != nullptr && found->threadId == message.threadId)
                CallHook(hook, win::HC_ACTION, kRemoveMessage, reinterpret_cast<win::LPARAM>(&msg));
        }
    }
    return retrieved;
}

const std::vector<ThreadMessage>& ThreadMessages() { return state.threadMessages; }

const std::vector<win::INPUT>& SentInputs() { return state.inputs; }
void ClearSentInputs() { state.inputs.clear(); }

void SetVirtualScreen(int left, int top, int width, int height) {
    state.screenLeft = left;
    state.screenTop = top;
    state.screenWidth = width;
    state.screenHeight = height;
}

std::vector<Timer> Timers() { return state.timers; }
void RefuseHighResolutionTimers(bool refuse) { state.refuseHighResolution = refuse; }

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
    state.hooks.push_back(fake::Hook{handle, idHook, procedure, module, threadId});
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

LRESULT CallNextHookEx(HHOOK /*hook*/, int /*code*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    // No other program's hooks follow the program's own.
    fake::detail::Count("CallNextHookEx");
    return 0;
}

HINSTANCE GetModuleHandleA(const char* moduleName) {
    fake::detail::Count("GetModuleHandleA");
    if (moduleName == nullptr) return kModule;
    fake::detail::SetError(kModuleNotFound);
    return nullptr;
}

DWORD GetCurrentThreadId() { return kMainThread; }

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    if (Fails("PostThreadMessageA")) return FALSE;
    if (threadId != kMainThread) {
        fake::detail::SetError(kInvalidThreadId);
        return FALSE;
    }
    state.threadMessages.push_back(fake::ThreadMessage{threadId, message, wParam, lParam});
    return TRUE;
}

// ---- Injected input ---------------------------------------------------------------

UINT SendInput(UINT count, INPUT* inputs, int size) {
    if (Fails("SendInput")) return 0;
    if (size != static_cast<int>(sizeof(INPUT)) || inputs == nullptr) {
        fake::detail::SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (UINT i = 0; i < count; ++i) {
        state.inputs.push_back(inputs[i]);
        if (inputs[i].type == INPUT_KEYBOARD)
            RunKeyboardChain(static_cast<BYTE>(inputs[i].ki.wVk), (inputs[i].ki.dwFlags & KEYEVENTF_KEYUP) != 0,
                             LLKHF_INJECTED);
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
    // Negative: relative to now, in 100 ns units, which are the counter's.
    // Positive: an absolute time, here on the counter's scale.
    found->due = *dueTime < 0 ? Counter() - *dueTime : *dueTime;
    found->armed = true;
    found->signalled = false;  // setting a timer resets its signal
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
    found->armed = false;
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

}  // namespace win
