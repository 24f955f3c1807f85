// Registry behaviour the program relies on, checked through the seam alone so
// that the same tests run on the in-memory registry and on the real one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win.h"

namespace {

using namespace win;

constexpr DWORD kAccess = KEY_ALL_ACCESS | KEY_WOW64_32KEY;
const char* const kScratch = "Software\\KeyloomContract";

// Deletes `path` below `parent` with everything under it, deepest first.
LSTATUS DeleteTree(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    if (LSTATUS rc = RegOpenKeyExA(parent, path.c_str(), 0, kAccess, &key); rc != ERROR_SUCCESS) return rc;
    char name[1024];  // room for any name the registry accepts
    while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS) {
        if (LSTATUS rc = DeleteTree(key, name); rc != ERROR_SUCCESS) {
            RegCloseKey(key);
            return rc;
        }
    }
    RegCloseKey(key);
    return RegDeleteKeyExA(parent, path.c_str(), kAccess, 0);
}

class RegistryContract : public testing::Test {
protected:
    void SetUp() override {
        DeleteTree(HKEY_LOCAL_MACHINE, kScratch);
        ASSERT_EQ(Create(kScratch, &scratch_), ERROR_SUCCESS);
    }
    void TearDown() override {
        if (scratch_ != nullptr) RegCloseKey(scratch_);
        EXPECT_EQ(DeleteTree(HKEY_LOCAL_MACHINE, kScratch), ERROR_SUCCESS);
    }

    static LSTATUS Create(const std::string& path, HKEY* key, DWORD* disposition = nullptr, HKEY parent = HKEY_LOCAL_MACHINE) {
        return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, 0, kAccess, nullptr, key, disposition);
    }
    // Creates a key below the scratch key and closes it.
    LSTATUS Make(const std::string& path) {
        HKEY key = nullptr;
        LSTATUS rc = Create(path, &key, nullptr, scratch_);
        if (rc == ERROR_SUCCESS) RegCloseKey(key);
        return rc;
    }
    static std::vector<std::string> Enumerate(HKEY key, DWORD size = 256) {
        std::vector<std::string> names;
        std::vector<char> name(size);
        for (DWORD i = 0; RegEnumKeyA(key, i, name.data(), size) == ERROR_SUCCESS; ++i) names.emplace_back(name.data());
        return names;
    }
    static LSTATUS Set(HKEY key, const char* name, DWORD type, const std::vector<BYTE>& data) {
        return RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
    }

    HKEY scratch_ = nullptr;
};

