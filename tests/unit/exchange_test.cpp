// Export and import: the stored tree to the file and back, the file's
// checks, the choices for names that exist, and faults while importing.
#include <gtest/gtest.h>

#include "exchange/exchange_file.h"
#include "exchange/exchange_store.h"
#include "exchange/file_io.h"
#include "exchange/import_dialog.h"
#include "exchange/text_codes.h"
#include "macro_fixture.h"
#include "store/recording_store.h"
#include "store/work_keys.h"

namespace {

using exchange::Choice;
using Tree = std::map<std::string, fake::StoredValues>;
const std::string kRoot = "Software\\Tallow Labs\\Keyloom";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A macro with an instruction of every kind, texts beyond ASCII included.
void StoreEveryKind(const std::string& macro, const std::string& recording) {
    StoreMacro(macro, 'K', win::MOD_CONTROL | win::MOD_ALT);
    fake::SetDword(kMacros + macro, "Enabled", 1);
    fake::SetDword(kMacros + macro, "Repeat", 7);
    fake::SetDword(kMacros + macro, "Scope", 2);
    ASSERT_TRUE(RegistryStore::WriteMacroText(u"wordpad.exe; caf\u00E9.exe", macro, "ScopePrograms"));
    int n = 0;
    StoreKeyStroke(macro, n, 'A');
    n += 2;
    StoreInstruction(macro, n++, kind::Delay, {Dword("DelayInterval", 1500)});
    for (std::int32_t code : {kind::Reboot, kind::Shutdown, kind::Pause, kind::Time, kind::Date})
        StoreInstruction(macro, n++, code, {Dword("KeyPressed", 0)});
    StoreInstruction(macro, n++, kind::CopyFromClipboard, {Dword("BufIndex", 0xFFFFFFF0u)});
    StoreInstruction(macro, n++, kind::PasteToClipboard, {Dword("BufIndex", 3), Text("DefPasteString", "caf\xE9 \x80 5")});
    StoreInstruction(macro, n++, kind::PlaybackRecording,
                     {Text("JournalName", recording), Dword("PlayBackSpeed", static_cast<std::uint32_t>(-40)),
                      Dword("PlayBackEvent", 2)});
    StoreInstruction(macro, n++, kind::MessageBox, {Text("WindowTitle", "Hi"), Text("MessageBody", "line 1\r\nline 2")});
    StoreInstruction(macro, n++, kind::Run,
                     {Text("FileName", "notepad.exe"), Text("Arguments", "a \"b\""), Text("DirName", "C:\\"),
                      Dword("ShowStyle", 3), Dword("Unelevated", 1)});
    // TYPE TEXT keeps any character, through the UTF-16 calls.
    StoreInstruction(macro, n, kind::TypeText);
    ASSERT_TRUE(RegistryStore::WriteMacroText(u"\u4F60\u597D \U0001F600 caf\u00E9", layout::InstructionPath(macro, n),
                                              layout::NameOf(layout::Field::Text)));
}

// A recording of `events` events, cut into chunks as the recorder cuts it.
void StoreRecording(const std::string& name, std::uint32_t events, std::int32_t type = 1) {
    std::vector<std::uint8_t> bytes(events * 20);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    const auto chunks = CutIntoChunks(bytes.data(), bytes.size());
    ASSERT_TRUE(WriteRecording(name, chunks, static_cast<std::int32_t>(chunks.size()), type));
}

// The tree without the hot-key ids, which each run hands out afresh.
Tree Stored() {
    Tree tree = fake::Tree(kRoot);
    for (auto& [path, values] : tree)
        if (path.rfind("macros\\", 0) == 0 && path.find('\\', 7) == std::string::npos) values.erase("id");
    return tree;
}

class ExchangeTest : public RunnerTest {
protected:
    std::string Export(const exchange::ExportChoice& choice = {}) {
        exchange::FileData file;
        std::vector<std::string> unstored;
        EXPECT_TRUE(exchange::CollectExport(choice, &file, &unstored));
        return exchange::WriteFile(file);
    }
    exchange::ImportPlan Plan(const std::string& text) {
        exchange::FileData file;
        std::string problem;
        EXPECT_TRUE(exchange::ReadFile(text, &file, &problem)) << problem;
        return exchange::PlanImport(std::move(file));
    }
    exchange::ImportOutcome Import(const std::string& text, Choice choice = Choice::Skip) {
        exchange::ImportPlan plan = Plan(text);
        for (auto* items : {&plan.macros, &plan.recordings})
            for (auto& item : *items) item.choice = choice;
        return exchange::ApplyImport(plan, window);
    }
    // A fresh machine with an empty store.
    void FreshMachine() {
        fake::Reset();
        window = fake::AddWindow("Keyloom");
        ASSERT_TRUE(RegistryStore::EnsureStoreTree());
    }
};

TEST_F(ExchangeTest, EveryKindAndRecordingsComeBackValueForValue) {
    StoreEveryKind("M\xE9lange", "Long take");
    StoreRecording("Long take", 1234, 2);  // two chunks
    StoreRecording("Empty", 0, 3);
    const Tree before = Stored();
    const std::string text = Export();
    EXPECT_NE(text.find("\"M\xC3\xA9lange\""), std::string::npos);  // UTF-8
    EXPECT_NE(text.find("\"kind\": \"PlaybackRecording\""), std::string::npos);
    EXPECT_NE(text.find("\"Text\": \"\xE4\xBD\xA0\xE5\xA5\xBD \xF0\x9F\x98\x80 caf\xC3\xA9\""), std::string::npos);
    EXPECT_NE(text.find("\"Enabled\": 1,\n      \"Repeat\": 7,\n      \"Scope\": 2,\n      \"ScopePrograms\": "
                        "\"wordpad.exe; caf\xC3\xA9.exe\""),
              std::string::npos);

    FreshMachine();
    const exchange::ImportOutcome outcome = Import(text);
    EXPECT_FALSE(outcome.failed || outcome.refused);
    EXPECT_EQ(Stored(), before);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    // And once more from what was imported: the same file.
    EXPECT_EQ(Export(), text);
}

TEST_F(ExchangeTest, OneMacroTakesTheRecordingsItPlaysOneRecordingGoesAlone) {
    StoreEveryKind("Uses", "take one");  // spelt in another case than stored
    StoreInstruction("Uses", 14, kind::PlaybackRecording,
                     {Text("JournalName", "Gone"), Dword("PlayBackSpeed", 0), Dword("PlayBackEvent", 1)});
    StoreRecording("Take One", 3);
    StoreRecording("Other", 2);
    StoreMacro("Second", 'B', 0);
    exchange::FileData file;
    std::vector<std::string> unstored;
    ASSERT_TRUE(exchange::CollectExport({exchange::ExportChoice::What::Macro, "Uses"}, &file, &unstored));
    ASSERT_EQ(file.macros.size(), 1u);
    ASSERT_EQ(file.recordings.size(), 1u);
    EXPECT_EQ(file.recordings[0].name, "Take One");
    EXPECT_EQ(unstored, std::vector<std::string>{"Gone"});

    ASSERT_TRUE(exchange::CollectExport({exchange::ExportChoice::What::Recording, "Other"}, &file, &unstored));
    EXPECT_TRUE(file.macros.empty());
    ASSERT_EQ(file.recordings.size(), 1u);
    EXPECT_EQ(file.recordings[0].events.size(), 40u);
}

TEST_F(ExchangeTest, ClashesAreReplacedKeptBesideOrSkipped) {
    StoreEveryKind("Greet", "Rec");
    StoreRecording("Rec", 5);
    const std::string text = Export();
    const Tree before = Stored();

    // Skip: nothing changes, and the note says what was left.
    exchange::ImportOutcome outcome = Import(text, Choice::Skip);
    EXPECT_EQ(Stored(), before);
    EXPECT_EQ(outcome.skipped, (std::vector<std::string>{"Rec", "Greet"}));
    EXPECT_NE(exchange::ImportNote(outcome).find("Skipped, since the name is taken: Rec, Greet."), std::string::npos);

    // Keep both: new names, the copy plays the copied recording, and its hot
    // key, which the stored macro holds, leaves it switched off.
    outcome = Import(text, Choice::KeepBoth);
    EXPECT_EQ(outcome.macros, std::vector<std::string>{"Greet (2)"});
    EXPECT_EQ(outcome.recordings, std::vector<std::string>{"Rec (2)"});
    EXPECT_EQ(outcome.switchedOff, std::vector<std::string>{"Greet (2)"});
    std::string played;
    ASSERT_TRUE(RegistryStore::ReadMacroString("Greet (2)\\Commands\\10", "JournalName", &played));
    EXPECT_EQ(played, "Rec (2)");
    std::int32_t enabled = -1;
    ASSERT_TRUE(RegistryStore::ReadDword("\\Macros\\Greet (2)", "Enabled", &enabled));
    EXPECT_EQ(enabled, 0);
    outcome = Import(text, Choice::KeepBoth);
    EXPECT_EQ(outcome.macros, std::vector<std::string>{"Greet (3)"});

    // Replace, under a name spelt in another case: one key, the file's
    // spelling, its values; the hot key stays on since its holder goes.
    fake::SetDword(kMacros + "Greet\\Commands\\2", "DelayInterval", 9);
    outcome = Import(text, Choice::Replace);
    EXPECT_TRUE(outcome.switchedOff.empty());
    const auto greet = [](const Tree& tree) {
        Tree out;
        for (const auto& [path, values] : tree)
            if (path == "macros\\greet" || path.rfind("macros\\greet\\", 0) == 0) out[path] = values;
        return out;
    };
    EXPECT_EQ(greet(Stored()), greet(before));
    EXPECT_EQ(fake::SubKeys(kRoot + "\\Macros"), (std::vector<std::string>{"Greet", "Greet (2)", "Greet (3)"}));
}

TEST_F(ExchangeTest, AHotKeyAnotherProgramHoldsImportsSwitchedOff) {
    StoreMacro("Held", 'H', win::MOD_CONTROL);
    const std::string text = Export();
    FreshMachine();
    const win::HWND other = fake::AddWindow("Other program");
    ASSERT_TRUE(win::RegisterHotKey(other, 1, win::MOD_CONTROL, 'H'));
    const exchange::ImportOutcome outcome = Import(text);
    EXPECT_EQ(outcome.switchedOff, std::vector<std::string>{"Held"});
    EXPECT_NE(exchange::ImportNote(outcome).find("Switched off, since the hot key is in use: Held."), std::string::npos);
}

// A hot key in use is a clash only where both macros could run in one
// program, as Save decides; a file without the newer values imports them as
// their defaults; and asking whether a key is free leaves the stop key be.
TEST_F(ExchangeTest, ScopesThatCannotMeetShareAHotKeyOnImport) {
    StoreMacro("Notes", 'K', win::MOD_CONTROL);
    fake::SetDword(kMacros + "Notes", "Scope", 1);
    ASSERT_TRUE(RegistryStore::WriteMacroText(u"NOTEPAD.EXE", "Notes", "ScopePrograms"));
    MainDialog& main = Start();
    const auto registrations = [](int id, win::UINT virtualKey) {
        const std::vector<fake::HotKey> keys = fake::HotKeys();
        return std::count_if(keys.begin(), keys.end(), [&](const fake::HotKey& k) {
            return (id < 0 || k.id == id) && (virtualKey == 0 || k.virtualKey == virtualKey);
        });
    };
    ASSERT_EQ(registrations(MainDialog::kStopKeyIds[0], 0), 1);
    const std::string file = R"({"format": "keyloom", "version": 1, "macros": [
        {"name": "Words", "hotKey": {"vk": 75, "fsModifiers": 2}, "Scope": 1, "ScopePrograms": "winword.exe",
         "instructions": []},
        {"name": "Elsewhere", "hotKey": {"vk": 75, "fsModifiers": 2}, "Scope": 2,
         "ScopePrograms": "Notepad.exe; winword.exe", "instructions": []},
        {"name": "Everywhere", "hotKey": {"vk": 75, "fsModifiers": 2}, "instructions": []},
        {"name": "Also words", "hotKey": {"vk": 75, "fsModifiers": 2}, "Scope": 1, "ScopePrograms": "WINWORD.EXE",
         "instructions": []},
        {"name": "Free", "hotKey": {"vk": 76, "fsModifiers": 2}, "instructions": []}]})";
    const exchange::ImportOutcome outcome = main.ImportFile(file);
    EXPECT_EQ(outcome.macros, (std::vector<std::string>{"Words", "Elsewhere", "Everywhere", "Also words", "Free"}));
    EXPECT_EQ(outcome.switchedOff, (std::vector<std::string>{"Everywhere", "Also words"}));
    // One registration of Ctrl+K for the three that share it, and the stop
    // key as it was.
    EXPECT_EQ(registrations(-1, 'K'), 1);
    EXPECT_EQ(registrations(-1, 'L'), 1);
    EXPECT_EQ(registrations(MainDialog::kStopKeyIds[0], 0), 1);
    const Tree tree = fake::Tree(kRoot);
    const fake::StoredValues& free = tree.at("macros\\free");
    for (const char* absent : {"Repeat", "Scope", "ScopePrograms", "Enabled"}) EXPECT_EQ(free.count(absent), 0u) << absent;
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(ExchangeTest, RefusedFilesNameTheirFirstProblemAndChangeNothing) {
    StoreEveryKind("Base", "R");
    StoreRecording("R", 2);
    const std::string good = Export();
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const struct {
        std::string text;
        std::string problem;
    } cases[] = {
        {"", "is damaged or cut short: parse error at line 1, column 1"},
        {good.substr(0, good.size() / 2), "is damaged or cut short: parse error at line"},
        {"{\"macros\": []}", "is not a Keyloom file."},
        {"[1, 2]", "is not a Keyloom file."},
        {replaced("\"keyloom\"", "\"other\""), "is not a Keyloom file."},
        {replaced("\"version\": 1", "\"version\": 2"), "was written by a later Keyloom (file version 2)"},
        {replaced("\"version\": 1", "\"version\": \"1\""), "it has no version"},
        {replaced("\"DelayInterval\": 1500", "\"DelayInterval\": 2000000001"),
         "macros[0] (\"Base\").instructions[2]: DelayInterval must be a whole number from 0 to 2000000000."},
        {replaced("\"DelayInterval\": 1500", "\"DelayInterval\": 1.5"), "DelayInterval must be a whole number"},
        {replaced("\"kind\": \"Delay\"", "\"kind\": \"Wait\""), "the kind \"Wait\" is not one this Keyloom knows."},
        {replaced("\"vk\": 75", "\"vk\": 0"), "vk must be a whole number from 1 to 254."},
        {replaced("\"fsModifiers\": 3", "\"fsModifiers\": 8"), "fsModifiers must be a whole number from 0 to 7."},
        {replaced("\"KeyPressed\": 2", "\"KeyPressed\": 1"), "KeyPressed must be 0 (down) or 2 (up)."},
        {replaced("\"PlayBackEvent\": 2", "\"PlayBackEvent\": 4"), "PlayBackEvent must be a whole number from 1 to 3."},
        {replaced("\"Unelevated\": 1", "\"Unelevated\": 2"), "Unelevated must be a whole number from 0 to 1."},
        {replaced("\"Repeat\": 7", "\"Repeat\": 1000001"), "Repeat must be a whole number from 0 to 1000000."},
        {replaced("\"Repeat\": 7", "\"Repeat\": -1"), "Repeat must be a whole number from 0 to 1000000."},
        {replaced("\"Scope\": 2", "\"Scope\": 3"), "Scope must be a whole number from 0 to 2."},
        {replaced("\"Scope\": 2,\n      \"ScopePrograms\": \"wordpad.exe; caf\xC3\xA9.exe\"",
                  "\"Scope\": 1, \"ScopePrograms\": \" ; \""),
         "Scope is 1 (only these programs) but ScopePrograms names no program."},
        {replaced("\"Scope\": 2,\n      \"ScopePrograms\": \"wordpad.exe; caf\xC3\xA9.exe\"", "\"Scope\": 1"),
         "Scope is 1 (only these programs) but ScopePrograms names no program."},
        {replaced("\"wordpad.exe; caf\xC3\xA9.exe\"", "5"), "ScopePrograms must be a text."},
        {replaced("\"wordpad.exe;", "\"word\\u0000pad.exe;"), "ScopePrograms holds a NUL character"},
        {replaced("\"name\": \"Base\"", "\"name\": \"a\\\\b\""), "A macro name must not contain a backslash"},
        {replaced("\"name\": \"Base\"", "\"name\": \"\""), "Macro Name must not be empty!"},
        {replaced("\"name\": \"Base\"", "\"name\": \"|keyloom|n|1\""), "A macro name must not begin with |Keyloom|."},
        {replaced("\"name\": \"Base\"", "\"name\": \"" + std::string(250, 'x') + "\""), "The macro name is too long"},
        {replaced("\"name\": \"Base\"", "\"name\": \"\xE4\xB8\xAD\""), "has characters that this system's code page"},
        {replaced("\"Hi\"", "\"H\\u0000i\""), "WindowTitle holds a NUL character"},
        {replaced("\"name\": \"R\"", "\"name\": \"r\\\\s\""), "A recording name must not contain a backslash"},
        {replaced("\"Type\": 1", "\"Type\": 0"), "Type must be a whole number from 1 to 3."},
        {replaced("\"events\": \"", "\"events\": \"A"), "events is not base64 text."},
        {replaced("\"events\": \"", "\"events\": \"AAAA"), "events must hold whole events of 20 bytes."},
        {replaced("\"recordings\": [", "\"recordings\": [{\"name\": \"r\", \"Type\": 1, \"events\": \"\"},"),
         "recordings[1]: the name \"R\" is given twice."},
        {replaced("\"instructions\": [", "\"instructions\": {"), "is damaged or cut short"},
        {replaced("\"hotKey\": {", "\"hotKey\": 5, \"x\": {"), "hotKey must be an object."},
        {std::string(200, '[') + std::string(200, ']'), "is not a Keyloom file: it is nested too deeply."},
        {std::string(exchange::kMaxFileBytes + 1, ' '), "is larger than 64 MB."},
    };
    const Tree before = fake::Tree(kRoot);
    const int calls = fake::RegistryCalls();
    for (const auto& refused : cases) {
        exchange::FileData file;

        file.macros.resize(1);
        std::string problem;
        EXPECT_FALSE(exchange::ReadFile(refused.text, &file, &problem)) << refused.problem;
        EXPECT_NE(problem.find(refused.problem), std::string::npos) << problem;
        EXPECT_EQ(file.macros.size(), 1u);
    }
    EXPECT_EQ(fake::RegistryCalls(), calls);
    EXPECT_EQ(fake::Tree(kRoot), before);
}

