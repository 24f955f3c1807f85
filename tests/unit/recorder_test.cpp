#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "exec/runner.h"
#include "journal/record_dialog.h"
#include "input/input_thread.h"
#include "journal/recorder.h"
#include "platform/fake/fake.h"
#include "platform/fake/fake_hooks.h"
#include "platform/fake/fake_windows.h"
#include "store/recording_store.h"
#include "store/registry_store.h"
#include "test_rows.h"

namespace {

const std::string kJournals = "Software\\Tallow Labs\\Keyloom\\Journals\\";
constexpr win::DWORD kNotepadThread = 0x3000;
constexpr std::uint32_t kWmChar = 0x0102;
constexpr std::uint32_t kWmSysKeyDown = 0x0104;

// Most cases feed the journal hook, which serves where the low-level hooks
// are refused; TheLowLevelHooks... cases feed the low-level pair.
class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        input::StopInputThread();
        fake::Reset();
        if (refuseLowLevel) fake::Fail("SetWindowsHookExA", win::ERROR_ACCESS_DENIED, -1, "_LL");
        mainWindow = fake::AddWindow("Keyloom");
        ASSERT_TRUE(input::StartInputThread(mainWindow));
        notepad = fake::AddOtherWindow("Untitled - Notepad \t ", kNotepadThread);
        dialogWindow = fake::AddWindow(kRecordDialogTitle);
        ASSERT_TRUE(RegistryStore::EnsureStoreTree());
        dialog = std::make_unique<RecordDialog>(dialogWindow, list, mainWindow);
        dialog->Initialize();
    }
    void TearDown() override {
        Recorder().RemoveHooks();
        Recorder().Discard();
        Recorder().mostEvents = kMaxRecordedEvents;
    }

    // "Record" on a row, then the WM_RECORD_BEGIN it posts.
    void StartIn(int row) {
        list.selected = row;
        dialog->OnRecord();
        auto posted = fake::TakePosted();
        ASSERT_EQ(posted.size(), 1u);
        EXPECT_EQ(posted[0].window, dialogWindow);
        ASSERT_EQ(posted[0].message, WM_RECORD_BEGIN);
        EXPECT_EQ(dialog->OnBegin(), RecordDialog::Close::No);
    }

    // The main window's part: hands over what the input thread's hooks
    // queued, and returns the other messages posted meanwhile.
    std::vector<fake::PostedMessage> Deliver() {
        std::vector<fake::PostedMessage> others;
        for (const auto& message : fake::TakePosted()) {
            if (message.window == mainWindow && message.message == WM_INPUT_RECORD)
                input::DeliverRecords();
            else
                others.push_back(message);
        }
        for (const auto& message : fake::TakePosted()) others.push_back(message);
        return others;
    }

    // The system hands the journal hook one event.
    win::LRESULT Journal(std::uint32_t message, std::uint32_t paramL, std::uint32_t time = 0) {
        win::EVENTMSG record{message, paramL, 1, time, notepad};
        return fake::CallHook(fake::FindHook(win::WH_JOURNALRECORD), win::HC_ACTION, 0,
                              reinterpret_cast<win::LPARAM>(&record));
    }
    void Keys(int n) {
        for (int i = 0; i < n; ++i) Journal(kWmChar, 'a', static_cast<std::uint32_t>(i));
    }

    std::vector<std::uint8_t> Value(const std::string& name, const std::string& value) {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        if (!fake::GetValue(kJournals + name, value, &type, &data)) return {};
        return data;
    }
    std::uint32_t Dword(const std::string& name, const std::string& value) {
        auto data = Value(name, value);
        return data.size() == 4 ? data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24
                                : 0xDEADu;
    }
    std::vector<std::size_t> ChunkSizes(const std::string& name) {
        std::vector<std::size_t> sizes;
        for (std::uint32_t i = 0; i < Dword(name, "Count"); ++i) sizes.push_back(Value(name, std::to_string(i)).size());
        return sizes;
    }
    RecordDialog::Close Save(const std::string& name) {
        dialog->recordingName = name;
        return dialog->OnSave();
    }
    std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const auto& box : fake::MessageBoxes()) texts.push_back(box.text);
        return texts;
    }

    win::HWND mainWindow{}, notepad{}, dialogWindow{};
    TestRows list{240};
    std::unique_ptr<RecordDialog> dialog;
    bool refuseLowLevel = true;
};

