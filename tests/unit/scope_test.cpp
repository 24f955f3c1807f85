// Where a macro works: the decisions on program names, hot keys shared by
// macros of disjoint scopes, the editor's refusal of one that overlaps, and
// a hot key passed on to the program in front when no macro works there.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "exec/hot_keys.h"
#include "exec/scope.h"
#include "platform/fake/fake_hooks.h"
#include "platform/fake/fake_windows.h"

namespace {

using scope::MacroScope;

MacroScope Only(std::u16string programs) { return {scope::OnlyThese, std::move(programs)}; }
MacroScope Except(std::u16string programs) { return {scope::AllExcept, std::move(programs)}; }
const MacroScope kEverywhere{};

TEST(ScopeDecisions, ProgramsAreComparedAsWindowsComparesFileNames) {
    struct Case {
        MacroScope scope;
        std::u16string program;
        bool works;
    };
    const Case cases[] = {
        {kEverywhere, u"notepad.exe", true},
        {kEverywhere, u"", true},
        {Only(u"notepad.exe"), u"NOTEPAD.EXE", true},
        {Only(u"notepad.exe"), u"notepad", false},
        {Only(u" winword.exe ; Notepad.exe;"), u"notepad.exe", true},
        {Only(u"winword.exe;notepad.exe"), u"wordpad.exe", false},
        {Only(u""), u"notepad.exe", false},
        {Only(u";;  ;"), u"notepad.exe", false},
        {Only(u"notepad.exe"), u"", false},
        {Except(u"notepad.exe"), u"Notepad.Exe", false},
        {Except(u"notepad.exe"), u"wordpad.exe", true},
        {Except(u""), u"notepad.exe", true},
        {Except(u"notepad.exe"), u"", true},
        // The file system's case table, not a language's: accented and
        // Cyrillic letters fold, the sharp s stays itself.
        {Only(u"\u00C4RGER.exe"), u"\u00E4rger.EXE", true},
        {Only(u"\u0411\u041B\u041E\u041A.exe"), u"\u0431\u043B\u043E\u043A.exe", true},
        {Only(u"stra\u00DFe.exe"), u"STRASSE.EXE", false},
        {MacroScope{7, u"x.exe"}, u"y.exe", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scope::WorksIn(c.scope, c.program), c.works)
            << std::string(c.program.begin(), c.program.end()) << " in mode " << c.scope.mode;
}

TEST(ScopeDecisions, TwoScopesOverlapWhenSomeProgramHasBoth) {
    struct Case {
        MacroScope a, b;
        bool overlap;
    };
    const Case cases[] = {
        {kEverywhere, kEverywhere, true},
        {kEverywhere, Only(u"notepad.exe"), true},
        {kEverywhere, Except(u"notepad.exe"), true},
        {kEverywhere, Only(u""), false},
        {Only(u"notepad.exe"), Only(u"winword.exe"), false},
        {Only(u"notepad.exe;calc.exe"), Only(u"WINWORD.EXE;CALC.EXE"), true},
        {Only(u"notepad.exe"), Except(u"notepad.exe"), false},
        {Except(u"NOTEPAD.EXE;winword.exe"), Only(u"notepad.exe;Winword.exe"), false},
        {Only(u"notepad.exe;calc.exe"), Except(u"notepad.exe"), true},
        {Except(u"notepad.exe"), Except(u"winword.exe"), true},
        {Except(u""), Only(u"notepad.exe"), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(scope::Overlap(c.a, c.b), c.overlap) << c.a.mode << " against " << c.b.mode;
        EXPECT_EQ(scope::Overlap(c.b, c.a), c.overlap) << "either way round";
    }
}

TEST(ScopeDecisions, TheListTellsHowManyProgramsAScopeNames) {
    EXPECT_EQ(scope::ListSuffix(kEverywhere), "");
    EXPECT_EQ(scope::ListSuffix(Only(u"notepad.exe;winword.exe")), " (in 2 programs)");
    EXPECT_EQ(scope::ListSuffix(Except(u"notepad.exe; ;winword.exe;")), " (not in 2 programs)");
    EXPECT_EQ(scope::ListSuffix(Only(u"notepad.exe")), " (in 1 program)");
}

void StoreScope(const std::string& macro, std::int32_t mode, const std::string& programs) {
    fake::SetDword(kMacros + macro, "Scope", static_cast<std::uint32_t>(mode));
    fake::SetString(kMacros + macro, "ScopePrograms", programs);
}

class ScopeRunnerTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        hotkeys::Reset();
        notepad = fake::AddProgramWindow("Untitled - Notepad", 101, u"C:\\windows\\system32\\NOTEPAD.EXE");
        wordpad = fake::AddProgramWindow("Document - WordPad", 102, u"C:\\Program Files\\Windows NT\\wordpad.exe");
        calc = fake::AddProgramWindow("Calculator", 103, u"C:\\windows\\system32\\calc.exe");
    }
    // The keys that a run typed (down events) since the last look.
    static std::string Typed() {
        std::string keys;
        for (const auto& event : fake::KeyEvents())
            if ((event.flags & win::KEYEVENTF_KEYUP) == 0) keys += static_cast<char>(event.virtualKey);
        fake::ClearKeyEvents();
        return keys;
    }
    void PressIn(win::HWND program, int id) {
        fake::SetForeground(program);
        PressHotKey(id);
    }
    win::HWND notepad{}, wordpad{}, calc{};
};

TEST_F(ScopeRunnerTest, MacrosOfDisjointScopesShareOneRegistrationAndEachRunsInItsOwnPrograms) {
    StoreMacro("In Notepad", 'K', win::MOD_CONTROL);
    StoreKeyStroke("In Notepad", 0, 'N');
    StoreScope("In Notepad", scope::OnlyThese, "notepad.exe");
    StoreMacro("Elsewhere", 'K', win::MOD_CONTROL);
    StoreKeyStroke("Elsewhere", 0, 'E');
    StoreScope("Elsewhere", scope::AllExcept, "notepad.exe;calc.exe");
    StoreMacro("Old macro", 'O', win::MOD_ALT);  // stored before scopes: everywhere
    StoreKeyStroke("Old macro", 0, 'O');
    Start();
    EXPECT_TRUE(fake::MessageBoxes().empty()) << "a macro without a scope reads without a word";
    ASSERT_EQ(MacroHotKeys().size(), 2u) << "Ctrl+K is registered once";
    const int shared = MacroHotKeys()[0].virtualKey == 'K' ? MacroHotKeys()[0].id : MacroHotKeys()[1].id;
    EXPECT_EQ(macroList.rows[0][1], "CTRL + K (not in 2 programs)");
    EXPECT_EQ(macroList.rows[1][1], "CTRL + K (in 1 program)");
    EXPECT_EQ(macroList.rows[2][1], "ALT + O");

    PressIn(notepad, shared);
    EXPECT_EQ(Typed(), "N");
    PressIn(wordpad, shared);
    EXPECT_EQ(Typed(), "E");
    fake::ClearSentInputs();
    PressIn(calc, shared);
    EXPECT_EQ(Typed(), "") << "no macro works in calc.exe";
    EXPECT_FALSE(fake::SentInputs().empty()) << "the key went on to calc.exe";
    PressIn(calc, MacroHotKeys()[0].virtualKey == 'O' ? MacroHotKeys()[0].id : MacroHotKeys()[1].id);
    EXPECT_EQ(Typed(), "O") << "a macro without a scope works everywhere, as before";

    // Deleting one sharer keeps the hot key for the other; the last one
    // gives it back.
    macroList.selected = 1;
    dialog->DeleteMacro();
    EXPECT_EQ(MacroHotKeys().size(), 2u);
    PressIn(wordpad, shared);
    EXPECT_EQ(Typed(), "E");
    macroList.selected = 0;
    dialog->DeleteMacro();
    EXPECT_EQ(MacroHotKeys().size(), 1u);
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(ScopeRunnerTest, AHotKeyWhereNoMacroWorksReachesTheProgramAsPressedWithNothingLeftHeld) {
    StoreMacro("Shifted", 'A', win::MOD_SHIFT);
    StoreKeyStroke("Shifted", 0, 'X');
    StoreScope("Shifted", scope::OnlyThese, "notepad.exe");
    StoreMacro("F-key", win::VK_F1 + 4, 0);
    StoreScope("F-key", scope::AllExcept, "wordpad.exe");
    StoreMacro("Arrow", win::VK_LEFT, win::MOD_CONTROL | win::MOD_ALT);
    StoreScope("Arrow", scope::OnlyThese, "notepad.exe");
    Start();
    const auto idOf = [](win::UINT vk) {
        for (const auto& h : MacroHotKeys())
            if (h.virtualKey == vk) return h.id;
        return -1;
    };
    struct Sent {
        win::WORD vk;
        win::DWORD flags;
        bool operator==(const Sent&) const = default;
    };
    const auto sent = [] {
        std::vector<Sent> out;
        for (const auto& input : fake::SentInputs()) out.push_back({input.ki.wVk, input.ki.dwFlags});
        fake::ClearSentInputs();
        return out;
    };
    constexpr win::DWORD up = win::KEYEVENTF_KEYUP, ext = win::KEYEVENTF_EXTENDEDKEY;
    fake::SetForeground(wordpad);
    fake::ClearSentInputs();

    // Shift was let go before the message came: it is pressed for the key.
    PressHotKey(idOf('A'));
    EXPECT_EQ(sent(), (std::vector<Sent>{{win::VK_SHIFT, 0}, {'A', 0}, {'A', up}, {win::VK_SHIFT, up}}));
    // Shift still held by the user: only the key goes.
    fake::PressPhysicalKey(win::VK_SHIFT, false);
    PressHotKey(idOf('A'));
    EXPECT_EQ(sent(), (std::vector<Sent>{{'A', 0}, {'A', up}}));
    EXPECT_TRUE(fake::IsKeyDown(win::VK_SHIFT)) << "the user's own Shift stays down";
    fake::PressPhysicalKey(win::VK_SHIFT, true);
    PressHotKey(idOf(win::VK_F1 + 4));
    EXPECT_EQ(sent(), (std::vector<Sent>{{win::VK_F1 + 4, 0}, {win::VK_F1 + 4, up}}));
    PressHotKey(idOf(win::VK_LEFT));
    EXPECT_EQ(sent(), (std::vector<Sent>{{win::VK_CONTROL, 0},
                                         {win::VK_MENU, 0},
                                         {win::VK_LEFT, ext},
                                         {win::VK_LEFT, ext | up},
                                         {win::VK_MENU, up},
                                         {win::VK_CONTROL, up}}));
    EXPECT_EQ(Typed(), "") << "no macro ran";
    EXPECT_EQ(input::HeldCount(), 0u);
    for (win::BYTE key : {win::VK_SHIFT, win::VK_CONTROL, win::VK_MENU, win::VK_LEFT, win::BYTE{'A'}})
        EXPECT_FALSE(fake::IsKeyDown(key)) << "key " << int(key) << " left down";
    EXPECT_EQ(MacroHotKeys().size(), 3u) << "every hot key is registered again";
    EXPECT_EQ(fake::OpenProcessCount(), 0);

    // A hot key that cannot be taken away is not sent: it would come back.
    fake::Fail("UnregisterHotKey", win::ERROR_ACCESS_DENIED);
    PressHotKey(idOf('A'));
    EXPECT_TRUE(sent().empty());
    // A program that cannot be asked is none of the named ones.
    fake::RefuseProcessQuery(102);
    PressHotKey(idOf(win::VK_F1 + 4));
    EXPECT_TRUE(sent().empty()) << "F5 works in every program but wordpad.exe";
    EXPECT_EQ(fake::OpenProcessCount(), 0);
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

class ScopeEditorTest : public ScopeRunnerTest {
protected:
    static std::u16string StoredScope(const std::string& macro) {
        std::u16string text;
        RegistryStore::ReadMacroText(macro, "ScopePrograms", &text);
        return text;
    }
    bool SaveScoped(const std::string& name, win::BYTE vk, MacroScope where, bool add = true, int row = -1) {
        Open(add, row);
        if (add) editor->InsertKey(vk);
        editor->macroScope = std::move(where);
        return editor->Save(name, HotKeyValue{vk, 2});
    }
};

TEST_F(ScopeEditorTest, SaveSharesAHotKeyOnlyBetweenScopesThatCannotMeet) {
    Start();
    ASSERT_TRUE(SaveScoped("Notes", 'K', Only(u"notepad.exe")));
    ASSERT_TRUE(SaveScoped("Words", 'K', Only(u"wordpad.exe")));
    EXPECT_TRUE(fake::MessageBoxes().empty());
    ASSERT_EQ(MacroHotKeys().size(), 1u) << "one registration for both";
    const int id = MacroHotKeys()[0].id;
    PressIn(notepad, id);
    EXPECT_EQ(Typed(), "K");

    EXPECT_FALSE(SaveScoped("Everywhere", 'K', kEverywhere));
    EXPECT_FALSE(SaveScoped("Both", 'K', Only(u"calc.exe;WORDPAD.EXE")));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                              "The hot key CTRL + K is already used by the macro Notes in the same programs.",
                              "The hot key CTRL + K is already used by the macro Words in the same programs."}));
    EXPECT_FALSE(fake::KeyExists(kMacros + "Everywhere"));
    EXPECT_EQ(macroList.rows.size(), 2u);
    fake::ClearMessageBoxes();
    EXPECT_FALSE(SaveScoped("Nowhere", 'Q', Only(u" ; ")));
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Type the programs the macro works in, or choose All programs."}));
    fake::ClearMessageBoxes();

