#include "store/layout.h"
#include "exec/message_wait.h"
#include "exec/runner.h"
#include "macro_fixture.h"
#include "platform/fake/fake_hooks.h"

namespace {

std::vector<std::vector<std::string>> Rows(const TestRows& list) { return list.rows; }

std::int32_t StoredId(const std::string& macro) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    if (!fake::GetValue(kMacros + macro, "id", &type, &bytes) || bytes.size() != 4) return -999;
    return static_cast<std::int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
}

TEST_F(RunnerTest, StartRegistersHotKeysInEnumerationOrderAndRewritesEveryId) {
    StoreMacro("b", 'B', win::MOD_CONTROL, 5);
    StoreMacro("A", 'A', win::MOD_CONTROL | win::MOD_ALT, 5);
    StoreMacro("c", 0x74, 0, 5);
    fake::SetString(kMacros + "c", "fsModifiers", "not a number");  // unreadable
    StoreMacro("d", 'D', win::MOD_SHIFT, 5);
    Start();

    EXPECT_EQ(StoredId("A"), 0);
    EXPECT_EQ(StoredId("b"), 1);
    EXPECT_EQ(StoredId("c"), kNoHotKey);  // not registered: no id of another macro's
    EXPECT_EQ(StoredId("d"), 2);
    ASSERT_EQ(MacroHotKeys().size(), 3u);
    EXPECT_EQ(MacroHotKeys()[0].id, 0);
    EXPECT_EQ(MacroHotKeys()[0].modifiers, win::MOD_CONTROL | win::MOD_ALT);
    EXPECT_EQ(MacroHotKeys()[0].virtualKey, static_cast<win::UINT>('A'));
    EXPECT_EQ(Rows(macroList), (std::vector<std::vector<std::string>>{
                                   {"A", "CTRL + ALT + A"}, {"b", "CTRL + B"}, {"c", "Invalid Hot Key"}, {"d", "SHIFT + D"}}));
    EXPECT_TRUE(macroList.redraw);  // filled with redrawing off, then on again
    ASSERT_EQ(fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(fake::MessageBoxes()[0].text.rfind("Error reading DWORD from reigistry at: Software\\Tallow Labs\\"
                                                 "Keyloom\\Macros\\c\\fsModifiers, error: ", 0), 0u);
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

TEST_F(RunnerTest, ATakenCombinationIsReportedAndTheMacroStillListed) {
    StoreMacro("first", 'K', win::MOD_CONTROL);
    StoreMacro("second", 'K', win::MOD_CONTROL);
    Start();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Failed to register hot key for macro: second"});
    EXPECT_EQ(fake::MessageBoxes()[0].caption, "Attention");
    EXPECT_EQ(fake::MessageBoxes()[0].owner, window);
    EXPECT_EQ(Rows(macroList).size(), 2u);
    EXPECT_EQ(StoredId("second"), 1);
}

TEST_F(RunnerTest, AHotKeyRunsTheInstructionsInOrderUntilTheFirstMissingId) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreKeyStroke("M", 0, 'A');
    StoreInstruction("M", 2, 0x10, {Dword("KeyPressed", 0)});
    fake::CreateKey(kMacros + "M\\Commands\\3");  // a key without "id" ends the macro
    StoreKeyStroke("M", 4, 'B');
    MainDialog& main = Start();
    PressHotKey(0);

    ASSERT_EQ(fake::KeyEvents().size(), 3u);
    EXPECT_EQ(fake::KeyEvents()[0].virtualKey, 'A');
    EXPECT_EQ(fake::KeyEvents()[0].flags, 0u);
    EXPECT_EQ(fake::KeyEvents()[0].scanCode, 0x1E);
    EXPECT_EQ(fake::KeyEvents()[1].flags, win::KEYEVENTF_KEYUP);
    EXPECT_EQ(fake::KeyEvents()[2].virtualKey, 0x10);
    EXPECT_EQ(TimedWaits(), std::vector<win::DWORD>{299});
    EXPECT_EQ(main.macroRunning, 0);
    EXPECT_EQ(main.nextInstruction, 0);
    EXPECT_EQ(main.runningMacroName, "");
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

// Start-up opens each macro's key once: its hot key's reads, its id's write
// and the look for marks below it go through that handle, and the clean-up's
// list of the macros serves the registration.
TEST_F(RunnerTest, StartUpOpensAndEnumeratesEachMacroOnce) {
    const auto start = [&] {
        const int opens = fake::Calls("RegOpenKeyExA"), enums = fake::Calls("RegEnumKeyA");
        TestRows macros, recordings;
        MainDialog again(window, macros, recordings);
        again.InitializeContent();
        for (const fake::HotKey& hotKey : fake::HotKeys()) win::UnregisterHotKey(window, hotKey.id);
        return std::pair{fake::Calls("RegOpenKeyExA") - opens, fake::Calls("RegEnumKeyA") - enums};
    };
    for (int i = 0; i < 3; ++i) StoreMacro("M" + std::to_string(i), 'A' + i, win::MOD_CONTROL);
    start();  // the first start restricts the store's access once
    const auto three = start();
    for (int i = 3; i < 6; ++i) StoreMacro("M" + std::to_string(i), 'A' + i, win::MOD_CONTROL);
    const auto six = start();
    EXPECT_EQ(six.first - three.first, 3);
    EXPECT_EQ(six.second - three.second, 3);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

// The least a run from the registry takes: one open of each instruction key
// serves its code and every value of its executor, and the key is let go
// before the instruction waits. The values are read in their stored order,
// each once (a text: its size, then its bytes).
TEST_F(RunnerTest, EachInstructionKeyIsOpenedOnceAndNotHeldThroughItsWaits) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, 'A', {Dword("KeyPressed", 0)});
    StoreInstruction("M", 1, kind::Delay, {Dword("DelayInterval", 5)});
    StoreInstruction("M", 2, kind::MessageBox, {Text("WindowTitle", "T"), Text("MessageBody", "B")});
    StoreInstruction("M", 3, kind::Run,
                     {Text("FileName", "x.exe"), Text("Arguments", ""), Text("DirName", ""), Dword("ShowStyle", 1)});
    StoreInstruction("M", 4, kind::PasteToClipboard, {Dword("BufIndex", 3), Text("DefPasteString", "P")});
    StoreInstruction("M", 5, kind::Pause);
    MainDialog& main = Start();
    std::vector<int> keysOpenInBoxes;
    fake::OnMessageBox([&](const fake::MessageBoxRecord&) {
        keysOpenInBoxes.push_back(fake::OpenKeyCount());
        return win::IDOK;
    });
    const int opens = fake::Calls("RegOpenKeyExA"), queries = fake::Calls("RegQueryValueExA");
    PressHotKey(0);
    // The lookup opens Macros and M, the start M again for its Repeat; then
    // the six instructions, and the seventh, which is not there, each below
    // Macros, which is opened for the first and again after each of the
    // four that waited (DELAY, MESSAGE BOX, RUN, PAUSE).
    EXPECT_EQ(fake::Calls("RegOpenKeyExA") - opens, 2 + 1 + 6 + 1 + 5);
    // M's id, where it works and its Repeat; then each code with its values:
    // 1 + 1, 1 + 1, 1 + 2 + 2, 1 + 2 + 2 + 2 + 1 + 1 (Unelevated, not
    // stored), 1 + 1 + 2, 1.
    EXPECT_EQ(fake::Calls("RegQueryValueExA") - queries, 3 + 2 + 2 + 5 + 9 + 4 + 1);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"B", "Click OK to continue..."}));
    EXPECT_EQ(keysOpenInBoxes, (std::vector<int>{0, 0}));
    EXPECT_EQ(TimedWaits(), (std::vector<win::DWORD>{299, 4}));
    ASSERT_EQ(fake::ShellCalls().size(), 1u);
    EXPECT_EQ(fake::KeyEvents().size(), 1u);
    EXPECT_EQ(main.macroRunning, 0);
    EXPECT_EQ(fake::OpenKeyCount(), 0);

    // A stored value that cannot be read is still told with its whole path,
    // an optional one's too.
    fake::ClearMessageBoxes();
    fake::Fail("RegQueryValueExA", win::ERROR_ACCESS_DENIED, 1, "Unelevated");
    PressHotKey(0);
    ASSERT_EQ(BoxTexts().size(), 3u);
    EXPECT_EQ(BoxTexts()[1].rfind("Error reading DWORD from reigistry at: " + kMacros + "M\\Commands\\3\\Unelevated, error: ", 0),
              0u);
    EXPECT_EQ(fake::ShellCalls().size(), 1u);  // that RUN did not run
}