TEST_F(RecorderTest, TheStartListHoldsShownWindowsInEnumerationOrderWithTitlesTrimmed) {
    const win::HWND hidden = fake::AddOtherWindow("Hidden", 0x3100);
    fake::SetWindowState(hidden, {false, win::SW_SHOWNORMAL, 0x3100, {}});
    const win::HWND placedHidden = fake::AddOtherWindow("Placed hidden", 0x3200);
    fake::SetWindowState(placedHidden, {true, win::SW_HIDE, 0x3200, {}});
    const win::HWND minimised = fake::AddOtherWindow("", 0x3300);
    fake::SetWindowState(minimised, {true, win::SW_SHOWMINIMIZED, 0x3300, {}});
    list = TestRows{240};
    dialog = std::make_unique<RecordDialog>(dialogWindow, list, mainWindow);
    dialog->Initialize();

    ASSERT_EQ(list.columns.size(), 1u);
    EXPECT_EQ(list.columns[0].heading, "Begin recording in the following window:");
    EXPECT_EQ(list.columns[0].width, 240);
    EXPECT_EQ(list.rows, (std::vector<std::vector<std::string>>{
                                            {"Keyloom"}, {"Untitled - Notepad"}, {"Keyloom - Record"}, {""}}));
    ASSERT_EQ(startWindows.size(), 4u);
    EXPECT_EQ(startWindows[1].window, notepad);
    EXPECT_EQ(startWindows[3].window, minimised);
    EXPECT_EQ(Recorder().recordFilter, 1);
}

TEST_F(RecorderTest, RecordAttachesToTheStartWindowBringsItForwardAndDetachesWhenStopped) {
    dialog->OnRecord();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"No starting window selected!"});
    EXPECT_TRUE(fake::TakePosted().empty());

    StartIn(1);
    EXPECT_EQ(fake::AttachedInputs(), (std::vector<std::pair<win::DWORD, win::DWORD>>{{kNotepadThread, fake::MainThreadId()}}));
    EXPECT_EQ(fake::ForegroundWindow(), notepad);
    EXPECT_NE(fake::FindHook(win::WH_JOURNALRECORD), nullptr);
    ASSERT_NE(fake::FindHook(win::WH_GETMESSAGE), nullptr);
    EXPECT_EQ(fake::Hooks().back().threadId, fake::MainThreadId());
    EXPECT_EQ(Recorder().Driver(), RecordDriver::Journal);

    dialog->StopRecordingHooks();
    EXPECT_TRUE(fake::Hooks().empty());
    EXPECT_TRUE(fake::AttachedInputs().empty());
    EXPECT_FALSE(dialog->inputAttached);
}

TEST_F(RecorderTest, TheOwnMainWindowNeedsNeitherAttachingNorTheForeground) {
    fake::SetForeground(notepad);
    StartIn(0);
    EXPECT_TRUE(fake::AttachedInputs().empty());
    EXPECT_EQ(fake::ForegroundWindow(), notepad);
}

TEST_F(RecorderTest, AttachOrForegroundRefusedEndsTheStartWithItsMessage) {
    list.selected = 1;
    fake::Fail("AttachThreadInput", win::ERROR_ACCESS_DENIED);
    dialog->OnRecord();
    fake::Fail("SetForegroundWindow", win::ERROR_ACCESS_DENIED);
    dialog->OnRecord();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Unable to attach to window you selected to start in!",
                                                    "Unable to bring the selected window to the foreground!"}));
    EXPECT_EQ(fake::MessageBoxes()[1].caption, "Error");
    EXPECT_EQ(fake::MessageBoxes()[1].type, win::MB_OK | win::MB_ICONERROR);
    EXPECT_TRUE(fake::AttachedInputs().empty());
    EXPECT_TRUE(fake::TakePosted().empty());
}