    // Edited in place, a sharer keeps the registration; moved to a scope
    // that meets the other's, it is refused and nothing changes.
    ASSERT_TRUE(SaveScoped("Words", 'K', Except(u"notepad.exe"), false, 1));
    EXPECT_EQ(MacroHotKeys().size(), 1u);
    EXPECT_EQ(MacroHotKeys()[0].id, id);
    EXPECT_EQ(macroList.rows[1][1], "CTRL + K (not in 1 program)");
    EXPECT_FALSE(SaveScoped("Words", 'K', Except(u"calc.exe"), false, 1));
    EXPECT_EQ(StoredScope("Words"), Except(u"notepad.exe").programs);
    PressIn(calc, id);
    EXPECT_EQ(Typed(), "K") << "Words works in calc.exe";

    // Its own new hot key leaves the shared one to Notes.
    fake::ClearMessageBoxes();
    ASSERT_TRUE(SaveScoped("Words", 'W', Except(u"notepad.exe"), false, 1));
    EXPECT_EQ(MacroHotKeys().size(), 2u);
    PressIn(notepad, id);
    EXPECT_EQ(Typed(), "K");
    fake::ClearSentInputs();
    PressIn(calc, id);
    EXPECT_EQ(Typed(), "");
    EXPECT_FALSE(fake::SentInputs().empty()) << "Ctrl+K is calc's own now";
    EXPECT_TRUE(fake::MessageBoxes().empty());

