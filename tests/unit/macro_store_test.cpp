// The macro editor's load and save: the stored tree they read and write,
// bad data at load, and faults at every store call of a save.
#include <cstdio>

#include "editor_fixture.h"

namespace {

using Lines = std::vector<std::string>;
const std::string kRoot = "Software\\Tallow Labs\\Keyloom";

std::uint32_t StoredDword(const std::string& key, const std::string& value) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    if (!fake::GetValue(key, value, &type, &bytes) || bytes.size() != 4) return 0xDEADBEEF;
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::string StoredText(const std::string& key, const std::string& value) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    if (!fake::GetValue(key, value, &type, &bytes) || type != win::REG_SZ) return "<none>";
    return std::string(bytes.begin(), bytes.end() - 1);
}

class EditorStoreTest : public EditorTest {
protected:
    // A body of every kind, composed as a user would.
    void ComposeEveryKind(MacroEditDialog& editor) {
        editor.InsertKey('A');
    dialogs.delay = DelayValues{2000000000};
    dialogs.copy = BufferValues{7};
    dialogs.paste = PasteValues{4294967295u, "line one\r\nline two %s"};
    dialogs.recording = RecordingChoice{"login", 3, 25};
    dialogs.box = MessageBoxValues{"Notice", ""};
    dialogs.run = RunValues{"C:\\app.exe", "", "C:\\work", 3};
        for (std::int32_t code = kind::FirstCommand; code <= kind::LastCommand; ++code) Command(code);
    }
};

