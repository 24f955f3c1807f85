// Every operation that writes the store, run with each of its store calls
// failing in turn (k = 1, 2, ...). After each run the operated macro or
// recording is whole as it was or whole as the operation makes it, no other
// one has changed, the lists and the registered hot keys show what is
// stored, nothing is left open and a failure was told. Then a second fault
// hits the recovery, at each of its calls in turn: the repeated operation,
// or the clean-up of the next start. After one more start nothing of the
// work is left over, and the operation completes. Each test prints its line
// of the table.
#include <cctype>
#include <cstdio>
#include <functional>
#include <set>

#include "editor_fixture.h"
#include "journal/record_dialog.h"
#include "journal/recorder.h"
#include "store/layout.h"
#include "store/recording_store.h"
#include "store/work_keys.h"

namespace {

const std::string kRoot = "Software\\Tallow Labs\\Keyloom";
const std::string kJournals = kRoot + "\\Journals\\";

using Tree = std::map<std::string, fake::StoredValues>;

// Names as fake::Tree spells them (the names here are ASCII).
std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct Dialogs final : RecordingDialogs {
    bool Record(std::string* name, std::int32_t* filter) override { return record(name, filter); }
    bool Rename(std::string* name) override {
        *name = newName;
        return true;
    }
    std::function<bool(std::string*, std::int32_t*)> record;
    std::string newName;
};

// Whether a path of fake::Tree (lower case, below the root) passes through
// a work key or a mark.
bool IsWork(const std::string& path) {
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find('\\', at), path.size());
        const std::string part = path.substr(at, end - at);
        if (layout::IsWorkKeyName(part)) return true;
        at = end + 1;
    }
    return false;
}

struct Operation {
    const char* name;
    // After each start: selects, opens and prepares what the operation needs.
    std::function<void()> setUp;
    std::function<void()> operate;
    // The keys (lower case, below the root) that the operation changes.
    std::vector<std::string> changing;
    // The repeated operation after a failure: the same again by default.
    std::function<void()> retry = nullptr;
    // Checks that what was told says which of old and new the user has.
    std::function<void(bool isNew)> told = nullptr;
    // The start itself is the operation: no start before setUp.
    bool isStart = false;
};