    // A fresh start reads the same back.
    for (const auto& hotKey : MacroHotKeys()) win::UnregisterHotKey(hotKey.window, hotKey.id);
    macroList = TestRows{};
    Start();
    EXPECT_EQ(MacroHotKeys().size(), 2u);
    Open(false, 1);
    EXPECT_EQ(editor->macroScope.mode, scope::AllExcept);
    EXPECT_EQ(editor->macroScope.programs, u"notepad.exe");
}

}  // namespace

namespace {

TEST(ScopeDecisions, PickAddsAProgramOnceAtTheEnd) {
    EXPECT_EQ(scope::AddProgram(u"", u"notepad.exe"), u"notepad.exe");
    EXPECT_EQ(scope::AddProgram(u"calc.exe ", u"notepad.exe"), u"calc.exe;notepad.exe");
    EXPECT_EQ(scope::AddProgram(u"calc.exe;", u"notepad.exe"), u"calc.exe;notepad.exe");
    EXPECT_EQ(scope::AddProgram(u"NOTEPAD.EXE; calc.exe", u"notepad.exe"), u"NOTEPAD.EXE; calc.exe");
}

TEST(ScopeDecisions, PickListsEachProgramWithAVisibleWindowOnceAndNotKeyloom) {
    fake::Reset();
    fake::AddWindow("Keyloom");
    fake::AddProgramWindow("b", 201, u"C:\\windows\\notepad.exe");
    fake::AddProgramWindow("a", 202, u"C:\\apps\\Calc.exe");
    fake::AddProgramWindow("c", 203, u"D:\\NOTEPAD.EXE");
    const win::HWND hidden = fake::AddProgramWindow("d", 204, u"C:\\hidden.exe");
    fake::WindowState state = fake::GetWindowState(hidden);
    state.visible = false;
    fake::SetWindowState(hidden, state);
    fake::AddOtherWindow("protected", 205);  // a process that cannot be asked
    EXPECT_EQ(scope::VisiblePrograms(), (std::vector<std::u16string>{u"Calc.exe", u"notepad.exe"}));
    EXPECT_EQ(fake::OpenProcessCount(), 0);
}

}  // namespace