TEST_F(ExchangeTest, AFaultAtAnyStoreCallLeavesWhatFinishedAndReportsTheRest) {
    StoreEveryKind("First", "Rec");
    StoreRecording("Rec", 900);  // two chunks
    StoreMacro("Second", 'S', win::MOD_SHIFT);
    StoreKeyStroke("Second", 0, 'Q');
    const std::string text = Export();
    const Tree full = Stored();
    // Before the import: an older "Second", to be replaced.
    const auto before = [&] {
        FreshMachine();
        StoreMacro("Second", 'X', 0);
    };
    before();
    const Tree start = Stored();

    int calls = 0;
    for (int k = 0; k == 0 || k <= calls; ++k) {
        before();
        exchange::ImportPlan plan = Plan(text);
        for (auto& item : plan.macros) item.choice = Choice::Replace;
        fake::ClearMessageBoxes();
        const int first = fake::RegistryCalls();
        fake::FailRegistryCall(k, win::ERROR_ACCESS_DENIED);
        const exchange::ImportOutcome outcome = exchange::ApplyImport(plan, window);
        fake::FailRegistryCall(0, 0);
        if (k == 0) calls = fake::RegistryCalls() - first;
        WorkKeys::CleanUp();
        const Tree after = Stored();
        if (!outcome.failed) {
            // A fault the import could go past (a list read for its hot
            // keys) changes nothing; one that fails the hot-key check leaves
            // the macro switched off.
            Tree expected = full;
            for (const std::string& name : outcome.switchedOff)
                expected["macros\\" + Lower(name)]["enabled"] = {win::REG_DWORD, {0, 0, 0, 0}};
            EXPECT_TRUE(after == expected) << "k=" << k << " " << exchange::ImportNote(outcome);
            continue;
        }
        EXPECT_FALSE(fake::MessageBoxes().empty()) << "k=" << k;
        // Each item is as the file has it when it was imported, as it was
        // before otherwise.
        const auto part = [](const Tree& tree, const std::string& prefix) {
            Tree out;
            for (const auto& [path, values] : tree)
                if (path.rfind(prefix, 0) == 0) out[path] = values;
            return out;
        };
        const auto imported = [&](const std::string& what) {
            for (const auto* names : {&outcome.macros, &outcome.recordings})
                for (const std::string& name : *names)
                    if (what == name) return true;
            return false;
        };
        for (const auto& [name, prefix] : {std::pair{"Rec", "journals\\rec"}, std::pair{"First", "macros\\first"},
                                          std::pair{"Second", "macros\\second"}})
            EXPECT_TRUE(part(after, prefix) == part(imported(name) ? full : start, prefix)) << "k=" << k << " " << name;
        EXPECT_LT(outcome.macros.size() + outcome.recordings.size(), 3u);
        EXPECT_NE(exchange::ImportNote(outcome).find("The import stopped at the " + outcome.failedAt), std::string::npos);
    }
}

