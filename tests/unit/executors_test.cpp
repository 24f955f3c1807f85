#include "exec/clipboard_buffers.h"
#include "store/layout.h"
#include "exec/keystrokes.h"
#include "macro_fixture.h"

namespace {

class ExecutorTest : public RunnerTest {
protected:
    void SetUp() override {
        RunnerTest::SetUp();
        clipboardBuffers.clear();
    }

    std::string Clipboard() {
        std::string text;
        EXPECT_TRUE(fake::ClipboardText(&text));
        return text;
    }

    std::vector<std::pair<int, win::DWORD>> Keys() {
        std::vector<std::pair<int, win::DWORD>> keys;
        for (const auto& event : fake::KeyEvents()) keys.emplace_back(event.virtualKey, event.flags);
        return keys;
    }
};

TEST_F(ExecutorTest, PasteUsesTheDefaultTextOnlyOnABuffersFirstUse) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, kind::PasteToClipboard, {Dword("BufIndex", 5), Text("DefPasteString", "A")});
    StoreMacro("N", 'N', win::MOD_CONTROL);
    StoreInstruction("N", 0, kind::PasteToClipboard, {Dword("BufIndex", 5), Text("DefPasteString", "B")});
    Start();
    fake::SetClipboardText("old");
    PressHotKey(0);
    EXPECT_EQ(Clipboard(), "A");
    fake::SetClipboardText("old");
    PressHotKey(1);  // another macro, the same buffer
    EXPECT_EQ(Clipboard(), "A");
    EXPECT_FALSE(fake::ClipboardIsOpen());
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(ExecutorTest, CopiedTextIsPastedBackAndAnEmptyCopyStillMakesTheBuffer) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, kind::CopyFromClipboard, {Dword("BufIndex", 0xFFFFFFFF)});
    StoreInstruction("M", 1, kind::PasteToClipboard, {Dword("BufIndex", 0xFFFFFFFF), Text("DefPasteString", "A")});
    Start();
    fake::SetClipboardText("X");
    PressHotKey(0);
    EXPECT_EQ(Clipboard(), "X");

    clipboardBuffers.clear();
    win::OpenClipboard(nullptr);
    win::EmptyClipboard();
    win::CloseClipboard();
    PressHotKey(0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Error retrieving data from Clip Board!"});
    EXPECT_EQ(fake::MessageBoxes()[0].caption, "Keyloom");
    EXPECT_EQ(fake::MessageBoxes()[0].type, win::MB_ICONWARNING);
    EXPECT_EQ(Clipboard(), "");  // the empty buffer wins over the default text
}

TEST_F(ExecutorTest, AStaleLastErrorIsNotTakenForAFailedUnlock) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, kind::CopyFromClipboard, {Dword("BufIndex", 1)});
    StoreInstruction("M", 1, kind::PasteToClipboard, {Dword("BufIndex", 1)});
    Start();
    fake::SetClipboardText("kept");
    win::SetLastError(win::ERROR_FILE_NOT_FOUND);
    PressHotKey(0);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(Clipboard(), "kept");
}

