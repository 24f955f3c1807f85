#include "journal/player.h"

#include <atomic>

#include "common/messages.h"
#include "input/held_input.h"
#include "input/input_thread.h"
#include "journal/cancel_keys.h"
#include "journal/injected_input.h"
#include "journal/journal_format.h"
#include "journal/playback_schedule.h"
#include "platform/unique_handle.h"
#include "store/message_text.h"
#include "store/registry_store.h"

namespace {

constexpr const char* kHookFailureText = "Unable to set hook for play back of recording!";
// Events injected in one go before the message loop runs again, so that a
// stretch of overdue events cannot starve the window (and the cancel key).
constexpr int kInjectBatch = 32;
// The timer is armed this long (in 100 ns units) before an event is due,
// and the rest is waited out on the performance counter: a waitable timer
// wakes its thread up to a millisecond or more late (Wine rounds each wait
// up to whole milliseconds), the counter keeps the event on time to a few
// microseconds.
constexpr std::int64_t kTailUnits = 20'000;

enum class Driver {
    None,       // nothing is playing
    Grace,      // journal hook installed; waiting for the system to call it
    Hook,       // the system plays through the journal hook
    Injecting,  // the timer plays through SendInput
    // Played out, but the runner could not be told to go on: the timer
    // tells it from the message loop, where it may show a box.
    ResumeFailed,
    // The system took the journal hook away; the main window has been told
    // and ends the playback when it gets the message.
    Cancelled,
};

// The player's process-wide state; touched on the UI thread only, but for
// the cancel key's own state and target, which its low-level hook uses on
// the input thread (the state is reset before the hook is set).
struct Player {
    Recording playbackEvents;
    PlaybackSchedule schedule;
    MacroRunner* runner = nullptr;
    win::HWND mainWindow = nullptr;
    Driver driver = Driver::None;
    UniqueHook playbackHook;
    UniqueHook watchHook;
    input::UniqueLowLevelHook cancelKeyHook;  // on the input thread
    bool cancelHotKey = false;                // Ctrl+Esc registered to mainWindow
    unsigned cancelHotKeys = 0;               // which of the ids are registered, by their offset
    // The hot key fires for injected keys too: how many of its WM_HOTKEY
    // the playback's own Esc presses, made while it held its Ctrl, still owe.
    int ownCancels = 0;
    UniqueObject timer;
    CancelKeys cancelKeys;
    // Where the cancel key's hook posts WM_CANCELJOURNAL: the window of the
    // runner that started the playback, never one found by its title.
    std::atomic<win::HWND> cancelTarget{nullptr};
    // The event the journal hook last handed the system: played when the
    // system skips past it.
    JournalEvent served{};
    bool hasServed = false;
    ScreenCache screen;
    // The injecting driver's clock: the tick count at its start, carried on
    // by the performance counter, which is finer than the tick.
    win::DWORD clockStartTick = 0;
    std::int64_t clockStartCounter = 0;
    std::int64_t counterFrequency = 1;
};

Player player;

win::DWORD TickClock() { return win::GetTickCount(); }

win::DWORD InjectedClock() {
    std::int64_t now = 0;
    win::QueryPerformanceCounter(&now);
    const std::int64_t elapsedMs = (now - player.clockStartCounter) * 1000 / player.counterFrequency;
    return player.clockStartTick + static_cast<win::DWORD>(static_cast<std::uint64_t>(elapsedMs));
}

win::HANDLE CreatePlaybackTimer() {
    // High resolution where the system has it: a plain waitable timer is
    // only as fine as the system tick (15.6 ms by default).
    if (win::HANDLE timer = win::CreateWaitableTimerExW(nullptr, nullptr, win::CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                                         win::TIMER_ALL_ACCESS))
        return timer;
    return win::CreateWaitableTimerExW(nullptr, nullptr, 0, win::TIMER_ALL_ACCESS);
}

// Arms the timer `units` of 100 ns from now (at least one).
bool ArmTimer(std::int64_t units) {
    const std::int64_t due = -(units < 1 ? 1 : units);
    return win::SetWaitableTimer(player.timer.get(), &due, 0, nullptr, nullptr, win::FALSE) != win::FALSE;
}

// The counter value at which the injected clock reaches `playTime`,
// rounded up so that the clock reads playTime there.
std::int64_t DueCounter(win::DWORD playTime) {
    const auto ms = static_cast<std::int64_t>(static_cast<std::int32_t>(playTime - player.clockStartTick));
    return player.clockStartCounter + (ms * player.counterFrequency + 999) / 1000;
}

// 100 ns units from now until the counter reaches `due`, rounded up.
std::int64_t UnitsUntil(std::int64_t due) {
    std::int64_t now = 0;
    win::QueryPerformanceCounter(&now);
    return ((due - now) * 10'000'000 + player.counterFrequency - 1) / player.counterFrequency;
}

// Arms the timer for the last stretch before the injected clock reaches
// `playTime`.
bool ArmTimerFor(win::DWORD playTime) { return ArmTimer(UnitsUntil(DueCounter(playTime)) - kTailUnits); }

// Waits out the last stretch before `due` on the counter, letting other
// threads run meanwhile; false, without waiting, when more is left than
// that stretch.
bool WaitTail(std::int64_t due) {
    if (UnitsUntil(due) > kTailUnits) return false;
    for (;;) {
        std::int64_t now = 0;
        win::QueryPerformanceCounter(&now);
        if (now >= due) return true;
        win::SwitchToThread();
    }
}

// Stops whatever plays and lets go of what the playback still holds: a
// playback ends the same way whether it played out, failed or was
// cancelled. The watch hook lives exactly as long as the playback.
void StopDrivers() {
    player.playbackHook.reset();
    player.cancelKeyHook.reset();
    player.cancelHotKey = false;
    for (int n = 0; n < kPlaybackCancelHotKeys; ++n)
        if ((player.cancelHotKeys & (1u << n)) != 0) win::UnregisterHotKey(player.mainWindow, kPlaybackCancelHotKeyId - n);
    player.cancelHotKeys = 0;
    player.watchHook.reset();
    if (player.timer) win::CancelWaitableTimer(player.timer.get());
    player.timer.reset();
    player.driver = Driver::None;
    player.hasServed = false;
    input::ReleaseHeld(input::Owner::Playback);
    // Nothing more is played from the recording: it is not held until the
    // next playback (a recording of 100,000 events is 2 MB).
    player.playbackEvents = Recording{};
    player.schedule.Reset(&player.playbackEvents, 0, 1);
}

// The recording has played out: the runner goes on with its next
// instruction. Once only, whichever driver gets here.
void FinishPlayback() {
    if (player.driver == Driver::None || player.driver == Driver::ResumeFailed) return;
    StopDrivers();
    if (win::PostMessageA(player.mainWindow, WM_RUN_MACRO, 0, 0)) return;
    // Left alone the runner would stay busy and drop every hot key.
    player.timer.reset(CreatePlaybackTimer());
    if (player.timer && ArmTimer(0)) {
        player.driver = Driver::ResumeFailed;
    } else if (player.runner != nullptr) {
        player.runner->AbortMacro();
    }
}

// The playback cannot be driven: reported, and the run ends.
void FailPlayback() {
    StopDrivers();
    ShowError(nullptr, kHookFailureText);
    if (player.runner != nullptr) player.runner->AbortMacro();
}

// Injects from `startCounter` on, the performance counter at the moment
// the playback started: the first event is due then, however long setting
// the cancel key's hook takes.
bool StartInjecting(std::int64_t startCounter) {
    // No journal hook, no system cancel to relay: the watch hook would only
    // add its call to every message the loop takes.
    player.watchHook.reset();
    // Ctrl+Esc as a hot key of the runner's window: a low-level keyboard
    // hook would be called, and waited for, on every key the playback
    // injects, making each one late. Where another program holds the
    // combination, the hook on the input thread watches for it.
    player.ownCancels = 0;
    // A hot key's modifiers must match exactly, and the keys the playback
    // holds count: Ctrl+Esc is registered with Shift, Alt and Win too, as far
    // as they are free (Ctrl+Alt+Esc may be the stop key).
    for (int n = 0; n < kPlaybackCancelHotKeys; ++n) {
        const win::UINT modifiers = win::MOD_CONTROL | ((n & 1) != 0 ? win::MOD_SHIFT : 0) |
                                    ((n & 2) != 0 ? win::MOD_ALT : 0) | ((n & 4) != 0 ? win::MOD_WIN : 0);
        if (win::RegisterHotKey(player.mainWindow, kPlaybackCancelHotKeyId - n, modifiers, win::VK_ESCAPE))
            player.cancelHotKeys |= 1u << n;
        else if (n == 0)
            break;
    }
    player.cancelHotKey = (player.cancelHotKeys & 1u) != 0;
    if (!player.cancelHotKey) {
        player.cancelKeys.Reset();
        player.cancelKeyHook.reset(input::SetLowLevelHook(win::WH_KEYBOARD_LL, &PlaybackCancelKeyHook));
        if (!player.cancelKeyHook) return false;
    }
    player.clockStartCounter = startCounter;
    player.clockStartTick = win::GetTickCount();
    player.schedule.StartAt(player.clockStartTick);
    player.screen.Forget();
    player.driver = Driver::Injecting;
    // The first event is due at once; it is played from the message loop.
    return ArmTimer(0);
}

std::int64_t CounterNow() {
    win::QueryPerformanceFrequency(&player.counterFrequency);
    if (player.counterFrequency <= 0) player.counterFrequency = 1;
    std::int64_t now = 0;
    win::QueryPerformanceCounter(&now);
    return now;
}

// Plays every event that is due, the next one too when its last stretch
// has come, and arms the timer for the one after. One event at most is
// waited for on each wake, so that the message loop runs between events
// that follow each other closely.
void InjectDueEvents() {
    bool waited = false;
    for (int n = 0; n < kInjectBatch; ++n) {
        JournalEvent event;
        std::int32_t delay = 0;
        if (!player.schedule.GetNext(&InjectedClock, &event, &delay)) {
            FinishPlayback();
            return;
        }
        if (delay > 0) {
            if (!waited && WaitTail(DueCounter(event.time))) {
                waited = true;
                continue;
            }
            if (!ArmTimerFor(event.time)) FailPlayback();
            return;
        }
        win::INPUT input;
        if (ToInput(event, player.screen, &input)) {
            const bool ownCancel = player.cancelHotKey && input.type == win::INPUT_KEYBOARD &&
                                   input.ki.wVk == win::VK_ESCAPE && (input.ki.dwFlags & win::KEYEVENTF_KEYUP) == 0 &&
                                   input::IsHeld(win::VK_CONTROL, input::Owner::Playback);
            if (input::Send(&input, 1, input::Owner::Playback) == 1 && ownCancel) ++player.ownCancels;
        }
        if (!player.schedule.AdvanceEvent()) {
            FinishPlayback();
            return;
        }
    }
    if (!ArmTimer(0)) FailPlayback();
}

}  // namespace

