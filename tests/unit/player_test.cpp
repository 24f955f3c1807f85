#include <climits>

#include "store/layout.h"
#include "input/held_input.h"
#include "journal/journal_format.h"
#include "journal/player.h"
#include "journal/recorder.h"
#include "macro_fixture.h"
#include "platform/fake/fake_hooks.h"
#include "platform/fake/fake_windows.h"
#include "store/recording_store.h"

namespace {

const std::string kJournals = "Software\\Tallow Labs\\Keyloom\\Journals\\";
constexpr win::BYTE kLeftControl = 0xA2;
constexpr win::BYTE kEscape = 0x1B;

// A key event as the journal records it: virtual key and scan code in
// paramL, the extended-key bit in paramH.
JournalEvent Key(std::uint32_t message, win::BYTE vk, win::BYTE scan, std::uint32_t time, bool extended = false) {
    return JournalEvent{message, vk | static_cast<std::uint32_t>(scan) << 8, extended ? 0x8001u : 1u, time, 0x10010};
}
JournalEvent Mouse(std::uint32_t message, std::int32_t x, std::int32_t y, std::uint32_t time) {
    return JournalEvent{message, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), time, 0x10010};
}

void StoreRecording(const std::string& name, const std::vector<JournalEvent>& events) {
    const auto bytes = SerializeEvents(events);
    const auto chunks = CutIntoChunks(bytes.data(), bytes.size());
    ASSERT_TRUE(WriteRecording(name, chunks, static_cast<std::int32_t>(chunks.size()), 1));
}

void StorePlayback(const std::string& macro, int position, const std::string& recording, std::int32_t speed = 0,
                   std::int32_t filter = 1) {
    StoreInstruction(macro, position, kind::PlaybackRecording,
                     {Text("JournalName", recording), Dword("PlayBackSpeed", static_cast<std::uint32_t>(speed)),
                      Dword("PlayBackEvent", static_cast<std::uint32_t>(filter))});
}

// What a test's own low-level keyboard hook saw of the injected keys, with
// the tick at which each arrived.
struct Arrival {
    win::DWORD vk;
    win::DWORD flags;
    win::DWORD tick;
};
std::vector<Arrival> arrivals;
win::LRESULT KEYLOOM_CALLBACK WatchKeys(int code, win::WPARAM, win::LPARAM lParam) {
    const auto* key = reinterpret_cast<const win::KBDLLHOOKSTRUCT*>(lParam);
    if (code == win::HC_ACTION) arrivals.push_back(Arrival{key->vkCode, key->flags, win::GetTickCount()});
    return 0;
}

struct Played {
    win::EVENTMSG record;
    win::LRESULT firstDelay;
};

class PlayerTest : public RunnerTest {
protected:
    void SetUp() override {
        RunnerTest::SetUp();
        arrivals.clear();
        fake::SetTickCount(10000);
        StoreMacro("M", 'M', win::MOD_CONTROL);
    }
    void TearDown() override {
        // Whatever a test left running, the next one starts without it.
        RemovePlaybackWatchHook();
    }

    // Runs the macro up to its playback.
    void StartMacro() {
        Start();
        PressHotKey(0);
    }

    // A macro that plays a recording which types its own Ctrl+Esc, then
    // holds 'A' down a while, then types 'Z'; started.
    void StartCtrlEscPlayback() {
        StoreRecording("R", {Key(win::WM_KEYDOWN, kLeftControl, 0x1D, 1000), Key(win::WM_KEYDOWN, kEscape, 0x01, 1000),
                             Key(win::WM_KEYUP, kEscape, 0x01, 1000), Key(win::WM_KEYUP, kLeftControl, 0x1D, 1000),
                             Key(win::WM_KEYDOWN, 'A', 0x1E, 2000), Key(win::WM_KEYUP, 'A', 0x1E, 3000)});
        StorePlayback("M", 0, "R");
        StoreKeyStroke("M", 1, 'Z');
        StartMacro();
    }

    // Delivers what the main window was posted, as its procedure would.
    void Deliver() {
        for (int round = 0; round < 100; ++round) {
            auto posted = fake::TakePosted();
            if (posted.empty()) return;
            for (const auto& message : posted) {
                if (message.window != window) continue;
                if (message.message == WM_RUN_MACRO) dialog->OnRunMacro();
                if (message.message == win::WM_CANCELJOURNAL) dialog->OnCancelJournal();
            }
        }
        FAIL() << "the runner keeps posting";
    }

    // The system plays through the journal hook: asks for each event, waits
    // what it is told, asks again, plays it and skips to the next.
    std::vector<Played> SystemPlays() {
        std::vector<Played> played;
        for (int n = 0; n < 1000; ++n) {
            win::HHOOK hook = fake::FindHook(win::WH_JOURNALPLAYBACK);
            if (hook == nullptr) return played;
            win::EVENTMSG record{};
            const win::LRESULT delay = fake::CallHook(hook, win::HC_GETNEXT, 0, reinterpret_cast<win::LPARAM>(&record));
            if (fake::FindHook(win::WH_JOURNALPLAYBACK) == nullptr) return played;
            fake::SetTickCount(win::GetTickCount() + static_cast<win::DWORD>(delay));
            EXPECT_EQ(fake::CallHook(hook, win::HC_GETNEXT, 0, reinterpret_cast<win::LPARAM>(&record)), 0);
            played.push_back(Played{record, delay});
            fake::CallHook(hook, win::HC_SKIP, 0, 0);
        }
        ADD_FAILURE() << "the playback does not end";
        return played;
    }

