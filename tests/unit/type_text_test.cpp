// TYPE TEXT: the inputs a text becomes, their batches, input the system
// stops taking, the runner over good and bad stored texts, and the editor's
// dialog, body line and store.
#include <functional>

#include "editor_fixture.h"
#include "exec/message_wait.h"
#include "input/unicode_text.h"
#include "platform/fake/fake_hooks.h"

namespace {

using Lines = std::vector<std::string>;

struct Event {
    win::WORD virtualKey;
    win::WORD scanCode;
    win::DWORD flags;
    bool operator==(const Event&) const = default;
};
constexpr win::DWORD kUnicode = win::KEYEVENTF_UNICODE;
constexpr win::DWORD kUp = win::KEYEVENTF_KEYUP;

std::vector<Event> Sent() {
    std::vector<Event> events;
    for (const win::INPUT& input : fake::SentInputs()) {
        EXPECT_EQ(input.type, win::INPUT_KEYBOARD);
        events.push_back({input.ki.wVk, input.ki.wScan, input.ki.dwFlags});
    }
    return events;
}

std::vector<Event> Unit(char16_t unit) { return {{0, unit, kUnicode}, {0, unit, kUnicode | kUp}}; }
std::vector<Event> Press(win::BYTE key) {
    const auto scan = static_cast<win::WORD>(win::MapVirtualKeyA(key, win::MAPVK_VK_TO_VSC));
    return {{key, scan, 0}, {key, scan, kUp}};
}
std::vector<Event> Join(std::initializer_list<std::vector<Event>> parts) {
    std::vector<Event> out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// What a text-reading window makes of the inputs: each unit's down gives
// the unit, Enter a CR LF, Tab a tab.
std::u16string Typed() {
    std::u16string text;
    for (const Event& e : Sent()) {
        if ((e.flags & kUp) != 0) continue;
        if ((e.flags & kUnicode) != 0) text.push_back(static_cast<char16_t>(e.scanCode));
        if (e.virtualKey == win::VK_RETURN) text += u"\r\n";
        if (e.virtualKey == win::VK_TAB) text.push_back(u'\t');
    }
    return text;
}

class TypeTextInput : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        input::ForgetHeld();
    }
};

TEST_F(TypeTextInput, EachCharacterIsItsUnitsDownAndUpAndLineBreaksAndTabsAreKeys) {
    const struct {
        std::u16string text;
        std::vector<Event> events;
    } cases[] = {
        {u"aZ", Join({Unit(u'a'), Unit(u'Z')})},
        {u"\u65e5\u00fc", Join({Unit(0x65E5), Unit(0x00FC)})},
        // A surrogate pair is its two units, high first.
        {u"\U0001F642", Join({Unit(0xD83D), Unit(0xDE42)})},
        {u"a\r\nb", Join({Unit(u'a'), Press(win::VK_RETURN), Unit(u'b')})},
        {u"\n\r\t", Join({Press(win::VK_RETURN), Press(win::VK_RETURN), Press(win::VK_TAB)})},
        // A surrogate without its partner goes out as the unit it is.
        {u"\xD83Dx", Join({Unit(0xD83D), Unit(u'x')})},
    };
    for (const auto& c : cases) {
        fake::ClearSentInputs();
        EXPECT_EQ(input::TypeUnicodeText(c.text, input::Owner::Macro), input::Typed::Whole);
        EXPECT_EQ(Sent(), c.events);
        EXPECT_EQ(input::HeldCount(), 0u);
        EXPECT_FALSE(fake::IsKeyDown(win::VK_PACKET));
    }
}