class StoreFaultsTest : public EditorTest {
protected:
    // The stored data every run starts from: three macros, three recordings.
    void StoreAll() {
        std::int32_t id = 0;
        for (const char* name : {"Alpha", "Doomed", "Omega"}) {
            StoreMacro(name, name[0], win::MOD_CONTROL, id++);
            StoreKeyStroke(name, 0, name[0]);
            StoreKeyStroke(name, 2, 'Z');
        }
        StoreRecording("First", 10, 1);
        StoreRecording("Old", 900, 2);
        StoreRecording("Zed", 3, 3);
    }
    void StoreRecording(const std::string& name, int events, std::int32_t type) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(events) * 20);
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + name.size());
        for (std::size_t at = 0, n = 0; at < bytes.size(); at += layout::kChunkBytes, ++n) {
            const auto end = std::min(bytes.size(), at + layout::kChunkBytes);
            fake::SetValue(kJournals + name, std::to_string(n), win::REG_BINARY,
                           std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                                     bytes.begin() + static_cast<std::ptrdiff_t>(end)));
            fake::SetDword(kJournals + name, "Count", static_cast<std::uint32_t>(n + 1));
        }
        fake::SetDword(kJournals + name, "Type", static_cast<std::uint32_t>(type));
    }

    void Fresh(const Operation& op) {
        fake::Reset();
        window = fake::AddWindow("Keyloom");
        editorWindow = fake::AddWindow("Keyloom - Edit Macro");
        EXPECT_TRUE(RegistryStore::EnsureStoreTree());
        clipboardBuffers.clear();
        StoreAll();
        if (!op.isStart) Restart();
        op.setUp();
    }
    // A new run of the program over the same store.
    void Restart() {
        for (const auto& hotKey : MacroHotKeys()) win::UnregisterHotKey(hotKey.window, hotKey.id);
        macroList = TestRows{};
        recordingList = TestRows{};
        editor.reset();
        Start();
    }

    // The store but the operated keys, the work keys and the macros' hot-key
    // ids, which each start hands out afresh (the registrations are checked
    // against them).
    static Tree Others(const Operation& op) {
        auto tree = fake::Tree(kRoot);
        std::erase_if(tree, [&](const auto& entry) {
            if (IsWork(entry.first)) return true;
            for (const std::string& prefix : op.changing)
                if (entry.first == prefix || entry.first.starts_with(prefix + "\\")) return true;
            return false;
        });
        for (auto& [path, values] : tree)
            if (path.starts_with("macros\\") && path.find('\\', 7) == std::string::npos) values.erase("id");
        return tree;
    }
    // The keys in which two trees differ, to be read in a failure.
    static std::vector<std::string> Differing(const Tree& a, const Tree& b) {
        std::vector<std::string> keys;
        for (const auto& [path, values] : a)
            if (!b.contains(path) || b.at(path) != values) keys.push_back(path);
        for (const auto& [path, values] : b)
            if (!a.contains(path)) keys.push_back(path);
        return keys;
    }
    // The operated keys as stored, without work keys.
    static Tree Operated(const Operation& op) {
        Tree operated;
        for (const std::string& key : op.changing)
            for (auto& [path, values] : fake::Tree(kRoot + "\\" + key))
                if (!IsWork(path)) operated[key + (path.empty() ? "" : "\\" + path)] = values;
        // Each attempt hands out a new hot-key id (the registrations are
        // checked against it).
        for (auto& [path, values] : operated)
            if (path.starts_with("macros\\") && path.find('\\', 7) == std::string::npos) values.erase("id");
        return operated;
    }
    static std::vector<std::string> Stored(const std::string& list) {
        auto names = fake::SubKeys(kRoot + "\\" + list);
        std::erase_if(names, [](const std::string& name) { return layout::IsWorkKeyName(name); });
        std::sort(names.begin(), names.end());
        return names;
    }
    static std::vector<std::string> Listed(const TestRows& list) {
        std::vector<std::string> names;
        for (const auto& row : list.rows) names.push_back(row[0]);
        std::sort(names.begin(), names.end());
        return names;
    }
    // Each registered hot key reaches, by its id, the macro stored with that
    // id and that key; each macro with a readable key and an id is
    // registered, or the user was told that its hot key could not be.
    static void ExpectHotKeysMatchTheStore() {
        const auto toldUnregistered = [](const std::string& name) {
            for (const auto& box : fake::MessageBoxes())
                if (box.text == "Failed to start macro: " + name || box.text == "Failed to register hot key for macro: " + name)
                    return true;
            return false;
        };
        std::map<int, std::pair<win::UINT, win::UINT>> stored;
        for (const std::string& name : Stored("Macros")) {
            std::uint32_t type = 0;
            std::vector<std::uint8_t> id, vk, modifiers;
            const std::string key = kMacros + name;
            if (!fake::GetValue(key, "id", &type, &id) || !fake::GetValue(key, "vk", &type, &vk) ||
                !fake::GetValue(key, "fsModifiers", &type, &modifiers) || id.size() != 4)
                continue;
            const int number = id[0] | id[1] << 8 | id[2] << 16 | id[3] << 24;
            if (number == kNoHotKey || toldUnregistered(name)) continue;
            // Macros that share a hot key store one id.
            if (stored.contains(number))
                EXPECT_EQ(stored[number], std::make_pair(win::UINT{vk[0]}, win::UINT{modifiers[0]}))
                    << "two hot keys stored with id " << number;
            stored[number] = {vk[0], modifiers[0]};
        }
        std::map<int, std::pair<win::UINT, win::UINT>> registered;
        for (const auto& hotKey : MacroHotKeys()) registered[hotKey.id] = {hotKey.virtualKey, hotKey.modifiers};
        EXPECT_EQ(registered, stored) << "registered hot keys by id, against the stored macros";
    }
    // The whole store as text, work keys' stamps left out.
    static std::string StateOf() {
        std::string text;
        for (const auto& [path, values] : fake::Tree(kRoot)) {
            std::string key = path;
            for (std::size_t at = key.find("|keyloom|"); at != std::string::npos; at = key.find("|keyloom|", at + 1)) {
                const std::size_t stamp = at + 11, end = std::min(key.find('\\', stamp), key.size());
                if (stamp < end) key.replace(stamp, end - stamp, "*");
            }
            text += key + "{";
            for (const auto& [name, value] : values)
                text += name + "=" + std::to_string(value.first) + ":" +
                        std::string(value.second.begin(), value.second.end()) + ";";
            text += "}";
        }
        return text;
    }
    static bool NoWorkLeft() {
        for (const auto& [path, values] : fake::Tree(kRoot))
            if (IsWork(path)) return false;
        return true;
    }
    void ExpectNothingOpen() {
        EXPECT_EQ(fake::OpenKeyCount(), 0);
        EXPECT_EQ(fake::OpenTokenCount(), 0);
        EXPECT_FALSE(fake::ClipboardIsOpen());
    }

    // The invariants after a run; true when the operated keys are the new
    // ones.
    bool Check(const Operation& op, const Tree& others, const Tree& oldState, const Tree& newState) {
        EXPECT_EQ(Differing(Others(op), others), std::vector<std::string>{}) << "no other macro or recording changes";
        const Tree operated = Operated(op);
        const bool isNew = operated == newState;
        EXPECT_TRUE(isNew || operated == oldState)
            << "the operated keys are whole, old or new; against the old, these differ: "
            << ::testing::PrintToString(Differing(operated, oldState));
        if (op.isStart) {
            // A start whose enumeration of a list fails lists (and
            // registers) less than is stored, but nothing else.
            const auto within = [](const std::vector<std::string>& listed, const std::vector<std::string>& stored) {
                return std::includes(stored.begin(), stored.end(), listed.begin(), listed.end());
            };
            EXPECT_TRUE(within(Listed(macroList), Stored("Macros")));
            EXPECT_TRUE(within(Listed(recordingList), Stored("Journals")));
            // A refused rewrite of an id is told; what a stale id reaches is
            // the start's own matter, tested with the runner.
            if (Listed(macroList) == Stored("Macros") && fake::MessageBoxes().empty()) ExpectHotKeysMatchTheStore();
        } else {
            EXPECT_EQ(Listed(macroList), Stored("Macros"));
            EXPECT_EQ(Listed(recordingList), Stored("Journals"));
            ExpectHotKeysMatchTheStore();
        }
        ExpectNothingOpen();
        return isNew;
    }

    // Runs op.operate (or `run`) with store call k failing; false when it
    // made fewer than k calls.
    static bool Faulted(int k, const std::function<void()>& run) {
        const int calls = fake::RegistryCalls();
        fake::FailRegistryCall(k, win::ERROR_ACCESS_DENIED);
        run();
        fake::FailRegistryCall(0, 0);
        return fake::RegistryCalls() - calls >= k;
    }

    void EveryFault(const Operation& op) {
        // The run without a fault says what "new" is.
        Fresh(op);
        const Tree oldState = Operated(op);
        op.operate();
        const Tree newState = Operated(op);
        ASSERT_TRUE(NoWorkLeft());
        const auto retry = op.retry ? op.retry : [&] {
            op.setUp();
            op.operate();
        };
        int tried = 0, held = 0, secondTried = 0, secondHeld = 0, calls = 0;
        std::set<std::string> states;
        for (int k = 1;; ++k) {
            Fresh(op);
            const Tree others = Others(op);
            fake::ClearMessageBoxes();
            if (!Faulted(k, op.operate)) break;
            calls = k;
            ++tried;
            SCOPED_TRACE(std::string(op.name) + ", failing call " + std::to_string(k));
            const bool failedBefore = ::testing::Test::HasFailure();
            const bool isNew = Check(op, others, oldState, newState);
            // The start's clean-up says nothing: what it could not do, the
            // next start does.
            if (!isNew && !op.isStart) EXPECT_FALSE(fake::MessageBoxes().empty()) << "the failure was told";
            if (op.told) op.told(isNew);
            if (::testing::Test::HasFailure() == failedBefore) ++held;

            // A second fault while recovering: in the repeated operation
            // (when the first failed) or in the clean-up of the next start
            // (when work keys are left).
            // Faults that leave the same store recover alike: each such
            // state is recovered from once.
            const bool workLeft = !NoWorkLeft();
            if (!states.insert(StateOf()).second) continue;
            for (const bool inStart : {false, true}) {
                if (inStart ? !workLeft : isNew) continue;
                for (int j = 1;; ++j) {
                    Fresh(op);
                    Faulted(k, op.operate);
                    const bool reached = inStart ? Faulted(j, [&] { Restart(); }) : Faulted(j, retry);
                    if (!reached) break;
                    ++secondTried;
                    SCOPED_TRACE(std::string(inStart ? "start-up" : "repeated") + ", failing call " +
                                 std::to_string(j));
                    const bool failedBeforeSecond = ::testing::Test::HasFailure();
                    EXPECT_EQ(Differing(Others(op), others), std::vector<std::string>{});
                    ExpectNothingOpen();
                    // One more start puts everything in order.
                    fake::ClearMessageBoxes();
                    Restart();
                    EXPECT_TRUE(NoWorkLeft()) << "the start removes every work key";
                    const bool recovered = Check(op, others, oldState, newState);
                    if (!recovered && !op.isStart) {
                        op.setUp();
                        op.operate();
                        EXPECT_TRUE(Check(op, others, oldState, newState)) << "the operation completes";
                    }
                    if (::testing::Test::HasFailure() == failedBeforeSecond) ++secondHeld;
                }
            }
        }
        std::printf("fault injection: %-32s %3d store calls, %3d faults tried, held in %3d; "
                    "second faults %4d, held in %4d\n",
                    op.name, calls, tried, held, secondTried, secondHeld);
        EXPECT_EQ(held, tried);
        EXPECT_EQ(secondHeld, secondTried);
    }

    int RowOf(const TestRows& list, const std::string& name) {
        for (std::size_t i = 0; i < list.rows.size(); ++i)
            if (list.rows[i][0] == name) return static_cast<int>(i);
        return -1;
    }
    bool Told(const std::string& text) const {
        for (const auto& box : fake::MessageBoxes())
            if (box.text == text) return true;
        return false;
    }

    // The Record dialog's Save of a held recording of two chunks.
    Operation SaveRecording(const char* name, const std::string& target, std::vector<std::string> changing) {
        return Operation{
            name,
            [this, target] {
                record = std::make_unique<RecordDialog>(recordWindow, windows, window);
                ASSERT_TRUE(Recorder().Allocate());
                for (std::uint32_t i = 0; i < 900; ++i) Recorder().Record(JournalEvent{win::WM_KEYDOWN, i, 1, i, 0});
                dialogs.record = [this, target](std::string* saved, std::int32_t* filter) {
                    record->recordingName = target;
                    if (record->OnSave() != RecordDialog::Close::Ok) return false;
                    *saved = record->recordingName;
                    *filter = Recorder().recordFilter;
                    return true;
                };
            },
            [this] { dialog->AddRecording(dialogs); },
            std::move(changing)};
    }

    // The editor's Save: Add mode, or Edit mode of "Doomed" under `name`.
    Operation EditorSave(const char* title, bool add, const std::string& name) {
        Operation op{
            title,
            [this, add] {
                Open(add, add ? -1 : RowOf(macroList, "Doomed"));
                editor->InsertKey('N');
                EditorTest::dialogs.typeText = TypeTextValues{u"\u65e5\u672c\u8a9e \U0001F642"};
                Command(kind::TypeText);
            },
            [this, name] { editor->Save(name, HotKeyValue{'N', 2}); },
            {"macros\\" + Lower(name)}};
        if (!add) op.changing.push_back("macros\\doomed");
        op.retry = op.operate;  // Save pressed again in the same editor
        op.told = [this, add, name](bool isNew) {
            if (add) return;
            const bool unchecked = Told("Unable to check in the registry whether the name " + name + " is taken.");
            EXPECT_EQ(Told("Unable to modify macro: Doomed") || unchecked, !isNew)
                << "the message says the old macro is kept";
        };
        return op;
    }

    Dialogs dialogs;
    win::HWND recordWindow{};
    TestRows windows;
    std::unique_ptr<RecordDialog> record;
};

