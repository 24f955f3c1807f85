// The main window's end of keyloomc's channel: requests as WM_COPYDATA
// blocks, what they start and what comes back.
#include "common/command_channel.h"
#include "exchange/exchange_file.h"
#include "macro_fixture.h"
#include "platform/fake/fake_windows.h"

namespace {

using channel::Command;
using channel::Status;

class ChannelTest : public RunnerTest {
protected:
    void SetUp() override {
        RunnerTest::SetUp();
        answerWindow = fake::AddOtherWindow("", 0x77);
        fake::SetWindowClass(answerWindow, channel::kAnswerWindowClass);
    }

    win::LRESULT Send(std::vector<std::uint8_t> block, win::ULONG_PTR tag = channel::kCopyDataTag) {
        win::COPYDATASTRUCT data{tag, static_cast<win::DWORD>(block.size()), block.data()};
        return dialog->OnCopyData(&data);
    }

    win::LRESULT Send(Command command, std::u16string name = u"") {
        channel::Request request;
        request.command = command;
        request.answerWindow = reinterpret_cast<std::uintptr_t>(answerWindow);
        request.name = std::move(name);
        return Send(channel::EncodeRequest(request));
    }

    static win::LRESULT Handled(Status status) { return channel::HandledResult(status); }

    win::HWND answerWindow{};
};

TEST_F(ChannelTest, RunStartsTheMacroAsItsHotKeyWouldAfterAnsweringTheCaller) {
    StoreMacro("Greet", 'G', win::MOD_CONTROL);
    StoreKeyStroke("Greet", 0, 'H');
    MainDialog& main = Start();
    EXPECT_EQ(fake::MessagesLetThrough(window).count(win::WM_COPYDATA), 1u);

    // The registry's names do not depend on case.
    EXPECT_EQ(Send(Command::Run, u"gREET"), Handled(Status::Ok));
    // The caller was answered before the pause, and the run waits for its
    // WM_RUN_MACRO as a hot key's does.
    EXPECT_EQ(fake::Replies(), std::vector<win::LRESULT>{Handled(Status::Ok)});
    EXPECT_EQ(TimedWaits(), std::vector<win::DWORD>{299});
    EXPECT_EQ(main.runningMacroName, "Greet");
    // While it runs, another run is refused, and changes nothing.
    EXPECT_EQ(Send(Command::Run, u"Greet"), Handled(Status::Busy));
    Pump();
    ASSERT_EQ(fake::KeyEvents().size(), 2u);
    EXPECT_EQ(fake::KeyEvents()[0].virtualKey, 'H');
    EXPECT_EQ(main.macroRunning, 0);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

TEST_F(ChannelTest, StopEndsARunAsTheStopKeyDoes) {
    StoreMacro("Greet", 'G', win::MOD_CONTROL);
    StoreKeyStroke("Greet", 0, 'H');
    MainDialog& main = Start();
    EXPECT_EQ(Send(Command::Stop), Handled(Status::Ok));  // nothing runs: nothing to stop
    ASSERT_EQ(Send(Command::Run, u"Greet"), Handled(Status::Ok));
    EXPECT_EQ(Send(Command::Stop), Handled(Status::Ok));
    EXPECT_EQ(main.macroRunning, 0);
    Pump();
    EXPECT_TRUE(fake::KeyEvents().empty());
    // The next run starts at once.
    EXPECT_EQ(Send(Command::Run, u"Greet"), Handled(Status::Ok));
    Pump();
    EXPECT_EQ(fake::KeyEvents().size(), 2u);
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(ChannelTest, AnUnknownOrVanishedNameStartsNothing) {
    StoreMacro("Greet", 'G', win::MOD_CONTROL);
    StoreMacro("Gone", 'H', win::MOD_CONTROL);
    MainDialog& main = Start();
    ASSERT_TRUE(RegistryStore::DeleteKeyTree(kMacros + "Gone"));  // deleted behind the list's back

    EXPECT_EQ(Send(Command::Run, u"Gree"), Handled(Status::NoSuchMacro));
    EXPECT_EQ(Send(Command::Run, u"Gone"), Handled(Status::NoSuchMacro));
    EXPECT_EQ(main.macroRunning, 0);
    EXPECT_TRUE(fake::TakePosted().empty());
    EXPECT_TRUE(fake::Replies().empty());
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(ChannelTest, MalformedBlocksAreRefusedWholeAndChangeNothing) {
    StoreMacro("Greet", 'G', win::MOD_CONTROL);
    MainDialog& main = Start();
    channel::Request run;
    run.command = Command::Run;
    run.name = u"Greet";
    const auto good = channel::EncodeRequest(run);

    EXPECT_EQ(Send(good, 0x1234), 0);  // another program's WM_COPYDATA
    EXPECT_EQ(dialog->OnCopyData(nullptr), 0);
    EXPECT_EQ(Send({good.begin(), good.end() - 1}), Handled(Status::Malformed));
    auto unknown = good;
    unknown[6] = 42;
    EXPECT_EQ(Send(unknown), Handled(Status::Malformed));
    EXPECT_EQ(Send(Command::Run, u""), Handled(Status::Malformed));
    EXPECT_EQ(Send(Command::Run, u"Macros\\Greet"), Handled(Status::Malformed));
    win::COPYDATASTRUCT noBytes{channel::kCopyDataTag, 64, nullptr};
    EXPECT_EQ(dialog->OnCopyData(&noBytes), Handled(Status::Malformed));

    EXPECT_EQ(main.macroRunning, 0);
    EXPECT_EQ(main.runningMacroName, "");
    EXPECT_TRUE(fake::TakePosted().empty());
    EXPECT_TRUE(fake::SentMessages().empty());
    EXPECT_TRUE(fake::Replies().empty());
    EXPECT_TRUE(fake::KeyEvents().empty());
}

TEST_F(ChannelTest, ListAnswersKeyloomcsWindowWithEveryNameAndHotKey) {
    StoreMacro("b", 'B', win::MOD_CONTROL);
    StoreMacro("A", 'A', win::MOD_CONTROL | win::MOD_ALT);
    Start();
    EXPECT_EQ(Send(Command::List), Handled(Status::Ok));
    ASSERT_EQ(fake::SentMessages().size(), 1u);
    const fake::SentMessage& sent = fake::SentMessages()[0];
    EXPECT_EQ(sent.window, answerWindow);
    EXPECT_EQ(sent.message, win::WM_COPYDATA);
    EXPECT_EQ(sent.copyTag, channel::kCopyDataTag);
    channel::Answer answer;
    ASSERT_TRUE(channel::ParseAnswer(sent.copyData.data(), sent.copyData.size(), &answer));
    EXPECT_EQ(answer.status, Status::Ok);
    std::u16string text;
    for (std::size_t i = 0; i + 1 < answer.payload.size(); i += 2)
        text.push_back(static_cast<char16_t>(answer.payload[i] | answer.payload[i + 1] << 8));
    EXPECT_EQ(text, u"A\tCTRL + ALT + A\nb\tCTRL + B\n");

    // A window that is not keyloomc's is sent nothing, whatever the request
    // names; nor is one that does not take the answer.
    fake::SetWindowClass(answerWindow, "Notepad");
    EXPECT_EQ(Send(Command::List), Handled(Status::Failed));
    fake::SetWindowClass(answerWindow, channel::kAnswerWindowClass);
    fake::OnSendMessage([](const fake::SentMessage&) { return win::LRESULT{0}; });
    EXPECT_EQ(Send(Command::List), Handled(Status::Failed));
    EXPECT_EQ(fake::SentMessages().size(), 2u);
}

// The blocks sent back to keyloomc's window, in order.
std::vector<channel::Answer> Answers() {
    std::vector<channel::Answer> answers;
    for (const fake::SentMessage& sent : fake::SentMessages()) {
        channel::Answer answer;
        EXPECT_TRUE(channel::ParseAnswer(sent.copyData.data(), sent.copyData.size(), &answer));
        answers.push_back(std::move(answer));
    }
    return answers;
}

// An export's file, put together from the Piece answers it came in.
std::vector<std::uint8_t> Exported(const std::vector<channel::Answer>& answers, std::size_t* at) {
    channel::Assembly file;
    for (; *at < answers.size(); ++*at) {
        channel::Piece piece;
        EXPECT_EQ(answers[*at].status, Status::Piece);
        EXPECT_TRUE(channel::ParsePiece(answers[*at].payload, &piece));
        EXPECT_TRUE(file.Take(std::move(piece)));
        if (file.Complete()) {
            ++*at;
            return file.Release();
        }
    }
    ADD_FAILURE() << "an export's pieces stop short";
    return {};
}

std::vector<channel::ReportLine> Report(const channel::Answer& answer) {
    std::vector<channel::ReportLine> lines;
    EXPECT_TRUE(channel::ParseReport(answer.payload, &lines));
    return lines;
}

TEST_F(ChannelTest, ExportAnswersWithTheFileOfEverythingOrOfOneMacro) {
    StoreMacro("Greet", 'G', win::MOD_CONTROL);
    StoreKeyStroke("Greet", 0, 'H');
    StoreMacro("Other", 'O', win::MOD_CONTROL);
    Start();
    EXPECT_EQ(Send(Command::Export), Handled(Status::Ok));
    EXPECT_EQ(Send(Command::Export, u"gREET"), Handled(Status::Ok));
    EXPECT_EQ(Send(Command::Export, u"Nobody"), Handled(Status::NoSuchMacro));
    const std::vector<channel::Answer> answers = Answers();
    std::vector<std::vector<std::string>> names;
    for (std::size_t at = 0; at < answers.size();) {
        const std::vector<std::uint8_t> bytes = Exported(answers, &at);
        exchange::FileData file;
        std::string problem;
        ASSERT_TRUE(exchange::ReadFile({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, &file, &problem))
            << problem;
        names.emplace_back();
        for (const auto& macro : file.macros) names.back().push_back(macro.name);
    }
    EXPECT_EQ(names, (std::vector<std::vector<std::string>>{{"Greet", "Other"}, {"Greet"}}));
    // A caller that does not take a piece has no export.
    fake::OnSendMessage([](const fake::SentMessage&) { return win::LRESULT{0}; });
    EXPECT_EQ(Send(Command::Export), Handled(Status::Failed));
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(ChannelTest, AnImportInPiecesIsWrittenOnlyWhenWholeInOrderAndFromOneCaller) {
    StoreMacro("Greet", 'G', win::MOD_CONTROL);
    MainDialog& main = Start();
    const win::HWND second = fake::AddOtherWindow("", 0x78);
    fake::SetWindowClass(second, channel::kAnswerWindowClass);
    // Over two pieces: the file's spaces are as good as its macros.
    const std::string text = R"({"format": "keyloom", "version": 1, "macros": [)" + std::string(1500000, ' ') +
                             R"({"name": "New", "hotKey": {"vk": 78, "fsModifiers": 2}, "instructions": []}]})";
    const std::vector<std::uint8_t> file(text.begin(), text.end());
    ASSERT_EQ(channel::PieceCount(file.size()), 2u);
    const auto request = [&](Command command, win::HWND from, std::vector<std::uint8_t> payload = {}) {
        channel::Request r;
        r.command = command;
        r.answerWindow = reinterpret_cast<std::uintptr_t>(from);
        r.payload = std::move(payload);
        return Send(channel::EncodeRequest(r));
    };
    const auto piece = [&](std::size_t sequence, win::HWND from = nullptr) {
        return request(Command::ImportPiece, from ? from : answerWindow, channel::PiecePayload(file, sequence));
    };
    const auto before = fake::Tree(layout::kRootPath);

    // Out of order, or an Import before the last piece: refused, nothing held.
    EXPECT_EQ(piece(1), Handled(Status::Malformed));
    EXPECT_EQ(piece(0), Handled(Status::Ok));
    EXPECT_EQ(piece(0), Handled(Status::Ok));  // a first piece again starts over
    EXPECT_EQ(main.HeldImportBytes(), channel::kPieceLimit);
    EXPECT_EQ(request(Command::Import, answerWindow), Handled(Status::Malformed));
    EXPECT_EQ(main.HeldImportBytes(), 0u);
    EXPECT_EQ(piece(0), Handled(Status::Ok));
    std::vector<std::uint8_t> skipped = channel::PiecePayload(file, 1);
    skipped[0] = 2;
    EXPECT_EQ(request(Command::ImportPiece, answerWindow, skipped), Handled(Status::Malformed));
    EXPECT_EQ(main.HeldImportBytes(), 0u);
    // A total above 64 MB is refused on its first piece.
    std::vector<std::uint8_t> huge = channel::PiecePayload(file, 0);
    huge[7] = 0x05;
    EXPECT_EQ(request(Command::ImportPiece, answerWindow, huge), Handled(Status::Malformed));
    EXPECT_EQ(main.HeldImportBytes(), 0u);
    EXPECT_EQ(fake::Tree(layout::kRootPath), before);

    // A second caller does not mix with the first while that one is there.
    EXPECT_EQ(piece(0), Handled(Status::Ok));
    EXPECT_EQ(piece(0, second), Handled(Status::Busy));
    EXPECT_EQ(request(Command::Import, second), Handled(Status::Refused));  // its own empty file
    EXPECT_EQ(piece(1), Handled(Status::Ok));
    EXPECT_EQ(fake::Tree(layout::kRootPath), before);
    EXPECT_EQ(request(Command::Import, answerWindow), Handled(Status::Ok));
    EXPECT_EQ(main.MacroNames(), (std::vector<std::string>{"Greet", "New"}));
    EXPECT_EQ(main.HeldImportBytes(), 0u);

    // A caller that went away leaves nothing held, and no one waiting.
    EXPECT_EQ(piece(0), Handled(Status::Ok));
    fake::SetWindowClass(answerWindow, "Gone");
    EXPECT_EQ(piece(0, second), Handled(Status::Ok));
    EXPECT_EQ(main.HeldImportBytes(), channel::kPieceLimit);
    fake::SetWindowClass(second, "Gone");
    EXPECT_EQ(Send(Command::Stop), Handled(Status::Ok));
    EXPECT_EQ(main.HeldImportBytes(), 0u);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

TEST_F(ChannelTest, ImportWritesTheFileSkipsTakenNamesAndRefusesABadFileWhole) {
    StoreMacro("Greet", 'G', win::MOD_CONTROL);
    StoreKeyStroke("Greet", 0, 'H');
    MainDialog& main = Start();
    const auto importing = [&](const std::string& text) {
        channel::Request request;
        request.command = Command::Import;
        request.answerWindow = reinterpret_cast<std::uintptr_t>(answerWindow);
        request.payload.assign(text.begin(), text.end());
        return Send(channel::EncodeRequest(request));
    };
    const std::string file = R"({"format": "keyloom", "version": 1, "macros": [
        {"name": "greet", "hotKey": {"vk": 71, "fsModifiers": 2}, "instructions": []},
        {"name": "New", "hotKey": {"vk": 78, "fsModifiers": 2}, "instructions": []}]})";
    EXPECT_EQ(importing(file), Handled(Status::Ok));
    ASSERT_EQ(Answers().size(), 1u);
    EXPECT_EQ(Report(Answers()[0]), (std::vector<channel::ReportLine>{{channel::ReportKind::ImportedMacro, u"New"},
                                                                       {channel::ReportKind::Skipped, u"greet"}}));
    EXPECT_EQ(main.MacroNames(), (std::vector<std::string>{"Greet", "New"}));
    EXPECT_EQ(MacroHotKeys().size(), 2u);

    // A file that is refused, and any file while a macro runs, write nothing.
    const auto before = fake::Tree(layout::kRootPath);
    EXPECT_EQ(importing(R"({"format": "other"})"), Handled(Status::Refused));
    ASSERT_EQ(Answers().size(), 2u);
    EXPECT_EQ(Report(Answers()[1]),
              (std::vector<channel::ReportLine>{{channel::ReportKind::Problem, u"is not a Keyloom file."}}));
    ASSERT_EQ(Send(Command::Run, u"Greet"), Handled(Status::Ok));
    EXPECT_EQ(importing(file), Handled(Status::Busy));
    Pump();
    EXPECT_EQ(fake::Tree(layout::kRootPath), before);

    // What the store would show in a box goes into the answer instead.
    fake::Fail("RegSetValueExA", win::ERROR_ACCESS_DENIED, -1);
    EXPECT_EQ(importing(R"({"format": "keyloom", "version": 1, "macros": [
        {"name": "Third", "hotKey": {"vk": 84, "fsModifiers": 2}, "instructions": []}]})"),
              Handled(Status::Failed));
    fake::Fail("RegSetValueExA", 0, 0);
    const std::vector<channel::ReportLine> failed = Report(Answers().back());
    ASSERT_GE(failed.size(), 2u);
    EXPECT_EQ(failed[0], (channel::ReportLine{channel::ReportKind::Problem,
                                              u"the macro Third was not imported, nor anything after it."}));
    EXPECT_EQ(failed[1].kind, channel::ReportKind::Message);
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

TEST_F(ChannelTest, MalformedExportAndImportBlocksAreRefusedBeforeAnythingIsRead) {
    StoreMacro("Greet", 'G', win::MOD_CONTROL);
    Start();
    const int calls = fake::RegistryCalls();
    channel::Request request;
    request.command = Command::Import;
    request.name = u"Greet";  // Import names no macro
    EXPECT_EQ(Send(channel::EncodeRequest(request)), Handled(Status::Malformed));
    request.command = Command::Export;
    request.payload = {'{', '}'};  // nor does Export carry a file
    EXPECT_EQ(Send(channel::EncodeRequest(request)), Handled(Status::Malformed));
    // A block that claims more than 64 MB is refused on its size alone.
    request = {};
    request.command = Command::Import;
    auto block = channel::EncodeRequest(request);
    win::COPYDATASTRUCT huge{channel::kCopyDataTag,
                             static_cast<win::DWORD>(channel::kRequestHeader + channel::kFileLimit + 1), block.data()};
    EXPECT_EQ(dialog->OnCopyData(&huge), Handled(Status::Malformed));
    EXPECT_EQ(fake::RegistryCalls(), calls);
    EXPECT_TRUE(fake::SentMessages().empty());
}

}  // namespace