TEST_F(TypeTextInput, GoesOutInFullBatchesThatNeverSplitACharacter) {
    // 127 characters fill 254 of a batch's 256 inputs: the pair's four go
    // into the next batch whole.
    const std::u16string text = std::u16string(127, u'a') + u"\U0001F642b";
    input::TextBatch batch;
    std::size_t at = 0;
    EXPECT_EQ(input::NextTextBatch(text, &at, &batch), 254u);
    EXPECT_EQ(at, 127u);
    EXPECT_EQ(input::NextTextBatch(text, &at, &batch), 6u);
    EXPECT_EQ(batch[0].ki.wScan, 0xD83D);
    EXPECT_EQ(batch[2].ki.wScan, 0xDE42);
    EXPECT_EQ(input::NextTextBatch(text, &at, &batch), 0u);

    std::u16string many;
    for (int i = 0; i < 1000; ++i) many += i % 10 == 9 ? u"\r\n" : u"\u00e9";
    EXPECT_EQ(input::TypeUnicodeText(many, input::Owner::Macro), input::Typed::Whole);
    EXPECT_EQ(fake::Calls("SendInput"), 8) << "2000 inputs in batches of 256";
    EXPECT_EQ(Typed(), many);
}

TEST_F(TypeTextInput, InputStoppedPartwayLeavesNoUnitHeld) {
    // The system takes three inputs: b's down is let go at once.
    fake::CutNextSendInput(3);
    EXPECT_EQ(input::TypeUnicodeText(u"abc", input::Owner::Macro), input::Typed::Cut);
    EXPECT_EQ(Sent(), Join({Unit(u'a'), Unit(u'b')}));
    EXPECT_EQ(input::HeldCount(), 0u);

    // A unit's down whose up could not follow stays in the table, and the
    // end of the run lets it go.
    fake::ClearSentInputs();
    win::INPUT down{};
    down.type = win::INPUT_KEYBOARD;
    down.ki.wScan = 0xE9;
    down.ki.dwFlags = kUnicode;
    input::Send(&down, 1, input::Owner::Macro);
    EXPECT_EQ(input::HeldCount(), 1u);
    fake::ClearSentInputs();
    input::ReleaseAllHeld();
    EXPECT_EQ(Sent(), (std::vector<Event>{{0, 0xE9, kUnicode | kUp}}));
    EXPECT_EQ(input::HeldCount(), 0u);

    // Nothing taken at all.
    fake::ClearSentInputs();
    fake::Fail("SendInput", win::ERROR_ACCESS_DENIED);
    EXPECT_EQ(input::TypeUnicodeText(u"a", input::Owner::Macro), input::Typed::Cut);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(input::HeldCount(), 0u);
}

const std::string kTextKey = kMacros + "M\\Commands\\0";

class TypeTextRun : public RunnerTest {
protected:
    // "M": a Key Down Only Shift, the TYPE TEXT, then an A stroke.
    void StoreTypingMacro() {
        StoreMacro("M", 'M', win::MOD_CONTROL);
        StoreInstruction("M", 0, kind::TypeText);
        StoreInstruction("M", 1, 'A', {Dword("KeyPressed", 0)});
        StoreInstruction("M", 2, 'A', {Dword("KeyPressed", 2)});
    }
};

TEST_F(TypeTextRun, TypesTheStoredTextThenGoesOn) {
    StoreTypingMacro();
    const std::u16string text = u"Gr\u00fc\u00dfe \u2013 \u65e5\u672c\u8a9e \U0001F642\r\nline two\tend";
    fake::SetUnicodeString(kTextKey, "Text", text);
    Start();
    PressHotKey(0);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(Typed(), text);
    EXPECT_EQ(fake::KeyEvents().size(), 2u) << "the A stroke after the text";
    EXPECT_EQ(dialog->macroRunning, 0);
    EXPECT_EQ(fake::OpenKeyCount(), 0);
    EXPECT_EQ(input::HeldCount(), 0u);
}

