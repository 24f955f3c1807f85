// The macro editor's operations on its body, its keyboard and its command
// list; the load and the save are in macro_store_test.cpp.
#include "editor_fixture.h"
#include "editor/keyboard.h"

namespace {

using Lines = std::vector<std::string>;
using Codes = std::vector<std::pair<std::int32_t, std::int32_t>>;

TEST_F(EditorTest, OpensWithTheCommandListAndItsTitle) {
    Start();
    MacroEditDialog& editor = Open();
    EXPECT_EQ(commands.lines, (Lines{"DELAY", "REBOOT", "SHUTDOWN", "COPY FROM CLIP BOARD", "PASTE TO CLIP BOARD",
                                     "PLAYBACK RECORDING", "PAUSE", "TIME", "DATE", "MESSAGE BOX", "RUN",
                                     "TYPE TEXT"}));
    EXPECT_EQ(commands.data.front(), kind::Delay);
    EXPECT_EQ(commands.data.back(), kind::TypeText);
    EXPECT_EQ(editor.Title(), "Keyloom - Add Macro");
    EXPECT_EQ(editor.KeyMode, NormalKeyStroke);
    EXPECT_TRUE(body.lines.empty());
    EXPECT_EQ(editor.hotKeyPreset.virtualKey, 0);
}

// Keys land ahead of the selected line, the press ahead of the release,
// and that line stays selected for the next key.
TEST_F(EditorTest, KeysGoToTheEndOrAheadOfTheSelectedLineInTheirMode) {
    Start();
    MacroEditDialog& editor = Open();
    editor.InsertKey('A');
    editor.InsertKey('B');
    EXPECT_EQ(body.lines, (Lines{"aA (Down)", "aA (Up)", "bB (Down)", "bB (Up)"}));
    body.selected = 2;
    editor.InsertKey('C');
    editor.InsertKey('D');
    EXPECT_EQ(body.lines, (Lines{"aA (Down)", "aA (Up)", "cC (Down)", "cC (Up)", "dD (Down)", "dD (Up)", "bB (Down)",
                                 "bB (Up)"}));
    EXPECT_EQ(body.selected, 6);
    editor.SetKeyMode(KeyDownOnly);
    editor.InsertKey(win::VK_SHIFT);
    editor.SetKeyMode(KeyUpOnly);
    editor.ClearBodySelection();
    editor.InsertKey(win::VK_SHIFT);
    EXPECT_EQ(body.lines[6], "SHIFT (Down)");
    EXPECT_EQ(body.lines.back(), "SHIFT (Up)");
    ASSERT_EQ(editor.InstructionList.size(), body.lines.size());
    for (std::size_t i = 0; i < body.lines.size(); ++i)
        EXPECT_EQ(InstructionText(editor.InstructionList[i], false), body.lines[i]) << i;
    EXPECT_EQ(editor.InstructionList.back().KeyPressed, kKeyUp);
}

// A list box out of space refuses a line: its instruction is not added, a
// key stroke goes in whole or not at all, and an edit keeps the old line.
TEST_F(EditorTest, LinesTheListBoxRefusesLeaveLinesAndInstructionsInStep) {
    Start();
    MacroEditDialog& editor = Open();
    const auto inStep = [&] {
        ASSERT_EQ(editor.InstructionList.size(), body.lines.size());
        for (std::size_t i = 0; i < body.lines.size(); ++i)
            EXPECT_EQ(InstructionText(editor.InstructionList[i], false), body.lines[i]) << i;
    };
    editor.InsertKey('A');
    body.capacity = 3;
    editor.InsertKey('B');  // the press fits, the release does not
    EXPECT_EQ(body.lines, (Lines{"aA (Down)", "aA (Up)"}));
    inStep();
    body.selected = 1;
    editor.InsertKey('C');  // ahead of a selected line: the release fits, the press does not
    EXPECT_EQ(body.lines, (Lines{"aA (Down)", "aA (Up)"}));
    inStep();
    body.capacity = 2;
    editor.SetKeyMode(KeyDownOnly);
    editor.InsertKey('D');
    inStep();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>(3, "Unable to add the line to the macro!")));
}

TEST_F(EditorTest, ShiftSwitchesTheCaptionsByTheKeyMode) {
    Start();
    MacroEditDialog& editor = Open();
    editor.OnKeyButton(1073);  // a full stroke changes nothing
    EXPECT_TRUE(captions.captions.empty());
    editor.SetKeyMode(KeyDownOnly);
    editor.OnKeyButton(1074);  // the right Shift
    EXPECT_EQ(captions.captions.size(), 47u);
    EXPECT_EQ(captions.captions[1006], "!");
    EXPECT_EQ(captions.captions[1045], "A");
    EXPECT_EQ(captions.captions[1072], "\"");
    editor.OnKeyButton(1006);  // reads "!", inserts the digit key
    EXPECT_EQ(body.lines.back(), "1! (Down)");
    EXPECT_EQ(editor.InstructionList.back().id, '1');
    editor.SetKeyMode(KeyUpOnly);
    editor.OnKeyButton(1073);
    EXPECT_EQ(captions.captions[1006], "1");
    EXPECT_EQ(captions.captions[1049], "\\");
    EXPECT_EQ(body.lines, (Lines{"SHIFT (Down)", "SHIFT (Up)", "SHIFT (Down)", "1! (Down)", "SHIFT (Up)"}));
}