// Instructions that follow each other without a wait are each one open
// below the Macros key, held for them, and the reads of their values:
// however long the macro, the run opens one path from the root.
TEST_F(RunnerTest, EachInstructionIsOneOpenBelowTheHeldMacrosKeyAndItsReads) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreKeyStroke("M", 0, 'A');
    MainDialog& main = Start();
    const auto run = [&] {
        const int calls = fake::RegistryCalls(), fromRoot = fake::RootOpens();
        PressHotKey(0);
        return std::pair{fake::RegistryCalls() - calls, fake::RootOpens() - fromRoot};
    };
    const auto [shortCalls, shortFromRoot] = run();
    for (int i = 2; i < 20; i += 2) StoreKeyStroke("M", i, 'B');
    const auto [longCalls, longFromRoot] = run();
    // An open and two reads each: the code and "KeyPressed".
    EXPECT_EQ(longCalls - shortCalls, 18 * 3);
    EXPECT_EQ(longFromRoot, shortFromRoot);
    // Macros for the lookup, the macro's Repeat, Macros for the run.
    EXPECT_EQ(longFromRoot, 3);
    EXPECT_EQ(fake::KeyEvents().size(), 22u);
    EXPECT_EQ(main.macroRunning, 0);
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

// A macro whose instructions are read below a held Macros key still sees
// what stands under its name at each open: a body saved anew in a wait is
// read on from its next instruction, as a path from the root would be.
TEST_F(RunnerTest, ABodySavedAnewInsideAWaitIsReadOnFromItsNextInstruction) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, kind::MessageBox, {Text("WindowTitle", "T"), Text("MessageBody", "B")});
    StoreKeyStroke("M", 1, 'A');
    MainDialog& main = Start();
    fake::OnMessageBox([&](const fake::MessageBoxRecord&) {
        EXPECT_TRUE(RegistryStore::DeleteKeyTree(kMacros + "M"));
        StoreMacro("M", 'M', win::MOD_CONTROL);
        StoreKeyStroke("M", 0, 'X');
        StoreKeyStroke("M", 2, 'Y');
        return win::IDOK;
    });
    PressHotKey(0);
    // Instructions 1 and 2 of the new body: X's key-up, Y's key-down.
    ASSERT_EQ(fake::KeyEvents().size(), 3u);
    EXPECT_EQ(fake::KeyEvents()[0].virtualKey, 'X');
    EXPECT_EQ(fake::KeyEvents()[1].virtualKey, 'Y');
    EXPECT_EQ(main.macroRunning, 0);
}

