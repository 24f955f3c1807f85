#include "journal/player.h"

#include "common/messages.h"
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

enum class Driver {
    None,       // nothing is playing
    Grace,      // journal hook installed; waiting for the system to call it
    Hook,       // the system plays through the journal hook
    Injecting,  // the timer plays through SendInput
    // Played out, but the runner could not be told to go on: the timer
    // tells it from the message loop, where it may show a box.
    ResumeFailed,
};

// The player's process-wide state; touched on the UI thread only.
struct Player {
    Recording playbackEvents;
    PlaybackSchedule schedule;
    MacroRunner* runner = nullptr;
    win::HWND mainWindow = nullptr;
    Driver driver = Driver::None;
    UniqueHook playbackHook;
    UniqueHook watchHook;
    UniqueHook cancelKeyHook;
    UniqueObject timer;
    CancelKeys cancelKeys;
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

// Arms the timer for the moment the injected clock reaches `playTime`.
bool ArmTimerFor(win::DWORD playTime) {
    const auto ms = static_cast<std::int64_t>(static_cast<std::int32_t>(playTime - player.clockStartTick));
    // Rounded up, so that the clock reads playTime when the timer fires.
    const std::int64_t dueCounter = player.clockStartCounter + (ms * player.counterFrequency + 999) / 1000;
    std::int64_t now = 0;
    win::QueryPerformanceCounter(&now);
    const std::int64_t counts = dueCounter - now;
    return ArmTimer((counts * 10'000'000 + player.counterFrequency - 1) / player.counterFrequency);
}

void StopDrivers() {
    player.playbackHook.reset();
    player.cancelKeyHook.reset();
    if (player.timer) win::CancelWaitableTimer(player.timer.get());
    player.timer.reset();
    player.driver = Driver::None;
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
        player.runner->EndMacro();
    }
}

// The playback cannot be driven: reported, and the run ends.
void FailPlayback() {
    StopDrivers();
    player.playbackEvents = Recording{};
    player.schedule.Reset(&player.playbackEvents, 0, 1);
    ShowError(nullptr, kHookFailureText);
    if (player.runner != nullptr) player.runner->EndMacro();
}

bool StartInjecting() {
    player.cancelKeyHook.reset(
        win::SetWindowsHookExA(win::WH_KEYBOARD_LL, &PlaybackCancelKeyHook, win::GetModuleHandleA(nullptr), 0));
    if (!player.cancelKeyHook) return false;
    win::QueryPerformanceFrequency(&player.counterFrequency);
    if (player.counterFrequency <= 0) player.counterFrequency = 1;
    win::QueryPerformanceCounter(&player.clockStartCounter);
    player.clockStartTick = win::GetTickCount();
    player.cancelKeys.Reset();
    player.screen.Forget();
    player.driver = Driver::Injecting;
    // The first event is due at once; it is played from the message loop.
    return ArmTimer(0);
}

// Plays every event that is due and arms the timer for the next one.
void InjectDueEvents() {
    for (int n = 0; n < kInjectBatch; ++n) {
        JournalEvent event;
        std::int32_t delay = 0;
        if (!player.schedule.GetNext(&InjectedClock, &event, &delay)) {
            FinishPlayback();
            return;
        }
        if (delay > 0) {
            if (!ArmTimerFor(event.time)) FailPlayback();
            return;
        }
        win::INPUT input;
        if (ToInput(event, player.screen, &input)) win::SendInput(1, &input, static_cast<int>(sizeof input));
        // Ctrl+Esc may have cancelled the playback while the input went out.
        if (player.driver != Driver::Injecting) return;
        if (!player.schedule.AdvanceEvent()) {
            FinishPlayback();
            return;
        }
    }
    if (!ArmTimer(0)) FailPlayback();
}

}  // namespace

