// The fake's failure injection, which every fault test relies on: a fault
// hits only the calls it names, for as many calls as it is told, and leaves
// the last error as Windows would. Behaviour of Windows itself is checked by
// the contract tests on both layers.
#include <gtest/gtest.h>

#include <string>

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
}

TEST_F(FakeTest, FaultsWithoutEndSetTheLastErrorAndResetClearsThem) {
    fake::Fail("GlobalAlloc", win::ERROR_NOT_ENOUGH_MEMORY, -1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(win::GlobalAlloc(win::GMEM_DDESHARE, 4), nullptr);
    EXPECT_EQ(win::GetLastError(), static_cast<win::DWORD>(win::ERROR_NOT_ENOUGH_MEMORY));
    fake::Reset();
    win::HGLOBAL block = win::GlobalAlloc(win::GMEM_DDESHARE, 4);
    EXPECT_NE(block, nullptr) << "Reset clears faults";
    win::GlobalFree(block);
}

// Counts are kept by name, whichever copy of the name a call passes, and
// start over from nothing at a reset.
TEST_F(FakeTest, CallsAreCountedByNameAndResetStartsThemOver) {
    for (int i = 0; i < 3; ++i) win::GetLastError();
    EXPECT_EQ(fake::Calls("GetLastError"), 3);
    EXPECT_EQ(fake::Calls(std::string("GetLast") + "Error"), 3);
    fake::Reset();
    EXPECT_EQ(fake::Calls("GetLastError"), 0);
    win::GetLastError();
    win::SetLastError(5);
    EXPECT_EQ(fake::Calls("GetLastError"), 1);
    EXPECT_EQ(fake::Calls("SetLastError"), 1);
}

}  // namespace