    // The message loop's part: each time the timer is due, the player runs.
    int RunTimer(int limit = 1000) {
        int fired = 0;
        while (fired < limit && PlaybackTimer() != nullptr && fake::FireTimer(PlaybackTimer())) {
            OnPlaybackTimer();
            ++fired;
        }
        return fired;
    }

    bool CancelHotKeyRegistered() {
        for (const auto& key : fake::HotKeys())
            if (key.window == window && key.id == kPlaybackCancelHotKeyId && key.modifiers == win::MOD_CONTROL &&
                key.virtualKey == win::VK_ESCAPE)
                return true;
        return false;
    }
    // Another program holds Ctrl+Esc: the player watches for it with a
    // low-level hook instead.
    void TakeCtrlEsc() {
        const win::HWND other = fake::AddOtherWindow("Holder", 0x3500);
        ASSERT_TRUE(win::RegisterHotKey(other, 1, win::MOD_CONTROL, win::VK_ESCAPE));
    }
    void RefuseJournalHooks() { fake::Fail("SetWindowsHookExA", win::ERROR_ACCESS_DENIED, -1, "WH_JOURNAL"); }
    void WatchInjectedKeys() {
        ASSERT_NE(win::SetWindowsHookExA(win::WH_KEYBOARD_LL, &WatchKeys, nullptr, 0), nullptr);
    }
    std::vector<win::BYTE> MacroKeys() {
        std::vector<win::BYTE> keys;
        for (const auto& event : fake::KeyEvents()) keys.push_back(event.virtualKey);
        return keys;
    }
};

TEST_F(PlayerTest, TheJournalHookPlaysTheRecordingAtItsPaceAndTheMacroGoesOn) {
    const std::vector<JournalEvent> events{Key(win::WM_KEYDOWN, 'A', 0x1E, 1000), Key(win::WM_KEYUP, 'A', 0x1E, 1100),
                                           Key(win::WM_KEYDOWN, 'B', 0x30, 1300)};
    StoreRecording("R", events);
    StorePlayback("M", 0, "R");
    StoreKeyStroke("M", 1, 'Z');
    StartMacro();

    EXPECT_EQ(dialog->macroRunning, 1);
    EXPECT_TRUE(fake::KeyEvents().empty());
    const auto hooks = fake::Hooks();
    ASSERT_EQ(hooks.size(), 2u);
    EXPECT_EQ(hooks[0].idHook, win::WH_JOURNALPLAYBACK);
    EXPECT_EQ(hooks[0].threadId, 0u);
    EXPECT_EQ(hooks[0].module, fake::ModuleInstance());
    EXPECT_EQ(hooks[1].idHook, win::WH_GETMESSAGE);
    EXPECT_EQ(hooks[1].threadId, fake::MainThreadId());

    const win::DWORD start = win::GetTickCount();
    const auto played = SystemPlays();
    ASSERT_EQ(played.size(), 3u);
    const win::LRESULT delays[] = {0, 100, 200};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(played[i].firstDelay, delays[i]);
        EXPECT_EQ(FromEventMsg(played[i].record).paramL, events[i].paramL);
        EXPECT_EQ(played[i].record.message, events[i].message);
        EXPECT_EQ(played[i].record.hwnd, ToEventMsg(events[i]).hwnd);
    }
    EXPECT_EQ(played[2].record.time, start + 300);

    // Played out: the journal hook is gone and the runner resumes.
    EXPECT_EQ(fake::CountHooks(win::WH_JOURNALPLAYBACK), 0);
    Deliver();
    EXPECT_EQ(MacroKeys(), (std::vector<win::BYTE>{'Z', 'Z'}));
    EXPECT_EQ(dialog->macroRunning, 0);
    EXPECT_TRUE(fake::Hooks().empty());
    // The grace timer of a hook the system called injects nothing; the one
    // key the recording left down is released as the playback ends.
    RunTimer();
    ASSERT_EQ(fake::SentInputs().size(), 1u);
    EXPECT_EQ(fake::SentInputs()[0].ki.wVk, 'B');
    EXPECT_EQ(fake::SentInputs()[0].ki.wScan, 0x30);
    EXPECT_EQ(fake::SentInputs()[0].ki.dwFlags, win::KEYEVENTF_KEYUP);
    EXPECT_EQ(PlaybackTimer(), nullptr);
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(PlayerTest, WhereTheJournalHookIsRefusedTheTimerInjectsEachEventWhenItIsDue) {
    RefuseJournalHooks();
    WatchInjectedKeys();
    StoreRecording("R", {Key(win::WM_KEYDOWN, 'A', 0x1E, 1000), Key(win::WM_KEYUP, 'A', 0x1E, 1100),
                         Key(win::WM_KEYDOWN, 0x27, 0x4D, 1300, true), Key(win::WM_KEYUP, 0x27, 0x4D, 1300, true)});
    StorePlayback("M", 0, "R", -100);  // twice as fast
    StoreKeyStroke("M", 1, 'Z');
    StartMacro();

    ASSERT_EQ(fake::Timers().size(), 1u);
    EXPECT_EQ(fake::Timers()[0].flags, win::CREATE_WAITABLE_TIMER_HIGH_RESOLUTION);
    // Ctrl+Esc is a hot key of the runner's window: no hook of the player's
    // is called on each key it injects.
    EXPECT_EQ(fake::CountHooks(win::WH_KEYBOARD_LL), 1);
    EXPECT_EQ(fake::CountHooks(win::WH_GETMESSAGE), 0);
    EXPECT_TRUE(CancelHotKeyRegistered());
    const win::DWORD start = win::GetTickCount();
    EXPECT_TRUE(fake::SentInputs().empty());  // nothing before the loop runs
    RunTimer();

    const auto& sent = fake::SentInputs();
    ASSERT_EQ(sent.size(), 4u);
    const win::DWORD flags[] = {0, win::KEYEVENTF_KEYUP, win::KEYEVENTF_EXTENDEDKEY,
                                win::KEYEVENTF_EXTENDEDKEY | win::KEYEVENTF_KEYUP};
    const win::WORD vks[] = {'A', 'A', 0x27, 0x27};
    const win::WORD scans[] = {0x1E, 0x1E, 0x4D, 0x4D};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(sent[i].type, win::INPUT_KEYBOARD);
        EXPECT_EQ(sent[i].ki.wVk, vks[i]);
        EXPECT_EQ(sent[i].ki.wScan, scans[i]);
        EXPECT_EQ(sent[i].ki.dwFlags, flags[i]);
    }
    ASSERT_EQ(arrivals.size(), 4u);
    EXPECT_EQ(arrivals[0].tick, start);
    EXPECT_EQ(arrivals[1].tick, start + 50);
    EXPECT_EQ(arrivals[2].tick, start + 150);
    EXPECT_EQ(arrivals[3].tick, start + 150);
    EXPECT_NE(arrivals[0].flags & win::LLKHF_INJECTED, 0u);
    // Keys need no screen; asking for it would make every event late.
    EXPECT_EQ(fake::Calls("GetSystemMetrics"), 0);

    // The end is told the same way as through the journal hook.
    EXPECT_EQ(PlaybackTimer(), nullptr);
    Deliver();
    EXPECT_EQ(MacroKeys(), (std::vector<win::BYTE>{'Z', 'Z'}));
    EXPECT_EQ(dialog->macroRunning, 0);
    EXPECT_EQ(fake::CountHooks(win::WH_KEYBOARD_LL), 1);  // only the test's own
    EXPECT_EQ(fake::CountHooks(win::WH_GETMESSAGE), 0);
    EXPECT_FALSE(CancelHotKeyRegistered());
}