// The end of the body keeps what its Key Down Only instructions hold; an
// instruction that is there but cannot be read ends the run as a failure,
// which lets go of them.
TEST_F(RunnerTest, AnInstructionThatCannotBeReadEndsTheRunAndReleasesWhatItHeld) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, 0x10, {Dword("KeyPressed", 0)});
    StoreKeyStroke("M", 1, 'B');
    MainDialog& main = Start();
    fake::Fail("RegQueryValueExA", 5, 1, "Commands\\1");  // ERROR_ACCESS_DENIED
    PressHotKey(0);
    ASSERT_EQ(fake::KeyEvents().size(), 1u);  // Shift down; B never comes
    EXPECT_EQ(fake::KeyEvents()[0].virtualKey, 0x10);
    ASSERT_EQ(fake::SentInputs().size(), 1u);
    EXPECT_EQ(fake::SentInputs()[0].ki.wVk, 0x10);
    EXPECT_EQ(fake::SentInputs()[0].ki.dwFlags & win::KEYEVENTF_KEYUP, win::KEYEVENTF_KEYUP);
    EXPECT_EQ(main.macroRunning, 0);
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(RunnerTest, OfTwoMacrosWithOneIdTheFirstInEnumerationOrderRuns) {
    StoreMacro("b", 'B', win::MOD_CONTROL);
    StoreMacro("a", 'A', win::MOD_CONTROL);
    StoreKeyStroke("a", 0, 'A');
    StoreKeyStroke("b", 0, 'B');
    Start();
    fake::SetDword(kMacros + "b", "id", 0);
    PressHotKey(0);
    ASSERT_EQ(fake::KeyEvents().size(), 2u);
    EXPECT_EQ(fake::KeyEvents()[0].virtualKey, 'A');
    // An id nobody has runs nothing.
    PressHotKey(41);
    EXPECT_EQ(fake::KeyEvents().size(), 2u);
}

TEST_F(RunnerTest, HotKeysAreDroppedWhileAMacroWaitsInABoxAndWorkAgainAfterIt) {
    StoreMacro("Waits", 'W', win::MOD_CONTROL);
    StoreInstruction("Waits", 0, kind::Pause, {Dword("KeyPressed", 0)});
    StoreKeyStroke("Waits", 1, 'W');
    StoreMacro("Other", 'O', win::MOD_CONTROL);
    StoreKeyStroke("Other", 0, 'O');
    Start();  // Other gets id 0, Waits id 1
    fake::OnMessageBox([&](const fake::MessageBoxRecord& box) {
        EXPECT_EQ(box.text, "Click OK to continue...");
        EXPECT_EQ(box.caption, "Attention");
        EXPECT_EQ(box.type, win::MB_SYSTEMMODAL);
        EXPECT_EQ(box.owner, nullptr);
        dialog->OnHotKey(0);
        dialog->OnHotKey(1);
        return win::IDOK;
    });
    PressHotKey(1);
    ASSERT_EQ(fake::KeyEvents().size(), 2u);
    EXPECT_EQ(fake::KeyEvents()[0].virtualKey, 'W');
    EXPECT_EQ(TimedWaits().size(), 1u);

    PressHotKey(0);
    ASSERT_EQ(fake::KeyEvents().size(), 4u);
    EXPECT_EQ(fake::KeyEvents()[2].virtualKey, 'O');
}

