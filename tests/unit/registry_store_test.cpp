#include <gtest/gtest.h>

#include "platform/fake/fake.h"
#include "store/recording_store.h"
#include "store/message_text.h"
#include "store/registry_store.h"
#include "store/work_keys.h"

namespace {

const std::string kRoot = "Software\\Tallow Labs\\Keyloom";
const std::string kNotFound = "The system cannot find the file specified.\r\n";
const std::string kDenied = "Access is denied.\r\n";

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        isWindowsNt = true;
        ASSERT_TRUE(RegistryStore::EnsureStoreTree());
    }

    // The one message box the operation showed.
    fake::MessageBoxRecord OnlyBox() {
        EXPECT_EQ(fake::MessageBoxes().size(), 1u);
        return fake::MessageBoxes().empty() ? fake::MessageBoxRecord{} : fake::MessageBoxes().back();
    }

    void ExpectWarning(const std::string& text) {
        auto box = OnlyBox();
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, "Attention");
        EXPECT_EQ(box.type, win::MB_ICONWARNING);
        EXPECT_EQ(box.owner, nullptr);
    }

    void ExpectError(const std::string& text) {
        auto box = OnlyBox();
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.caption, "Error");
        EXPECT_EQ(box.type, win::MB_ICONERROR);
    }
};

TEST_F(RegistryStoreTest, EnsureStoreTreeCreatesTheTreeOnceAndNothingOnTheSecondStart) {
    EXPECT_TRUE(fake::KeyExists(kRoot + "\\Macros"));
    EXPECT_TRUE(fake::KeyExists(kRoot + "\\Journals"));
    const int creates = fake::Calls("RegCreateKeyExA");
    EXPECT_EQ(creates, 4);
    EXPECT_TRUE(RegistryStore::EnsureStoreTree());
    EXPECT_EQ(fake::Calls("RegCreateKeyExA"), creates);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

TEST_F(RegistryStoreTest, EnsureStoreTreeReportsEachStepInItsOwnWords) {
    fake::Reset();
    fake::Fail("RegOpenKeyExA", win::ERROR_ACCESS_DENIED, 1, "Software");
    EXPECT_FALSE(RegistryStore::EnsureStoreTree());
    ExpectError("Error opening Software key in registry - " + kDenied);

    struct Step {
        std::string failing, message;
    } steps[] = {
        {"Tallow Labs", "Error creating Tallow Labs key! - "},
        {"Keyloom", "Error creating Keyloom key! - "},
        {"Macros", "Error creating Macros key! - "},
        {"Journals", "Error creating Journals key! - "},
    };
    for (const Step& step : steps) {
        fake::Reset();
        fake::Fail("RegCreateKeyExA", win::ERROR_ACCESS_DENIED, -1, step.failing);
        EXPECT_FALSE(RegistryStore::EnsureStoreTree()) << step.failing;
        ExpectError(step.message + kDenied);
        EXPECT_EQ(fake::OpenKeyCount(), 0);
    }
}

TEST_F(RegistryStoreTest, WrittenValuesReadBackExactly) {
    ASSERT_TRUE(RegistryStore::CreateMacroKey("M"));
    ASSERT_TRUE(RegistryStore::CreateMacroKey("M\\Commands\\0"));
    EXPECT_TRUE(RegistryStore::WriteDword(-1, "\\Macros\\M", "vk"));
    EXPECT_TRUE(RegistryStore::WriteMacroString("Done", "M\\Commands\\0", "MessageBody"));
    EXPECT_TRUE(RegistryStore::WriteMacroString("", "M\\Commands\\0", "Arguments"));

    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(fake::GetValue(kRoot + "\\Macros\\M\\Commands\\0", "MessageBody", &type, &bytes));
    EXPECT_EQ(type, win::REG_SZ);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{'D', 'o', 'n', 'e', 0}));
    ASSERT_TRUE(fake::GetValue(kRoot + "\\Macros\\M", "vk", &type, &bytes));
    EXPECT_EQ(type, win::REG_DWORD);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));

    std::int32_t value = 0;
    EXPECT_TRUE(RegistryStore::ReadDword("\\Macros\\M", "vk", &value));
    EXPECT_EQ(value, -1);
    std::string text = "stale";
    EXPECT_TRUE(RegistryStore::ReadMacroString("M\\Commands\\0", "MessageBody", &text));
    EXPECT_EQ(text, "Done");
    EXPECT_TRUE(RegistryStore::ReadMacroString("M\\Commands\\0", "Arguments", &text));
    EXPECT_EQ(text, "");

    ASSERT_TRUE(RegistryStore::KeyWriter().CreateRecording("J"));
    const std::uint8_t chunk[40] = {1, 2, 3, 0, 5};
    EXPECT_TRUE(RegistryStore::WriteBinary(chunk, sizeof chunk, "\\Journals\\J", "0"));
    std::unique_ptr<std::uint8_t[]> read;
    std::uint32_t count = 0;
    EXPECT_TRUE(RegistryStore::ReadBinary("\\Journals\\J", "0", &read, &count));
    ASSERT_EQ(count, sizeof chunk);
    EXPECT_EQ(std::vector<std::uint8_t>(read.get(), read.get() + count), std::vector<std::uint8_t>(chunk, chunk + 40));
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

