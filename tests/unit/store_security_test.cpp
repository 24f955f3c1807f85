// Who may open the store: only Administrators and the system, on a new tree
// and on one that an older Keyloom left readable by every user.
#include <gtest/gtest.h>

#include <string>

#include "macro_fixture.h"
#include "platform/fake/fake.h"
#include "store/registry_store.h"
#include "store/store_security.h"

namespace {

const std::string kRoot = "Software\\Tallow Labs\\Keyloom";
const std::string kRootDacl = "D:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)";
const std::string kBelowDacl = "D:(A;OICIID;KA;;;BA)(A;OICIID;KA;;;SY)";

// Every key of the store whose access list is not the one it should have.
std::vector<std::string> WrongKeys() {
    std::vector<std::string> wrong;
    for (const auto& [path, values] : fake::Tree(kRoot)) {
        const std::string full = path.empty() ? kRoot : kRoot + "\\" + path;
        if (fake::KeyDacl(full) != (path.empty() ? kRootDacl : kBelowDacl)) wrong.push_back(full);
    }
    return wrong;
}

// A tree as today's Keyloom leaves it: every key inherits Software's list,
// which lets Users read.
void StoreOldTree() {
    ASSERT_TRUE(RegistryStore::EnsureStoreTree());
    StoreMacro("Logon", 'L', 2);
    StoreInstruction("Logon", 0, 'P', {Dword("KeyPressed", 0)});
    fake::SetDword(kRoot + "\\Journals\\Typing", "Count", 0);
    fake::SetDword(kRoot + "\\Journals\\Typing", "Type", 0);
    ASSERT_NE(fake::KeyDacl(kMacros + "Logon\\Commands\\0").find(";;;BU)"), std::string::npos);
}

TEST(StoreSecurity, ANewTreeIsClosedToUsersAndKeysMadeLaterInheritThat) {
    fake::Reset();
    ASSERT_TRUE(RegistryStore::EnsureStoreTree());
    EXPECT_TRUE(RegistryStore::RestrictStoreAccess());
    EXPECT_EQ(WrongKeys(), std::vector<std::string>{});

    ASSERT_TRUE(RegistryStore::CreateMacroKey("Later"));
    ASSERT_TRUE(RegistryStore::CreateMacroKey("Later\\Commands\\0"));
    EXPECT_EQ(fake::KeyDacl(kMacros + "Later\\Commands\\0"), kBelowDacl);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);
    EXPECT_EQ(fake::LiveLocalBlocks(), 0);
}

TEST(StoreSecurity, AnOldTreeIsTightenedOnceAndQuietlyWithItsDataUntouched) {
    fake::Reset();
    StoreOldTree();
    const auto before = fake::Tree(kRoot);

    EXPECT_TRUE(RegistryStore::RestrictStoreAccess());
    EXPECT_EQ(WrongKeys(), std::vector<std::string>{});
    EXPECT_EQ(fake::Tree(kRoot), before);
    EXPECT_TRUE(fake::MessageBoxes().empty());

    const int sets = fake::Calls("RegSetKeySecurity");
    EXPECT_TRUE(RegistryStore::RestrictStoreAccess());
    EXPECT_EQ(fake::Calls("RegSetKeySecurity"), sets) << "a tightened tree is left alone";
    EXPECT_EQ(fake::OpenKeyCount(), 0);
    EXPECT_EQ(fake::LiveLocalBlocks(), 0);
}

TEST(StoreSecurity, AFailureIsReportedWithTheSystemsTextAndKeyloomRunsOn) {
    fake::Reset();
    StoreOldTree();
    fake::Fail("RegSetKeySecurity", win::ERROR_ACCESS_DENIED, -1, "Commands");

    TestRows macros, recordings;
    MainDialog dialog(fake::AddWindow("Keyloom"), macros, recordings);
    EXPECT_TRUE(dialog.InitializeContent());
    ASSERT_EQ(fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(fake::MessageBoxes()[0].text, "Error restricting access to " + kMacros +
                                                "Logon\\Commands - Access is denied.\r\n");
    EXPECT_EQ(fake::MessageBoxes()[0].caption, "Error");
    EXPECT_EQ(MacroHotKeys().size(), 1u) << "the macros still work";
    EXPECT_NE(fake::KeyDacl(kRoot), kRootDacl) << "the root is set last, so the next start tries again";
    EXPECT_EQ(fake::OpenKeyCount(), 0);
    EXPECT_EQ(fake::LiveLocalBlocks(), 0);

    fake::Reset();
    StoreOldTree();
    fake::ClearMessageBoxes();
    fake::Fail("ConvertStringSecurityDescriptorToSecurityDescriptorA", win::ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(RegistryStore::RestrictStoreAccess());
    ASSERT_EQ(fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(fake::MessageBoxes()[0].text, "Error restricting access to " + kRoot +
                                                " - Not enough memory resources are available to process this "
                                                "command.\r\n");
    EXPECT_TRUE(RegistryStore::RestrictStoreAccess()) << "the next start tightens the tree";
    EXPECT_EQ(WrongKeys(), std::vector<std::string>{});
}

}  // namespace
