// Registry keys keep the access list they are given and read it back in the
// system's own string form: the calls the store's protection is made of, on
// the in-memory registry and the real one. (Windows also passes the list on
// to keys made below, as the in-memory registry does; Wine 8 gives a new key
// a default list of its own, so that part is no contract here.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win.h"

namespace {

using namespace win;

constexpr DWORD kAccess = KEY_ALL_ACCESS | KEY_WOW64_32KEY;
const char* const kScratch = "Software\\KeyloomSecurityContract";

std::string DaclOf(HKEY key) {
    DWORD size = 0;
    EXPECT_EQ(RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size), ERROR_INSUFFICIENT_BUFFER);
    std::vector<BYTE> small(size > 0 ? size - 1 : 0);
    DWORD smallSize = static_cast<DWORD>(small.size());
    EXPECT_EQ(RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, small.data(), &smallSize), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(smallSize, size) << "a short buffer is told the size needed";
    std::vector<BYTE> buffer(size);
    EXPECT_EQ(RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer.data(), &size), ERROR_SUCCESS);
    char* text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(buffer.data(), SDDL_REVISION_1,
                                                              DACL_SECURITY_INFORMATION, &text, nullptr))
        return "(unreadable)";
    std::string result = text;
    LocalFree(text);
    return result;
}

void DeleteScratch() { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kScratch, kAccess, 0); }

TEST(RegistrySecurityContract, AKeyKeepsTheProtectedListItIsGiven) {
    DeleteScratch();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kScratch, 0, nullptr, 0, kAccess, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::string before = DaclOf(key);

    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ULONG size = 0;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)",
                                                                     SDDL_REVISION_1, &descriptor, &size));
    EXPECT_GT(size, 0u);
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    LocalFree(descriptor);
    EXPECT_EQ(DaclOf(key), "D:P(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)");
    EXPECT_NE(DaclOf(key), before);

    // A list as the store gives the keys below its root, set explicitly.
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;OICIID;KA;;;BA)(A;OICIID;KA;;;SY)",
                                                                     SDDL_REVISION_1, &descriptor, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    LocalFree(descriptor);
    EXPECT_EQ(DaclOf(key), "D:(A;OICIID;KA;;;BA)(A;OICIID;KA;;;SY)");
    RegCloseKey(key);
    DeleteScratch();
}

TEST(RegistrySecurityContract, AListThatIsNoSecurityDescriptorStringIsRefused) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPECT_FALSE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;KA;;;BA", SDDL_REVISION_1,
                                                                      &descriptor, nullptr));
    EXPECT_EQ(descriptor, nullptr);
}

}  // namespace