// The virtual keys pressed down since the last clear, in order.
std::string KeysDown() {
    std::string keys;
    for (const auto& event : fake::KeyEvents())
        if ((event.flags & win::KEYEVENTF_KEYUP) == 0) keys += static_cast<char>(event.virtualKey);
    fake::ClearKeyEvents();
    return keys;
}

// What the test's message pump serves during a wait, and at which tick.
MainDialog* serving = nullptr;
std::vector<win::DWORD> servedAt;
bool abortOnHotKey = false;

bool ServeInWait() {
    for (const auto& message : fake::TakePosted()) {
        servedAt.push_back(win::GetTickCount());
        if (message.message == win::WM_HOTKEY) {
            if (abortOnHotKey) serving->AbortMacro();
            serving->OnHotKey(static_cast<int>(message.wParam));
        }
        if (message.message == WM_RUN_MACRO) serving->OnRunMacro();
    }
    return true;
}

// The pause before a macro and its DELAYs serve the thread's messages and
// last their whole length all the same; what comes in them starts no second
// run, and a run ended in the pause is not started after it.
TEST_F(RunnerTest, WaitsServeMessagesKeepTheirLengthAndStartNothingElse) {
    StoreMacro("Slow", 'S', win::MOD_CONTROL);
    StoreInstruction("Slow", 0, kind::Delay, {Dword("DelayInterval", 1000)});
    StoreKeyStroke("Slow", 1, 'S');
    StoreMacro("Other", 'O', win::MOD_CONTROL);
    StoreKeyStroke("Other", 0, 'O');
    Start();  // Other gets id 0, Slow id 1
    serving = dialog.get();
    servedAt.clear();
    exec::SetMessagePump(&ServeInWait);
    const win::DWORD start = win::GetTickCount();
    fake::PostAtTick(start + 100, {window, win::WM_HOTKEY, 0, 0});  // in the pause: another macro's hot key
    fake::PostAtTick(start + 150, {window, WM_RUN_MACRO, 0, 0});    // a stray run request in the pause
    fake::PostAtTick(start + 800, {window, win::WM_HOTKEY, 1, 0});  // in the DELAY: its own hot key
    PressHotKey(1);
    EXPECT_EQ(servedAt, (std::vector<win::DWORD>{start + 100, start + 150, start + 800}));
    EXPECT_EQ(TimedWaits(), (std::vector<win::DWORD>{100, 50, 149, 500, 499}));
    EXPECT_EQ(win::GetTickCount() - start, 1300u);
    ASSERT_EQ(fake::KeyEvents().size(), 2u);
    EXPECT_EQ(fake::KeyEvents()[0].virtualKey, 'S');
    EXPECT_EQ(dialog->macroRunning, 0);

    // Ended in the pause, with the other macro's hot key pressed: that one
    // runs, and the ended one never starts.
    abortOnHotKey = true;
    fake::PostAtTick(win::GetTickCount() + 100, {window, win::WM_HOTKEY, 0, 0});
    PressHotKey(1);
    abortOnHotKey = false;
    exec::SetMessagePump(nullptr);
    ASSERT_EQ(fake::KeyEvents().size(), 4u);
    EXPECT_EQ(fake::KeyEvents()[2].virtualKey, 'O');
    EXPECT_EQ(dialog->macroRunning, 0);
}

// The pause counts from the hot key: a box that tells of a macro that
// cannot be opened in the lookup, answered after 100 ms, leaves 200 ms of
// it, and the first key comes 300 ms after the hot key. A box that stays
// past the pause leaves none.
TEST_F(RunnerTest, ThePauseCountsFromTheHotKeyNotFromTheEndOfTheLookup) {
    StoreMacro("A broken", 'B', win::MOD_CONTROL);
    StoreMacro("Run", 'R', win::MOD_CONTROL);
    StoreKeyStroke("Run", 0, 'R');
    Start();  // "A broken" 0, Run 1
    win::DWORD answerAfter = 100;
    fake::OnMessageBox([&](const fake::MessageBoxRecord&) {
        fake::SetTickCount(win::GetTickCount() + answerAfter);
        return win::IDOK;
    });
    for (const win::DWORD after : {100u, 400u}) {
        answerAfter = after;
        fake::ClearKeyEvents();
        const auto waits = fake::MessageWaits().size();
        fake::Fail("RegOpenKeyExA", win::ERROR_ACCESS_DENIED, 1, "Macros\\A broken");
        const win::DWORD start = win::GetTickCount();
        PressHotKey(1);
        ASSERT_EQ(BoxTexts().size(), after == 100u ? 1u : 2u);
        ASSERT_FALSE(fake::KeyEvents().empty());
        EXPECT_EQ(fake::KeyEvents()[0].virtualKey, 'R');
        EXPECT_EQ(win::GetTickCount() - start, std::max<win::DWORD>(after, 300));
        const std::vector<win::DWORD> pause(fake::MessageWaits().begin() + static_cast<std::ptrdiff_t>(waits),
                                            fake::MessageWaits().end());
        if (after == 100u) EXPECT_EQ(pause.front(), 199u);
        if (after == 400u) EXPECT_TRUE(pause.empty());
    }
}

