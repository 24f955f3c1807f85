// RUN's "Start without administrator rights": stored only when checked, read
// as unchecked from macros stored before it existed, and run through the
// desktop shell, with a word and the ordinary start when there is none.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "macro_fixture.h"
#include "store/layout.h"

namespace {

const std::vector<StoredValue> kRunValues = {Text("FileName", "notepad.exe"), Text("Arguments", "a.txt"),
                                             Text("DirName", "C:\\work"), Dword("ShowStyle", 3)};

std::vector<StoredValue> Unelevated(std::vector<StoredValue> values) {
    values.push_back(Dword("Unelevated", 1));
    return values;
}

class RunUnelevated : public EditorTest {};

TEST_F(RunUnelevated, GoesThroughTheDesktopShellOnlyWhenChecked) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, kind::Run, Unelevated(kRunValues));
    StoreInstruction("M", 1, kind::Run, kRunValues);  // stored before the option existed
    Start();
    PressHotKey(0);
    ASSERT_EQ(fake::DesktopShellCalls().size(), 1u);
    const fake::ShellCall& shell = fake::DesktopShellCalls()[0];
    EXPECT_EQ(shell.verb, "open");
    EXPECT_EQ(shell.file, "notepad.exe");
    EXPECT_EQ(shell.parameters, "a.txt");
    EXPECT_EQ(shell.directory, "C:\\work");
    EXPECT_EQ(shell.showCommand, 3);
    ASSERT_EQ(fake::ShellCalls().size(), 1u) << "the old RUN starts as it always did";
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(RunUnelevated, WithoutADesktopShellItSaysSoAndStartsTheProgramAsBefore) {
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreInstruction("M", 0, kind::Run, Unelevated(kRunValues));
    StoreKeyStroke("M", 1, 'A');
    Start();
    fake::SetDesktopShellResult(win::E_FAIL);
    PressHotKey(0);
    ASSERT_EQ(fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(fake::MessageBoxes()[0].text,
              "No desktop shell can start notepad.exe without administrator rights. It starts with Keyloom's rights.");
    EXPECT_EQ(fake::MessageBoxes()[0].caption, "Attention");
    ASSERT_EQ(fake::ShellCalls().size(), 1u);
    EXPECT_EQ(fake::ShellCalls()[0].file, "notepad.exe");
    EXPECT_EQ(fake::KeyEvents().size(), 2u) << "the macro goes on";
}

TEST_F(RunUnelevated, IsStoredOnlyWhenCheckedAndLoadsBack) {
    Start();
    MacroEditDialog& editor = Open();
    dialogs.run = RunValues{"a.exe", "", "", 1, true};
    Command(kind::Run);
    dialogs.run = RunValues{"b.exe", "", "", 1, false};
    Command(kind::Run);
    ASSERT_TRUE(editor.Save("Two", HotKeyValue{'T', 2}));
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(fake::GetValue(kMacros + "Two\\Commands\\0", "Unelevated", &type, &bytes));
    EXPECT_EQ(type, win::REG_DWORD);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    EXPECT_FALSE(fake::GetValue(kMacros + "Two\\Commands\\1", "Unelevated", &type, &bytes))
        << "an unchecked RUN is stored as one made before the option";

    MacroEditDialog& reopened = Open(false, 0);
    ASSERT_EQ(reopened.InstructionList.size(), 2u);
    EXPECT_EQ(reopened.InstructionList[0].Unelevated, 1);
    EXPECT_EQ(reopened.InstructionList[1].Unelevated, 0);
    EXPECT_TRUE(fake::MessageBoxes().empty()) << "a missing Unelevated is no error";
    dialogs.run = std::nullopt;
    body.selected = 0;
    reopened.EditInstruction();
    ASSERT_FALSE(dialogs.openedRun.empty());
    EXPECT_TRUE(dialogs.openedRun.back().unelevated) << "the RUN dialog opens with the box checked";
}

}  // namespace