TEST_F(PlayerTest, AJournalHookThatIsNeverCalledGivesWayToInjectionAfterTheGraceTime) {
    WatchInjectedKeys();
    StoreRecording("R", {Key(win::WM_KEYDOWN, 'A', 0x1E, 1000), Key(win::WM_KEYUP, 'A', 0x1E, 1010)});
    StorePlayback("M", 0, "R");
    fake::RefuseHighResolutionTimers(true);
    StartMacro();
    ASSERT_EQ(fake::CountHooks(win::WH_JOURNALPLAYBACK), 1);
    ASSERT_EQ(fake::Timers().size(), 1u);
    EXPECT_EQ(fake::Timers()[0].flags, 0u);  // the plain timer where high resolution is refused
    const win::DWORD start = win::GetTickCount();

    RunTimer();
    EXPECT_EQ(fake::CountHooks(win::WH_JOURNALPLAYBACK), 0);
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_EQ(arrivals[0].tick, start + kJournalGraceMs);
    EXPECT_EQ(arrivals[1].tick, start + kJournalGraceMs + 10);
    Deliver();
    EXPECT_EQ(dialog->macroRunning, 0);
}

TEST_F(PlayerTest, MouseEventsMoveToTheirPointOnTheVirtualDesktop) {
    RefuseJournalHooks();
    fake::SetVirtualScreen(-1280, 0, 2560, 1024);  // a second monitor left of the primary
    StoreRecording("R", {Mouse(0x0200, -1280, 0, 1000), Key(win::WM_KEYDOWN, 'A', 0x1E, 1005),
                         Mouse(0x0201, 1279, 1023, 1010), Mouse(0x0202, 0, 512, 1020), Mouse(0x020A, 5, 5, 1030)});
    StorePlayback("M", 0, "R", 0, 3);
    StartMacro();
    RunTimer();

    const auto& sent = fake::SentInputs();
    ASSERT_EQ(sent.size(), 3u);  // the key and the wheel do not pass the mouse filter
    constexpr win::DWORD kAbsolute = win::MOUSEEVENTF_MOVE | win::MOUSEEVENTF_ABSOLUTE | win::MOUSEEVENTF_VIRTUALDESK;
    EXPECT_EQ(sent[0].type, win::INPUT_MOUSE);
    EXPECT_EQ(sent[0].mi.dwFlags, kAbsolute);
    EXPECT_EQ(sent[0].mi.dx, 0);
    EXPECT_EQ(sent[0].mi.dy, 0);
    EXPECT_EQ(sent[1].mi.dwFlags, kAbsolute | win::MOUSEEVENTF_LEFTDOWN);
    EXPECT_EQ(sent[2].mi.dwFlags, kAbsolute | win::MOUSEEVENTF_LEFTUP);
    // Each normalised value maps back onto the recorded pixel, the far
    // corner included.
    EXPECT_EQ(-1280 + sent[1].mi.dx * 2560 / 65536, 1279);
    EXPECT_EQ(sent[1].mi.dy * 1024 / 65536, 1023);
    EXPECT_EQ(-1280 + sent[2].mi.dx * 2560 / 65536, 0);
    EXPECT_EQ(sent[2].mi.dy * 1024 / 65536, 512);
    // The screen is read once for events within a second of each other.
    EXPECT_EQ(fake::Calls("GetSystemMetrics"), 4);
}