// What the stop key does, at a given tick inside a run.
bool StopInWait() {
    for (const auto& message : fake::TakePosted()) {
        if (message.message == win::WM_HOTKEY && message.wParam == 99) serving->StopAll();
        if (message.message == win::WM_HOTKEY && message.wParam != 99) serving->OnHotKey(static_cast<int>(message.wParam));
        if (message.message == WM_RUN_MACRO) serving->OnRunMacro();
    }
    return true;
}

// Stopped inside its DELAY, a run ends there: the wait ends, the macro's
// Key Down Only key is let go, nothing is said, and a hot key pressed right
// after runs its macro whole. Stopped in the pause, the run never starts.
TEST_F(RunnerTest, StopAllEndsTheRunInsideItsWaitsAndLetsGoOfWhatItHeld) {
    StoreMacro("Long", 'L', win::MOD_CONTROL);
    StoreInstruction("Long", 0, win::VK_SHIFT, {Dword("KeyPressed", 0)});
    StoreInstruction("Long", 1, kind::Delay, {Dword("DelayInterval", 10000)});
    StoreKeyStroke("Long", 2, 'L');
    StoreMacro("Next", 'N', win::MOD_CONTROL);
    StoreKeyStroke("Next", 0, 'N');
    Start();  // Long 0, Next 1
    serving = dialog.get();
    exec::SetMessagePump(&StopInWait);
    const win::DWORD start = win::GetTickCount();
    fake::PostAtTick(start + 1300, {window, win::WM_HOTKEY, 99, 0});  // 1 s into the DELAY
    PressHotKey(0);
    EXPECT_EQ(win::GetTickCount() - start, 1300u);  // the DELAY ended there
    PressHotKey(1);
    EXPECT_EQ(KeysDown(), std::string(1, static_cast<char>(win::VK_SHIFT)) + "N");
    ASSERT_FALSE(fake::SentInputs().empty());
    EXPECT_EQ(fake::SentInputs()[0].ki.wVk, win::VK_SHIFT);
    EXPECT_EQ(fake::SentInputs()[0].ki.dwFlags & win::KEYEVENTF_KEYUP, win::KEYEVENTF_KEYUP);
    EXPECT_EQ(input::HeldCount(), 0u);
    EXPECT_EQ(win::GetTickCount() - start, 1600u);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(dialog->macroRunning, 0);

    fake::PostAtTick(win::GetTickCount() + 100, {window, win::WM_HOTKEY, 99, 0});
    PressHotKey(0);
    EXPECT_EQ(KeysDown(), "");
    EXPECT_EQ(dialog->macroRunning, 0);
    exec::SetMessagePump(nullptr);
    // Stopped while idle: what an earlier run's Key Down Only left held goes.
    StoreMacro("Hold", 'H', win::MOD_CONTROL);
    StoreInstruction("Hold", 0, win::VK_CONTROL, {Dword("KeyPressed", 0)});
    Start();
    PressHotKey(0);
    EXPECT_EQ(input::HeldCount(), 1u);
    dialog->StopAll();
    EXPECT_EQ(input::HeldCount(), 0u);
}