TEST_F(RegistryStoreTest, StringsWithoutNulAndShortDwordsReadToTheirStoredEnd) {
    fake::SetValue(kRoot + "\\Macros\\M\\Commands\\0", "FileName", win::REG_SZ, {'a', 'b', 'c'});
    fake::SetValue(kRoot + "\\Macros\\M\\Commands\\0", "DirName", win::REG_SZ, {0});
    fake::SetValue(kRoot + "\\Macros\\M\\Commands\\0", "Arguments", win::REG_SZ, {'x', 0, 'y', 0});
    fake::SetValue(kRoot + "\\Macros\\M\\Commands\\0", "KeyPressed", win::REG_BINARY, {2});
    std::string text;
    EXPECT_TRUE(RegistryStore::ReadMacroString("M\\Commands\\0", "FileName", &text));
    EXPECT_EQ(text, "abc");
    EXPECT_TRUE(RegistryStore::ReadMacroString("M\\Commands\\0", "DirName", &text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(RegistryStore::ReadMacroString("M\\Commands\\0", "Arguments", &text));
    EXPECT_EQ(text, "x");
    // Types are not checked: the bytes are read as the value's kind.
    std::int32_t value = 99;
    EXPECT_TRUE(RegistryStore::ReadDword("\\Macros\\M\\Commands\\0", "KeyPressed", &value));
    EXPECT_EQ(value, 2);
}

TEST_F(RegistryStoreTest, ReadFailuresNameTheFullPathFromSoftwareDown) {
    fake::CreateKey(kRoot + "\\Macros\\M");
    fake::SetString(kRoot + "\\Macros\\M", "Long", "more than four bytes");
    std::int32_t value = 7;
    EXPECT_FALSE(RegistryStore::ReadDword("\\Macros\\M", "vk", &value));
    ExpectWarning("Error reading DWORD from reigistry at: " + kRoot + "\\Macros\\M\\vk, error: " + kNotFound);
    EXPECT_EQ(value, 7);

    fake::ClearMessageBoxes();
    EXPECT_FALSE(RegistryStore::ReadDword("\\Macros\\M", "Long", &value));
    ExpectWarning("Error reading DWORD from reigistry at: " + kRoot +
                  "\\Macros\\M\\Long, error: More data is available.\r\n");

    fake::ClearMessageBoxes();
    EXPECT_FALSE(RegistryStore::ReadDword("\\Journals\\Gone", "Count", &value));
    ExpectWarning("Error opening key in reigistry at: " + kRoot + "\\Journals\\Gone, error: " + kNotFound);

    fake::ClearMessageBoxes();
    std::string text = "stale";
    EXPECT_FALSE(RegistryStore::ReadMacroString("Gone", "FileName", &text));
    EXPECT_EQ(text, "");
    ExpectWarning("Error opening key in reigistry at: " + kRoot + "\\Macros\\Gone, error: " + kNotFound);

    fake::ClearMessageBoxes();
    EXPECT_FALSE(RegistryStore::ReadMacroString("M", "FileName", &text));
    ExpectWarning("Error reading value in reigistry at: " + kRoot + "\\Macros\\M\\FileName, error: " + kNotFound);

    fake::ClearMessageBoxes();
    fake::Fail("RegQueryValueExA", win::ERROR_ACCESS_DENIED, 1);
    std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[1]);
    std::uint32_t count = 9;
    EXPECT_FALSE(RegistryStore::ReadBinary("\\Macros\\M", "Long", &bytes, &count));
    EXPECT_EQ(bytes, nullptr);
    EXPECT_EQ(count, 0u);
    ExpectWarning("Error reading value in reigistry at: " + kRoot + "\\Macros\\M\\Long, error: " + kDenied);
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

TEST_F(RegistryStoreTest, CreateAndWriteFailuresAreErrorsWithTheirPaths) {
    fake::Fail("RegCreateKeyExA", win::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(RegistryStore::CreateMacroKey("M\\Commands"));
    ExpectError("Error creating key " + kRoot + "\\Macros\\M\\Commands - " + kDenied);

    fake::ClearMessageBoxes();
    fake::Fail("RegCreateKeyExA", win::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(RegistryStore::KeyWriter().CreateRecording("J"));
    ExpectError("Error creating key " + kRoot + "\\Journals\\J - " + kDenied);

    fake::ClearMessageBoxes();
    EXPECT_FALSE(RegistryStore::WriteDword(1, "\\Macros\\Missing", "id"));
    ExpectError("Error accessing registry - " + kNotFound);

    fake::ClearMessageBoxes();
    fake::CreateKey(kRoot + "\\Macros\\M");
    fake::Fail("RegSetValueExA", win::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(RegistryStore::WriteMacroString("t", "M", "FileName"));
    ExpectError("Error writing " + kRoot + "\\Macros\\M\\FileName - " + kDenied);
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

TEST_F(RegistryStoreTest, NamesAreNeverUsedAsFormats) {
    const std::string name = "%s%n%d";
    fake::Fail("RegCreateKeyExA", win::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(RegistryStore::CreateMacroKey(name));
    ExpectError("Error creating key " + kRoot + "\\Macros\\" + name + " - " + kDenied);
}

// A tree that cannot be walked whole is found out before anything goes; a
// failure while deleting leaves nothing listed, and the next start removes
// the rest.
TEST_F(RegistryStoreTest, ADeleteIsFoundOutBeforehandOrLeavesNothingListed) {
    for (const char* key : {"\\Macros\\M\\Commands\\0", "\\Macros\\M\\Commands\\1", "\\Macros\\M\\Commands\\2"})
        fake::CreateKey(kRoot + key);
    const std::string unreadable = kRoot + "\\Macros\\M\\Commands\\" + std::string(255, 'x');
    fake::CreateKey(unreadable);
    const auto before = fake::Tree(kRoot);
    EXPECT_FALSE(RegistryStore::DeleteKeyTree(kRoot + "\\Macros\\M"));
    EXPECT_EQ(fake::Tree(kRoot), before);
    ExpectWarning("Error reading the subkeys of key " + kRoot + "\\Macros\\M\\Commands in the registry - " +
                  SystemErrorText(win::ERROR_MORE_DATA));

    // A deletion refused halfway.
    fake::ClearMessageBoxes();
    fake::Reset();
    ASSERT_TRUE(RegistryStore::EnsureStoreTree());
    for (const char* key : {"\\Macros\\M\\Commands\\0", "\\Macros\\M\\Commands\\1", "\\Macros\\M\\Commands\\2"})
        fake::CreateKey(kRoot + key);
    fake::Fail("RegDeleteKeyExA", win::ERROR_ACCESS_DENIED, 1, "Commands\\1");
    EXPECT_TRUE(RegistryStore::DeleteKeyTree(kRoot + "\\Macros\\M"));
    EXPECT_FALSE(fake::KeyExists(kRoot + "\\Macros\\M"));
    const auto left = fake::SubKeys(kRoot + "\\Macros");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(layout::IsWorkKeyName(left[0]));
    EXPECT_TRUE(fake::MessageBoxes().empty());
    WorkKeys::CleanUp();
    EXPECT_TRUE(fake::SubKeys(kRoot + "\\Macros").empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);

    EXPECT_FALSE(RegistryStore::DeleteKeyTree(kRoot + "\\Macros\\M"));
    ExpectWarning("Error opening key " + kRoot + "\\Macros\\M in the registry - " + kNotFound);
}

TEST_F(RegistryStoreTest, OutsideNtOneDeletionRemovesTheKey) {
    fake::CreateKey(kRoot + "\\Journals\\J");
    isWindowsNt = false;
    EXPECT_TRUE(RegistryStore::DeleteKeyTree(kRoot + "\\Journals\\J"));
    EXPECT_FALSE(fake::KeyExists(kRoot + "\\Journals\\J"));
    fake::CreateKey(kRoot + "\\Journals\\J\\Child");
    // The NT family refuses one-call deletion of a key with subkeys; no box.
    EXPECT_FALSE(RegistryStore::DeleteKeyTree(kRoot + "\\Journals\\J"));
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

}  // namespace

namespace {

TEST_F(RegistryStoreTest, ChunksGoThroughOneOpenAndReadWhateverTheirSize) {
    const std::string journal = kRoot + "\\Journals\\J";
    std::vector<std::uint8_t> big(20000, 7), small(20, 3);
    fake::SetValue(journal, "0", win::REG_BINARY, big);
    fake::SetValue(journal, "1", win::REG_BINARY, small);
    RegistryStore::ChunkBytes chunks;
    {
        RegistryStore::KeyReader reader;
        ASSERT_TRUE(reader.OpenRecording("J"));
        ASSERT_EQ(reader.ReadChunks(2, 1 << 20, &chunks), RegistryStore::ChunkRead::Done);
        EXPECT_EQ(chunks.sizes, (std::vector<std::uint32_t>{20000, 20}));
        std::vector<std::uint8_t> both = big;
        both.insert(both.end(), small.begin(), small.end());
        EXPECT_EQ(std::vector<std::uint8_t>(chunks.bytes.get(), chunks.bytes.get() + chunks.byteCount), both);

        // The limit counts each chunk's overhead beside its bytes.
        EXPECT_EQ(reader.ReadChunks(2, 20020 + 2 * RegistryStore::kChunkOverheadBytes, &chunks),
                  RegistryStore::ChunkRead::Done);
        EXPECT_EQ(reader.ReadChunks(2, 20020 + 2 * RegistryStore::kChunkOverheadBytes - 1, &chunks),
                  RegistryStore::ChunkRead::TooLarge);
        EXPECT_TRUE(chunks.sizes.empty());
        EXPECT_TRUE(fake::MessageBoxes().empty());
        EXPECT_EQ(reader.ReadChunks(-5, 1 << 20, &chunks), RegistryStore::ChunkRead::Done);
        EXPECT_EQ(chunks.byteCount, 0u);
        EXPECT_EQ(reader.ReadChunks(3, 1 << 20, &chunks), RegistryStore::ChunkRead::Failed);
    }
    ExpectWarning("Error reading value in reigistry at: " + journal + "\\2, error: " + kNotFound);
    EXPECT_EQ(fake::OpenKeyCount(), 0);

    fake::ClearMessageBoxes();
    const std::vector<RegistryStore::ChunkView> views{{small.data(), 20}, {big.data(), 16000}};
    {
        RegistryStore::KeyWriter writer;
        ASSERT_TRUE(writer.CreateRecording("J"));
        fake::Fail("RegSetValueExA", win::ERROR_ACCESS_DENIED, 1, "1");
        EXPECT_FALSE(writer.WriteChunks(views));
    }
    ExpectError("Error writing " + journal + "\\1 - " + kDenied);
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

// Each open of a key costs about as much as a chunk's write, so a whole
// recording is written through one created key and read through one open.
TEST_F(RegistryStoreTest, ARecordingIsWrittenAndReadThroughOneKeyHandle) {
    std::vector<std::uint8_t> first(16000, 5), last(40, 6);
    const std::vector<RegistryStore::ChunkView> views{{first.data(), 16000}, {last.data(), 40}};
    const int opens = fake::Calls("RegOpenKeyExA"), creates = fake::Calls("RegCreateKeyExA");
    ASSERT_TRUE(WriteRecording("K", views, 2, 3));
    // Two more opens put it in place: whether the name is taken, and the
    // Journals key for the rename.
    EXPECT_EQ(fake::Calls("RegOpenKeyExA"), opens + 2);
    EXPECT_EQ(fake::Calls("RegCreateKeyExA"), creates + 1);

    StoredRecording stored;
    ASSERT_EQ(ReadRecording("K", 1 << 20, true, &stored), RecordingRead::Done);
    EXPECT_EQ(fake::Calls("RegOpenKeyExA"), opens + 3);
    EXPECT_EQ(stored.count, 2);
    EXPECT_EQ(stored.type, 3);
    EXPECT_EQ(stored.chunks.sizes, (std::vector<std::uint32_t>{16000, 40}));
    EXPECT_EQ(std::vector<std::uint8_t>(stored.chunks.bytes.get() + 16000, stored.chunks.bytes.get() + 16040), last);
    EXPECT_EQ(fake::OpenKeyCount(), 0);
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

}  // namespace

TEST_F(RegistryStoreTest, UnicodeTextsRoundTripAndReadThroughEitherCallAsWindowsDoes) {
    ASSERT_TRUE(RegistryStore::CreateMacroKey("M\\Commands\\0"));
    const std::u16string text = u"Gr\u00fc\u00dfe \u2013 \u65e5\u672c\u8a9e \U0001F642\r\n\tx";
    EXPECT_TRUE(RegistryStore::WriteMacroText(text, "M\\Commands\\0", "Text"));
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(fake::GetValue(kRoot + "\\Macros\\M\\Commands\\0", "Text", &type, &bytes));
    EXPECT_EQ(type, win::REG_SZ);
    EXPECT_EQ(bytes.size(), (text.size() + 1) * 2);
    std::u16string read = u"stale";
    EXPECT_TRUE(RegistryStore::ReadMacroText("M\\Commands\\0", "Text", &read));
    EXPECT_EQ(read, text);

    // ASCII written by one side reads the same through the other.
    EXPECT_TRUE(RegistryStore::WriteMacroText(u"abc", "M\\Commands\\0", "Wide"));
    std::string narrow;
    EXPECT_TRUE(RegistryStore::ReadMacroString("M\\Commands\\0", "Wide", &narrow));
    EXPECT_EQ(narrow, "abc");
    EXPECT_TRUE(RegistryStore::WriteMacroString("xyz", "M\\Commands\\0", "Narrow"));
    EXPECT_TRUE(RegistryStore::ReadMacroText("M\\Commands\\0", "Narrow", &read));
    EXPECT_EQ(read, u"xyz");
    EXPECT_TRUE(fake::MessageBoxes().empty());

    fake::Fail("RegSetValueExW", win::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(RegistryStore::WriteMacroText(u"t", "M\\Commands\\0", "Text"));
    ExpectError("Error writing " + kRoot + "\\Macros\\M\\Commands\\0\\Text - " + kDenied);
    fake::ClearMessageBoxes();
    fake::Fail("RegQueryValueExW", win::ERROR_ACCESS_DENIED, 1);
    EXPECT_FALSE(RegistryStore::ReadMacroText("M\\Commands\\0", "Text", &read));
    EXPECT_EQ(read, u"");
    ExpectWarning("Error reading value in reigistry at: " + kRoot + "\\Macros\\M\\Commands\\0\\Text, error: " + kDenied);
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}