TEST_F(RegistryContract, KeyNamesIgnoreCaseAndKeepTheirSpelling) {
    DWORD disposition = 0;
    HKEY key = nullptr;
    ASSERT_EQ(Create("MixedCase", &key, &disposition, scratch_), ERROR_SUCCESS);
    EXPECT_EQ(disposition, 1u);
    RegCloseKey(key);

    ASSERT_EQ(Create("MIXEDCASE", &key, &disposition, scratch_), ERROR_SUCCESS);
    EXPECT_EQ(disposition, 2u) << "a create in other case opens the existing key";
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyExA(scratch_, "mixedcase", 0, kAccess, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(Enumerate(scratch_), std::vector<std::string>{"MixedCase"});
}

// In the ANSI code page (1252): an accented capital and its small letter
// name one key; sharp s and "ss" do not.
TEST_F(RegistryContract, KeyNamesFoldTheCaseOfTheAnsiCodePage) {
    ASSERT_EQ(Make("\xC4pfel"), ERROR_SUCCESS);  // Äpfel
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(Create("\xE4PFEL", &key, &disposition, scratch_), ERROR_SUCCESS);  // äPFEL
    EXPECT_EQ(disposition, 2u);
    RegCloseKey(key);
    ASSERT_EQ(Make("\x8A" "afe"), ERROR_SUCCESS);  // Šafe
    ASSERT_EQ(RegOpenKeyExA(scratch_, "\x9A" "AFE", 0, kAccess, &key), ERROR_SUCCESS);  // šAFE
    RegCloseKey(key);
    ASSERT_EQ(Make("Stra\xDF" "e"), ERROR_SUCCESS);  // Straße
    EXPECT_EQ(RegOpenKeyExA(scratch_, "STRASSE", 0, kAccess, &key), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(Make("zebra"), ERROR_SUCCESS);
    EXPECT_EQ(Enumerate(scratch_), (std::vector<std::string>{"Stra\xDF" "e", "zebra", "\xC4pfel", "\x8A" "afe"}))
        << "in the order of the lowered characters' Unicode values";
}

TEST_F(RegistryContract, ValueNamesIgnoreCase) {
    ASSERT_EQ(Set(scratch_, "Count", REG_DWORD, {1, 0, 0, 0}), ERROR_SUCCESS);
    ASSERT_EQ(Set(scratch_, "COUNT", REG_DWORD, {2, 0, 0, 0}), ERROR_SUCCESS);
    DWORD value = 0, size = sizeof value, type = REG_NONE;
    ASSERT_EQ(RegQueryValueExA(scratch_, "count", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 2u);
    EXPECT_EQ(type, REG_DWORD);
}

TEST_F(RegistryContract, OpeningAndCreatingPaths) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(scratch_, "Missing", 0, kAccess, &key), ERROR_FILE_NOT_FOUND);

    DWORD disposition = 0;
    ASSERT_EQ(Create("One\\Two\\Three", &key, &disposition, scratch_), ERROR_SUCCESS) << "intermediate keys are created";
    EXPECT_EQ(disposition, 1u);
    RegCloseKey(key);

    HKEY one = nullptr, three = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kScratch) + "\\one").c_str(), 0, kAccess, &one), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(one, "two\\three", 0, kAccess, &three), ERROR_SUCCESS) << "paths resolve below a handle";
    RegCloseKey(three);
    HKEY same = nullptr;
    ASSERT_EQ(RegOpenKeyExA(one, "", 0, kAccess, &same), ERROR_SUCCESS) << "an empty name opens the key itself";
    EXPECT_EQ(Enumerate(same), std::vector<std::string>{"Two"});
    RegCloseKey(same);
    RegCloseKey(one);

    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x7654320))), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryContract, SubkeysEnumerateInCaseInsensitiveOrder) {
    // Names compare by their lower-case form, so '_' sorts before the letters.
    for (const char* name : {"b", "A", "c", "_under", "B2", "10", "9"}) ASSERT_EQ(Make(name), ERROR_SUCCESS);
    EXPECT_EQ(Enumerate(scratch_), (std::vector<std::string>{"10", "9", "_under", "A", "b", "B2", "c"}));

    char name[256];
    EXPECT_EQ(RegEnumKeyA(scratch_, 7, name, sizeof name), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryContract, EnumerationBufferOf255BytesHoldsNamesUpTo254Characters) {
    const std::string n254(254, 'a'), n255(255, 'b'), n256(256, 'c');
    ASSERT_EQ(Make(n254), ERROR_SUCCESS);
    ASSERT_EQ(Make(n255), ERROR_SUCCESS);
    ASSERT_EQ(Make(n256), ERROR_SUCCESS) << "the registry takes names of up to 256 characters";

    char name[255];
    ASSERT_EQ(RegEnumKeyA(scratch_, 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name), n254);
    EXPECT_EQ(RegEnumKeyA(scratch_, 1, name, sizeof name), ERROR_MORE_DATA);
    EXPECT_EQ(RegEnumKeyA(scratch_, 2, name, sizeof name), ERROR_MORE_DATA);
    EXPECT_EQ(RegEnumKeyA(scratch_, 3, name, sizeof name), ERROR_NO_MORE_ITEMS);

    EXPECT_EQ(Enumerate(scratch_, 257), (std::vector<std::string>{n254, n255, n256}));
    EXPECT_EQ(Enumerate(scratch_, 256), (std::vector<std::string>{n254, n255})) << "enumeration stops at the name that does not fit";
}

TEST_F(RegistryContract, KeyNamesLongerThan256CharactersAreRefused) {
    HKEY key = nullptr;
    EXPECT_EQ(Create(std::string(257, 'c'), &key, nullptr, scratch_), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(Enumerate(scratch_).empty());
}

TEST_F(RegistryContract, KeyPathsOfTheAnsiCallsEndAt260Characters) {
    // The scratch key path and its backslash take 25 of the 260 characters.
    const std::string fits = std::string(kScratch) + "\\" + std::string(235, 'p');
    const std::string tooLong = fits + "q";
    ASSERT_EQ(fits.size(), 260u);
    HKEY key = nullptr;
    ASSERT_EQ(Create(fits, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, fits.c_str(), 0, kAccess, &key), ERROR_SUCCESS);
    RegCloseKey(key);

    EXPECT_EQ(Create(tooLong, &key), ERROR_MORE_DATA);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, tooLong.c_str(), 0, kAccess, &key), ERROR_MORE_DATA);
    EXPECT_EQ(RegDeleteKeyExA(HKEY_LOCAL_MACHINE, tooLong.c_str(), kAccess, 0), ERROR_MORE_DATA);
    EXPECT_EQ(RegOpenKeyExA(scratch_, std::string(236, 'p').c_str(), 0, kAccess, &key), ERROR_FILE_NOT_FOUND)
        << "the limit is on the path given, not on the key's full path";
}