// Left busy, the runner would drop every later hot key until a restart.
TEST_F(PlayerTest, ARunnerThatCannotBeResumedAfterThePlaybackIsEndedWithAMessage) {
    StoreRecording("R", {Key(win::WM_KEYDOWN, 'A', 0x1E, 1000)});
    StorePlayback("M", 0, "R");
    StoreKeyStroke("M", 1, 'Z');
    for (bool injected : {false, true}) {
        SCOPED_TRACE(injected ? "injected" : "journal hook");
        if (injected) RefuseJournalHooks();
        StartMacro();
        fake::Fail("PostMessageA", win::ERROR_NOT_ENOUGH_MEMORY, 1);
        if (!injected) {
            SystemPlays();
            EXPECT_EQ(dialog->macroRunning, 1) << "nothing is shown inside the hook";
        }
        RunTimer();
        EXPECT_EQ(dialog->macroRunning, 0);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Failed to start macro: M"});
        EXPECT_TRUE(fake::Hooks().size() <= 1u) << "at most the test's own hook";
        EXPECT_EQ(PlaybackTimer(), nullptr);
        fake::ClearMessageBoxes();
        PressHotKey(0);  // hot keys work again
        EXPECT_EQ(dialog->macroRunning, 1);
        RemovePlaybackWatchHook();
        dialog->EndMacro();
    }
}

// A recorded scroll keeps its direction and distance; a recording made
// before wheel distances were kept scrolls one notch away from the user.
TEST_F(PlayerTest, WheelEventsReplayTheirRecordedDistance) {
    RefuseJournalHooks();
    win::MSLLHOOKSTRUCT down{{10, 20}, static_cast<win::DWORD>(-240) << 16, 0, 1000, 0};
    win::MSLLHOOKSTRUCT right{{10, 20}, 30u << 16, 0, 1010, 0};
    StoreRecording("R", {MouseRecord(win::WM_MOUSEWHEEL, down, nullptr), MouseRecord(win::WM_MOUSEHWHEEL, right, nullptr),
                         Mouse(win::WM_MOUSEWHEEL, 10, 20, 1020)});
    StorePlayback("M", 0, "R");
    StartMacro();
    RunTimer();
    const auto& sent = fake::SentInputs();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_NE(sent[0].mi.dwFlags & win::MOUSEEVENTF_WHEEL, 0u);
    EXPECT_EQ(static_cast<std::int32_t>(sent[0].mi.mouseData), -240);
    EXPECT_NE(sent[1].mi.dwFlags & win::MOUSEEVENTF_HWHEEL, 0u);
    EXPECT_EQ(sent[1].mi.mouseData, 30u);
    EXPECT_EQ(sent[2].mi.mouseData, 120u);
}

TEST_F(PlayerTest, APhysicalCtrlEscCancelsAnInjectedPlaybackButTheRecordingsOwnDoesNot) {
    RefuseJournalHooks();
    TakeCtrlEsc();
    StartCtrlEscPlayback();
    RunTimer(1);
    ASSERT_EQ(fake::SentInputs().size(), 4u);
    EXPECT_TRUE(fake::ThreadMessages().empty());

    // Esc alone, or Ctrl released before Esc, is no cancel.
    fake::PressPhysicalKey(kEscape, false);
    fake::PressPhysicalKey(kLeftControl, false);
    fake::PressPhysicalKey(kLeftControl, true);
    fake::PressPhysicalKey(kEscape, false);
    EXPECT_TRUE(fake::ThreadMessages().empty());
    RunTimer(1);
    ASSERT_EQ(fake::SentInputs().size(), 5u);

    // A window of another program under the same title does not take the
    // cancel: it goes to the window that started the playback.
    const win::HWND other = fake::AddWindow("Keyloom");
    fake::PressPhysicalKey(kLeftControl, false);
    fake::PressPhysicalKey(kEscape, false);
    const auto posted = fake::TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].window, window);
    EXPECT_NE(posted[0].window, other);
    EXPECT_EQ(posted[0].message, win::WM_CANCELJOURNAL);
    dialog->OnCancelJournal();
    EXPECT_EQ(RunTimer(), 0);  // nothing more is injected
    // The recording's 'A' was down: it is released, as injected input.
    ASSERT_EQ(fake::SentInputs().size(), 6u);
    EXPECT_EQ(fake::SentInputs()[5].ki.wVk, 'A');
    EXPECT_EQ(fake::SentInputs()[5].ki.dwFlags, win::KEYEVENTF_KEYUP);
    EXPECT_EQ(dialog->macroRunning, 0);
    ASSERT_EQ(fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(fake::MessageBoxes()[0].text, "Play back of recording has been terminated by the system!");
    EXPECT_TRUE(fake::KeyEvents().empty());
    EXPECT_TRUE(fake::Hooks().empty());
    EXPECT_EQ(PlaybackTimer(), nullptr);
}