TEST_F(EditorStoreTest, EveryKindIsStoredWithItsValuesAndLoadsBackTheSame) {
    Start();
    MacroEditDialog& editor = Open();
    ComposeEveryKind(editor);
    const std::vector<Instruction> composed = editor.InstructionList;
    ASSERT_EQ(composed.size(), 13u);
    ASSERT_TRUE(editor.Save("Every %s%n kind", HotKeyValue{'E', 2 | 4}));
    EXPECT_TRUE(fake::MessageBoxes().empty());

    const std::string macro = kMacros + "Every %s%n kind";
    EXPECT_EQ(StoredDword(macro, "vk"), static_cast<std::uint32_t>('E'));
    EXPECT_EQ(StoredDword(macro, "fsModifiers"), static_cast<std::uint32_t>(win::MOD_CONTROL | win::MOD_ALT));
    EXPECT_EQ(StoredDword(macro, "id"), 0u) << "the first id after a start with no macros";
    const auto command = [&](int n) { return macro + "\\Commands\\" + std::to_string(n); };
    EXPECT_EQ(StoredDword(command(0), "KeyPressed"), 0u);
    EXPECT_EQ(StoredDword(command(1), "KeyPressed"), 2u);
    EXPECT_EQ(StoredDword(command(2), "id"), static_cast<std::uint32_t>(kind::Delay));
    EXPECT_EQ(StoredDword(command(2), "DelayInterval"), 2000000000u);
    EXPECT_EQ(StoredDword(command(3), "KeyPressed"), 0u) << "REBOOT keeps a KeyPressed of 0";
    EXPECT_EQ(StoredDword(command(5), "BufIndex"), 7u);
    EXPECT_EQ(StoredDword(command(6), "BufIndex"), 0xFFFFFFFFu);
    EXPECT_EQ(StoredText(command(6), "DefPasteString"), "line one\r\nline two %s");
    EXPECT_EQ(StoredText(command(7), "JournalName"), "login");
    EXPECT_EQ(StoredDword(command(7), "PlayBackSpeed"), 25u);
    EXPECT_EQ(StoredDword(command(7), "PlayBackEvent"), 3u);
    EXPECT_EQ(StoredText(command(11), "MessageBody"), "");
    EXPECT_EQ(StoredText(command(12), "Arguments"), "");
    EXPECT_EQ(StoredDword(command(12), "ShowStyle"), 3u);
    EXPECT_FALSE(fake::KeyExists(command(13)));
    EXPECT_EQ(macroList.rows.back(), (std::vector<std::string>{"Every %s%n kind", "CTRL + ALT + E"}));

    MacroEditDialog& reopened = Open(false, 0);
    EXPECT_EQ(reopened.Title(), "Keyloom - Edit Macro");
    EXPECT_EQ(reopened.macroName, "Every %s%n kind");
    EXPECT_EQ(reopened.hotKeyPreset.virtualKey, 'E');
    EXPECT_EQ(reopened.hotKeyPreset.flags, 2 | 4);
    EXPECT_EQ(reopened.InstructionList, composed);
    EXPECT_EQ(body.lines[7], "PLAYBACK RECORDING : login");
    EXPECT_EQ(body.lines[12], "RUN (C:\\app.exe)");
    EXPECT_GT(body.redrawOffs, 0) << "the body is filled with redrawing off";
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

TEST_F(EditorStoreTest, SaveRegistersTheHotKeyUnderANewIdAndATakenOneStillSaves) {
    StoreMacro("Taken", 'K', win::MOD_CONTROL);
    Start();  // "Taken" gets id 0
    Open().InsertKey('Z');
    ASSERT_TRUE(editor->Save("New", HotKeyValue{'N', 2}));
    ASSERT_EQ(MacroHotKeys().size(), 2u);
    EXPECT_EQ(MacroHotKeys()[1].window, window);
    EXPECT_EQ(MacroHotKeys()[1].id, 1);
    EXPECT_EQ(StoredDword(kMacros + "New", "id"), 1u);

    // A hot key that another program holds still saves, unreachable.
    const win::HWND other = fake::AddWindow("Other");
    ASSERT_TRUE(win::RegisterHotKey(other, 5, win::MOD_CONTROL, 'J'));
    Open();
    EXPECT_TRUE(editor->Save("Same key", HotKeyValue{'J', 2}));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Failed to start macro: Same key"}));
    EXPECT_EQ(fake::MessageBoxes()[0].caption, "Error");
    EXPECT_EQ(fake::MessageBoxes()[0].type, win::MB_OK | win::MB_ICONWARNING);
    EXPECT_EQ(macroList.rows.size(), 3u);
    EXPECT_EQ(StoredDword(kMacros + "Same key", "id"), 2u) << "every save takes a new id";
}

TEST_F(EditorStoreTest, EditingRewritesTheMacroAtItsRowUnderANewId) {
    StoreMacro("A", 'A', win::MOD_CONTROL);
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreKeyStroke("M", 0, 'X');
    StoreKeyStroke("M", 2, 'Y');
    StoreMacro("Z", 'Z', win::MOD_CONTROL);
    Start();  // ids 0, 1, 2
    MacroEditDialog& editor = Open(false, 1);
    EXPECT_EQ(body.lines, (Lines{"xX (Down)", "xX (Up)", "yY (Down)", "yY (Up)"}));
    body.selected = 1;
    editor.DeleteInstruction();
    ASSERT_TRUE(editor.Save("m renamed", HotKeyValue{'R', 1}));
    EXPECT_FALSE(fake::KeyExists(kMacros + "M"));
    EXPECT_FALSE(fake::KeyExists(kMacros + "m renamed\\Commands\\3"));
    EXPECT_EQ(StoredDword(kMacros + "m renamed\\Commands\\2", "id"), static_cast<std::uint32_t>('Y'));
    EXPECT_EQ(macroList.rows[1], (std::vector<std::string>{"m renamed", "SHIFT + R"}));
    EXPECT_EQ(macroList.rows.size(), 3u);
    EXPECT_EQ(StoredDword(kMacros + "m renamed", "id"), 3u);
    std::vector<int> ids;
    for (const auto& hotKey : MacroHotKeys()) ids.push_back(hotKey.id);
    EXPECT_EQ(ids, (std::vector<int>{0, 2, 3})) << "the old id is given back";

    // Its own name in another case is its own key.
    Open(false, 1);
    EXPECT_TRUE(this->editor->Save("M RENAMED", HotKeyValue{'R', 1}));
    EXPECT_EQ(fake::SubKeys(kRoot + "\\Macros"), (std::vector<std::string>{"A", "M RENAMED", "Z"}));

    // The old macro cannot be set aside: it stays whole, and the new tree goes.
    fake::Fail("RegRenameKey", win::ERROR_ACCESS_DENIED, 1, "M RENAMED");
    fake::ClearMessageBoxes();
    Open(false, 1);
    const auto before = fake::Tree(kRoot);
    EXPECT_FALSE(this->editor->Save("again", HotKeyValue{'R', 1}));
    ASSERT_FALSE(BoxTexts().empty());
    EXPECT_EQ(BoxTexts().back(), "Unable to modify macro: M RENAMED");
    EXPECT_EQ(fake::Tree(kRoot), before);
}

// Repeat is stored only where it is not 1, so that such a macro is stored
// as before; a macro without it (an earlier Keyloom's) opens with 1.
TEST_F(EditorStoreTest, RepeatIsStoredWhereItIsNotOneAndLoadsBack) {
    StoreMacro("Old", 'O', win::MOD_CONTROL);
    StoreKeyStroke("Old", 0, 'X');
    Start();
    MacroEditDialog& editor = Open(false, 0);
    EXPECT_EQ(editor.repeat, 1);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    const auto before = fake::Tree(kMacros + "Old");
    ASSERT_TRUE(editor.AcceptRepeat("1"));
    ASSERT_TRUE(editor.Save("Old", HotKeyValue{'O', 2}));
    EXPECT_EQ(StoredDword(kMacros + "Old", "Repeat"), 0xDEADBEEF);  // not written

    for (const auto& [text, stored] : {std::pair{"0", 0u}, std::pair{"3", 3u}}) {
        Open(false, 0);
        ASSERT_TRUE(this->editor->AcceptRepeat(text));
        ASSERT_TRUE(this->editor->Save("Old", HotKeyValue{'O', 2}));
        EXPECT_EQ(StoredDword(kMacros + "Old", "Repeat"), stored);
        EXPECT_EQ(Open(false, 0).repeat, static_cast<std::int32_t>(stored));
    }
    // A refused count keeps the dialog open with the one it had.
    EXPECT_FALSE(this->editor->AcceptRepeat("-2"));
    EXPECT_EQ(this->editor->repeat, 3);
    // A stored count the field could not have taken opens as 1.
    fake::SetDword(kMacros + "Old", "Repeat", 0xFFFFFFFF);
    EXPECT_EQ(Open(false, 0).repeat, 1);
}

TEST_F(EditorStoreTest, LoadLeavesOutWhatCannotBeReadAndStopsAtTheFirstMissingCode) {
    StoreMacro("Bad", 'B', win::MOD_CONTROL);
    StoreInstruction("Bad", 0, kind::Delay);                                   // no DelayInterval
    StoreInstruction("Bad", 1, 'A', {Dword("KeyPressed", 1)});                 // 1 loads as a release
    StoreInstruction("Bad", 2, kind::PasteToClipboard, {Dword("BufIndex", 9)});  // no DefPasteString
    StoreInstruction("Bad", 3, kind::PlaybackRecording, {Dword("PlayBackSpeed", 0), Dword("PlayBackEvent", 1)});
    StoreInstruction("Bad", 4, 0x2000, {Dword("KeyPressed", 0)});              // no kind: a key
    StoreInstruction("Bad", 5, kind::Run, {Text("FileName", "x"), Text("Arguments", ""), Text("DirName", ""),
                                           Text("ShowStyle", "not a number")});
    StoreInstruction("Bad", 6, kind::MessageBox, {Dword("WindowTitle", 5), Text("MessageBody", "b")});
    StoreInstruction("Bad", 8, 'Q', {Dword("KeyPressed", 0)});                  // after the gap at 7
    Start();
    FindClipboardBuffer(9).bufferText = "old";
    fake::ClearMessageBoxes();
    Open(false, 0);
    EXPECT_EQ(body.lines, (Lines{"aA (Up)", "PASTE TO CLIP BOARD ID: 9", "PLAYBACK RECORDING : ", " (Down)",
                                 "MESSAGE BOX"}));
    EXPECT_EQ(editor->InstructionList.size(), body.lines.size());
    EXPECT_EQ(editor->InstructionList[4].Texts[0], std::string("\x05", 1)) << "the DWORD's bytes up to the NUL";
    EXPECT_EQ(FindClipboardBuffer(9).bufferText, "") << "the missing default empties the buffer";
    const auto boxes = BoxTexts();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_NE(boxes[0].find("Commands\\0\\DelayInterval"), std::string::npos);
    EXPECT_NE(boxes[1].find("Commands\\2\\DefPasteString"), std::string::npos);
    EXPECT_NE(boxes[2].find("Commands\\3\\JournalName"), std::string::npos);
    EXPECT_NE(boxes[3].find("Commands\\5\\ShowStyle"), std::string::npos);
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

TEST_F(EditorStoreTest, ALongBodyLoadsAndSavesWhole) {
    StoreMacro("Long", 'L', win::MOD_CONTROL);
    for (int n = 0; n < 10000; n += 2) StoreKeyStroke("Long", n, 'A' + (n / 2) % 26);
    Start();
    Open(false, 0);
    ASSERT_EQ(body.lines.size(), 10000u);
    EXPECT_EQ(body.lines[9999], "hH (Up)");
    ASSERT_TRUE(editor->Save("Long", HotKeyValue{'L', 2}));
    EXPECT_EQ(StoredDword(kMacros + "Long\\Commands\\9999", "KeyPressed"), 2u);
    EXPECT_FALSE(fake::KeyExists(kMacros + "Long\\Commands\\10000"));
}

}  // namespace