// Inside a box of a run, the message loop hands the main window whatever
// arrives: a second WM_RUN_MACRO, a stale cancel, other hot keys. The run
// resumes after the box only if it is still the one running, and no second
// runner loop ever starts.
TEST_F(RunnerTest, WhatArrivesInsideAMacrosBoxNeverStartsASecondRunnerLoop) {
    StoreMacro("Boxed", 'B', win::MOD_CONTROL);
    StoreKeyStroke("Boxed", 0, 'A');
    StoreInstruction("Boxed", 2, kind::MessageBox, {Text("WindowTitle", "T"), Text("MessageBody", "Wait")});
    StoreKeyStroke("Boxed", 3, 'C');
    StoreMacro("Other", 'O', win::MOD_CONTROL);
    StoreKeyStroke("Other", 0, 'O');
    MainDialog& main = Start();  // Boxed id 0, Other id 1

    // A WM_RUN_MACRO and both hot keys while the box is shown: dropped.
    fake::OnMessageBox([&](const fake::MessageBoxRecord&) {
        main.OnRunMacro();
        main.OnHotKey(0);
        main.OnHotKey(1);
        Pump();
        return win::IDOK;
    });
    PressHotKey(0);
    EXPECT_EQ(KeysDown(), "AC");
    EXPECT_EQ(main.macroRunning, 0);

    // The run is ended inside the box (as the player ends it) and another
    // macro runs there: after the box the first run is not carried on with
    // the other's state.
    fake::OnMessageBox([&](const fake::MessageBoxRecord& box) {
        if (box.text != "Wait") return win::IDOK;
        main.EndMacro();
        main.OnHotKey(1);
        Pump();
        return win::IDOK;
    });
    PressHotKey(0);
    EXPECT_EQ(KeysDown(), "AO");
    EXPECT_EQ(main.macroRunning, 0);
    PressHotKey(1);
    EXPECT_EQ(KeysDown(), "O");
}

// The hot-key lookup shows a box for a macro whose id it cannot read; a hot
// key that starts a macro inside that box wins, and the lookup does not go
// on to start a second one over it.
TEST_F(RunnerTest, AMacroStartedInsideTheLookupsBoxIsNotReplacedWhenTheLookupResumes) {
    StoreMacro("Broken", 'X', win::MOD_CONTROL);
    StoreMacro("First", 'F', win::MOD_CONTROL);
    StoreKeyStroke("First", 0, 'F');
    StoreMacro("Second", 'S', win::MOD_CONTROL);
    StoreKeyStroke("Second", 0, 'S');
    MainDialog& main = Start();  // Broken 0, First 1, Second 2
    fake::SetString(kMacros + "Broken", "id", "unreadable");
    bool pressed = false;
    fake::OnMessageBox([&](const fake::MessageBoxRecord&) {
        if (!pressed) {
            pressed = true;
            main.OnHotKey(1);
        }
        return win::IDOK;
    });
    PressHotKey(2);
    EXPECT_EQ(KeysDown(), "F");
    EXPECT_EQ(main.macroRunning, 0);
}

// Start-up with each of its store calls failing in turn. Macros whose id
// cannot be rewritten keep an earlier run's id, here another macro's new
// one: every registered hot key runs the macro it was registered for, and
// deleting a macro unregisters no other macro's hot key.
TEST_F(RunnerTest, UnderEveryStartUpFaultAHotKeyRunsOnlyItsOwnMacro) {
    int tried = 0;
    for (int k = 1;; ++k) {
        SCOPED_TRACE("failing call " + std::to_string(k));
        fake::Reset();
        window = fake::AddWindow("Keyloom");
        macroList = TestRows{};
        recordingList = TestRows{};
        // Stored ids from an earlier run, each another macro's id of this one.
        const std::vector<std::pair<std::string, std::int32_t>> macros = {{"A", 2}, {"B", 0}, {"C", 1}};
        for (const auto& [name, oldId] : macros) {
            StoreMacro(name, name[0], win::MOD_CONTROL, oldId);
            StoreKeyStroke(name, 0, name[0]);
        }
        const int calls = fake::RegistryCalls();
        fake::FailRegistryCall(k, win::ERROR_ACCESS_DENIED);
        Start();
        fake::FailRegistryCall(0, 0);
        if (fake::RegistryCalls() - calls < k) break;
        ++tried;
        for (const fake::HotKey& hotKey : MacroHotKeys()) {
            PressHotKey(hotKey.id);
            EXPECT_EQ(KeysDown(), std::string(1, static_cast<char>(hotKey.virtualKey)));
        }
        for (std::size_t row = macroList.rows.size(); row-- > 0;) {
            const std::string name = macroList.rows[row][0];
            auto others = MacroHotKeys();
            std::erase_if(others, [&](const fake::HotKey& h) { return h.virtualKey == static_cast<win::UINT>(name[0]); });
            macroList.selected = static_cast<int>(row);
            dialog->DeleteMacro();
            auto left = MacroHotKeys();
            ASSERT_EQ(left.size(), others.size()) << "deleting " << name;
            for (std::size_t i = 0; i < left.size(); ++i) EXPECT_EQ(left[i].virtualKey, others[i].virtualKey);
        }
    }
    EXPECT_GT(tried, 10);
}