TEST_F(RecorderTest, RefusedHooksLeaveNothingInstalledAndNoEvents) {
    fake::Fail("SetWindowsHookExA", win::ERROR_ACCESS_DENIED, 1, "WH_JOURNALRECORD");
    StartIn(1);
    fake::Fail("SetWindowsHookExA", win::ERROR_ACCESS_DENIED, 1, "WH_GETMESSAGE");
    list.selected = 1;
    dialog->OnRecord();
    fake::TakePosted();
    dialog->OnBegin();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Unable to set hook for recording!", "Unable to set hook for message pump!"}));
    EXPECT_TRUE(fake::Hooks().empty());
    EXPECT_FALSE(Recorder().Holding());
    EXPECT_TRUE(fake::AttachedInputs().empty());
}

TEST_F(RecorderTest, CtrlBreakStopsAndSaveLeavesOutItsKeystrokes) {
    dialog->OnMinimizeClicked();
    StartIn(1);
    ASSERT_FALSE(fake::ShowCalls().empty());
    EXPECT_EQ(fake::ShowCalls().back().command, win::SW_SHOWMINNOACTIVE);
    EXPECT_EQ(fake::ShowCalls().back().window, mainWindow);
    fake::SetForeground(notepad);

    Journal(win::WM_KEYDOWN, 'A' | 0x1E00, 10);
    Journal(win::WM_KEYUP, 'A' | 0x1E00, 20);
    Journal(win::WM_KEYDOWN, win::VK_CONTROL | 0x1D00, 30);
    Journal(win::WM_MOUSEMOVE, 5, 35);
    Journal(win::WM_KEYDOWN, win::VK_CONTROL | 0x1D00, 40);  // auto-repeat
    EXPECT_EQ(Journal(win::WM_KEYDOWN, win::VK_CANCEL | 0x4600, 50), 0);
    Journal(win::WM_KEYUP, win::VK_CANCEL | 0x4600, 60);
    Journal(win::WM_KEYUP, win::VK_CONTROL | 0x1D00, 70);
    EXPECT_EQ(Recorder().Count(), 7u);  // all but the Break's key-down

    auto posted = fake::TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].window, dialogWindow);
    EXPECT_EQ(posted[0].message, WM_RECORD_STOPPED);
    EXPECT_EQ(fake::ForegroundWindow(), dialogWindow);

    dialog->OnStopped();
    EXPECT_TRUE(fake::Hooks().empty());
    EXPECT_EQ(fake::ShowCalls().back().command, win::SW_SHOWNORMAL);
    ASSERT_EQ(fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(fake::MessageBoxes()[0].text, "Recording stopped!");
    EXPECT_EQ(fake::MessageBoxes()[0].caption, "Attention");
    EXPECT_EQ(fake::MessageBoxes()[0].type, win::MB_OK | win::MB_ICONINFORMATION);

    EXPECT_EQ(Save("typed"), RecordDialog::Close::Ok);
    EXPECT_EQ(ChunkSizes("typed"), std::vector<std::size_t>{40});
    const auto chunk = Value("typed", "0");
    EXPECT_EQ(DeserializeEvent(chunk.data()), (JournalEvent{win::WM_KEYDOWN, 'A' | 0x1E00, 1, 10, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(notepad))}));
    EXPECT_EQ(DeserializeEvent(chunk.data() + 20).time, 20u);
    EXPECT_EQ(Dword("typed", "Type"), 1u);
    EXPECT_FALSE(Recorder().Holding());
}

