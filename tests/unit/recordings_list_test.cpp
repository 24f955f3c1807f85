#include <string>
#include <vector>

#include "journal/journal_format.h"
#include "macro_fixture.h"

namespace {

const std::string kJournals = "Software\\Tallow Labs\\Keyloom\\Journals\\";
using Rows = std::vector<std::vector<std::string>>;

// Answers for the Record and rename dialogs.
struct ScriptedDialogs final : RecordingDialogs {
    bool Record(std::string* name, std::int32_t* filter) override {
        ++recordCalls;
        *name = recordedName;
        *filter = recordedFilter;
        return recordOk;
    }
    bool Rename(std::string* name) override {
        openedWith = *name;
        *name = newName;
        return renameOk;
    }
    bool recordOk = true;
    std::string recordedName;
    std::int32_t recordedFilter = 1;
    int recordCalls = 0;
    bool renameOk = true;
    std::string newName;
    std::string openedWith;
};

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

struct Stored {
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    bool operator==(const Stored&) const = default;
};

// Every value of a recording key, by name.
std::vector<std::pair<std::string, Stored>> Values(const std::string& name, int chunks) {
    std::vector<std::pair<std::string, Stored>> values;
    std::vector<std::string> names = {"Count", "Type"};
    for (int i = 0; i < chunks; ++i) names.push_back(std::to_string(i));
    for (const std::string& value : names) {
        Stored stored{};
        if (fake::GetValue(kJournals + name, value, &stored.type, &stored.data)) values.emplace_back(value, stored);
    }
    return values;
}

class RecordingsListTest : public RunnerTest {
protected:
    void StoreRecording(const std::string& name, std::int32_t count, std::int32_t type,
                        const std::vector<std::vector<std::uint8_t>>& chunks) {
        fake::CreateKey(kJournals + name);
        for (std::size_t i = 0; i < chunks.size(); ++i)
            fake::SetValue(kJournals + name, std::to_string(i), win::REG_BINARY, chunks[i]);
        fake::SetDword(kJournals + name, "Count", static_cast<std::uint32_t>(count));
        fake::SetDword(kJournals + name, "Type", static_cast<std::uint32_t>(type));
    }
    MainDialog& StartQuiet() {
        MainDialog& main = Start();
        fake::ClearMessageBoxes();
        return main;
    }
    ScriptedDialogs dialogs;
};

TEST_F(RecordingsListTest, RowsShowTheNameAndTheTypeTextInEnumerationOrder) {
    StoreRecording("b", 0, 2, {});
    StoreRecording("A", 0, 1, {});
    StoreRecording("c", 0, 3, {});
    StoreRecording("d", 0, 4, {});
    fake::CreateKey(kJournals + "e");  // no "Type"
    Start();
    EXPECT_EQ(recordingList.columns[0].heading, "Recording Name");
    EXPECT_EQ(recordingList.rows, (Rows{{"A", "Keyboard & Mouse"}, {"b", "Keyboard"}, {"c", "Mouse"},
                                                       {"d", "Unknown"}, {"e", "Unknown"}}));
    ASSERT_EQ(BoxTexts().size(), 1u);
    EXPECT_EQ(BoxTexts()[0].rfind("Error reading DWORD from reigistry at: Software\\Tallow Labs\\Keyloom\\Journals\\e\\Type", 0), 0u);
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

TEST_F(RecordingsListTest, AnUnopenableJournalsKeyIsReportedAndTheListStaysEmpty) {
    StoreRecording("a", 0, 1, {});
    MainDialog main(window, macroList, recordingList);
    fake::Fail("RegOpenKeyExA", win::ERROR_ACCESS_DENIED, 1, "Journals");
    main.FillRecordingList();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Error opening key Software\\Tallow Labs\\Keyloom\\Journals in the "
                                                   "registry - Access is denied.\r\n"});
    EXPECT_EQ(fake::MessageBoxes()[0].caption, "Attention");
    EXPECT_TRUE(recordingList.rows.empty());
}

TEST_F(RecordingsListTest, AddAppendsTheSavedRecordingOrUpdatesItsRow) {
    StoreRecording("old", 0, 1, {});
    MainDialog& main = StartQuiet();
    dialogs.recordOk = false;
    main.AddRecording(dialogs);
    dialogs.recordOk = true;
    dialogs.recordedName = "new";
    dialogs.recordedFilter = 3;
    main.AddRecording(dialogs);
    dialogs.recordedName = "OLD";  // saved over a stored one
    dialogs.recordedFilter = 2;
    main.AddRecording(dialogs);
    EXPECT_EQ(recordingList.rows, (Rows{{"old", "Keyboard"}, {"new", "Mouse"}}));
}

