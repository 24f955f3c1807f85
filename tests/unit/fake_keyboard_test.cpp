#include <gtest/gtest.h>

#include "platform/fake/fake.h"
#include "platform/fake/fake_keyboard.h"
#include "platform/win.h"

namespace {

using win::MapVirtualKeyA;
using win::VkKeyScanA;

constexpr win::UINT kToScan = win::MAPVK_VK_TO_VSC;
constexpr win::UINT kToVk = win::MAPVK_VSC_TO_VK;
constexpr win::UINT kToChar = win::MAPVK_VK_TO_CHAR;

class Layout : public ::testing::Test {
protected:
    void SetUp() override { fake::UseLayout(fake::Layout::Us); }
    void TearDown() override { fake::UseLayout(fake::Layout::Us); }
};

TEST_F(Layout, UsKeyScanGivesKeyAndShiftState) {
    EXPECT_EQ(VkKeyScanA('a'), 0x041);
    EXPECT_EQ(VkKeyScanA('A'), 0x141);
    EXPECT_EQ(VkKeyScanA(':'), 0x1BA);
    EXPECT_EQ(VkKeyScanA('7'), 0x037);   // the main block, never the keypad
    EXPECT_EQ(VkKeyScanA('\\'), 0x0DC);  // the backslash key, before the 102nd key
    EXPECT_EQ(VkKeyScanA('\r'), 0x00D);
    EXPECT_EQ(VkKeyScanA('\n'), 0x20D);
    EXPECT_EQ(VkKeyScanA('\xE4'), -1);
    EXPECT_EQ(static_cast<win::WORD>(VkKeyScanA('\x80')), 0xFFFF);
}

TEST_F(Layout, UsScanCodesAndCharacters) {
    EXPECT_EQ(MapVirtualKeyA('A', kToScan), 0x1Eu);
    EXPECT_EQ(MapVirtualKeyA('Z', kToScan), 0x2Cu);
    EXPECT_EQ(MapVirtualKeyA('1', kToScan), 0x02u);
    EXPECT_EQ(MapVirtualKeyA('0', kToScan), 0x0Bu);
    EXPECT_EQ(MapVirtualKeyA(win::VK_SHIFT, kToScan), 0x2Au);
    EXPECT_EQ(MapVirtualKeyA(0xBA, kToScan), 0x27u);
    EXPECT_EQ(MapVirtualKeyA(0xFF, kToScan), 0u);

    EXPECT_EQ(MapVirtualKeyA(0x4C, kToVk), 0x0Cu);  // keypad centre: Clear
    EXPECT_EQ(MapVirtualKeyA(0x47, kToVk), 0x24u);  // keypad 7: Home
    EXPECT_EQ(MapVirtualKeyA(0x36, kToVk), 0x10u);  // right Shift: Shift
    EXPECT_EQ(MapVirtualKeyA(0x35, kToVk), 0xBFu);
    EXPECT_EQ(MapVirtualKeyA(0x1E, kToVk), 0x41u);

    EXPECT_EQ(MapVirtualKeyA('A', kToChar), static_cast<win::UINT>('A'));
    EXPECT_EQ(MapVirtualKeyA(0xDE, kToChar), static_cast<win::UINT>('\''));
    EXPECT_EQ(MapVirtualKeyA(0x74, kToChar), 0u);
    EXPECT_EQ(MapVirtualKeyA('A', 7), 0u);
}

TEST_F(Layout, EuropeanKeysAndAltGr) {
    fake::UseLayout(fake::Layout::European);
    EXPECT_EQ(VkKeyScanA('z'), 0x05A);
    EXPECT_EQ(MapVirtualKeyA('Z', kToScan), 0x15u);
    EXPECT_EQ(MapVirtualKeyA(0x2C, kToVk), static_cast<win::UINT>('Y'));
    EXPECT_EQ(VkKeyScanA('"'), 0x132);
    EXPECT_EQ(VkKeyScanA('\xA7'), 0x133);  // section sign
    EXPECT_EQ(VkKeyScanA(':'), 0x1BE);
    EXPECT_EQ(VkKeyScanA('['), 0x638);
    EXPECT_EQ(VkKeyScanA('}'), 0x630);
    EXPECT_EQ(VkKeyScanA('@'), 0x651);
    EXPECT_EQ(VkKeyScanA('\\'), 0x6DB);
    EXPECT_EQ(VkKeyScanA('|'), 0x6E2);
    EXPECT_EQ(VkKeyScanA('~'), 0x6BB);
    EXPECT_EQ(VkKeyScanA('\x80'), 0x645);  // euro sign
    EXPECT_EQ(VkKeyScanA('\xE4'), 0x0DE);
    EXPECT_EQ(VkKeyScanA('`'), 0x1DD);
    EXPECT_EQ(VkKeyScanA('^'), 0x0DC);

    EXPECT_EQ(MapVirtualKeyA(0xDB, kToChar), 0xDFu);
    EXPECT_EQ(MapVirtualKeyA(0xC0, kToChar), 0xF6u);
    EXPECT_EQ(MapVirtualKeyA(0xDC, kToChar), 0x8000005Eu);
    EXPECT_EQ(MapVirtualKeyA(0xDD, kToChar), 0x800000B4u);
    EXPECT_EQ(MapVirtualKeyA(0x4C, kToVk), 0x0Cu);
}

TEST_F(Layout, ResetReturnsToUs) {
    fake::UseLayout(fake::Layout::European);
    fake::detail::ResetKeyboard();
    EXPECT_EQ(VkKeyScanA('['), 0x0DB);
    EXPECT_EQ(VkKeyScanA('y'), 0x059);
}

}  // namespace