TEST_F(RecorderTest, CtrlBreakStopsAMouseRecordingWhichThenHoldsNoEvent) {
    dialog->OnFilter(3);
    StartIn(1);
    Journal(win::WM_KEYDOWN, win::VK_CONTROL);
    Journal(win::WM_KEYDOWN, win::VK_CANCEL);
    EXPECT_EQ(fake::TakePosted().at(0).message, WM_RECORD_STOPPED);
    dialog->OnStopped();
    EXPECT_EQ(Save("still"), RecordDialog::Close::Ok);
    EXPECT_EQ(Dword("still", "Count"), 0u);
    EXPECT_EQ(Dword("still", "Type"), 3u);
    EXPECT_TRUE(Value("still", "0").empty());
}

// The stop key ends a recording the way Ctrl-Break does, whether the hook
// sees its key-down or only the hot key comes; its own presses are not
// saved, nor is any key-down of it with other modifiers than its own.
TEST_F(RecorderTest, TheStopKeyEndsARecordingAsCtrlBreakDoesAndItsPressesAreLeftOut) {
    Recorder().SetStopKey(win::VK_ESCAPE, win::MOD_CONTROL | win::MOD_ALT);
    EXPECT_FALSE(Recorder().EndByStopKey());  // nothing recording: nothing told
    EXPECT_TRUE(fake::TakePosted().empty());
    for (const bool seenByHook : {true, false}) {
        SCOPED_TRACE(seenByHook);
        fake::TakePosted();
        fake::ClearMessageBoxes();
        StartIn(1);
        Journal(win::WM_KEYDOWN, win::VK_CONTROL | 0x1D00, 10);
        Journal(win::WM_KEYDOWN, win::VK_ESCAPE | 0x0100, 11);  // Ctrl+Esc alone: kept
        Journal(win::WM_KEYUP, win::VK_ESCAPE | 0x0100, 12);
        Journal(win::WM_KEYUP, win::VK_CONTROL | 0x1D00, 13);
        Journal(win::WM_KEYDOWN, win::VK_CONTROL | 0x1D00, 30);
        Journal(kWmSysKeyDown, win::VK_MENU | 0x3800, 31);
        Journal(kWmSysKeyDown, win::VK_MENU | 0x3800, 32);  // auto-repeat
        if (seenByHook) {
            EXPECT_EQ(Journal(kWmSysKeyDown, win::VK_ESCAPE | 0x0100, 40), 0);
            Journal(win::WM_SYSKEYUP, win::VK_ESCAPE | 0x0100, 41);
            EXPECT_EQ(Recorder().Count(), 8u);  // all but the stop's key-down
        }
        EXPECT_TRUE(Recorder().EndByStopKey());  // the hot key comes after the hook saw it, or alone
        auto posted = fake::TakePosted();
        ASSERT_EQ(posted.size(), 1u);
        EXPECT_EQ(posted[0].window, dialogWindow);
        EXPECT_EQ(posted[0].message, WM_RECORD_STOPPED);
        dialog->OnStopped();
        EXPECT_TRUE(fake::Hooks().empty());
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Recording stopped!"});
        EXPECT_FALSE(Recorder().EndByStopKey());
        EXPECT_EQ(Save("stopped"), RecordDialog::Close::Ok);
        EXPECT_EQ(ChunkSizes("stopped"), std::vector<std::size_t>{80});
    }
}