TEST_F(RunnerTest, AMacroDeletedWhileItRunsEndsSilentlyAtItsNextInstruction) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, kind::MessageBox, {Text("WindowTitle", "Notice"), Text("MessageBody", "Done")});
    StoreKeyStroke("M", 1, 'A');
    MainDialog& main = Start();
    fake::OnMessageBox([&](const fake::MessageBoxRecord& box) {
        EXPECT_EQ(box.caption, "Notice");
        EXPECT_EQ(box.text, "Done");
        EXPECT_EQ(box.type, win::MB_OK);
        EXPECT_TRUE(RegistryStore::DeleteKeyTree(kMacros + "M"));
        return win::IDOK;
    });
    PressHotKey(0);
    EXPECT_TRUE(fake::KeyEvents().empty());
    EXPECT_EQ(fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(main.macroRunning, 0);
}

TEST_F(RunnerTest, BadInstructionValuesAreReportedOrSkippedAndTheMacroGoesOn) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, 'A');                                            // KeyPressed missing
    StoreInstruction("M", 1, kind::Delay, {Text("DelayInterval", "1000")});   // a string, too long for a DWORD
    StoreInstruction("M", 2, kind::Delay, {Dword("DelayInterval", 0xFFFFFFFF)});
    StoreInstruction("M", 3, 0, {Dword("KeyPressed", 0)});
    StoreInstruction("M", 4, 0xFFFF, {Dword("KeyPressed", 0)});
    StoreInstruction("M", 5, 0x7FFFFFFF, {Dword("KeyPressed", 2)});
    StoreInstruction("M", 6, static_cast<std::int32_t>(0x80000000), {Dword("KeyPressed", 2)});
    StoreInstruction("M", 7, kind::Delay, {Dword("DelayInterval", 2000000001)});
    StoreInstruction("M", 8, kind::Delay, {Dword("DelayInterval", 2000000000)});
    MainDialog& main = Start();
    PressHotKey(0);

    const auto boxes = BoxTexts();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_NE(boxes[0].find("Macros\\M\\Commands\\0\\KeyPressed"), std::string::npos);
    EXPECT_NE(boxes[1].find("Macros\\M\\Commands\\1\\DelayInterval"), std::string::npos);
    // A delay that the dialog could never store is skipped, not slept.
    EXPECT_EQ(boxes[2], "Skipped a DELAY of 4294967295 milliseconds at Software\\Tallow Labs\\Keyloom\\Macros\\M\\"
                        "Commands\\2: a DELAY lasts from 0 to 2000000000 milliseconds.");
    EXPECT_NE(boxes[3].find("DELAY of 2000000001 milliseconds"), std::string::npos);
    EXPECT_EQ(TimedWaits(), (std::vector<win::DWORD>{299, 1999999999}));
    ASSERT_EQ(fake::KeyEvents().size(), 4u);
    EXPECT_EQ(fake::KeyEvents()[0].virtualKey, 0);
    EXPECT_EQ(fake::KeyEvents()[1].virtualKey, 0xFF);
    EXPECT_EQ(fake::KeyEvents()[2].virtualKey, 0xFF);
    EXPECT_EQ(fake::KeyEvents()[2].flags, win::KEYEVENTF_KEYUP);
    EXPECT_EQ(main.macroRunning, 0);
}

TEST_F(RunnerTest, LongMacroNamesAreListedUpToTheEnumerationLimitAndRunWhileTheirPathsFit) {
    // The ANSI registry calls take paths of at most 260 characters: a name
    // of 200 fits, one of 254 is listed but cannot be opened.
    const std::string fits(200, 'f');
    StoreMacro(fits, 'F', win::MOD_CONTROL);
    StoreKeyStroke(fits, 0, 'F');
    const std::string longest(254, 'n');
    StoreMacro(longest, 'L', win::MOD_CONTROL);
    StoreMacro(std::string(255, 'z'), 'Z', win::MOD_CONTROL);  // beyond what enumeration can read
    Start();
    const auto rows = Rows(macroList);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (std::vector<std::string>{longest, "Invalid Hot Key"}));
    EXPECT_EQ(MacroHotKeys().size(), 1u);
    // Its two reads and the write of its id each say why they failed.
    const auto boxes = BoxTexts();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].rfind("Error opening key in reigistry at: Software\\Tallow Labs\\Keyloom\\Macros\\nnn", 0), 0u);
    EXPECT_EQ(boxes[2], "Error accessing registry - More data is available.\r\n");
    PressHotKey(0);
    EXPECT_EQ(fake::KeyEvents().size(), 2u);
}

// WM_CANCELJOURNAL may come late, or from a cancel of another program's
// journal: without a playback under way the run goes on as it was.
TEST_F(RunnerTest, ACancelWithoutAPlaybackChangesNothing) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreKeyStroke("M", 0, 'A');
    MainDialog& main = Start();
    main.OnHotKey(0);
    EXPECT_EQ(main.macroRunning, 1);
    main.OnCancelJournal();
    EXPECT_EQ(main.macroRunning, 1);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    Pump();
    EXPECT_EQ(fake::KeyEvents().size(), 2u);
    EXPECT_EQ(main.macroRunning, 0);
}

