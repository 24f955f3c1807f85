// Keyboard-layout answers the program relies on for typing text, naming
// keys and the on-screen keyboard, checked through the seam alone on the
// in-memory US layout and on the real one (Wine on a US X keyboard, as the
// tests run it).
#include <gtest/gtest.h>

#include "platform/win.h"

namespace {

using namespace win;

// VkKeyScanA: the virtual key in the low byte, the shift state above it.
TEST(KeyboardContract, CharactersTypedAndNamedMapToTheirUsKeys) {
    const struct {
        char character;
        SHORT answer;
    } cases[] = {
        {'a', 0x041},  {'z', 0x05A},  {'A', 0x141},  {'1', 0x031},  {'0', 0x030},  {'!', 0x131},  {'@', 0x132},
        {'-', 0x0BD},  {'=', 0x0BB},  {'[', 0x0DB},  {']', 0x0DD},  {';', 0x0BA},  {':', 0x1BA},  {'\'', 0x0DE},
        {'`', 0x0C0},  {'\\', 0x0DC}, {',', 0x0BC},  {'.', 0x0BE},  {'/', 0x0BF},  {' ', 0x020},
    };
    for (const auto& c : cases) EXPECT_EQ(VkKeyScanA(c.character), c.answer) << c.character;
}

TEST(KeyboardContract, ScanCodesOfTheKeysTheProgramSends) {
    const struct {
        UINT key;
        UINT scan;
    } cases[] = {
        {'A', 0x1E}, {'Z', 0x2C}, {'1', 0x02}, {'0', 0x0B}, {VK_SHIFT, 0x2A}, {VK_CONTROL, 0x1D}, {VK_MENU, 0x38},
        {VK_RETURN, 0x1C}, {VK_SPACE, 0x39}, {0xBA, 0x27}, {0xBF, 0x35}, {VK_ESCAPE, 0x01}, {VK_F1, 0x3B},
    };
    for (const auto& c : cases) EXPECT_EQ(MapVirtualKeyA(c.key, MAPVK_VK_TO_VSC), c.scan) << std::hex << c.key;
}

TEST(KeyboardContract, TheCharacterOfAKeyAndTheKeypadsMiddleKey) {
    EXPECT_EQ(MapVirtualKeyA('A', MAPVK_VK_TO_CHAR), static_cast<UINT>('A'));
    EXPECT_EQ(MapVirtualKeyA('1', MAPVK_VK_TO_CHAR), static_cast<UINT>('1'));
    EXPECT_EQ(MapVirtualKeyA(0xBA, MAPVK_VK_TO_CHAR), static_cast<UINT>(';'));
    EXPECT_EQ(MapVirtualKeyA(0xDE, MAPVK_VK_TO_CHAR), static_cast<UINT>('\''));
    EXPECT_EQ(MapVirtualKeyA(VK_SPACE, MAPVK_VK_TO_CHAR), static_cast<UINT>(' '));
    EXPECT_EQ(MapVirtualKeyA(VK_F1 + 4, MAPVK_VK_TO_CHAR), 0u) << "F5 types nothing";
    EXPECT_EQ(MapVirtualKeyA(VK_NUMLOCK, MAPVK_VK_TO_CHAR), 0u);
    // An X keyboard starts with Num Lock off: the keypad's digit keys type
    // nothing, its operator keys their sign.
    EXPECT_EQ(MapVirtualKeyA(VK_NUMPAD0 + 1, MAPVK_VK_TO_CHAR), 0u);
    EXPECT_EQ(MapVirtualKeyA(VK_ADD, MAPVK_VK_TO_CHAR), static_cast<UINT>('+'));
    // The keypad's middle key with Num Lock off.
    EXPECT_EQ(MapVirtualKeyA(0x4C, MAPVK_VSC_TO_VK), 0x0Cu);
}

}  // namespace
