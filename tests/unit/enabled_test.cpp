// Macros switched off and hot keys suspended, against the hot-key
// registrations the system holds.
#include "exec/hot_keys.h"
#include "editor_fixture.h"

namespace {

std::vector<win::UINT> RegisteredKeys() {
    std::vector<win::UINT> keys;
    for (const auto& hotKey : MacroHotKeys()) keys.push_back(hotKey.virtualKey);
    return keys;
}

// A macro stored before macros could be switched off has no Enabled and
// runs as before; one with Enabled 0 keeps its id and row but holds no hot
// key, and its deletion asks the system for nothing.
TEST_F(RunnerTest, AMacroSwitchedOffHoldsNoHotKeyAndIsListedOff) {
    StoreMacro("Old", 'O', win::MOD_CONTROL);
    StoreKeyStroke("Old", 0, 'O');
    StoreMacro("Off", 'F', win::MOD_CONTROL | win::MOD_SHIFT);
    fake::SetDword(kMacros + "Off", "Enabled", 0);
    StoreKeyStroke("Off", 0, 'F');
    StoreMacro("On", 'N', win::MOD_ALT);
    fake::SetDword(kMacros + "On", "Enabled", 1);
    Start();

    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(RegisteredKeys(), (std::vector<win::UINT>{'O', 'N'}));
    EXPECT_EQ(macroList.rows, (std::vector<std::vector<std::string>>{
                                  {"Off", "CTRL + SHIFT + F (off)"}, {"Old", "CTRL + O"}, {"On", "ALT + N"}}));
    EXPECT_FALSE(hotkeys::IsRegistered(0));
    // A press of the off macro's id, queued before its hot key went, runs
    // nothing.
    PressHotKey(0);
    EXPECT_TRUE(fake::KeyEvents().empty());
    PressHotKey(1);
    EXPECT_EQ(fake::KeyEvents().size(), 2u);

    macroList.selected = 0;
    dialog->DeleteMacro();
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_FALSE(fake::KeyExists(kMacros + "Off"));
    EXPECT_EQ(RegisteredKeys(), (std::vector<win::UINT>{'O', 'N'}));
}

// An Enabled that is there but cannot be read as a number is said once, and
// the macro stays on, as it was before the value existed.
TEST_F(RunnerTest, AnEnabledThatCannotBeReadIsReportedAndTheMacroStaysOn) {
    StoreMacro("Odd", 'D', win::MOD_CONTROL);
    fake::SetString(kMacros + "Odd", "Enabled", "not a number");
    Start();
    ASSERT_EQ(BoxTexts().size(), 1u);
    EXPECT_EQ(BoxTexts()[0].rfind("Error reading DWORD from reigistry at: Software\\Tallow Labs\\Keyloom\\Macros\\Odd\\"
                                  "Enabled, error: ", 0), 0u);
    EXPECT_EQ(RegisteredKeys(), std::vector<win::UINT>{'D'});
    EXPECT_EQ(macroList.rows[0][1], "CTRL + D");
}

std::uint32_t StoredDword(const std::string& macro, const std::string& value) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    if (!fake::GetValue(kMacros + macro, value, &type, &bytes) || bytes.size() != 4) return 0xDEADBEEF;
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Suspending gives back every macro hot key and no save or start registers
// one; unsuspending registers them from the store again (an off macro's
// excepted) and says which it could not.
TEST_F(EditorTest, SuspendedHotKeysAreAllGivenBackAndComeBackFromTheStore) {
    StoreMacro("A", 'A', win::MOD_CONTROL);
    StoreMacro("B", 'B', win::MOD_CONTROL);
    fake::SetDword(kMacros + "B", "Enabled", 0);
    StoreMacro("C", 'C', win::MOD_CONTROL);
    Start();
    const win::HWND other = fake::AddWindow("Another program");
    ASSERT_TRUE(win::RegisterHotKey(other, 7, win::MOD_CONTROL | win::MOD_ALT, 0x7A));  // not a macro's (nor the stop key)
    EXPECT_EQ(dialog->TrayTip(), "Keyloom");

    dialog->SetSuspended(true);
    EXPECT_TRUE(dialog->Suspended());
    EXPECT_EQ(dialog->TrayTip(), "Keyloom (suspended)");
    EXPECT_EQ(RegisteredKeys(), std::vector<win::UINT>{0x7A});
    StoreKeyStroke("A", 0, 'A');
    PressHotKey(0);  // queued before the suspension
    EXPECT_TRUE(fake::KeyEvents().empty());
    Open();
    ASSERT_TRUE(editor->Save("New", HotKeyValue{'N', 2}));
    EXPECT_EQ(RegisteredKeys(), std::vector<win::UINT>{0x7A}) << "a save while suspended";
    macroList.selected = 0;
    dialog->DeleteMacro();  // "A": its hot key was given back already
    EXPECT_TRUE(fake::MessageBoxes().empty());

    // Another program took C's combination meanwhile.
    ASSERT_TRUE(win::RegisterHotKey(other, 8, win::MOD_CONTROL, 'C'));
    dialog->SetSuspended(false);
    EXPECT_FALSE(dialog->Suspended());
    EXPECT_EQ(dialog->TrayTip(), "Keyloom");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Failed to register hot key for macro: C"});
    EXPECT_EQ(RegisteredKeys(), (std::vector<win::UINT>{0x7A, 'C', 'N'}));
    EXPECT_EQ(macroList.rows, (std::vector<std::vector<std::string>>{
                                  {"B", "CTRL + B (off)"}, {"C", "CTRL + C"}, {"New", "CTRL + N"}}));
}

// Run from the tray menu runs a macro by name as its hot key would, the
// pause included, whether its hot key is off or suspended; it is refused
// while a macro runs and for a name that is no macro's.
TEST_F(RunnerTest, RunFromTheMenuRunsAMacroByNameAsItsHotKeyWould) {
    StoreMacro("Off", 'F', win::MOD_CONTROL);
    fake::SetDword(kMacros + "Off", "Enabled", 0);
    StoreKeyStroke("Off", 0, 'F');
    StoreMacro("Slow", 'S', win::MOD_CONTROL);
    StoreInstruction("Slow", 0, kind::Delay, {Dword("DelayInterval", 1000)});
    Start();
    EXPECT_EQ(dialog->MacroNames(), (std::vector<std::string>{"Off", "Slow"}));

    dialog->SetSuspended(true);
    EXPECT_EQ(dialog->RunMacroNamed("off"), MainDialog::RunRequest::Started);
    Pump();
    ASSERT_EQ(fake::KeyEvents().size(), 2u);
    EXPECT_EQ(fake::KeyEvents()[0].virtualKey, 'F');
    EXPECT_EQ(TimedWaits(), std::vector<win::DWORD>{299});

    for (const std::string name : {"", "Gone", "Off\\Commands", "|Keyloom|new"})
        EXPECT_EQ(dialog->RunMacroNamed(name), MainDialog::RunRequest::NoSuchMacro) << name;
    EXPECT_EQ(dialog->RunMacroNamed("Slow"), MainDialog::RunRequest::Started);
    EXPECT_EQ(dialog->macroRunning, 1);
    EXPECT_EQ(dialog->RunMacroNamed("Off"), MainDialog::RunRequest::Busy);
    Pump();
    EXPECT_EQ(dialog->macroRunning, 0);
    EXPECT_EQ(fake::KeyEvents().size(), 2u);
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

bool HasEnabled(const std::string& macro) {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    return fake::GetValue(kMacros + macro, "Enabled", &type, &bytes);
}

// The editor's Enabled box: switched off, the macro is saved with Enabled 0
// beside its other values, listed off and its hot key given back; switched
// on again, Enabled goes (the macro is stored as before the box existed)
// and the hot key is registered under the new id.
TEST_F(EditorTest, SwitchingAMacroOffAndOnInTheEditorGivesBackAndTakesItsHotKey) {
    StoreMacro("Other", 'T', win::MOD_CONTROL);
    StoreMacro("M", 'M', win::MOD_CONTROL);
    StoreKeyStroke("M", 0, 'X');
    Start();  // M 0, Other 1
    EXPECT_TRUE(Open(false, 0).enabled) << "a macro stored without Enabled opens on";

    editor->enabled = false;
    ASSERT_TRUE(editor->Save("M", HotKeyValue{'M', 2}));
    EXPECT_EQ(StoredDword("M", "Enabled"), 0u);
    EXPECT_EQ(StoredDword("M", "id"), 2u);
    EXPECT_EQ(macroList.rows[0], (std::vector<std::string>{"M", "CTRL + M (off)"}));
    EXPECT_EQ(RegisteredKeys(), std::vector<win::UINT>{'T'});
    EXPECT_TRUE(fake::MessageBoxes().empty());

    EXPECT_FALSE(Open(false, 0).enabled);
    EXPECT_EQ(body.lines.size(), 2u);
    editor->enabled = true;
    ASSERT_TRUE(editor->Save("M", HotKeyValue{'M', 2}));
    EXPECT_FALSE(HasEnabled("M"));
    EXPECT_EQ(macroList.rows[0], (std::vector<std::string>{"M", "CTRL + M"}));
    EXPECT_EQ(RegisteredKeys(), (std::vector<win::UINT>{'T', 'M'}));
    EXPECT_TRUE(hotkeys::IsRegistered(3));
    EXPECT_TRUE(fake::MessageBoxes().empty());

    // A new macro made off holds nothing either, and says nothing about a
    // combination that another macro holds.
    Open();
    editor->enabled = false;
    ASSERT_TRUE(editor->Save("Quiet", HotKeyValue{'T', 2}));
    EXPECT_EQ(StoredDword("Quiet", "Enabled"), 0u);
    EXPECT_EQ(macroList.rows.back(), (std::vector<std::string>{"Quiet", "CTRL + T (off)"}));
    EXPECT_EQ(RegisteredKeys(), (std::vector<win::UINT>{'T', 'M'}));
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

}  // namespace