TEST(ExchangeText, Base64AndUtf8TakeOnlyWhatIsValid) {
    const std::uint8_t bytes[] = {0, 0xFF, 0x10, 0x80, 0x7F};
    for (std::size_t n = 0; n <= 5; ++n) {
        std::vector<std::uint8_t> back;
        ASSERT_TRUE(exchange::DecodeBase64(exchange::EncodeBase64(bytes, n), &back));
        EXPECT_EQ(back, std::vector<std::uint8_t>(bytes, bytes + n));
    }
    std::vector<std::uint8_t> out;
    for (const char* bad : {"A", "AB=C", "AB==AAAA", "AB\nC", "AB*=", "AR==", "ABD="}) EXPECT_FALSE(exchange::DecodeBase64(bad, &out)) << bad;
    std::u16string wide;
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"})
        EXPECT_FALSE(exchange::Utf8ToUtf16(bad, &wide)) << bad;
    ASSERT_TRUE(exchange::Utf8ToUtf16("a\xF0\x9F\x98\x80", &wide));
    EXPECT_EQ(wide, (std::u16string{u'a', 0xD83D, 0xDE00}));
    EXPECT_TRUE(exchange::SameNameFolded("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"));
    EXPECT_FALSE(exchange::SameNameFolded("a (2)", "a (3)"));
}

}  // namespace