TEST_F(ExecutorTest, ClipboardFailuresAreReportedAndFreeTheirMemory) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, kind::PasteToClipboard, {Dword("BufIndex", 1), Text("DefPasteString", "A")});
    Start();
    const int blocks = fake::LiveGlobalBlocks();
    struct Case {
        const char* function;
        std::string message;
    } cases[] = {
        {"EmptyClipboard", "Error removing previous contents of Clip Board!"},
        {"GlobalAlloc", "Error allocating shared memory!"},
        {"GlobalLock", "Error locking shared memory!"},
        {"SetClipboardData", ""},
    };
    for (const Case& c : cases) {
        fake::ClearMessageBoxes();
        fake::Fail(c.function, win::ERROR_NOT_ENOUGH_MEMORY);
        PressHotKey(0);
        EXPECT_EQ(BoxTexts(), c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message})
            << c.function;
        EXPECT_FALSE(fake::ClipboardIsOpen()) << c.function;
        EXPECT_LE(fake::LiveGlobalBlocks(), blocks) << c.function;
    }
    // Held by another program: nothing happens, nothing is said.
    fake::ClearMessageBoxes();
    fake::HoldClipboard(true);
    PressHotKey(0);
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(ExecutorTest, TimeAndDateAreTypedFromTheLocalClock) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, kind::Time, {Dword("KeyPressed", 0)});
    StoreInstruction("M", 1, kind::Date, {Dword("KeyPressed", 0)});
    Start();
    std::tm evening{};
    evening.tm_year = 100;
    evening.tm_mon = 6;
    evening.tm_mday = 4;
    evening.tm_hour = 21;
    evening.tm_min = 40;
    fake::SetLocalTime(evening);
    PressHotKey(0);
    // 2 1 Shift ; (colon) 4 0, then 0 7 / 0 4 / 2 0 0 0: each key down and up.
    std::vector<int> downs;
    for (const auto& [key, flags] : Keys())
        if (flags == 0) downs.push_back(key);
    EXPECT_EQ(downs, (std::vector<int>{'2', '1', 0x10, 0xBA, '4', '0', '0', '7', 0xBF, '0', '4', 0xBF, '2', '0', '0',
                                       '0'}));
}

TEST_F(ExecutorTest, TypedTextAddsShiftOnlyWhereTheLayoutNeedsIt) {
    TypeText("");
    EXPECT_TRUE(fake::KeyEvents().empty());
    TypeText("a:");
    EXPECT_EQ(Keys(), (std::vector<std::pair<int, win::DWORD>>{
                          {'A', 0}, {'A', 2}, {0x10, 0}, {0xBA, 0}, {0xBA, 2}, {0x10, 2}}));
    EXPECT_EQ(fake::KeyEvents()[2].scanCode, 0x2A);
    // No key for it: all bits set, so Shift and key 0xFF.
    fake::ClearKeyEvents();
    TypeText("\xE4");
    EXPECT_EQ(Keys(), (std::vector<std::pair<int, win::DWORD>>{{0x10, 0}, {0xFF, 0}, {0xFF, 2}, {0x10, 2}}));
}

TEST_F(ExecutorTest, AFailedRunIsReportedAndTheMacroGoesOn) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, kind::Run,
                     {Text("FileName", "C:\\missing.exe"), Text("Arguments", ""), Text("DirName", ""), Dword("ShowStyle", 2)});
    StoreKeyStroke("M", 1, 'A');
    StoreInstruction("M", 3, kind::Run, {Text("FileName", "x.exe"), Text("Arguments", "")});  // no DirName
    Start();
    fake::SetShellResult(2);
    PressHotKey(0);
    ASSERT_EQ(fake::ShellCalls().size(), 1u);
    EXPECT_EQ(fake::ShellCalls()[0].verb, "open");
    EXPECT_EQ(fake::ShellCalls()[0].file, "C:\\missing.exe");
    EXPECT_EQ(fake::ShellCalls()[0].showCommand, 2);
    const auto boxes = BoxTexts();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0], "Error running: C:\\missing.exe");
    EXPECT_EQ(fake::MessageBoxes()[0].caption, "Error");
    EXPECT_EQ(fake::MessageBoxes()[0].type, win::MB_ICONERROR);
    EXPECT_NE(boxes[1].find("Commands\\3\\DirName"), std::string::npos);
    EXPECT_EQ(fake::KeyEvents().size(), 2u);
}

TEST_F(ExecutorTest, ShutdownAndRebootEnableThePrivilegeAndAskWithoutForce) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, kind::Shutdown, {Dword("KeyPressed", 0)});
    StoreInstruction("M", 1, kind::Reboot, {Dword("KeyPressed", 0)});
    StoreKeyStroke("M", 2, 'A');
    Start();
    PressHotKey(0);
    EXPECT_TRUE(fake::ShutdownPrivilegeEnabled());
    EXPECT_EQ(fake::ExitRequests(), (std::vector<win::UINT>{9, 2}));
    EXPECT_EQ(fake::KeyEvents().size(), 2u);
}

}  // namespace
