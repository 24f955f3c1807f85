// Hot-key registration as the macros rely on it: one combination serves
// one registration, and an id is given back once.
#include <gtest/gtest.h>

#include "platform/win.h"

namespace {

using namespace win;

// Ids and a combination that nothing else in the test programs uses.
constexpr int kFirst = 0x4B01;
constexpr int kSecond = 0x4B02;
constexpr UINT kModifiers = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
constexpr UINT kKey = VK_F1 + 10;

TEST(HotKeyContract, ACombinationIsTakenOnceAndAnIdIsGivenBackOnce) {
    ASSERT_TRUE(RegisterHotKey(nullptr, kFirst, kModifiers, kKey));
    EXPECT_FALSE(RegisterHotKey(nullptr, kSecond, kModifiers, kKey));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
    EXPECT_TRUE(UnregisterHotKey(nullptr, kFirst));
    EXPECT_FALSE(UnregisterHotKey(nullptr, kFirst));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HOTKEY_NOT_REGISTERED));
    EXPECT_TRUE(RegisterHotKey(nullptr, kSecond, kModifiers, kKey)) << "free again once unregistered";
    EXPECT_TRUE(UnregisterHotKey(nullptr, kSecond));
}

}  // namespace