TEST_F(RecordingsListTest, DeleteRemovesTheKeyAndTheRowOrSaysWhy) {
    StoreRecording("a", 1, 1, {Bytes(20, 1)});
    StoreRecording("b", 0, 2, {});
    MainDialog& main = StartQuiet();
    main.DeleteRecording();
    main.EditRecording(dialogs);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"No recording selected!", "No recording selected!"}));
    EXPECT_TRUE(dialogs.openedWith.empty());

    fake::ClearMessageBoxes();
    recordingList.selected = 1;
    fake::Fail("RegRenameKey", win::ERROR_ACCESS_DENIED, 1, "Journals\\b");
    main.DeleteRecording();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Unable to delete recording: b"});
    EXPECT_EQ(fake::MessageBoxes()[0].owner, window);
    EXPECT_EQ(recordingList.rows.size(), 2u);

    recordingList.selected = 0;
    main.DeleteRecording();
    EXPECT_FALSE(fake::KeyExists(kJournals + "a"));
    EXPECT_EQ(recordingList.rows, (Rows{{"b", "Keyboard"}}));
}

TEST_F(RecordingsListTest, RenameCarriesEveryChunkCountAndTypeToTheNewName) {
    const auto chunk0 = Bytes(16000, 3), chunk1 = Bytes(40, 9);
    StoreRecording("old", 2, 2, {chunk0, chunk1});
    MainDialog& main = StartQuiet();
    const auto before = Values("old", 2);
    recordingList.selected = 0;
    dialogs.newName = "New";
    main.EditRecording(dialogs);
    EXPECT_EQ(dialogs.openedWith, "old");
    EXPECT_EQ(Values("New", 2), before);
    EXPECT_FALSE(fake::KeyExists(kJournals + "old"));
    EXPECT_EQ(recordingList.rows, (Rows{{"New", "Keyboard"}}));
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);

    dialogs.renameOk = false;
    dialogs.newName = "Other";
    main.EditRecording(dialogs);
    EXPECT_TRUE(fake::KeyExists(kJournals + "New"));
    EXPECT_FALSE(fake::KeyExists(kJournals + "Other"));
}

TEST_F(RecordingsListTest, ARefusedRenameKeepsTheRecordingUnderItsOldName) {
    StoreRecording("old", 1, 1, {Bytes(60, 5)});
    MainDialog& main = StartQuiet();
    const auto before = Values("old", 1);
    recordingList.selected = 0;
    dialogs.newName = "New";
    fake::Fail("RegRenameKey", win::ERROR_ACCESS_DENIED, 1, "New");
    main.EditRecording(dialogs);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Error renaming key Software\\Tallow Labs\\Keyloom\\Journals\\old "
                                                   "to New - Access is denied.\r\n"});
    EXPECT_EQ(Values("old", 1), before);
    EXPECT_FALSE(fake::KeyExists(kJournals + "New"));
    EXPECT_EQ(fake::SubKeys("Software\\Tallow Labs\\Keyloom\\Journals"), std::vector<std::string>{"old"});
    EXPECT_EQ(recordingList.rows, (Rows{{"old", "Keyboard & Mouse"}}));
}

TEST_F(RecordingsListTest, RenamingToItsOwnNameInAnySpellingLeavesItStored) {
    StoreRecording("Tune", 1, 3, {Bytes(20, 1)});
    MainDialog& main = StartQuiet();
    const auto before = Values("Tune", 1);
    recordingList.selected = 0;
    for (const char* name : {"Tune", "TUNE"}) {
        dialogs.newName = name;
        main.EditRecording(dialogs);
        EXPECT_EQ(Values("Tune", 1), before) << name;
        EXPECT_EQ(fake::SubKeys(kJournals.substr(0, kJournals.size() - 1)), std::vector<std::string>{"Tune"});
    }
    EXPECT_EQ(recordingList.rows, (Rows{{"Tune", "Mouse"}}));
}