namespace {

TEST_F(ScopeEditorTest, AMacroSwitchedOffTakesNoPartInSharingOrOverlap) {
    StoreMacro("Off", 'K', win::MOD_CONTROL);
    StoreScope("Off", scope::OnlyThese, "notepad.exe");
    fake::SetDword(kMacros + "Off", "Enabled", 0);
    Start();
    EXPECT_EQ(macroList.rows[0][1], "CTRL + K (in 1 program) (off)");
    ASSERT_TRUE(SaveScoped("On", 'K', kEverywhere)) << "the macro that is off does not count";
    EXPECT_TRUE(fake::MessageBoxes().empty());
    ASSERT_EQ(MacroHotKeys().size(), 1u);
    PressIn(notepad, MacroHotKeys()[0].id);
    EXPECT_EQ(Typed(), "K") << "the hot key is On's alone";

    for (const auto& hotKey : MacroHotKeys()) win::UnregisterHotKey(hotKey.window, hotKey.id);
    macroList = TestRows{};
    Start();
    EXPECT_TRUE(fake::MessageBoxes().empty()) << "nor at start-up";
    ASSERT_EQ(MacroHotKeys().size(), 1u);
    PressIn(notepad, MacroHotKeys()[0].id);
    EXPECT_EQ(Typed(), "K");
}

}  // namespace
