// Every operation that writes the store, run once with each of its store
// calls failing in turn and then once more without a fault. After each run
// no other macro or recording has changed, the lists show what is stored,
// nothing is left open, a failure was told, and the repeated operation
// completes. Each test prints its line of the table.
#include <cstdio>
#include <functional>

#include "journal/record_dialog.h"
#include "journal/recorder.h"
#include "macro_fixture.h"
#include "store/recording_store.h"

namespace {

const std::string kRoot = "Software\\Tallow Labs\\Keyloom";
const std::string kJournals = kRoot + "\\Journals\\";

struct Dialogs final : RecordingDialogs {
    bool Record(std::string* name, std::int32_t* filter) override { return record(name, filter); }
    bool Rename(std::string* name) override {
        *name = newName;
        return true;
    }
    std::function<bool(std::string*, std::int32_t*)> record;
    std::string newName;
};

class StoreFaultsTest : public RunnerTest {
protected:
    // The store without the keys `changing` names (lower case, below the
    // root), which the operation may change.
    static std::map<std::string, fake::StoredValues> Others(const std::vector<std::string>& changing) {
        auto tree = fake::Tree(kRoot);
        std::erase_if(tree, [&](const auto& entry) {
            for (const std::string& prefix : changing)
                if (entry.first == prefix || entry.first.starts_with(prefix + "\\")) return true;
            return false;
        });
        return tree;
    }
    static std::vector<std::string> Names(const TestRows& list) {
        std::vector<std::string> names;
        for (const auto& row : list.rows) names.push_back(row[0]);
        return names;
    }
    // The same names; rows added later stand at the end, not in the
    // store's order.
    static std::vector<std::string> Sorted(std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        return names;
    }
    void ExpectListsMatchTheStore() {
        EXPECT_EQ(Sorted(Names(macroList)), Sorted(fake::SubKeys(kRoot + "\\Macros")));
        EXPECT_EQ(Sorted(Names(recordingList)), Sorted(fake::SubKeys(kRoot + "\\Journals")));
    }
    void ExpectNothingOpen() {
        EXPECT_EQ(fake::OpenKeyCount(), 0);
        EXPECT_EQ(fake::OpenTokenCount(), 0);
        EXPECT_FALSE(fake::ClipboardIsOpen());
    }

    void StoreRecording(const std::string& name, int events, std::int32_t type) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(events) * 20);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + name.size());
        const auto chunks = CutIntoChunks(bytes.data(), bytes.size());
        ASSERT_TRUE(WriteRecording(name, chunks, static_cast<std::int32_t>(chunks.size()), type));
    }

    // The stored data every run starts from: three macros, three recordings.
    void StoreAll() {
        for (const char* name : {"Alpha", "Doomed", "Omega"}) {
            StoreMacro(name, name[0], win::MOD_CONTROL);
            StoreKeyStroke(name, 0, name[0]);
            StoreKeyStroke(name, 2, 'Z');
        }
        StoreRecording("First", 10, 1);
        StoreRecording("Old", 900, 2);
        StoreRecording("Zed", 3, 3);
    }

    // Runs `operation` with store call k failing, for k = 1, 2, ... until a
    // run makes fewer calls than k; `check` looks at each run (faulted
    // whether it failed or not), `repeat` repeats it without a fault.
    void EveryFault(const char* operation, const std::function<void()>& setUp,
                    const std::function<void()>& operate, const std::function<bool()>& done,
                    const std::vector<std::string>& changing) {
        int held = 0, tried = 0;
        for (int k = 1;; ++k) {
            fake::Reset();
            window = fake::AddWindow("Keyloom");
            ASSERT_TRUE(RegistryStore::EnsureStoreTree());
            macroList = TestRows{};
            recordingList = TestRows{};
            StoreAll();
            Start();
            setUp();
            const auto before = Others(changing);
            fake::ClearMessageBoxes();
            const int calls = fake::RegistryCalls();
            fake::FailRegistryCall(k, win::ERROR_ACCESS_DENIED);
            operate();
            fake::FailRegistryCall(0, 0);
            if (fake::RegistryCalls() - calls < k) {
                std::printf("fault injection: %-28s %3d store calls, %3d faults tried, invariants held in %d\n",
                            operation, k - 1, tried, held);
                EXPECT_EQ(held, tried);
                return;
            }
            ++tried;
            SCOPED_TRACE(std::string(operation) + ", failing call " + std::to_string(k));
            const int failures = ::testing::Test::HasFailure() ? 1 : 0;
            if (!done()) EXPECT_FALSE(fake::MessageBoxes().empty()) << "the failure was told";
            EXPECT_EQ(Others(changing), before);
            ExpectListsMatchTheStore();
            ExpectNothingOpen();
            // Again without a fault: it completes.
            setUp();
            operate();
            EXPECT_TRUE(done());
            EXPECT_EQ(Others(changing), before);
            ExpectListsMatchTheStore();
            ExpectNothingOpen();
            if ((::testing::Test::HasFailure() ? 1 : 0) == failures) ++held;
        }
    }

    int RowOf(const TestRows& list, const std::string& name) {
        for (std::size_t i = 0; i < list.rows.size(); ++i)
            if (list.rows[i][0] == name) return static_cast<int>(i);
        return -1;
    }

    Dialogs dialogs;
};