TEST_F(TypeTextRun, ATextThatCannotBeUsedIsToldAndEndsTheRunWithNothingTyped) {
    const std::string where = kTextKey + "\\Text";
    const struct {
        std::function<void()> store;
        std::string told;
    } cases[] = {
        {[] {}, "The text to type is missing at: " + where},
        {[] { fake::SetDword(kTextKey, "Text", 65); }, "The text to type at: " + where + " is not stored as a text (REG_SZ)."},
        {[] { fake::SetWideValue(kTextKey, "Text", win::REG_BINARY, {'a', 0, 0, 0}); },
         "The text to type at: " + where + " is not stored as a text (REG_SZ)."},
        {[] { fake::SetWideValue(kTextKey, "Text", win::REG_SZ, {'a', 0, 'b'}); },
         "The text to type at: " + where + " has an odd number of bytes: it is no UTF-16 text."},
        {[] { fake::SetUnicodeString(kTextKey, "Text", std::u16string(layout::kLongestTypedText + 1, u'a')); },
         "The text to type at: " + where + " is longer than 100000 characters."},
        // Far too long for memory: refused before any is had.
        {[] { fake::SetValueSize(kTextKey, "Text", 0xFFFFFFF0u); },
         "The text to type at: " + where + " is not stored as a text (REG_SZ)."},
        {[] { fake::Fail("RegQueryValueExW", win::ERROR_ACCESS_DENIED, 1, "Text"); },
         "Error reading value in reigistry at: " + where + ", error: Access is denied.\r\n"},
    };
    for (const auto& c : cases) {
        dialog.reset();
        SetUp();
        StoreTypingMacro();
        c.store();
        // A Key Down Only Shift held before: an abnormal end lets it go.
        win::INPUT shift{};
        shift.type = win::INPUT_KEYBOARD;
        shift.ki.wVk = win::VK_SHIFT;
        input::Send(&shift, 1, input::Owner::Macro);
        fake::ClearSentInputs();
        Start();
        PressHotKey(0);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.told});
        EXPECT_TRUE(fake::KeyEvents().empty()) << "the run ended before the A stroke";
        EXPECT_EQ(Sent(), (std::vector<Event>{{win::VK_SHIFT, 0, kUp}})) << "nothing typed, Shift let go";
        EXPECT_EQ(dialog->macroRunning, 0);
        EXPECT_EQ(fake::OpenKeyCount(), 0);
        EXPECT_LE(fake::LargestReadBuffer(), 2u * (layout::kLongestTypedText + 2));
    }
}