// Ctrl+Esc is the runner window's hot key while an injected playback runs;
// the system fires it for the recording's own Ctrl+Esc too, which is no
// cancel.
TEST_F(PlayerTest, TheCtrlEscHotKeyCancelsAnInjectedPlaybackButTheRecordingsOwnDoesNot) {
    RefuseJournalHooks();
    StartCtrlEscPlayback();
    ASSERT_TRUE(CancelHotKeyRegistered());
    int combinations = 0;
    for (const auto& key : fake::HotKeys())
        combinations += key.window == window && key.virtualKey == win::VK_ESCAPE && (key.modifiers & win::MOD_CONTROL) != 0;
    // With Shift, Alt and Win as the playback may hold them; Ctrl+Alt+Esc
    // is the stop key already.
    EXPECT_EQ(combinations, kPlaybackCancelHotKeys);
    RunTimer(1);
    ASSERT_EQ(fake::SentInputs().size(), 4u);
    dialog->OnHotKey(kPlaybackCancelHotKeyId);  // the recording's own Esc
    EXPECT_TRUE(fake::TakePosted().empty());
    RunTimer(1);
    ASSERT_EQ(fake::SentInputs().size(), 5u);

    dialog->OnHotKey(kPlaybackCancelHotKeyId);
    const auto posted = fake::TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].window, window);
    EXPECT_EQ(posted[0].message, win::WM_CANCELJOURNAL);
    dialog->OnCancelJournal();
    EXPECT_EQ(RunTimer(), 0);
    ASSERT_EQ(fake::SentInputs().size(), 6u);  // the recording's 'A' let go
    EXPECT_EQ(fake::SentInputs()[5].ki.wVk, 'A');
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Play back of recording has been terminated by the system!"});
    EXPECT_FALSE(CancelHotKeyRegistered());
    for (const auto& key : fake::HotKeys())
        EXPECT_FALSE(key.id <= kPlaybackCancelHotKeyId && key.id > kPlaybackCancelHotKeyId - kPlaybackCancelHotKeys)
            << "every combination given back";
    EXPECT_TRUE(fake::KeyEvents().empty()) << "the run ended before its 'Z'";
    dialog->OnHotKey(kPlaybackCancelHotKeyId);  // a late one changes nothing
    EXPECT_TRUE(fake::TakePosted().empty());
}

TEST_F(PlayerTest, TheSystemsCancelIsRelayedToThePlayersOwnWindowOrReportedWhenItIsGone) {
    StoreRecording("R", {Key(win::WM_KEYDOWN, 'A', 0x1E, 1000), Key(win::WM_KEYUP, 'A', 0x1E, 5000)});
    StorePlayback("M", 0, "R");
    StoreKeyStroke("M", 1, 'Z');
    StartMacro();
    const win::HWND other = fake::AddWindow("Keyloom");
    win::EVENTMSG record{};
    const win::HHOOK journal = fake::FindHook(win::WH_JOURNALPLAYBACK);
    fake::CallHook(journal, win::HC_GETNEXT, 0, reinterpret_cast<win::LPARAM>(&record));
    fake::CallHook(journal, win::HC_SKIP, 0, 0);  // 'A' is down now

    fake::CancelJournal();
    fake::RetrieveThreadMessages();
    auto posted = fake::TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].window, window);
    EXPECT_EQ(posted[0].message, win::WM_CANCELJOURNAL);
    EXPECT_EQ(RunTimer(), 0);  // the grace timer plays nothing after the cancel
    dialog->OnCancelJournal();
    EXPECT_EQ(dialog->macroRunning, 0);
    ASSERT_EQ(fake::SentInputs().size(), 1u);  // the system's 'A' released
    EXPECT_EQ(fake::SentInputs()[0].ki.dwFlags, win::KEYEVENTF_KEYUP);
    EXPECT_TRUE(fake::Hooks().empty());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Play back of recording has been terminated by the system!"});
    // A cancel when no playback runs changes nothing.
    fake::ClearMessageBoxes();
    win::PostThreadMessageA(fake::MainThreadId(), win::WM_CANCELJOURNAL, 0, 0);
    fake::RetrieveThreadMessages();
    dialog->OnCancelJournal();
    PressHotKey(0);
    EXPECT_EQ(dialog->macroRunning, 1);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    RemovePlaybackWatchHook();
    dialog->EndMacro();
    fake::RemoveWindow(other);

    // The player's window gone, the cancel is reported and the run stays.
    StartMacro();
    fake::CallHook(fake::FindHook(win::WH_JOURNALPLAYBACK), win::HC_GETNEXT, 0, reinterpret_cast<win::LPARAM>(&record));
    fake::ClearMessageBoxes();
    fake::RemoveWindow(window);
    fake::CancelJournal();
    fake::RetrieveThreadMessages();
    ASSERT_EQ(fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(fake::MessageBoxes()[0].text,
              "Play back of recording has been terminated by the system!\n"
              "Unable to reset Keyloom!  Please close Keyloom and restart!");
    EXPECT_EQ(fake::MessageBoxes()[0].caption, "Attention - Keyloom");
    EXPECT_EQ(fake::MessageBoxes()[0].type, win::MB_OK | win::MB_ICONWARNING);
    EXPECT_EQ(fake::CountHooks(win::WH_GETMESSAGE), 1);  // the run was not reset
    EXPECT_EQ(dialog->macroRunning, 1);
}

