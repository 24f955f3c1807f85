#include "editor/key_names.h"

#include <gtest/gtest.h>

#include "store/layout.h"
#include "platform/fake/fake.h"
#include "platform/win.h"

namespace {

constexpr std::int32_t kAlt = win::MOD_ALT;
constexpr std::int32_t kCtrl = win::MOD_CONTROL;
constexpr std::int32_t kShift = win::MOD_SHIFT;

class KeyNames : public ::testing::Test {
protected:
    void SetUp() override { fake::UseLayout(fake::Layout::Us); }
    void TearDown() override { fake::UseLayout(fake::Layout::Us); }
};

TEST_F(KeyNames, HotKeyOnALetterShowsTheCharacterAfterModifiersInCtrlAltShiftOrder) {
    EXPECT_EQ(HotKeyText('K', 0), "K");
    EXPECT_EQ(HotKeyText('K', kShift | kCtrl), "CTRL + SHIFT + K");
    EXPECT_EQ(HotKeyText('K', kShift | kAlt | kCtrl), "CTRL + ALT + SHIFT + K");
    EXPECT_EQ(HotKeyText(0x74, 0), "F5");
    EXPECT_EQ(HotKeyText(0x74, kAlt), "ALT + F5");
    EXPECT_EQ(HotKeyText(0x74, kShift), "SHIFT + F5");
    // Keys whose character is a control character keep their names.
    EXPECT_EQ(HotKeyText(0x1B, kCtrl | kAlt), "CTRL + ALT + ESC");
    EXPECT_EQ(HotKeyText(0x08, kCtrl), "CTRL + " + HotKeyKeyName(0x08));
    EXPECT_NE(HotKeyKeyName(0x08)[0], '\x08');
    EXPECT_NE(HotKeyKeyName(0x0D)[0], '\r');
}

TEST_F(KeyNames, HotKeyWithoutKeyModifiersOrNameIsInvalidAsAWhole) {
    EXPECT_EQ(HotKeyText(-1, kCtrl), "Invalid Hot Key");
    EXPECT_EQ(HotKeyText('K', -1), "Invalid Hot Key");
    EXPECT_EQ(HotKeyText(-1, -1), "Invalid Hot Key");
    EXPECT_EQ(HotKeyKeyName(0xFF), kNoKeyName);
    EXPECT_EQ(HotKeyText(0xFF, kCtrl | kAlt), "Invalid Hot Key");
    EXPECT_EQ(HotKeyText(0x0A, 0), "Invalid Hot Key");
}

TEST_F(KeyNames, HotKeyPrefersTheLayoutsCharacterToAFixedName) {
    EXPECT_EQ(HotKeyKeyName(0xBA), ";");
    EXPECT_EQ(HotKeyKeyName(0x20), " ");   // the space bar types a space: not "SPACE"
    // With Num Lock off the keypad digits type nothing; the separator key
    // types a full stop.
    EXPECT_EQ(HotKeyKeyName(0x61), "NP 1");
    EXPECT_EQ(HotKeyKeyName(0x6C), ".");
    EXPECT_EQ(HotKeyKeyName(0x6B), "+");
    EXPECT_EQ(HotKeyKeyName(0x87), "F24");
    EXPECT_EQ(HotKeyKeyName(0x91), "SCRLOCK");
    ASSERT_EQ(win::MapVirtualKeyA(0x0C, win::MAPVK_VK_TO_CHAR), 0u);
    EXPECT_EQ(HotKeyKeyName(0x0C), "CENTER");

    fake::UseLayout(fake::Layout::European);
    EXPECT_EQ(HotKeyText(0xDB, kAlt), "ALT + \xDF");  // sharp s
    EXPECT_EQ(HotKeyKeyName('Z'), "Z");
    EXPECT_EQ(HotKeyKeyName(0x6E), ",");
    // Dead keys answer with the top bit set; the name is still the accent.
    EXPECT_EQ(HotKeyKeyName(0xDC), "^");
    EXPECT_EQ(HotKeyKeyName(0xDD), "\xB4");
}

TEST_F(KeyNames, InstructionNamesOnTheUsLayout) {
    const std::pair<std::int32_t, const char*> expected[] = {
        {0x31, "1!"},   {0x36, "6^"},        {0x30, "0)"},          {0xBD, "-_"},        {0xBB, "=+"},
        {0xDB, "[{"},   {0xDD, "]}"},        {0xBA, ";:"},          {0xDE, "'\""},       {0xC0, "`~"},
        {0xDC, "\\|"},  {0xBC, ",<"},        {0xBE, ".>"},          {0xBF, "/?"},        {0xE2, ""},
        {0x41, "aA"},   {0x51, "qQ"},        {0x5A, "zZ"},          {0x1B, "ESC"},       {0x08, "BACKSPACE"},
        {0x0D, "RETURN"}, {0x10, "SHIFT"},   {0x11, "CTRL"},        {0x12, "ALT"},       {0x20, "SPACE"},
        {0x70, "F1"},   {0x87, "F24"},       {0x88, ""},            {0x2E, "DEL"},       {0x0C, "CENTER"},
        {0x60, "NP 0"}, {0x69, "NP 9"},      {0x6C, "NP SEP"},      {0x6F, "NP /"},      {0x13, "PAUSE"},
        {kind::Pause, "PAUSE"}, {kind::Delay, "DELAY"}, {kind::Run, "RUN"}, {kind::TypeText, "TYPE TEXT"}, {kind::TypeText + 1, ""}, {0, ""},
        {-1, ""},       {0xFF, ""},          {0x1000 - 1, ""},
    };
    for (const auto& [code, name] : expected) {
        EXPECT_EQ(InstructionCodeName(code), name) << "code 0x" << std::hex << code;
    }
}


// On the German-like layout several US pair characters sit on keys that an
// earlier test in the keyboard-row order already names.
TEST_F(KeyNames, InstructionNamesOnTheEuropeanLayoutKeepTheEarliestMatch) {
    ASSERT_EQ(InstructionCodeName(0xDB), "[{");  // asked afresh after the switch below
    fake::UseLayout(fake::Layout::European);
    const std::pair<std::int32_t, const char*> expected[] = {
        {0x38, "8*"},   // "[" is AltGr+8
        {0x39, "9("},   // "]" is AltGr+9
        {0x30, "0)"},   // "=" is Shift+0
        {0x37, "7&"},   // "/" is Shift+7
        {0xBC, ";:"},   // ";" is Shift+comma, and the semicolon pair comes before the comma pair
        {0xBE, ".>"},
        {0xBD, "-_"},
        {0xBF, "'\""},  // "'" is Shift+#
        {0xDD, "`~"},   // "`" is Shift on the accent key
        {0xDB, "\\|"},  // "\" is AltGr on the sharp-s key, and no earlier pair lands there
        {0xDC, ""},     {0xBA, ""},   {0xBB, ""},   {0xC0, ""},   {0xDE, ""},   {0xE2, ""},
        {0xFF, ""},     // every pair character has a key here too
        {0x41, "aA"},   {0x59, "yY"}, {0x5A, "zZ"}, {0x31, "1!"}, {0x0C, "CENTER"},
    };
    for (const auto& [code, name] : expected) {
        EXPECT_EQ(InstructionCodeName(code), name) << "code 0x" << std::hex << code;
    }
}

}  // namespace