TEST_F(StoreFaultsTest, DeleteMacro) {
    EveryFault({"delete macro", [&] { macroList.selected = RowOf(macroList, "Doomed"); },
                [&] { dialog->DeleteMacro(); }, {"macros\\doomed"}});
}

TEST_F(StoreFaultsTest, DeleteRecording) {
    EveryFault({"delete recording", [&] { recordingList.selected = RowOf(recordingList, "Old"); },
                [&] { dialog->DeleteRecording(); }, {"journals\\old"}});
}

TEST_F(StoreFaultsTest, RenameRecording) {
    for (const char* target : {"New", "Zed"}) {
        const std::string lower = Lower(target);
        EveryFault({target[0] == 'N' ? "rename recording" : "rename recording onto another",
                    [&, target] {
                        recordingList.selected = RowOf(recordingList, "Old");
                        dialogs.newName = target;
                    },
                    [&] { dialog->EditRecording(dialogs); }, {"journals\\old", "journals\\" + lower}});
    }
}

TEST_F(StoreFaultsTest, SaveARecording) {
    recordWindow = fake::AddWindow("Keyloom - Record");
    EveryFault(SaveRecording("Save in the Record dialog", "Taken", {"journals\\taken"}));
    EveryFault(SaveRecording("Save onto a stored recording", "Old", {"journals\\old"}));
    Recorder().Discard();
}