TEST_F(RecorderTest, TheFilterTakesEffectAtOnceAndSaveWritesTheOneInForce) {
    StartIn(1);
    Journal(win::WM_KEYDOWN, 'A');
    Journal(win::WM_LBUTTONDOWN, 1);
    Journal(0x0030, 0);  // neither keyboard nor mouse
    dialog->OnFilter(3);
    Journal(win::WM_KEYUP, 'A');
    Journal(win::WM_LBUTTONUP, 2);
    dialog->OnFilter(2);
    Journal(kWmSysKeyDown, 'B');
    Journal(0x020A, 3);  // the wheel lies outside the mouse range
    EXPECT_EQ(Save("mixed"), RecordDialog::Close::Ok);
    const auto bytes = Value("mixed", "0");
    std::vector<std::uint32_t> messages;
    for (std::size_t at = 0; at < bytes.size(); at += 20) messages.push_back(DeserializeEvent(bytes.data() + at).message);
    EXPECT_EQ(messages, (std::vector<std::uint32_t>{win::WM_KEYDOWN, win::WM_LBUTTONDOWN, 0x0030, win::WM_LBUTTONUP,
                                                    kWmSysKeyDown}));
    EXPECT_EQ(Dword("mixed", "Type"), 2u);
}

TEST_F(RecorderTest, ChunksAreFull16000ByteValuesThenTheRest) {
    const struct {
        int events;
        std::vector<std::size_t> sizes;
    } cases[] = {{0, {}}, {800, {16000}}, {801, {16000, 20}}, {1600, {16000, 16000}}};
    for (const auto& c : cases) {
        StartIn(1);
        Keys(c.events);
        const std::string name = "n" + std::to_string(c.events);
        ASSERT_EQ(Save(name), RecordDialog::Close::Ok);
        EXPECT_EQ(ChunkSizes(name), c.sizes) << c.events;
        EXPECT_EQ(Dword(name, "Count"), c.sizes.size()) << c.events;
    }
    // Consecutive events run on across the chunk boundary.
    EXPECT_EQ(DeserializeEvent(Value("n801", "1").data()).time, 800u);
}

TEST_F(RecorderTest, TheBufferGrowsBy10000EventsWhenFull) {
    StartIn(1);
    Keys(10000);
    EXPECT_EQ(Recorder().Capacity(), 10000u);
    Keys(1);
    EXPECT_EQ(Recorder().Capacity(), 20000u);
    EXPECT_EQ(Recorder().Count(), 10001u);
    EXPECT_EQ(Recorder().Event(10000).time, 0u);
    EXPECT_EQ(Recorder().Event(9999).time, 9999u);
}

// A recording one event longer would be saved but could be neither played
// back nor renamed. The stop is shown at a lower limit; the limit itself is
// what the player loads, to the event.
TEST_F(RecorderTest, RecordingStopsAtTheMostEventsThePlayerLoadsAndKeepsThem) {
    Recorder().mostEvents = 25000;
    StartIn(1);
    Keys(25000);
    EXPECT_EQ(Recorder().Capacity(), 25000u);
    EXPECT_TRUE(fake::TakePosted().empty());
    Keys(2);
    EXPECT_EQ(Recorder().Count(), 25000u);
    const auto posted = fake::TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, WM_RECORD_FULL);
    EXPECT_EQ(posted[0].window, dialogWindow);
    dialog->OnFull();
    EXPECT_EQ(fake::FindHook(win::WH_JOURNALRECORD), nullptr);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Recording stopped!  It holds as many events as can be played back."});
    ASSERT_EQ(Save("full"), RecordDialog::Close::Ok);
    EXPECT_EQ(Dword("full", "Count"), 32u);

    for (std::uint32_t events : {kMaxRecordedEvents, kMaxRecordedEvents + 1}) {
        std::vector<std::uint8_t> bytes(std::size_t{events} * kJournalEventBytes, 0);
        const auto chunks = CutIntoChunks(bytes.data(), bytes.size());
        ASSERT_TRUE(WriteRecording("most", chunks, static_cast<std::int32_t>(chunks.size()), 1));
        Recording loaded;
        EXPECT_EQ(LoadRecording("most", &loaded), events == kMaxRecordedEvents) << events;
        if (events == kMaxRecordedEvents) EXPECT_EQ(loaded.count, events);
    }
}