TEST_F(PlayerTest, EachPlaybackHasAWatchHookForAsLongAsItPlays) {
    StoreRecording("R", {Key(win::WM_KEYDOWN, 'A', 0x1E, 1000)});
    StorePlayback("M", 0, "R");
    StorePlayback("M", 1, "R");
    StoreKeyStroke("M", 2, 'Z');
    StartMacro();
    EXPECT_EQ(SystemPlays().size(), 1u);
    Deliver();
    EXPECT_EQ(fake::CountHooks(win::WH_JOURNALPLAYBACK), 1);
    EXPECT_EQ(fake::CountHooks(win::WH_GETMESSAGE), 1);
    EXPECT_EQ(SystemPlays().size(), 1u);
    Deliver();
    EXPECT_EQ(MacroKeys(), (std::vector<win::BYTE>{'Z', 'Z'}));
    EXPECT_TRUE(fake::Hooks().empty());
    EXPECT_EQ(fake::Calls("UnhookWindowsHookEx"), 4);  // a journal and a watch hook each
}

TEST_F(PlayerTest, ARecordingIsHeldWhileItPlaysAndLetGoOfHoweverThePlaybackEnds) {
    const std::uint64_t bytes = 3 * kJournalEventBytes;
    StoreRecording("R", {Key(win::WM_KEYDOWN, 'A', 0x1E, 1000), Key(win::WM_KEYUP, 'A', 0x1E, 1100),
                         Key(win::WM_KEYUP, 'B', 0x30, 9000)});
    StorePlayback("M", 0, "R");
    StorePlayback("M", 1, "R");
    StartMacro();
    EXPECT_EQ(PlaybackBytesHeld(), bytes);
    // Played out through the journal hook: gone before the runner goes on.
    EXPECT_EQ(SystemPlays().size(), 3u);
    EXPECT_EQ(PlaybackBytesHeld(), 0u);
    Deliver();
    EXPECT_EQ(PlaybackBytesHeld(), bytes);
    dialog->OnCancelJournal();
    EXPECT_EQ(PlaybackBytesHeld(), 0u);
    EXPECT_EQ(dialog->macroRunning, 0);

    // Injected: played out, then stopped halfway.
    RefuseJournalHooks();
    PressHotKey(0);
    EXPECT_EQ(PlaybackBytesHeld(), bytes);
    RunTimer();
    EXPECT_EQ(PlaybackBytesHeld(), 0u);
    Deliver();
    EXPECT_EQ(PlaybackBytesHeld(), bytes);
    RunTimer(1);
    ASSERT_EQ(fake::SentInputs().size(), 4u);  // three played out, then the first of these
    dialog->StopAll();
    EXPECT_EQ(PlaybackBytesHeld(), 0u);
    EXPECT_EQ(dialog->macroRunning, 0);
    EXPECT_EQ(PlaybackTimer(), nullptr);
}

TEST_F(PlayerTest, RecordingsWithNothingToPlayLetTheMacroGoOnAtOnce) {
    StoreRecording("Empty", {});
    StoreRecording("Keys", {Key(win::WM_KEYDOWN, 'A', 0x1E, 1000)});
    StorePlayback("M", 0, "Empty");
    StorePlayback("M", 1, "Keys", 0, 3);  // mouse only
    StorePlayback("M", 2, "Keys", 0, 7);  // no such filter
    StoreKeyStroke("M", 3, 'Z');
    StartMacro();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(SystemPlays().empty());
        Deliver();
    }
    EXPECT_EQ(MacroKeys(), (std::vector<win::BYTE>{'Z', 'Z'}));
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(PlayerTest, SpeedAndFilterThatCannotBeReadAreReportedAndPlayAsRecorded) {
    StoreRecording("R", {Key(win::WM_KEYDOWN, 'A', 0x1E, 1000), Key(win::WM_KEYUP, 'A', 0x1E, 1100)});
    StoreInstruction("M", 0, kind::PlaybackRecording,
                     {Text("JournalName", "R"), Text("PlayBackSpeed", "fast"), Text("PlayBackEvent", "all keys")});
    StartMacro();
    ASSERT_EQ(fake::MessageBoxes().size(), 2u);
    EXPECT_NE(fake::MessageBoxes()[0].text.find("Commands\\0\\PlayBackSpeed"), std::string::npos);
    EXPECT_NE(fake::MessageBoxes()[1].text.find("Commands\\0\\PlayBackEvent"), std::string::npos);
    const auto played = SystemPlays();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[1].firstDelay, 100);
}

TEST_F(PlayerTest, TheLowestSpeedPlaysEveryIntervalAsNothing) {
    StoreRecording("R", {Key(win::WM_KEYDOWN, 'A', 0x1E, 1000), Key(win::WM_KEYUP, 'A', 0x1E, 61000)});
    StorePlayback("M", 0, "R", INT_MIN);
    StartMacro();
    const auto played = SystemPlays();
    ASSERT_EQ(played.size(), 2u);
    EXPECT_EQ(played[1].firstDelay, 0);  // 60 s times 50 / 2^31 is less than 1 ms
}

