// Behaviour of the fake that the contract tests cannot reach: injected
// faults, leak counters, and the clipboard's ownership of memory blocks.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/fake/fake.h"

namespace {

class FakeTest : public testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
};

TEST_F(FakeTest, InjectedRegistryFaultsMatchThePathAndRunOut) {
    fake::CreateKey("Software\\A\\Macros\\x");
    fake::Fail("RegOpenKeyExA", win::ERROR_ACCESS_DENIED, 1, "macros\\X");
    win::HKEY key = nullptr;
    EXPECT_EQ(win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, "Software\\A", 0, win::KEY_ALL_ACCESS, &key), win::ERROR_SUCCESS)
        << "a path without the text is not affected";
    win::HKEY inner = nullptr;
    EXPECT_EQ(win::RegOpenKeyExA(key, "Macros\\x", 0, win::KEY_ALL_ACCESS, &inner), win::ERROR_ACCESS_DENIED)
        << "matched against the handle's path joined with the subkey";
    EXPECT_EQ(win::RegOpenKeyExA(key, "Macros\\x", 0, win::KEY_ALL_ACCESS, &inner), win::ERROR_SUCCESS) << "used up";
    EXPECT_EQ(fake::OpenKeyCount(), 2);
    win::RegCloseKey(inner);
    win::RegCloseKey(key);
    EXPECT_EQ(fake::OpenKeyCount(), 0);
    EXPECT_EQ(win::RegCloseKey(key), win::ERROR_INVALID_HANDLE);
    EXPECT_EQ(fake::Calls("RegOpenKeyExA"), 3);
}

TEST_F(FakeTest, FaultsWithoutEndAndLastError) {
    fake::Fail("GlobalAlloc", win::ERROR_NOT_ENOUGH_MEMORY, -1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(win::GlobalAlloc(win::GMEM_DDESHARE, 4), nullptr);
    EXPECT_EQ(win::GetLastError(), static_cast<win::DWORD>(win::ERROR_NOT_ENOUGH_MEMORY));
    fake::Reset();
    EXPECT_NE(win::GlobalAlloc(win::GMEM_DDESHARE, 4), nullptr) << "Reset clears faults";
}

TEST_F(FakeTest, GlobalUnlockOfAFixedBlockLeavesTheLastErrorAlone) {
    win::HGLOBAL fixed = win::GlobalAlloc(win::GMEM_DDESHARE, 4);
    ASSERT_NE(win::GlobalLock(fixed), nullptr);
    win::SetLastError(1234);
    EXPECT_EQ(win::GlobalUnlock(fixed), win::TRUE);
    EXPECT_EQ(win::GetLastError(), 1234u);

    win::HGLOBAL movable = win::GlobalAlloc(win::GMEM_MOVEABLE, 4);
    win::GlobalLock(movable);
    win::SetLastError(1234);
    EXPECT_EQ(win::GlobalUnlock(movable), win::FALSE);
    EXPECT_EQ(win::GetLastError(), 0u) << "the last lock released";
    EXPECT_EQ(win::GlobalUnlock(movable), win::FALSE);
    EXPECT_EQ(win::GetLastError(), static_cast<win::DWORD>(win::ERROR_NOT_LOCKED));
    win::GlobalFree(fixed);
    win::GlobalFree(movable);
    EXPECT_EQ(fake::LiveGlobalBlocks(), 0);
}

TEST_F(FakeTest, TheClipboardOwnsWhatItWasGiven) {
    win::HGLOBAL block = win::GlobalAlloc(win::GMEM_DDESHARE, 3);
    std::memcpy(win::GlobalLock(block), "hi", 3);
    win::GlobalUnlock(block);
    EXPECT_EQ(win::SetClipboardData(win::CF_TEXT, block), nullptr) << "not open: the caller keeps the block";
    EXPECT_EQ(win::GetLastError(), static_cast<win::DWORD>(win::ERROR_CLIPBOARD_NOT_OPEN));

    ASSERT_TRUE(win::OpenClipboard(nullptr));
    ASSERT_TRUE(win::EmptyClipboard());
    EXPECT_EQ(win::SetClipboardData(win::CF_TEXT, block), block);
    EXPECT_TRUE(win::CloseClipboard());
    std::string text;
    ASSERT_TRUE(fake::ClipboardText(&text));
    EXPECT_EQ(text, "hi");

    fake::SetClipboardText("other");
    EXPECT_EQ(fake::LiveGlobalBlocks(), 1) << "the replaced block was freed";

    fake::HoldClipboard(true);
    EXPECT_FALSE(win::OpenClipboard(nullptr));
    EXPECT_EQ(win::GetLastError(), static_cast<win::DWORD>(win::ERROR_ACCESS_DENIED));
}

TEST_F(FakeTest, HotKeysCollideOnTheKeyNotOnTheId) {
    win::HWND window = fake::AddWindow("Keyloom");
    EXPECT_TRUE(win::RegisterHotKey(window, 1, win::MOD_CONTROL, 'K'));
    EXPECT_FALSE(win::RegisterHotKey(nullptr, 2, win::MOD_CONTROL, 'K'));
    EXPECT_EQ(win::GetLastError(), static_cast<win::DWORD>(win::ERROR_HOTKEY_ALREADY_REGISTERED));
    EXPECT_TRUE(win::RegisterHotKey(window, 1, win::MOD_CONTROL, 'L')) << "the same id again replaces its key";
    ASSERT_EQ(fake::HotKeys().size(), 1u);
    EXPECT_EQ(fake::HotKeys()[0].virtualKey, static_cast<win::UINT>('L'));
    EXPECT_FALSE(win::UnregisterHotKey(window, 7));
    EXPECT_EQ(win::GetLastError(), static_cast<win::DWORD>(win::ERROR_HOTKEY_NOT_REGISTERED));
}

}  // namespace