TEST_F(RunnerTest, DeleteMacroRemovesTheKeyTheRowAndTheHotKey) {
    StoreMacro("Keep", 'K', win::MOD_CONTROL);
    StoreMacro("Gone", 'G', win::MOD_CONTROL);
    StoreKeyStroke("Gone", 0, 'G');
    MainDialog& main = Start();

    main.DeleteMacro();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"No macro selected!"});
    EXPECT_EQ(Rows(macroList).size(), 2u);

    fake::ClearMessageBoxes();
    macroList.selected = 0;  // "Gone" sorts first
    main.DeleteMacro();
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_FALSE(fake::KeyExists(kMacros + "Gone"));
    EXPECT_EQ(Rows(macroList), (std::vector<std::vector<std::string>>{{"Keep", "CTRL + K"}}));
    ASSERT_EQ(MacroHotKeys().size(), 1u);
    EXPECT_EQ(MacroHotKeys()[0].virtualKey, static_cast<win::UINT>('K'));
    PressHotKey(0);
    EXPECT_TRUE(fake::KeyEvents().empty());
}

TEST_F(RunnerTest, DeleteMacroFailuresLeaveWhatTheyCouldNotRemove) {
    StoreMacro("A", 'A', win::MOD_CONTROL);
    StoreMacro("B", 'B', win::MOD_CONTROL);
    StoreMacro("C", 'C', win::MOD_CONTROL);
    MainDialog& main = Start();

    fake::Fail("RegRenameKey", win::ERROR_ACCESS_DENIED, 1, "Macros\\A");
    macroList.selected = 0;
    main.DeleteMacro();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Unable to delete macro: A"});
    EXPECT_EQ(Rows(macroList).size(), 3u);
    EXPECT_EQ(MacroHotKeys().size(), 3u);

    // Its id unreadable: it stays, with its hot key, and the user is told.
    fake::ClearMessageBoxes();
    fake::SetString(kMacros + "B", "id", "text");
    macroList.selected = 1;
    main.DeleteMacro();
    ASSERT_EQ(fake::MessageBoxes().size(), 2u);
    EXPECT_EQ(fake::MessageBoxes()[0].text.rfind("Error reading DWORD from reigistry at: ", 0), 0u);
    EXPECT_EQ(fake::MessageBoxes()[1].text, "Unable to delete macro: B");
    EXPECT_TRUE(fake::KeyExists(kMacros + "B"));
    EXPECT_EQ(MacroHotKeys().size(), 3u);
    fake::SetDword(kMacros + "B", "id", 1);
    main.DeleteMacro();
    EXPECT_FALSE(fake::KeyExists(kMacros + "B"));
    EXPECT_EQ(MacroHotKeys().size(), 2u);

    fake::ClearMessageBoxes();
    fake::Fail("UnregisterHotKey", win::ERROR_HOTKEY_NOT_REGISTERED);
    macroList.selected = 1;
    main.DeleteMacro();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Unable to unregister hotkey for macro: C"});
    EXPECT_EQ(Rows(macroList).size(), 1u);
}

// Deleting or editing one macro never silences another.
TEST_F(RunnerTest, AMacroWithoutAReadableHotKeyGivesBackNoOtherMacrosHotKey) {
    StoreMacro("a", 'A', win::MOD_CONTROL);
    StoreMacro("b", 'B', win::MOD_CONTROL);
    fake::SetString(kMacros + "b", "vk", "unreadable");
    StoreMacro("c", 'C', win::MOD_CONTROL);
    fake::SetString(kMacros + "c", "fsModifiers", "unreadable");
    MainDialog& main = Start();
    fake::ClearMessageBoxes();
    macroList.selected = 1;
    main.DeleteMacro();
    EXPECT_TRUE(fake::MessageBoxes().empty());
    ASSERT_EQ(MacroHotKeys().size(), 1u);
    EXPECT_EQ(MacroHotKeys()[0].virtualKey, static_cast<win::UINT>('A'));
}

TEST_F(RunnerTest, AddAndEditOpenTheEditorOnTheSelectedMacro) {
    struct Editors final : MacroEditors {
        void Open(bool isAdd, int editIndex) override { opened.emplace_back(isAdd, editIndex); }
        std::vector<std::pair<bool, int>> opened;
    } editors;
    StoreMacro("a", 'A', win::MOD_CONTROL);
    StoreMacro("b", 'B', win::MOD_CONTROL);
    MainDialog& main = Start();
    main.EditMacro(editors);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"No macro selected!"});
    main.AddMacro(editors);
    macroList.selected = 1;
    main.EditMacro(editors);
    EXPECT_EQ(editors.opened, (std::vector<std::pair<bool, int>>{{true, -1}, {false, 1}}));
}

}  // namespace
