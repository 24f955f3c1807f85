// The fake's hooks, injected input, screen metrics, waitable timers and
// performance counter, with the controls that let a test act as the system:
// call a hook, cancel a journal, press a physical key, let a timer's due
// time arrive.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win.h"

namespace fake {

// ---- Hooks -------------------------------------------------------------------
struct Hook {
    win::HHOOK handle;
    int idHook;
    win::HOOKPROC procedure;
    win::HINSTANCE module;
    win::DWORD threadId;
    // The thread that installed it, on which the system calls it.
    win::DWORD installedBy;
};
// Installed now, oldest first.
std::vector<Hook> Hooks();
// The newest installed hook of a kind (the one the system calls first);
// null when none is.
win::HHOOK FindHook(int idHook);
int CountHooks(int idHook);
// Calls an installed hook's procedure as the system does; 0 when the handle
// is not installed.
win::LRESULT CallHook(win::HHOOK hook, int code, win::WPARAM wParam, win::LPARAM lParam);
// The user cancels journaling (Ctrl+Esc, Ctrl+Alt+Del): the system removes
// every journal hook and posts WM_CANCELJOURNAL, without a window, to the
// thread that installed the playback hook (the main thread when none).
void CancelJournal();
// A physical key press or release: the low-level keyboard hooks see it,
// newest first and on through CallNextHookEx, without LLKHF_INJECTED; a
// hook that returns nonzero keeps it from the system.
void PressPhysicalKey(win::BYTE virtualKey, bool up);

// The program's own thread and module.
win::DWORD MainThreadId();
// Threads made by CreateThread run one at a time, on the caller's stack: a
// new thread runs at once, and a message posted to a thread runs it, until
// it waits in GetMessageA for a message it does not have. There its
// GetMessageA returns 0 and its procedure returns; the next post enters the
// procedure afresh, so a thread procedure on the fake keeps nothing across
// its wait but what it keeps outside its frame. A thread ends at WM_QUIT.
// Hooks are called on the thread that installed them (GetCurrentThreadId
// answers so inside them).
struct ThreadInfo {
    win::DWORD id;
    bool ended;
};
std::vector<ThreadInfo> Threads();
win::HINSTANCE ModuleInstance();

// Messages posted to threads, oldest first.
struct ThreadMessage {
    win::DWORD threadId;
    win::UINT message;
    win::WPARAM wParam;
    win::LPARAM lParam;
};
// The main thread retrieves its thread messages: each goes through the
// thread's WH_GETMESSAGE hooks (HC_ACTION, PM_REMOVE) as GetMessage does.
// Returns the messages retrieved; the queue is emptied.
std::vector<ThreadMessage> RetrieveThreadMessages();
const std::vector<ThreadMessage>& ThreadMessages();

// ---- Injected input ------------------------------------------------------------
// Every INPUT that SendInput accepted, in order. Each also passes the
// low-level hooks, newest first and on through CallNextHookEx, marked
// LLKHF_INJECTED or LLMHF_INJECTED with its extra information; what no hook
// keeps moves the key state and the pointer. keybd_event does the same.
const std::vector<win::INPUT>& SentInputs();
void ClearSentInputs();
// The next SendInput takes only its first `taken` inputs and returns that
// count, as Windows does when it stops taking input partway.
void CutNextSendInput(int taken);
// Whether the system holds a key or mouse button down (GetAsyncKeyState),
// and where the pointer is.
bool IsKeyDown(win::BYTE virtualKey);
win::POINT CursorPosition();
// The desktop over all monitors (GetSystemMetrics SM_*VIRTUALSCREEN); the
// primary monitor is at (0, 0). Default: one 1280 x 1024 monitor.
void SetVirtualScreen(int left, int top, int width, int height);

// ---- Waitable timers and the performance counter ----------------------------------
// The performance counter runs at 10 MHz in step with the tick count.
inline constexpr std::int64_t kCounterFrequency = 10'000'000;
// How far the performance counter moves on in a SwitchToThread (10 us).
inline constexpr std::int64_t kSwitchToThreadCounts = 100;
struct Timer {
    win::HANDLE handle;
    win::DWORD flags;      // as created
    bool armed;            // set and not yet due
    std::int64_t due;      // counter value at which it is due
    bool signalled;
};
std::vector<Timer> Timers();
// Systems before high-resolution timers refuse the flag
// (ERROR_INVALID_PARAMETER).
void RefuseHighResolutionTimers(bool refuse);
// Lets time run to an armed timer's due time (the tick count moves forward
// to it, never back) and signals it. False when the timer is not armed.
bool FireTimer(win::HANDLE timer);

}  // namespace fake