namespace {

// The main window's Export and Import, with the file on disk.
struct ScriptedExchange final : ExchangeDialogs {
    bool ExportPath(std::string* chosen) override {
        *chosen = path;
        return true;
    }
    bool ImportPath(std::string* chosen) override {
        *chosen = path;
        return true;
    }
    bool ChooseImport(exchange::ImportPlan* plan) override {
        shown = *plan;
        TestRows rows;
        exchange::ImportDialog dialog(*plan, rows);
        dialog.Initialize();
        summary = dialog.Summary();
        // The first row is selected: the clash comes first.
        dialog.Choose(choice);
        for (int row = 0; row < rows.RowCount(); ++row) cells.push_back(rows.Cell(row, 0) + "|" + rows.Cell(row, 2));
        return true;
    }
    std::string path = ::testing::TempDir() + "keyloom-exchange-test.json";
    Choice choice = Choice::Replace;
    exchange::ImportPlan shown;
    std::string summary;
    std::vector<std::string> cells;
};

std::string FileText(const std::string& path) {
    std::string bytes, problem;
    EXPECT_TRUE(exchange::ReadWholeFile(path, &bytes, &problem)) << problem;
    return bytes;
}

TEST_F(ExchangeTest, MainWindowExportsTheSelectionAndImportsIntoItsListsAndHotKeys) {
    StoreEveryKind("Greet", "Rec");
    StoreRecording("Rec", 3);
    StoreMacro("Other", 'O', win::MOD_SHIFT);
    StoreRecording("Alone", 1);
    MainDialog& main = Start();
    ScriptedExchange dialogs;

    recordingList.SelectRow(0);  // "Alone"
    main.Export(dialogs, true);
    exchange::FileData file;
    std::string problem;
    ASSERT_TRUE(exchange::ReadFile(FileText(dialogs.path), &file, &problem));
    EXPECT_TRUE(file.macros.empty());
    ASSERT_EQ(file.recordings.size(), 1u);
    EXPECT_EQ(file.recordings[0].name, "Alone");
    EXPECT_EQ(fake::MessageBoxes().back().caption, "Keyloom - Export");

    macroList.SelectRow(0);  // "Greet", with the recording it plays
    main.Export(dialogs, false);
    ASSERT_TRUE(exchange::ReadFile(FileText(dialogs.path), &file, &problem));
    ASSERT_EQ(file.macros.size(), 1u);
    EXPECT_EQ(file.macros[0].name, "Greet");
    ASSERT_EQ(file.recordings.size(), 1u);
    EXPECT_EQ(file.recordings[0].name, "Rec");

    // Into a store that has another "greet" and none of the rest: the Import
    // dialog shows the clash first, and Replace takes it.
    FreshMachine();
    StoreMacro("greet", 'Z', 0);
    MainDialog& fresh = Start();
    fresh.Import(dialogs);
    EXPECT_EQ(dialogs.cells, (std::vector<std::string>{"Greet|Replace", "Rec|New"}));
    EXPECT_NE(dialogs.summary.find("1 macro and 1 recording. 1 name is taken already"), std::string::npos);
    EXPECT_EQ(fake::MessageBoxes().back().caption, "Keyloom - Import");
    EXPECT_EQ(fake::MessageBoxes().back().text, "Imported 1 macro (Greet) and 1 recording (Rec).");
    ASSERT_EQ(macroList.RowCount(), 1);
    EXPECT_EQ(macroList.Cell(0, 0), "Greet");
    ASSERT_EQ(recordingList.RowCount(), 1);
    // The macro's hot key beside the stop key, which the import left be.
    ASSERT_EQ(fake::HotKeys().size(), 2u);
    EXPECT_EQ(fake::HotKeys()[0].id, MainDialog::kStopKeyIds[0]);
    EXPECT_EQ(fake::HotKeys()[1].virtualKey, static_cast<win::UINT>('K'));

    // A file that is refused: said with its name, nothing changes.
    const Tree before = fake::Tree(kRoot);
    std::string problemText;
    ASSERT_TRUE(exchange::WriteWholeFile(dialogs.path, "{\"format\": \"other\"}", &problemText));
    fresh.Import(dialogs);
    EXPECT_EQ(fake::MessageBoxes().back().text, dialogs.path + " is not a Keyloom file.\nNothing was imported.");
    EXPECT_EQ(fake::Tree(kRoot), before);
    EXPECT_EQ(macroList.RowCount(), 1);
}

TEST_F(ExchangeTest, ImportDialogOffersTheChoicesOnlyForTakenNames) {
    StoreMacro("Taken", 'T', 0);
    exchange::ImportPlan plan = Plan(
        "{\"format\": \"keyloom\", \"version\": 1, \"macros\": ["
        "{\"name\": \"New one\", \"hotKey\": {\"vk\": 65, \"fsModifiers\": 2}, \"instructions\": []},"
        "{\"name\": \"TAKEN\", \"hotKey\": {\"vk\": 66, \"fsModifiers\": 2}, \"instructions\": []}]}");
    TestRows rows;
    exchange::ImportDialog dialog(plan, rows);
    dialog.Initialize();
    EXPECT_EQ(rows.SelectedRow(), 1);  // the first clash
    EXPECT_TRUE(dialog.CanChoose());
    dialog.Choose(Choice::KeepBoth);
    EXPECT_EQ(rows.Cell(1, 2), "Keep both");
    EXPECT_EQ(plan.macros[1].stored, "Taken");
    rows.SelectRow(0);
    EXPECT_FALSE(dialog.CanChoose());
    dialog.Choose(Choice::Replace);
    EXPECT_EQ(rows.Cell(0, 2), "New");
    EXPECT_EQ(plan.macros[0].choice, Choice::Skip);
    EXPECT_EQ(exchange::ApplyImport(plan, window).macros, (std::vector<std::string>{"New one", "TAKEN (2)"}));
}

}  // namespace