void StartPlayback(const std::string& macroPath, MacroRunner& runner) {
    using layout::Field;
    std::int32_t speed = 0;
    if (!RegistryStore::ReadInstructionValue(macroPath, Field::PlayBackSpeed, &speed)) speed = 0;
    std::int32_t filter = 1;
    if (!RegistryStore::ReadInstructionValue(macroPath, Field::PlayBackEvent, &filter)) filter = 1;
    std::string name;
    if (!RegistryStore::ReadInstructionValue(macroPath, Field::JournalName, &name)) {
        runner.EndMacro();
        return;
    }
    // The previous recording is freed before the next one is read.
    player.playbackEvents = Recording{};
    player.schedule.Reset(&player.playbackEvents, speed, filter);
    Recording recording;
    if (!LoadRecording(name, &recording)) {
        runner.EndMacro();
        return;
    }
    PlayRecording(std::move(recording), speed, filter, runner);
}

void PlayRecording(Recording recording, std::int32_t speed, std::int32_t filter, MacroRunner& runner,
                   PlaybackDriver driver) {
    // What an earlier playback of this run left behind (a timer, a hook the
    // system took away) goes before this one starts.
    StopDrivers();
    player.runner = &runner;
    player.mainWindow = runner.Window();
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
    } else if (!StartInjecting()) {
        FailPlayback();
        return;
    }
    // One watch hook for the whole run, however many recordings it plays, so
    // that the run's end removes exactly the one it installed.
    if (!player.watchHook) {
        player.watchHook.reset(win::SetWindowsHookExA(win::WH_GETMESSAGE, &PlaybackWatchHook,
                                                      win::GetModuleHandleA(nullptr), win::GetCurrentThreadId()));
        if (!player.watchHook) FailPlayback();
    }
}

void RemovePlaybackWatchHook() {
    player.watchHook.reset();
    // A run that ends, however it ends, plays nothing further.
    StopDrivers();
}

win::HANDLE PlaybackTimer() { return player.timer.get(); }

void OnPlaybackTimer() {
    switch (player.driver) {
    case Driver::Grace:
        // Accepted but never called: play without the journal hook.
        player.playbackHook.reset();
        if (!StartInjecting()) FailPlayback();
        return;
    case Driver::Injecting: InjectDueEvents(); return;
    case Driver::ResumeFailed:
        StopDrivers();
        if (player.runner != nullptr) player.runner->ResumeFailed();
        return;
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
    return delay;
}

win::LRESULT KEYLOOM_CALLBACK PlaybackWatchHook(int code, win::WPARAM wParam, win::LPARAM lParam) {
    if (code < 0) return win::CallNextHookEx(player.watchHook.get(), code, wParam, lParam);
    const auto* message = reinterpret_cast<const win::MSG*>(lParam);
    if (code == win::HC_ACTION && message->message == win::WM_CANCELJOURNAL && message->hwnd == nullptr) {
        // The system has taken the journal hook away (or Ctrl+Esc stopped the
        // injection): it may not be removed again.
        player.playbackHook.release();
        player.driver = Driver::None;
        if (win::HWND main = win::FindWindowA(nullptr, kMainWindowTitle)) {
            player.watchHook.reset();
            win::SetForegroundWindow(main);
            win::PostMessageA(main, win::WM_CANCELJOURNAL, 0, 0);
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
    if (code == win::HC_ACTION &&
        player.cancelKeys.OnKey(wParam, *reinterpret_cast<const win::KBDLLHOOKSTRUCT*>(lParam)) &&
        player.driver == Driver::Injecting) {
        // As the system cancels a journal: input stops at once, and the
        // thread gets WM_CANCELJOURNAL, which the watch hook relays.
        player.driver = Driver::None;
        win::CancelWaitableTimer(player.timer.get());
        win::PostThreadMessageA(win::GetCurrentThreadId(), win::WM_CANCELJOURNAL, 0, 0);
    }
    return win::CallNextHookEx(player.cancelKeyHook.get(), code, wParam, lParam);
}