TEST_F(RecorderTest, SaveNeedsARecordingAndAName) {
    EXPECT_EQ(Save("x"), RecordDialog::Close::No);
    StartIn(1);
    Keys(3);
    EXPECT_EQ(Save(""), RecordDialog::Close::No);
    EXPECT_EQ(Save("a\\b"), RecordDialog::Close::No);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"A recording has not been made!", "Recording name must not be empty!",
                                                    "A recording name must not contain a backslash (\\)."}));
    EXPECT_FALSE(fake::KeyExists(kJournals + "a"));
    EXPECT_TRUE(Recorder().Holding());  // still there for a second try
    EXPECT_TRUE(fake::Hooks().empty());

    // A name longer than the lists enumerate would be saved and never seen
    // again; the longest the message allows is saved and can be found.
    fake::ClearMessageBoxes();
    EXPECT_EQ(Save(std::string(255, 'n')), RecordDialog::Close::No);
    ASSERT_EQ(BoxTexts().size(), 1u);
    const std::string prefix = "The recording name is too long: at most ";
    ASSERT_EQ(BoxTexts()[0].rfind(prefix, 0), 0u) << BoxTexts()[0];
    const std::size_t longest = std::stoul(BoxTexts()[0].substr(prefix.size()));
    EXPECT_FALSE(fake::KeyExists(kJournals + std::string(255, 'n')));
    ASSERT_EQ(Save(std::string(longest, 'n')), RecordDialog::Close::Ok);
    const auto names = fake::SubKeys(kJournals.substr(0, kJournals.size() - 1));
    EXPECT_NE(std::find(names.begin(), names.end(), std::string(longest, 'n')), names.end());
}

TEST_F(RecorderTest, ASystemCancelIsRelayedAndDiscardsTheEvents) {
    StartIn(1);
    Keys(5);
    fake::CancelJournal();
    fake::RetrieveThreadMessages();
    auto posted = fake::TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].window, dialogWindow);
    EXPECT_EQ(posted[0].message, win::WM_CANCELJOURNAL);
    EXPECT_EQ(fake::CountHooks(win::WH_GETMESSAGE), 0);

    dialog->OnCancelJournal();
    EXPECT_EQ(fake::MessageBoxes().back().text, "Recording has been terminated by the system!  Please try again!");
    EXPECT_EQ(fake::MessageBoxes().back().type, win::MB_OK | win::MB_ICONWARNING | win::MB_SYSTEMMODAL);
    EXPECT_EQ(Save("x"), RecordDialog::Close::No);
    EXPECT_EQ(fake::MessageBoxes().back().text, "A recording has not been made!");
    EXPECT_TRUE(fake::AttachedInputs().empty());
}

TEST_F(RecorderTest, CancelButtonClosesEscapeStaysAndBothDropTheEvents) {
    StartIn(1);
    Keys(2);
    dialog->OnEscape();
    EXPECT_FALSE(Recorder().Holding());
    EXPECT_TRUE(fake::Hooks().empty());
    StartIn(1);
    EXPECT_EQ(dialog->OnCancelButton(), RecordDialog::Close::Cancel);
    EXPECT_FALSE(Recorder().Holding());
    EXPECT_TRUE(fake::Hooks().empty());
}

class RecorderLowLevelTest : public RecorderTest {
protected:
    void SetUp() override {
        refuseLowLevel = false;
        RecorderTest::SetUp();
    }
};