TEST_F(StoreFaultsTest, DeleteMacro) {
    EveryFault(
        "delete macro", [&] { macroList.selected = RowOf(macroList, "Doomed"); }, [&] { dialog->DeleteMacro(); },
        [&] { return !fake::KeyExists(kMacros + "Doomed") && RowOf(macroList, "Doomed") < 0; }, {"macros\\doomed"});
}

TEST_F(StoreFaultsTest, DeleteRecording) {
    EveryFault(
        "delete recording", [&] { recordingList.selected = RowOf(recordingList, "Old"); },
        [&] { dialog->DeleteRecording(); },
        [&] { return !fake::KeyExists(kJournals + "Old") && RowOf(recordingList, "Old") < 0; }, {"journals\\old"});
}

TEST_F(StoreFaultsTest, RenameRecording) {
    std::map<std::string, fake::StoredValues> old;
    EveryFault(
        "rename recording",
        [&] {
            if (old.empty()) old = fake::Tree(kJournals + "Old");
            const int row = RowOf(recordingList, "Old");
            recordingList.selected = row >= 0 ? row : RowOf(recordingList, "New");
            dialogs.newName = "New";
        },
        [&] { dialog->EditRecording(dialogs); },
        [&] {
            return !fake::KeyExists(kJournals + "Old") && fake::Tree(kJournals + "New") == old &&
                   RowOf(recordingList, "New") >= 0;
        },
        {"journals\\old", "journals\\new"});
}

// The Record dialog's Save, with a recording of two chunks held; after a
// failed Save the user gives up, then records and saves again.
TEST_F(StoreFaultsTest, SaveARecording) {
    const win::HWND recordWindow = fake::AddWindow("Keyloom - Record");
    TestRows windows;
    std::unique_ptr<RecordDialog> record;
    EveryFault(
        "Save in the Record dialog",
        [&] {
            record = std::make_unique<RecordDialog>(recordWindow, windows, window);
            ASSERT_TRUE(Recorder().Allocate());
            for (std::uint32_t i = 0; i < 900; ++i) Recorder().Record(JournalEvent{win::WM_KEYDOWN, i, 1, i, 0});
            dialogs.record = [&](std::string* name, std::int32_t* filter) {
                record->recordingName = "Taken";
                if (record->OnSave() != RecordDialog::Close::Ok) return false;
                *name = record->recordingName;
                *filter = Recorder().recordFilter;
                return true;
            };
        },
        [&] { dialog->AddRecording(dialogs); },
        [&] { return fake::KeyExists(kJournals + "Taken") && RowOf(recordingList, "Taken") >= 0; },
        {"journals\\taken"});
    Recorder().Discard();
}

}  // namespace