// The registry folds the case of accented letters too: "Äpfel" and
// "äpfel" are one key, and copying it onto itself would lose it. A
// backslash would put the copy inside the old key, which is then deleted.
TEST_F(RecordingsListTest, ARenameThatWouldLoseTheRecordingIsNotMade) {
    StoreRecording("\xC4pfel", 1, 2, {Bytes(20, 1)});
    StoreRecording("a", 1, 1, {Bytes(40, 2)});
    MainDialog& main = StartQuiet();
    const auto apples = Values("\xC4pfel", 1), a = Values("a", 1);
    recordingList.selected = 1;  // "Äpfel" sorts after "a"
    dialogs.newName = "\xE4pfel";
    main.EditRecording(dialogs);
    EXPECT_EQ(Values("\xC4pfel", 1), apples);
    recordingList.selected = 0;
    dialogs.newName = "a\\b";
    main.EditRecording(dialogs);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"A recording name must not contain a backslash (\\)."});
    // A name the lists could not enumerate again.
    dialogs.newName = std::string(255, 'r');
    main.EditRecording(dialogs);
    ASSERT_EQ(BoxTexts().size(), 2u);
    EXPECT_EQ(BoxTexts()[1].rfind("The recording name is too long: at most ", 0), 0u) << BoxTexts()[1];
    EXPECT_EQ(Values("a", 1), a);
    EXPECT_EQ(fake::SubKeys(kJournals.substr(0, kJournals.size() - 1)), (std::vector<std::string>{"a", "\xC4pfel"}));
    EXPECT_EQ(recordingList.rows, (Rows{{"a", "Keyboard & Mouse"}, {"\xC4pfel", "Keyboard"}}));
}

TEST_F(RecordingsListTest, RenamingOntoAnotherRecordingLeavesOneRowForIt) {
    StoreRecording("a", 1, 1, {Bytes(20, 1)});
    StoreRecording("b", 1, 2, {Bytes(40, 2), Bytes(20, 3)});
    MainDialog& main = StartQuiet();
    recordingList.selected = 1;
    dialogs.newName = "A";
    main.EditRecording(dialogs);
    EXPECT_EQ(recordingList.rows, (Rows{{"A", "Keyboard"}}));
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(fake::GetValue(kJournals + "a", "0", &type, &data));
    EXPECT_EQ(data, Bytes(40, 2));
    EXPECT_FALSE(fake::KeyExists(kJournals + "b"));
}

// Damaged recordings: the rename either carries the values over as they are
// or stops with the store's message, leaving the old name intact.
TEST_F(RecordingsListTest, DamagedRecordingsAreCarriedAsStoredOrLeftInPlace) {
    std::vector<std::uint8_t> text = {'h', 'i', 0};
    StoreRecording("odd", 2, 4, {Bytes(33, 1), {}});
    fake::SetValue(kJournals + "odd", "1", win::REG_SZ, text);  // a chunk of the wrong type
    StoreRecording("negative", -3, 1, {Bytes(20, 1)});
    StoreRecording("zero", 0, 2, {});
    StoreRecording("beyond", 2000000000, 1, {Bytes(20, 1)});
    MainDialog& main = StartQuiet();

    auto rename = [&](const std::string& from, const std::string& to) {
        for (int row = 0; row < recordingList.RowCount(); ++row)
            if (recordingList.rows[static_cast<std::size_t>(row)][0] == from)
                recordingList.selected = row;
        dialogs.newName = to;
        main.EditRecording(dialogs);
    };
    // A rename moves the key: what is stored goes along as it is, read by
    // nobody, however large.
    for (const auto& [name, count] : std::vector<std::pair<std::string, int>>{
             {"odd", 2}, {"negative", 1}, {"zero", 0}, {"beyond", 1}}) {
        const auto before = Values(name, count);
        rename(name, name + "2");
        EXPECT_EQ(Values(name + "2", count), before) << name;
        EXPECT_FALSE(fake::KeyExists(kJournals + name));
    }
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(RecordingsListTest, ARecordingLargerThanThePlayerLoadsIsRenamedUnread) {
    const std::size_t half = kMaxRecordingBytes / 2 + 20;
    StoreRecording("huge", 2, 1, {std::vector<std::uint8_t>(half, 1), std::vector<std::uint8_t>(half, 2)});
    MainDialog& main = StartQuiet();
    recordingList.selected = 0;
    dialogs.newName = "copy";
    main.EditRecording(dialogs);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_TRUE(fake::GetValue(kJournals + "copy", "1", nullptr, nullptr));
    EXPECT_FALSE(fake::KeyExists(kJournals + "huge"));
    EXPECT_LT(fake::LargestReadBuffer(), 100u);
    EXPECT_EQ(recordingList.rows, (Rows{{"copy", "Keyboard & Mouse"}}));
}

}  // namespace