// The low-level hooks are preferred: they feed the buffer with the records
// the journal hook would have delivered.
TEST_F(RecorderLowLevelTest, TheLowLevelHooksConvertKeysAndMouseToJournalRecords) {
    StartIn(1);
    EXPECT_EQ(fake::CountHooks(win::WH_JOURNALRECORD), 0);
    ASSERT_EQ(Recorder().Driver(), RecordDriver::LowLevel);
    EXPECT_EQ(fake::CountHooks(win::WH_KEYBOARD_LL), 1);
    EXPECT_EQ(fake::CountHooks(win::WH_MOUSE_LL), 1);
    // On the input thread, never on the UI thread that sleeps and shows boxes.
    for (const auto& hook : fake::Hooks())
        if (hook.idHook == win::WH_KEYBOARD_LL || hook.idHook == win::WH_MOUSE_LL)
            EXPECT_NE(hook.installedBy, fake::MainThreadId());
    const win::HWND under = fake::AddOtherWindow("Under", 0x3400);
    fake::SetWindowState(under, {true, win::SW_SHOWNORMAL, 0x3400, {-100, 600, 50, 800}});

    auto key = [](win::WPARAM message, win::DWORD vk, win::DWORD scan, win::DWORD flags, win::DWORD time) {
        win::KBDLLHOOKSTRUCT info{vk, scan, flags, time, 0};
        return fake::CallHook(fake::FindHook(win::WH_KEYBOARD_LL), win::HC_ACTION, message,
                              reinterpret_cast<win::LPARAM>(&info));
    };
    auto mouse = [](win::WPARAM message, win::LONG x, win::LONG y, win::DWORD time) {
        win::MSLLHOOKSTRUCT info{{x, y}, 0, 0, time, 0};
        return fake::CallHook(fake::FindHook(win::WH_MOUSE_LL), win::HC_ACTION, message,
                              reinterpret_cast<win::LPARAM>(&info));
    };
    EXPECT_EQ(key(win::WM_KEYDOWN, 0xA2, 0x1D, 0, 100), 0);  // left Ctrl: passed on, not kept from the system
    key(win::WM_KEYUP, 0xA3, 0x1D, win::LLKHF_EXTENDED | win::LLKHF_UP, 110);  // right Ctrl
    key(win::WM_SYSKEYDOWN, 'F', 0x21, win::LLKHF_ALTDOWN, 120);
    key(win::WM_SYSKEYUP, 0xA4, 0x38, win::LLKHF_UP, 130);  // left Alt
    EXPECT_EQ(mouse(win::WM_LBUTTONDOWN, -5, 700, 140), 0);
    mouse(win::WM_MOUSEMOVE, 900, 10, 150);
    key(win::WM_KEYDOWN, 'Q', 0x10, 0, 160);
    fake::CallHook(fake::FindHook(win::WH_KEYBOARD_LL), -1, win::WM_KEYDOWN, 0);  // negative code: only passed on
    EXPECT_EQ(Recorder().Count(), 0u) << "kept on the UI thread, when the main window hands the records over";
    EXPECT_TRUE(Deliver().empty());

    const auto handle = [](win::HWND w) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(w)); };
    const std::vector<JournalEvent> expected = {
        {win::WM_KEYDOWN, 0x11 | 0x1D00, 1, 100, handle(notepad)},
        {win::WM_KEYUP, 0x11 | 0x1D00, 0x8001, 110, handle(notepad)},
        {win::WM_SYSKEYDOWN, 'F' | 0x2100, 1, 120, handle(notepad)},
        {win::WM_SYSKEYUP, 0x12 | 0x3800, 1, 130, handle(notepad)},
        {win::WM_LBUTTONDOWN, 0xFFFFFFFBu, 700, 140, handle(under)},
        {win::WM_MOUSEMOVE, 900, 10, 150, handle(win::GetDesktopWindow())},
        {win::WM_KEYDOWN, 'Q' | 0x1000, 1, 160, handle(notepad)},
    };
    ASSERT_EQ(Recorder().Count(), expected.size());
    for (std::uint32_t i = 0; i < expected.size(); ++i) EXPECT_EQ(Recorder().Event(i), expected[i]) << i;

    // Ctrl-Break from the keyboard stops it as the journal hook does, and
    // its key-down goes no further: the dialog would take it for Cancel.
    win::KBDLLHOOKSTRUCT breakKey{win::VK_CANCEL, 0x46, win::LLKHF_EXTENDED, 170, 0};
    EXPECT_NE(fake::CallHook(fake::FindHook(win::WH_KEYBOARD_LL), win::HC_ACTION, win::WM_KEYDOWN,
                             reinterpret_cast<win::LPARAM>(&breakKey)),
              0);
    EXPECT_EQ(Deliver().at(0).message, WM_RECORD_STOPPED);
    EXPECT_EQ(Recorder().Count(), expected.size());
    dialog->OnStopped();
    EXPECT_TRUE(fake::Hooks().empty());
}