TEST_F(PlayerTest, ARecordingThatCannotBeLoadedEndsTheRunWithTheStoresMessage) {
    StorePlayback("M", 0, "Gone");
    StoreKeyStroke("M", 1, 'Z');
    fake::SetDword(kJournals + "Short", "Count", 3);
    fake::SetDword(kJournals + "Short", "Type", 1);
    fake::SetValue(kJournals + "Short", "0", win::REG_BINARY, std::vector<std::uint8_t>(20, 0));
    StoreMacro("N", 'N', win::MOD_CONTROL, 78);
    StorePlayback("N", 0, "Short");
    StoreKeyStroke("N", 1, 'Z');
    Start();

    PressHotKey(0);  // "M" sorts first
    ASSERT_EQ(fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(fake::MessageBoxes()[0].text.rfind(
                  "Error opening key in reigistry at: Software\\Tallow Labs\\Keyloom\\Journals\\Gone, error: ", 0),
              0u);
    EXPECT_EQ(fake::MessageBoxes()[0].caption, "Attention");
    EXPECT_EQ(dialog->macroRunning, 0);

    PressHotKey(1);
    ASSERT_EQ(fake::MessageBoxes().size(), 2u);
    EXPECT_NE(fake::MessageBoxes()[1].text.find("Journals\\Short\\1"), std::string::npos);
    EXPECT_EQ(dialog->macroRunning, 0);
    EXPECT_TRUE(fake::KeyEvents().empty());
    EXPECT_TRUE(fake::Hooks().empty());
    EXPECT_EQ(PlaybackTimer(), nullptr);
}

TEST_F(PlayerTest, AHookThatCannotBeSetEndsTheRunAndLeavesNoHookBehind) {
    StoreRecording("R", {Key(win::WM_KEYDOWN, 'A', 0x1E, 1000)});
    StorePlayback("M", 0, "R");
    StoreKeyStroke("M", 1, 'Z');
    // The watch hook refused while the journal hook is accepted; then, with
    // journal hooks refused, the cancel-key hook too.
    fake::Fail("SetWindowsHookExA", win::ERROR_ACCESS_DENIED, 1, "WH_GETMESSAGE");
    StartMacro();
    RefuseJournalHooks();
    TakeCtrlEsc();
    fake::Fail("SetWindowsHookExA", win::ERROR_ACCESS_DENIED, 1, "WH_KEYBOARD_LL");
    PressHotKey(0);

    ASSERT_EQ(fake::MessageBoxes().size(), 2u);
    for (const auto& box : fake::MessageBoxes()) {
        EXPECT_EQ(box.text, "Unable to set hook for play back of recording!");
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.type, win::MB_OK | win::MB_ICONERROR);
        EXPECT_EQ(box.owner, nullptr);
    }
    EXPECT_EQ(dialog->macroRunning, 0);
    EXPECT_TRUE(fake::KeyEvents().empty());
    EXPECT_TRUE(fake::Hooks().empty());
    EXPECT_EQ(PlaybackTimer(), nullptr);
    EXPECT_EQ(RunTimer(), 0);
}

// What Keyloom holds is let go whenever an end was not the user's choice:
// the playback's own keys when it ends in any way, the macro's Key Down Only
// keys too when the run fails, is cancelled or the program shuts down.
std::vector<std::pair<win::WORD, win::DWORD>> Releases() {
    std::vector<std::pair<win::WORD, win::DWORD>> sent;
    for (const auto& input : fake::SentInputs())
        if (input.type == win::INPUT_KEYBOARD && (input.ki.dwFlags & win::KEYEVENTF_KEYUP) != 0)
            sent.emplace_back(input.ki.wVk, input.ki.dwFlags);
    return sent;
}