TEST_F(TypeTextRun, InputTheSystemStopsTakingIsToldAndEndsTheRun) {
    StoreTypingMacro();
    fake::SetUnicodeString(kTextKey, "Text", u"abc");
    Start();
    fake::CutNextSendInput(3);
    PressHotKey(0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Unable to type the whole text: the system stopped taking input."});
    EXPECT_EQ(Typed(), u"ab");
    EXPECT_TRUE(fake::KeyEvents().empty());
    EXPECT_EQ(input::HeldCount(), 0u);
}

// The main window's part while a long text is typed: the pump serves
// between batches, and after the second batch the stop key comes (or
// Shutdown is chosen, after which the pump serves no more).
MainDialog* typing = nullptr;
int served = 0;
bool shutDown = false;
bool StopAfterTwoBatches() {
    if (++served == 2) {
        if (shutDown)
            typing->OnShutdown();
        else
            typing->OnHotKey(MainDialog::kStopKeyIds[0]);
    }
    return !(shutDown && served >= 2);
}

// A text of 1000 characters (eight batches) is ended between its batches:
// two went out whole, nothing of it or of the Key Down Only Shift before
// it is held, the rest of the run does not come, nothing is said, and the
// next hot key runs its macro.
TEST_F(TypeTextRun, TheStopKeyOrShutdownEndsALongTextBetweenItsBatches) {
    for (const bool shutdown : {false, true}) {
        SCOPED_TRACE(shutdown ? "Shutdown" : "the stop key");
        dialog.reset();
        SetUp();
        StoreMacro("M", 'M', win::MOD_CONTROL);
        StoreInstruction("M", 0, win::VK_SHIFT, {Dword("KeyPressed", 0)});
        StoreInstruction("M", 1, kind::TypeText);
        StoreKeyStroke("M", 2, 'A');
        fake::SetUnicodeString(kMacros + "M\\Commands\\1", "Text", std::u16string(1000, u'x'));
        StoreMacro("N", 'N', win::MOD_CONTROL);
        StoreKeyStroke("N", 0, 'N');
        Start();
        typing = dialog.get();
        served = 0;
        shutDown = shutdown;
        exec::SetMessagePump(&StopAfterTwoBatches);
        PressHotKey(0);
        exec::SetMessagePump(nullptr);
        EXPECT_EQ(served, 2);
        EXPECT_EQ(Typed(), std::u16string(256, u'x'));
        EXPECT_EQ(input::HeldCount(), 0u);
        EXPECT_FALSE(fake::IsKeyDown(win::VK_SHIFT));
        EXPECT_FALSE(fake::IsKeyDown('A'));
        for (const auto& event : fake::KeyEvents()) EXPECT_NE(event.virtualKey, 'A');
        EXPECT_TRUE(BoxTexts().empty());
        EXPECT_EQ(dialog->macroRunning, 0);
        if (shutdown) continue;
        fake::ClearKeyEvents();
        PressHotKey(1);
        ASSERT_FALSE(fake::KeyEvents().empty());
        EXPECT_EQ(fake::KeyEvents()[0].virtualKey, 'N');
    }
}

class TypeTextEditor : public EditorTest {};

TEST_F(TypeTextEditor, TheBodyLineShowsTheFirstFortyCharactersOnOneLine) {
    const struct {
        std::u16string text;
        std::string line;
    } cases[] = {
        {u"Hello", "TYPE TEXT: Hello"},
        {u"one\r\ntwo\nthree", "TYPE TEXT: one two three"},
        // What the ANSI list box cannot show is "?", each unit of a pair.
        {u"Gr\u00fc\u00dfe \u2013 \u65e5\U0001F642", "TYPE TEXT: Gr\xfc\xdf" "e \x96 ???"},
        {std::u16string(40, u'x'), "TYPE TEXT: " + std::string(40, 'x')},
        {std::u16string(41, u'x'), "TYPE TEXT: " + std::string(40, 'x') + "..."},
        // A pair counts as one character and is never cut in two.
        {std::u16string(39, u'x') + u"\U0001F642y", "TYPE TEXT: " + std::string(39, 'x') + "??..."},
    };
    for (const auto& c : cases) {
        Instruction typed(kind::TypeText);
        typed.TypedText = c.text;
        EXPECT_EQ(InstructionText(typed, true), c.line);
    }
}

TEST_F(TypeTextEditor, AnEmptyTextIsRefusedAndLineBreaksAreStoredAsCrLf) {
    std::u16string text;
    EXPECT_FALSE(AcceptTypedText(editorWindow, &text));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Please enter the text to type."});
    text = u"a\nb\rc\r\nd";
    EXPECT_TRUE(AcceptTypedText(editorWindow, &text));
    EXPECT_EQ(text, u"a\r\nb\r\nc\r\nd");
    text = std::u16string(layout::kLongestTypedText, u'a');
    EXPECT_TRUE(AcceptTypedText(editorWindow, &text));
    text += u"a";
    EXPECT_FALSE(AcceptTypedText(editorWindow, &text));
}

TEST_F(TypeTextEditor, InsertedEditedSavedAsUtf16AndLoadedWhole) {
    Start();
    MacroEditDialog& editor = Open();
    dialogs.typeText.reset();
    Command(kind::TypeText);
    EXPECT_TRUE(editor.InstructionList.empty()) << "cancelled: nothing inserted";
    const std::u16string text = u"\u65e5\u672c\u8a9e \U0001F642\r\nzwei";
    dialogs.typeText = TypeTextValues{text};
    Command(kind::TypeText);
    ASSERT_EQ(body.lines, (Lines{"TYPE TEXT: ??? ?? zwei"}));
    ASSERT_TRUE(editor.Save("T", HotKeyValue{'T', 2}));

    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(fake::GetValue(kMacros + "T\\Commands\\0", "Text", &type, &bytes));
    EXPECT_EQ(type, win::REG_SZ);
    std::u16string stored;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) stored.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
    EXPECT_EQ(stored, text + u'\0');

    MacroEditDialog& reopened = Open(false, 0);
    ASSERT_EQ(reopened.InstructionList.size(), 1u);
    EXPECT_EQ(reopened.InstructionList[0].TypedText, text);
    body.selected = 0;
    dialogs.typeText = TypeTextValues{u"new"};
    reopened.EditInstruction();
    EXPECT_EQ(dialogs.openedTypeText.back().text, text) << "Edit opens with the whole text";
    EXPECT_EQ(body.lines, (Lines{"TYPE TEXT: new"}));
    EXPECT_TRUE(BoxTexts().empty());
}

}  // namespace