TEST_F(EditorTest, KeyboardButtonsInsertTheirKeysCodes) {
    Start();
    MacroEditDialog& editor = Open();
    editor.SetKeyMode(KeyDownOnly);
    for (int id : {1043, 1040, 1049, 1110, 1117, 1062, 1085, 1087, 1088, 1115}) editor.OnKeyButton(id);
    editor.OnKeyButton(999);  // no such button
    EXPECT_EQ(Body(), (Codes{{0xC0, 0}, {0xBD, 0}, {0xDC, 0}, {0x65, 0}, {0x0D, 0}, {0x0D, 0}, {0x11, 0}, {0x12, 0},
                            {0x20, 0}, {0x60, 0}}));
    // The layout is asked at each click.
    fake::UseLayout(fake::Layout::European);
    editor.OnKeyButton(1040);  // "-" is its own key there
    EXPECT_EQ(editor.InstructionList.back().id, 0xBD);
    editor.OnKeyButton(1059);  // "[" is AltGr+8
    EXPECT_EQ(editor.InstructionList.back().id, '8');
    fake::UseLayout(fake::Layout::Us);
    EXPECT_EQ(KeyboardButtons().size(), 113u);
}

TEST_F(EditorTest, CommandsAskTheirPropertiesAndGoWhereKeysGo) {
    Start();
    MacroEditDialog& editor = Open();
    editor.InsertCommand();  // no command chosen
    Command(kind::Delay);    // cancelled
    EXPECT_TRUE(body.lines.empty());
    EXPECT_EQ(dialogs.openedDelay.at(0).delay, 0);

    dialogs.delay = DelayValues{250};
    Command(kind::Delay);
    Command(kind::Reboot);
    dialogs.run = RunValues{"notepad.exe", "a b", "C:\\", 2};
    Command(kind::Run);
    EXPECT_EQ(dialogs.openedRun.at(0).showStyle, 1) << "a new RUN starts with a normal window";
    dialogs.recording = RecordingChoice{"login", 2, -50};
    body.selected = 1;
    Command(kind::PlaybackRecording);
    EXPECT_EQ(dialogs.openedRecording.at(0).events, -1);
    dialogs.box = MessageBoxValues{"Notice", "Done"};
    Command(kind::MessageBox);
    EXPECT_EQ(body.lines, (Lines{"DELAY 250 millisecond(s)", "PLAYBACK RECORDING: login", "MESSAGE BOX", "REBOOT",
                                 "RUN (notepad.exe)"}));
    const Instruction& playback = editor.InstructionList[1];
    EXPECT_EQ(playback.JournalName, "login");
    EXPECT_EQ(playback.PlayBackEvent, 2);
    EXPECT_EQ(playback.PlayBackSpeed, -50);
    EXPECT_EQ(editor.InstructionList[4].Texts, (std::array<std::string, 3>{"notepad.exe", "a b", "C:\\"}));
    EXPECT_EQ(editor.InstructionList[4].ShowStyle, 2);
    EXPECT_EQ(editor.InstructionList[2].Texts[1], "Done");
}

// Rule A makes a buffer; rule B sets its text at once, whatever happens to
// the editor afterwards.
TEST_F(EditorTest, ClipboardCommandsChangeTheBuffersAtOnce) {
    Start();
    MacroEditDialog& editor = Open();
    FindClipboardBuffer(3).bufferText = "copied";
    dialogs.paste = PasteValues{3, "x"};
    Command(kind::PasteToClipboard);
    dialogs.copy = BufferValues{4294967295u};
    Command(kind::CopyFromClipboard);
    EXPECT_EQ(body.lines, (Lines{"PASTE TO CLIP BOARD ID: 3", "COPY FROM CLIP BOARD ID: -1"}));
    EXPECT_EQ(FindClipboardBuffer(3).bufferText, "x");
    bool created = true;
    FindClipboardBuffer(-1, &created);
    EXPECT_FALSE(created);
    editor.InstructionList.clear();  // as a cancelled editor drops them
    EXPECT_EQ(FindClipboardBuffer(3).bufferText, "x");
}