// One WM_INPUT_RECORD serves every record queued before the main window
// handles it; a post that fails leaves the next record to post again.
TEST_F(RecorderLowLevelTest, OneMessageServesTheRecordsQueuedBeforeItIsHandled) {
    StartIn(1);
    auto move = [](win::LONG x) {
        win::MSLLHOOKSTRUCT info{{x, 0}, 0, 0, 0, 0};
        fake::CallHook(fake::FindHook(win::WH_MOUSE_LL), win::HC_ACTION, win::WM_MOUSEMOVE,
                       reinterpret_cast<win::LPARAM>(&info));
    };
    // The messages posted since the last look, delivered as the main
    // window does; how many of them were WM_INPUT_RECORD.
    auto deliver = [&] {
        int told = 0;
        for (const auto& message : fake::TakePosted()) {
            if (message.window != mainWindow || message.message != WM_INPUT_RECORD) continue;
            ++told;
            input::DeliverRecords();
        }
        return told;
    };
    for (int i = 0; i < 5; ++i) move(i);
    EXPECT_EQ(deliver(), 1);
    EXPECT_EQ(Recorder().Count(), 5u);
    move(5);
    EXPECT_EQ(deliver(), 1) << "a record after the delivery posts anew";
    fake::Fail("PostMessageA", win::ERROR_NOT_ENOUGH_MEMORY, 1);
    move(6);
    move(7);
    EXPECT_EQ(deliver(), 1) << "the failed post is not taken for one on its way";
    EXPECT_EQ(Recorder().Count(), 8u);
}

// No system cancels a recording made through the low-level hooks: a
// physical Ctrl+Esc does it, as it cancels a journal hook; the keys a
// playback injects meanwhile do not.
TEST_F(RecorderLowLevelTest, APhysicalCtrlEscCancelsTheRecording) {
    StartIn(1);
    fake::PressPhysicalKey(win::VK_ESCAPE, false);
    win::INPUT injected[2]{};
    for (auto& input : injected) input.type = win::INPUT_KEYBOARD;
    injected[0].ki.wVk = win::VK_LCONTROL;
    injected[1].ki.wVk = win::VK_ESCAPE;
    win::SendInput(2, injected, static_cast<int>(sizeof(win::INPUT)));
    EXPECT_TRUE(Deliver().empty());
    EXPECT_EQ(Recorder().Count(), 3u) << "the keys are recorded";

    fake::PressPhysicalKey(win::VK_RCONTROL, false);
    fake::PressPhysicalKey(win::VK_ESCAPE, false);
    auto posted = Deliver();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].window, dialogWindow);
    EXPECT_EQ(posted[0].message, win::WM_CANCELJOURNAL);
    dialog->OnCancelJournal();
    EXPECT_EQ(BoxTexts().back(), "Recording has been terminated by the system!  Please try again!");
    EXPECT_TRUE(fake::Hooks().empty());
    EXPECT_FALSE(Recorder().Holding());
}

TEST_F(RecorderTest, WithoutTheRecordWindowTheWatchHookStaysAndNothingIsPosted) {
    StartIn(1);
    fake::RemoveWindow(dialogWindow);
    fake::CancelJournal();
    fake::RetrieveThreadMessages();
    EXPECT_TRUE(fake::TakePosted().empty());
    EXPECT_EQ(fake::CountHooks(win::WH_GETMESSAGE), 1);
}

}  // namespace