TEST_F(RegistryContract, KeysWithSubkeysCannotBeDeleted) {
    ASSERT_EQ(Make("Macro\\Commands\\0"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyExA(scratch_, "Macro", kAccess, 0), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyExA(scratch_, "Macro\\Commands", kAccess, 0), ERROR_ACCESS_DENIED);

    EXPECT_EQ(RegDeleteKeyExA(scratch_, "Macro\\Commands\\0", kAccess, 0), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyExA(scratch_, "Macro\\Commands", kAccess, 0), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyExA(scratch_, "Macro", kAccess, 0), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyExA(scratch_, "Macro", kAccess, 0), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(Enumerate(scratch_).empty());
}

TEST_F(RegistryContract, AHandleOnADeletedKeyReportsItDeleted) {
    HKEY key = nullptr;
    ASSERT_EQ(Create("Doomed", &key, nullptr, scratch_), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyExA(scratch_, "Doomed", kAccess, 0), ERROR_SUCCESS);

    DWORD value = 7;
    EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4), ERROR_KEY_DELETED);
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "x", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_KEY_DELETED);
    HKEY child = nullptr;
    EXPECT_EQ(Create("Child", &child, nullptr, key), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

// The store opens its list keys in the 32-bit view and the keys below them
// without naming a view: both ways reach the same keys, and a path below a
// key that was deleted meanwhile is told as such.
TEST_F(RegistryContract, PathsBelowAKeyOpenedInTheViewNeedNoViewOfTheirOwn) {
    HKEY deep = nullptr;
    ASSERT_EQ(Create(std::string(kScratch) + "\\List\\Item\\Commands\\0", &deep), ERROR_SUCCESS);
    ASSERT_EQ(Set(deep, "id", REG_DWORD, {0x88, 0, 0, 0}), ERROR_SUCCESS);
    RegCloseKey(deep);
    HKEY list = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kScratch) + "\\List").c_str(), 0, kAccess, &list),
              ERROR_SUCCESS);
    HKEY below = nullptr;
    ASSERT_EQ(RegOpenKeyExA(list, "Item\\Commands\\0", 0, KEY_ALL_ACCESS, &below), ERROR_SUCCESS);
    BYTE data[4] = {};
    DWORD size = sizeof data;
    EXPECT_EQ(RegQueryValueExA(below, "id", nullptr, nullptr, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(data[0], 0x88);
    RegCloseKey(below);
    HKEY made = nullptr;
    ASSERT_EQ(RegCreateKeyExA(list, "Made", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr), ERROR_SUCCESS);
    RegCloseKey(made);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kScratch) + "\\List\\Made").c_str(), 0, kAccess, &made),
              ERROR_SUCCESS);
    RegCloseKey(made);
    EXPECT_EQ(RegDeleteKeyExA(list, "Made", 0, 0), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyExA(list, "Item", 0, 0), ERROR_ACCESS_DENIED);  // it holds others

    ASSERT_EQ(DeleteTree(scratch_, "List"), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(list, "Item\\Commands\\0", 0, KEY_ALL_ACCESS, &below), ERROR_KEY_DELETED);
    RegCloseKey(list);
}

TEST_F(RegistryContract, ValuesKeepTypeAndExactBytes) {
    const std::vector<BYTE> withNul{'a', 'b', 'c', 0};
    const std::vector<BYTE> withoutNul{'x', 'y', 'z'};
    const std::vector<BYTE> binary{0, 1, 0xFF, 0x80, 0, 0};
    ASSERT_EQ(Set(scratch_, "Text", REG_SZ, withNul), ERROR_SUCCESS);
    ASSERT_EQ(Set(scratch_, "Bare", REG_SZ, withoutNul), ERROR_SUCCESS);
    ASSERT_EQ(Set(scratch_, "Bytes", REG_BINARY, binary), ERROR_SUCCESS);
    ASSERT_EQ(Set(scratch_, "Empty", REG_SZ, {0}), ERROR_SUCCESS);
    ASSERT_EQ(Set(scratch_, "RawBytes", REG_BINARY, withoutNul), ERROR_SUCCESS);

    struct Case {
        const char* name;
        DWORD type;
        std::vector<BYTE> bytes;
    };
    for (const Case& c : {Case{"Text", REG_SZ, withNul}, Case{"Bare", REG_SZ, {'x', 'y', 'z', 0}},
                          Case{"Bytes", REG_BINARY, binary}, Case{"RawBytes", REG_BINARY, withoutNul},
                          Case{"Empty", REG_SZ, {0}}}) {
        SCOPED_TRACE(c.name);
        DWORD type = REG_NONE, size = 0;
        ASSERT_EQ(RegQueryValueExA(scratch_, c.name, nullptr, &type, nullptr, &size), ERROR_SUCCESS) << "size query";
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(size, c.bytes.size());

        std::vector<BYTE> data(size);
        ASSERT_EQ(RegQueryValueExA(scratch_, c.name, nullptr, nullptr, data.data(), &size), ERROR_SUCCESS);
        EXPECT_EQ(data, c.bytes);
    }
}