// A macro that works only in some programs, saved with the hot key of
// one that works in others: its scope is written with the rest, and the
// one registration serves both whatever fails.
TEST_F(StoreFaultsTest, EditorSaveOfAScopeSharingAHotKey) {
    EveryFault({"editor Save, scope sharing a key",
                [&] {
                    fake::SetDword(kMacros + "Alpha", "Scope", 1);
                    fake::SetString(kMacros + "Alpha", "ScopePrograms", "notepad.exe");
                    Restart();
                    Open(true, -1);
                    editor->InsertKey('S');
                    editor->macroScope = {2, u"notepad.exe;calc.exe"};
                },
                [&] { editor->Save("Shares", HotKeyValue{'A', 2}); },
                {"macros\\shares"}});
}

TEST_F(StoreFaultsTest, EditorSave) {
    EveryFault(EditorSave("editor Save, Add mode", true, "Added"));
    EveryFault(EditorSave("editor Save, Edit mode renamed", false, "New name"));
    EveryFault(EditorSave("editor Save, Edit mode same name", false, "DOOMED"));
}

// A start finds what a stopped program left: a tree half written, an old
// tree set aside beside its complete new one (it goes back), an old tree on
// its way out, marks below a macro and a recording.
TEST_F(StoreFaultsTest, StartUp) {
    using WorkKeys::NameOf;
    using WorkKeys::Role;
    Operation op{"start-up with leftovers",
                 [&] {
                     StoreMacro(NameOf(Role::New, "1"), 'H', win::MOD_ALT);
                     StoreMacro(NameOf(Role::Old, "2"), 'R', win::MOD_SHIFT, 9);
                     StoreKeyStroke(NameOf(Role::Old, "2"), 0, 'R');
                     StoreMacro(NameOf(Role::New, "2"), 'S', win::MOD_SHIFT, 10);
                     fake::SetString(kMacros + NameOf(Role::Record, "2"), "Name", "Restored");
                     StoreMacro(NameOf(Role::Old, "3"), 'X', win::MOD_ALT);
                     // Marks with the notices that say where they are.
                     fake::CreateKey(kMacros + "Alpha\\" + NameOf(Role::Mark, "4"));
                     fake::SetString(kMacros + NameOf(Role::Mark, "4"), "Name", "Alpha");
                     fake::SetDword(kJournals + NameOf(Role::New, "5"), "0", 1);
                     fake::CreateKey(kJournals + "First\\" + NameOf(Role::Mark, "6"));
                     fake::SetString(kJournals + NameOf(Role::Mark, "6"), "Name", "First");
                 },
                 [&] { Restart(); }, {"macros\\restored"}};
    op.isStart = true;
    EveryFault(op);
    // Without a fault: the old macro is back under its name, and nothing else
    // of the work is left.
    Fresh(op);
    Restart();
    EXPECT_TRUE(NoWorkLeft());
    EXPECT_EQ(Stored("Macros"), (std::vector<std::string>{"Alpha", "Doomed", "Omega", "Restored"}));
    EXPECT_EQ(body.lines.size(), 0u);
    EXPECT_TRUE(fake::KeyExists(kMacros + "Restored\\Commands\\1"));
}

}  // namespace