TEST_F(PlayerTest, APlaybackLetsGoOfItsKeysHoweverItEndsAndTheMacroKeepsItsOwnOnlyWhenItEndsNormally) {
    RefuseJournalHooks();
    // Key Down Only Q, then a recording that holds Shift and Ctrl across a
    // long pause before it lets go.
    StoreInstruction("M", 0, 'Q', {Dword("KeyPressed", 0)});
    StoreRecording("R", {Key(win::WM_KEYDOWN, win::VK_SHIFT, 0x2A, 1000), Key(win::WM_KEYDOWN, win::VK_CONTROL, 0x1D, 1000),
                         Key(win::WM_KEYDOWN, 'A', 0x1E, 1000), Key(win::WM_KEYUP, 'A', 0x1E, 1000),
                         Mouse(win::WM_MOUSEMOVE, 5, 5, 5000), Key(win::WM_KEYUP, win::VK_CONTROL, 0x1D, 9000), Key(win::WM_KEYUP, win::VK_SHIFT, 0x2A, 9000)});
    StorePlayback("M", 1, "R");
    const std::vector<std::pair<win::WORD, win::DWORD>> playbackReleased{{win::VK_CONTROL, win::KEYEVENTF_KEYUP},
                                                                         {win::VK_SHIFT, win::KEYEVENTF_KEYUP}};
    const auto inThePause = [&] {
        fake::ClearSentInputs();
        StartMacro();
        RunTimer(1);
        ASSERT_EQ(fake::SentInputs().size(), 4u);
        ASSERT_EQ(input::HeldCount(), 3u);  // Q, Shift, Ctrl
        fake::ClearSentInputs();
        fake::ClearMessageBoxes();
    };

    {
        SCOPED_TRACE("played out: the macro keeps its Q");
        StartMacro();
        RunTimer();
        Deliver();
        EXPECT_EQ(dialog->macroRunning, 0);
        EXPECT_TRUE(Releases().size() == 3u && Releases()[0].first == 'A') << "the recording's own releases only";
        EXPECT_EQ(input::HeldCount(), 1u);
        input::ForgetHeld();
    }
    {
        SCOPED_TRACE("cancelled inside the pause");
        inThePause();
        // Ctrl+Esc while the recording holds its Shift and Ctrl: the
        // system reports the hot key with Shift.
        dialog->OnHotKey(kPlaybackCancelHotKeyId - 1);
        Deliver();
        // Newest first, then the macro's Q: a cancel is no choice of the user.
        auto expected = playbackReleased;
        expected.emplace_back('Q', win::KEYEVENTF_KEYUP);
        EXPECT_EQ(Releases(), expected);
        EXPECT_EQ(input::HeldCount(), 0u);
        EXPECT_EQ(dialog->macroRunning, 0);
    }
    {
        SCOPED_TRACE("a timer that fails");
        inThePause();
        // Inside the pause the timer cannot be armed for the next event.
        fake::Fail("SetWaitableTimer", win::ERROR_INVALID_HANDLE, 1);
        RunTimer(1);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Unable to set hook for play back of recording!"});
        auto expected = playbackReleased;
        expected.emplace_back('Q', win::KEYEVENTF_KEYUP);
        EXPECT_EQ(Releases(), expected);
        EXPECT_EQ(dialog->macroRunning, 0);
        fake::ClearMessageBoxes();
    }
    {
        SCOPED_TRACE("stopped: everything let go, silently, and the next hot key runs at once");
        inThePause();
        dialog->StopAll();
        auto expected = playbackReleased;
        expected.emplace_back('Q', win::KEYEVENTF_KEYUP);
        EXPECT_EQ(Releases(), expected);
        EXPECT_EQ(input::HeldCount(), 0u);
        EXPECT_EQ(dialog->macroRunning, 0);
        EXPECT_TRUE(fake::Hooks().empty());
        EXPECT_EQ(PlaybackTimer(), nullptr);
        EXPECT_TRUE(fake::MessageBoxes().empty());
        Deliver();  // a late cancel of the stopped playback changes nothing
        EXPECT_TRUE(fake::MessageBoxes().empty());
        inThePause();
        dialog->StopAll();
        input::ForgetHeld();
    }
    {
        SCOPED_TRACE("shut down");
        inThePause();
        dialog->OnShutdown();
        auto expected = playbackReleased;
        expected.emplace_back('Q', win::KEYEVENTF_KEYUP);
        EXPECT_EQ(Releases(), expected);
        EXPECT_EQ(dialog->macroRunning, 0);
        EXPECT_TRUE(fake::Hooks().empty());
        EXPECT_EQ(PlaybackTimer(), nullptr);
    }
}

TEST(HeldInput, ReleasesNewestFirstOnceEachAndKeepsWhatTheSystemRefused) {
    fake::Reset();
    input::ForgetHeld();
    // A press twice (auto-repeat) is held once; a right-hand release ends a
    // generic press; mouse buttons and X buttons are held as keys are.
    input::SendKeyEvent(win::VK_SHIFT, 0x2A, 0, input::Owner::Macro);
    input::SendKeyEvent(win::VK_SHIFT, 0x2A, 0, input::Owner::Macro);
    input::SendKeyEvent(win::VK_CONTROL, 0x1D, 0, input::Owner::Macro);
    input::SendKeyEvent(win::VK_RCONTROL, 0x1D, win::KEYEVENTF_EXTENDEDKEY | win::KEYEVENTF_KEYUP, input::Owner::Macro);
    win::INPUT presses[3]{};
    presses[0].type = win::INPUT_MOUSE;
    presses[0].mi.dwFlags = win::MOUSEEVENTF_MOVE | win::MOUSEEVENTF_ABSOLUTE | win::MOUSEEVENTF_LEFTDOWN;
    presses[1].type = win::INPUT_MOUSE;
    presses[1].mi.dwFlags = win::MOUSEEVENTF_XDOWN;
    presses[1].mi.mouseData = 2;
    presses[2].type = win::INPUT_KEYBOARD;
    presses[2].ki.wVk = win::VK_RMENU;
    presses[2].ki.wScan = 0x38;
    presses[2].ki.dwFlags = win::KEYEVENTF_EXTENDEDKEY;
    EXPECT_EQ(input::Send(presses, 3, input::Owner::Playback), 3u);
    EXPECT_EQ(input::HeldCount(), 4u);

    // The system takes one input of the batch: the rest stays held.
    fake::ClearSentInputs();
    fake::Fail("SendInput", win::ERROR_ACCESS_DENIED, 1);
    input::ReleaseAllHeld();
    EXPECT_EQ(input::HeldCount(), 4u);
    input::ReleaseHeld(input::Owner::Playback);
    const auto& sent = fake::SentInputs();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].ki.wVk, win::VK_RMENU);
    EXPECT_EQ(sent[0].ki.dwFlags, win::KEYEVENTF_EXTENDEDKEY | win::KEYEVENTF_KEYUP);
    EXPECT_EQ(sent[1].mi.dwFlags, win::MOUSEEVENTF_XUP);  // no move: released where the pointer is
    EXPECT_EQ(sent[1].mi.mouseData, 2u);
    EXPECT_EQ(sent[2].mi.dwFlags, win::MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(input::HeldCount(), 1u);  // the macro's Shift
    input::ReleaseAllHeld();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[3].ki.wVk, win::VK_SHIFT);
    EXPECT_EQ(sent[3].ki.wScan, 0x2A);
    EXPECT_EQ(input::HeldCount(), 0u);
}

}  // namespace