void StartPlayback(RegistryStore::InstructionKey& instruction, MacroRunner& runner) {
    using layout::Field;
    std::int32_t speed = 0;
    if (!instruction.Read(Field::PlayBackSpeed, &speed)) speed = 0;
    std::int32_t filter = 1;
    if (!instruction.Read(Field::PlayBackEvent, &filter)) filter = 1;
    std::string name;
    const bool named = instruction.Read(Field::JournalName, &name);
    instruction.Close();
    if (!named) {
        runner.AbortMacro();
        return;
    }
    // The previous recording is freed before the next one is read.
    player.playbackEvents = Recording{};
    player.schedule.Reset(&player.playbackEvents, speed, filter);
    Recording recording;
    if (!LoadRecording(name, &recording)) {
        runner.AbortMacro();
        return;
    }
    PlayRecording(std::move(recording), speed, filter, runner);
}

void PlayRecording(Recording recording, std::int32_t speed, std::int32_t filter, MacroRunner& runner,
                   PlaybackDriver driver) {
    const std::int64_t started = CounterNow();
    // What an earlier playback of this run left behind (a timer, a hook the
    // system took away) goes before this one starts.
    StopDrivers();
    player.runner = &runner;
    player.mainWindow = runner.Window();
    player.cancelTarget.store(player.mainWindow);
    player.playbackEvents = std::move(recording);
    player.schedule.Reset(&player.playbackEvents, speed, filter);

    player.timer.reset(CreatePlaybackTimer());
    if (!player.timer) {
        FailPlayback();
        return;
    }
    if (driver == PlaybackDriver::Automatic)
        player.playbackHook.reset(
            win::SetWindowsHookExA(win::WH_JOURNALPLAYBACK, &PlaybackHook, win::GetModuleHandleA(nullptr), 0));
    if (player.playbackHook) {
        // The system takes it but may never call it (Wine): the timer tells.
        player.driver = Driver::Grace;
        if (!ArmTimer(std::int64_t{kJournalGraceMs} * 10'000)) {
            FailPlayback();
            return;
        }
        // The system's cancel of the journal comes without a window.
        player.watchHook.reset(win::SetWindowsHookExA(win::WH_GETMESSAGE, &PlaybackWatchHook,
                                                      win::GetModuleHandleA(nullptr), win::GetCurrentThreadId()));
        if (!player.watchHook) FailPlayback();
    } else if (!StartInjecting(started)) {
        FailPlayback();
    }
}

void RemovePlaybackWatchHook() {
    // A run that ends, however it ends, plays nothing further.
    StopDrivers();
}

bool CancelPlayback() {
    if (player.driver == Driver::None) return false;
    StopDrivers();
    return true;
}

std::uint64_t PlaybackBytesHeld() { return player.playbackEvents.byteCount; }

win::HANDLE PlaybackTimer() { return player.timer.get(); }

bool OnPlaybackHotKey(int id) {
    if (id > kPlaybackCancelHotKeyId || id <= kPlaybackCancelHotKeyId - kPlaybackCancelHotKeys) return false;
    if (!player.cancelHotKey || player.driver != Driver::Injecting) return true;
    // A Ctrl+Esc of the recording itself is no cancel.
    if (player.ownCancels > 0) {
        --player.ownCancels;
        return true;
    }
    win::PostMessageA(player.mainWindow, win::WM_CANCELJOURNAL, 0, 0);
    return true;
}

void OnPlaybackTimer() {
    switch (player.driver) {
    case Driver::Grace:
        // Accepted but never called: play without the journal hook.
        player.playbackHook.reset();
        if (!StartInjecting(CounterNow())) FailPlayback();
        return;
    case Driver::Injecting: InjectDueEvents(); return;
    case Driver::ResumeFailed:
        StopDrivers();
        if (player.runner != nullptr) player.runner->ResumeFailed();
        return;
    case Driver::Cancelled:
    case Driver::Hook:
    case Driver::None:
        // The grace timer of a journal hook that the system called, or a
        // playback that has finished: the timer is no longer needed.
        player.timer.reset();
        return;
    }
}

bool AdvanceEvent() { return player.schedule.AdvanceEvent(); }

win::LRESULT KEYLOOM_CALLBACK PlaybackHook(int code, win::WPARAM wParam, win::LPARAM lParam) {
    if (code < 0 || (code != win::HC_GETNEXT && code != win::HC_SKIP))
        return win::CallNextHookEx(player.playbackHook.get(), code, wParam, lParam);
    if (player.driver == Driver::Grace) player.driver = Driver::Hook;
    if (code == win::HC_SKIP) {
        // The system has played the event it was handed: what it pressed is
        // held on the playback's behalf.
        win::INPUT input;
        if (player.hasServed && ToInput(player.served, player.screen, &input))
            input::Note(input, input::Owner::Playback);
        player.hasServed = false;
        if (!AdvanceEvent()) FinishPlayback();
        return 0;
    }
    JournalEvent event;
    std::int32_t delay = 0;
    if (!player.schedule.GetNext(&TickClock, &event, &delay)) {
        FinishPlayback();
        return 0;
    }
    *reinterpret_cast<win::EVENTMSG*>(lParam) = ToEventMsg(event);
    player.served = event;
    player.hasServed = true;
    return delay;
}

win::LRESULT KEYLOOM_CALLBACK PlaybackWatchHook(int code, win::WPARAM wParam, win::LPARAM lParam) {
    if (code < 0) return win::CallNextHookEx(player.watchHook.get(), code, wParam, lParam);
    const auto* message = reinterpret_cast<const win::MSG*>(lParam);
    if (code == win::HC_ACTION && message->message == win::WM_CANCELJOURNAL && message->hwnd == nullptr &&
        player.driver != Driver::None) {
        // The system has taken the journal hook away: it may not be removed
        // again. Nothing more is played until the main window ends the
        // playback.
        static_cast<void>(player.playbackHook.release());
        player.driver = Driver::Cancelled;
        if (player.timer) win::CancelWaitableTimer(player.timer.get());
        if (win::PostMessageA(player.mainWindow, win::WM_CANCELJOURNAL, 0, 0)) {
            win::SetForegroundWindow(player.mainWindow);
        } else {
            win::MessageBoxA(nullptr,
                             "Play back of recording has been terminated by the system!\n"
                             "Unable to reset Keyloom!  Please close Keyloom and restart!",
                             "Attention - Keyloom", win::MB_OK | win::MB_ICONWARNING);
        }
    }
    return 0;
}

win::LRESULT KEYLOOM_CALLBACK PlaybackCancelKeyHook(int code, win::WPARAM wParam, win::LPARAM lParam) {
    // As the system cancels a journal: the main window that started the
    // playback is told, and ends it; a cancel that arrives after the
    // playback has ended changes nothing there.
    if (code == win::HC_ACTION &&
        player.cancelKeys.OnKey(wParam, *reinterpret_cast<const win::KBDLLHOOKSTRUCT*>(lParam)))
        win::PostMessageA(player.cancelTarget.load(), win::WM_CANCELJOURNAL, 0, 0);
    // The system ignores the handle; the UI thread's copy is not read here.
    return win::CallNextHookEx(nullptr, code, wParam, lParam);
}