TEST_F(RegistryContract, AStringStoredWithoutNulGainsOne) {
    ASSERT_EQ(Set(scratch_, "Bare", REG_SZ, {'x', 'y', 'z'}), ERROR_SUCCESS);
    std::vector<BYTE> data(3, '#');
    DWORD size = static_cast<DWORD>(data.size());
    EXPECT_EQ(RegQueryValueExA(scratch_, "Bare", nullptr, nullptr, data.data(), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);

    ASSERT_EQ(Set(scratch_, "Nothing", REG_SZ, {}), ERROR_SUCCESS);
    size = 99;
    ASSERT_EQ(RegQueryValueExA(scratch_, "Nothing", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 0u) << "an empty string stays empty";
}

TEST_F(RegistryContract, ReadingIntoASmallBufferFailsWithTheNeededSize) {
    ASSERT_EQ(Set(scratch_, "Long", REG_SZ, {'h', 'e', 'l', 'l', 'o', 0}), ERROR_SUCCESS);
    ASSERT_EQ(Set(scratch_, "Wide", REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8}), ERROR_SUCCESS);
    for (const char* name : {"Long", "Wide"}) {
        SCOPED_TRACE(name);
        DWORD value = 0, size = 4, type = REG_NONE;
        EXPECT_EQ(RegQueryValueExA(scratch_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), ERROR_MORE_DATA);
        EXPECT_GT(size, 4u);
    }
    DWORD size = 4;
    DWORD value = 0;
    EXPECT_EQ(RegQueryValueExA(scratch_, "Missing", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryContract, ADwordReadsBackAsFourLittleEndianBytes) {
    DWORD written = 0x11223344;
    ASSERT_EQ(RegSetValueExA(scratch_, "id", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&written), 4), ERROR_SUCCESS);
    std::vector<BYTE> data(4);
    DWORD size = 4, type = REG_NONE;
    ASSERT_EQ(RegQueryValueExA(scratch_, "id", nullptr, &type, data.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(data, (std::vector<BYTE>{0x44, 0x33, 0x22, 0x11}));
}

// The store puts a whole tree in place by renaming it: the subtree and its
// values go along, and a name that is taken, in any spelling, is refused
// with both keys as they were.
TEST_F(RegistryContract, RenameMovesTheWholeSubtreeAndRefusesATakenName) {
    ASSERT_EQ(Make("From\\Commands\\0"), ERROR_SUCCESS);
    ASSERT_EQ(Make("Taken"), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(scratch_, "From\\Commands\\0", 0, kAccess, &key), ERROR_SUCCESS);
    ASSERT_EQ(Set(key, "id", REG_DWORD, {7, 0, 0, 0}), ERROR_SUCCESS);
    RegCloseKey(key);

    EXPECT_NE(RegRenameKey(scratch_, L"From", L"TAKEN"), ERROR_SUCCESS);
    EXPECT_EQ(Enumerate(scratch_), (std::vector<std::string>{"From", "Taken"}));
    EXPECT_EQ(RegRenameKey(scratch_, L"Missing", L"Other"), ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(RegRenameKey(scratch_, L"From", L"|Keyloom|n|1"), ERROR_SUCCESS);
    EXPECT_EQ(Enumerate(scratch_), (std::vector<std::string>{"Taken", "|Keyloom|n|1"}));
    ASSERT_EQ(RegOpenKeyExA(scratch_, "|Keyloom|n|1\\Commands\\0", 0, kAccess, &key), ERROR_SUCCESS);
    std::vector<BYTE> data(4);
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "id", nullptr, nullptr, data.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(data, (std::vector<BYTE>{7, 0, 0, 0}));
    RegCloseKey(key);

    wchar_t wide[8] = {};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "Ab|", -1, wide, 8), 4);
    EXPECT_EQ(wide[2], L'|');

    // And back: a character of the code page converts, one it lacks is said.
    char narrow[8] = {};
    BOOL usedDefault = TRUE;
    const wchar_t text[] = {L'A', 0x00E9, L'|', 0};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, -1, narrow, 8, nullptr, &usedDefault), 4);
    EXPECT_EQ(usedDefault, FALSE);
    EXPECT_EQ(std::string(narrow), "A\xE9|");
    const wchar_t foreign[] = {L'x', 0x4E2D, 0};
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, foreign, -1, narrow, 8, nullptr, &usedDefault), 3);
    EXPECT_EQ(usedDefault, TRUE);
}

}  // namespace