TEST_F(EditorTest, DeleteAndEditActOnTheSelectedLine) {
    Start();
    MacroEditDialog& editor = Open();
    editor.InsertKey('A');
    dialogs.delay = DelayValues{0};
    Command(kind::Delay);
    dialogs.box = MessageBoxValues{"T", "B"};
    Command(kind::MessageBox);
    dialogs.recording = RecordingChoice{"tune", 1, 0};
    Command(kind::PlaybackRecording);
    editor.DeleteInstruction();
    editor.EditInstruction();
    EXPECT_EQ(body.lines.size(), 5u) << "nothing selected: nothing happens";

    body.selected = 0;
    editor.EditInstruction();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Instruction has no properties to change."}));
    EXPECT_EQ(fake::MessageBoxes()[0].owner, editorWindow);
    EXPECT_EQ(fake::MessageBoxes()[0].caption, "Attention");

    body.selected = 2;
    dialogs.delay = DelayValues{1500};
    editor.EditInstruction();
    EXPECT_EQ(dialogs.openedDelay.back().delay, 0) << "opened with the instruction's value";
    EXPECT_EQ(body.lines[2], "DELAY 1500 millisecond(s)");
    EXPECT_EQ(body.selected, -1);

    body.selected = 3;
    dialogs.box = MessageBoxValues{"New", "Text"};
    editor.EditInstruction();
    EXPECT_EQ(body.lines[3], "MESSAGE BOX");
    EXPECT_EQ(body.selected, 3) << "a MESSAGE BOX line is not replaced";
    EXPECT_EQ(editor.InstructionList[3].Texts[0], "New");

    body.selected = 4;
    dialogs.recording.reset();  // cancelled: nothing changes
    editor.EditInstruction();
    EXPECT_EQ(body.lines[4], "PLAYBACK RECORDING: tune");
    dialogs.recording = RecordingChoice{"other", 3, 25};
    editor.EditInstruction();
    EXPECT_EQ(body.lines[4], "PLAYBACK RECORDING : other");

    body.selected = 1;
    editor.DeleteInstruction();
    EXPECT_EQ(body.selected, -1);
    EXPECT_EQ(Body(), (Codes{{'A', 0}, {kind::Delay, 0}, {kind::MessageBox, 0}, {kind::PlaybackRecording, 0}}));
    EXPECT_EQ(body.lines.size(), editor.InstructionList.size());
}

// What Save refuses it refuses before writing anything, with the editor
// left as it was.
TEST_F(EditorTest, SaveRefusesWhatCannotBeStoredAndWritesNothing) {
    StoreMacro("Other", 'O', win::MOD_CONTROL);
    Start();
    MacroEditDialog& editor = Open();
    editor.InsertKey('A');
    const auto before = fake::Tree("Software\\Tallow Labs\\Keyloom");
    const HotKeyValue ctrlK{'K', 2};
    const std::string tooLong(240, 'n');
    const struct {
        std::string name;
        HotKeyValue hotKey;
        std::string message;
    } refused[] = {
        {"", {0, 0}, "Macro Name must not be empty!"},
        {"Named", {0, 2}, "Must select hot key!"},
        {"a\\b", ctrlK, "A macro name must not contain a backslash (\\)."},
        {tooLong, ctrlK, "The macro name is too long: at most 213 characters fit."},
        {"OTHER", ctrlK, "A macro named OTHER already exists."},
    };
    for (const auto& r : refused) {
        fake::ClearMessageBoxes();
        EXPECT_FALSE(editor.Save(r.name, r.hotKey)) << r.name;
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{r.message}) << r.name;
    }
    EXPECT_EQ(fake::Tree("Software\\Tallow Labs\\Keyloom"), before);
    EXPECT_EQ(macroList.rows.size(), 1u);
    EXPECT_EQ(body.lines, (Lines{"aA (Down)", "aA (Up)"}));
    EXPECT_EQ(fake::OpenKeyCount(), 0);

    // One blank is a name; the extended-key flag is not kept.
    fake::ClearMessageBoxes();
    EXPECT_TRUE(editor.Save(" ", HotKeyValue{'K', 2 | 4 | 8}));
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(macroList.rows.back(), (std::vector<std::string>{" ", "CTRL + ALT + K"}));
    EXPECT_EQ(MacroHotKeys().back().modifiers, static_cast<win::UINT>(win::MOD_CONTROL | win::MOD_ALT));
}

// In a double-byte code page 0x5C can be a character's second byte, which
// the registry reads as part of that character: such a name is one key. The
// length message counts this name's characters, not its bytes.
TEST_F(EditorTest, NamesAreCheckedByCharactersInADoubleByteCodePage) {
    fake::UseCodePage(932);
    Start();
    MacroEditDialog& editor = Open();
    editor.InsertKey('A');
    const std::string table = "\x95\x5C";  // one character whose second byte is 0x5C
    fake::ClearMessageBoxes();
    std::string tooLong;
    for (int n = 0; n < 120; ++n) tooLong += table;  // 240 bytes, 213 fit
    EXPECT_FALSE(editor.Save(tooLong, HotKeyValue{'K', 2}));
    EXPECT_FALSE(editor.Save("a\\" + table, HotKeyValue{'K', 2}));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"The macro name is too long: at most 106 characters fit.",
                                                    "A macro name must not contain a backslash (\\)."}));
    EXPECT_TRUE(editor.Save(table, HotKeyValue{'K', 2}));
    EXPECT_TRUE(fake::KeyExists("Software\\Tallow Labs\\Keyloom\\Macros\\" + table));
}


}  // namespace
