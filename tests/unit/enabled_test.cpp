// Macros switched off and hot keys suspended, against the hot-key
// registrations the system holds.
#include "exec/hot_keys.h"
#include "macro_fixture.h"

namespace {

std::vector<win::UINT> RegisteredKeys() {
    std::vector<win::UINT> keys;
    for (const auto& hotKey : fake::HotKeys()) keys.push_back(hotKey.virtualKey);
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
    StoreMacro("On", 'N', win::MOD_ALT);
    fake::SetDword(kMacros + "On", "Enabled", 1);
    Start();

    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(RegisteredKeys(), (std::vector<win::UINT>{'O', 'N'}));
    EXPECT_EQ(macroList.rows, (std::vector<std::vector<std::string>>{
                                  {"Off", "CTRL + SHIFT + F (off)"}, {"Old", "CTRL + O"}, {"On", "ALT + N"}}));
    EXPECT_FALSE(hotkeys::IsRegistered(0));
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

}  // namespace
