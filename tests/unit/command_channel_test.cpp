#include "common/command_channel.h"

#include <gtest/gtest.h>

using namespace channel;

namespace {

Request RunRequest(std::u16string name) {
    Request r;
    r.command = Command::Run;
    r.answerWindow = 0x1234;
    r.name = std::move(name);
    return r;
}

// A parse that fails must leave the caller's request as it was.
void ExpectRefused(const std::vector<std::uint8_t>& block, RequestFault fault) {
    Request kept = RunRequest(u"kept");
    EXPECT_EQ(ParseRequest(block.data(), block.size(), &kept), fault);
    EXPECT_EQ(kept.name, u"kept");
    EXPECT_EQ(kept.answerWindow, 0x1234u);
}

}  // namespace

TEST(CommandChannel, RequestsAndAnswersComeBackAsSent) {
    Request sent = RunRequest(u"Grüße 日本 🙂");
    const auto block = EncodeRequest(sent);
    Request got;
    ASSERT_EQ(ParseRequest(block.data(), block.size(), &got), RequestFault::None);
    EXPECT_EQ(got.command, Command::Run);
    EXPECT_EQ(got.answerWindow, 0x1234u);
    EXPECT_EQ(got.name, sent.name);

    Request list;
    list.command = Command::List;
    const auto listBlock = EncodeRequest(list);
    ASSERT_EQ(ParseRequest(listBlock.data(), listBlock.size(), &got), RequestFault::None);
    EXPECT_EQ(got.command, Command::List);
    EXPECT_TRUE(got.name.empty());

    Answer answer{Status::Busy, {1, 2, 3}};
    const auto answerBlock = EncodeAnswer(answer);
    Answer back;
    ASSERT_TRUE(ParseAnswer(answerBlock.data(), answerBlock.size(), &back));
    EXPECT_EQ(back.status, Status::Busy);
    EXPECT_EQ(back.payload, answer.payload);
    EXPECT_FALSE(ParseAnswer(answerBlock.data(), answerBlock.size() - 1, &back));
}

TEST(CommandChannel, MalformedRequestsAreRefusedWhole) {
    auto block = EncodeRequest(RunRequest(u"abc"));
    ExpectRefused({}, RequestFault::Size);
    ExpectRefused({block.begin(), block.end() - 1}, RequestFault::Size);
    auto longer = block;
    longer.push_back(0);
    ExpectRefused(longer, RequestFault::Size);

    auto wrongMagic = block;
    wrongMagic[0] ^= 1;
    ExpectRefused(wrongMagic, RequestFault::Magic);
    auto unknown = block;
    unknown[6] = 9;
    ExpectRefused(unknown, RequestFault::UnknownCommand);

    ExpectRefused(EncodeRequest(RunRequest(u"")), RequestFault::MissingName);
    ExpectRefused(EncodeRequest(RunRequest(u"a\\b")), RequestFault::BadName);
    ExpectRefused(EncodeRequest(RunRequest(std::u16string(u"a\0b", 3))), RequestFault::BadName);
    ExpectRefused(EncodeRequest(RunRequest(std::u16string(kMaxName + 1, u'x'))), RequestFault::NameTooLong);
    const auto longest = EncodeRequest(RunRequest(std::u16string(kMaxName, u'x')));
    Request got;
    EXPECT_EQ(ParseRequest(longest.data(), longest.size(), &got), RequestFault::None);

    // A run request carries no file: its limit is the small one.
    Request big = RunRequest(u"x");
    big.payload.assign(kSmallLimit, 0);
    ExpectRefused(EncodeRequest(big), RequestFault::TooLarge);
    // Nor any payload at all, and stop takes no name.
    big.payload.assign(1, 0);
    ExpectRefused(EncodeRequest(big), RequestFault::Payload);
    Request stop;
    stop.command = Command::Stop;
    stop.name = u"x";
    ExpectRefused(EncodeRequest(stop), RequestFault::BadName);
}

TEST(CommandChannel, HandlerResultsCarryTheStatusOnlyWithTheTag) {
    Status status = Status::Ok;
    ASSERT_TRUE(StatusFromResult(HandledResult(Status::Busy), &status));
    EXPECT_EQ(status, Status::Busy);
    // What a window that knows nothing of the channel answers.
    EXPECT_FALSE(StatusFromResult(0, &status));
    EXPECT_FALSE(StatusFromResult(1, &status));
    EXPECT_FALSE(StatusFromResult(HandledResult(Status::Ok) | 0x10000, &status));
}

TEST(CommandChannel, OnlyImportCarriesAFileAndReportsComeBackWhole) {
    Request import;
    import.command = Command::Import;
    import.payload = {'{', '}'};
    auto block = EncodeRequest(import);
    Request got;
    ASSERT_EQ(ParseRequest(block.data(), block.size(), &got), RequestFault::None);
    EXPECT_EQ(got.payload, import.payload);
    import.name = u"x";  // Import names no macro
    block = EncodeRequest(import);
    ExpectRefused(block, RequestFault::BadName);
    Request exportOne;
    exportOne.command = Command::Export;
    exportOne.name = u"Greet";
    block = EncodeRequest(exportOne);
    ASSERT_EQ(ParseRequest(block.data(), block.size(), &got), RequestFault::None);
    EXPECT_EQ(got.name, u"Greet");
    exportOne.payload = {1};  // Export's file comes back, it is not sent
    block = EncodeRequest(exportOne);
    ExpectRefused(block, RequestFault::Payload);
    // A block longer than any file is refused before it is read.
    import.name.clear();
    block = EncodeRequest(import);
    EXPECT_EQ(ParseRequest(block.data(), kRequestHeader + kFileLimit + 1, &got), RequestFault::TooLarge);
    EXPECT_EQ(ParseRequest(block.data(), kSmallLimit + 1, &got), RequestFault::Size);
    block = EncodeRequest(exportOne);
    EXPECT_EQ(ParseRequest(block.data(), kSmallLimit + 1, &got), RequestFault::TooLarge);

    const std::vector<ReportLine> lines{{ReportKind::ImportedMacro, u"Gr\u00FC\u00DFe"},
                                        {ReportKind::Skipped, u""},
                                        {ReportKind::Message, u"\U0001F642"}};
    const auto report = EncodeReport(lines);
    std::vector<ReportLine> back;
    ASSERT_TRUE(ParseReport(report, &back));
    EXPECT_EQ(back, lines);
    // Cut anywhere inside a line, or with a kind that is none: refused, and
    // what the caller held stays.
    for (std::size_t size = 1; size < report.size(); ++size) {
        if (size == 6 + 2 * 5 || size == 6 + 2 * 5 + 6) continue;  // ends of whole lines
        EXPECT_FALSE(ParseReport({report.begin(), report.begin() + static_cast<std::ptrdiff_t>(size)}, &back)) << size;
    }
    auto unknown = report;
    unknown[0] = 9;
    EXPECT_FALSE(ParseReport(unknown, &back));
    EXPECT_EQ(back, lines);
}

TEST(CommandChannel, PiecesMakeTheFileOnlyInOrderWholeAndWithinItsTotal) {
    std::vector<std::uint8_t> file(2 * kPieceLimit + 17);
    for (std::size_t i = 0; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_EQ(PieceCount(file.size()), 3u);
    const auto piece = [&](std::size_t sequence) {
        Piece p;
        EXPECT_TRUE(ParsePiece(PiecePayload(file, sequence), &p));
        return p;
    };
    Assembly assembly;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_FALSE(assembly.Complete());
        ASSERT_TRUE(assembly.Take(piece(i)));
    }
    ASSERT_TRUE(assembly.Complete());
    EXPECT_EQ(assembly.Release(), file);
    EXPECT_TRUE(assembly.Empty());

    // A piece skipped, repeated, of another total or past the total breaks
    // the file off: nothing of it is held.
    const auto broken = [&](std::vector<Piece> pieces) {
        Assembly a;
        bool taken = true;
        for (Piece& p : pieces) taken = a.Take(std::move(p));
        EXPECT_FALSE(taken);
        EXPECT_TRUE(a.Empty());
        EXPECT_EQ(a.Held(), 0u);
    };
    broken({piece(1)});
    broken({piece(0), piece(2)});
    broken({piece(0), piece(1), piece(1)});
    Piece other = piece(1);
    other.total += 1;
    broken({piece(0), other});
    Piece longer = piece(2);
    longer.bytes.push_back(0);
    broken({piece(0), piece(1), longer});
    Piece empty = piece(1);
    empty.bytes.clear();
    broken({piece(0), empty});
    // A first piece starts over; an empty file is one piece of nothing.
    Assembly again;
    EXPECT_TRUE(again.Take(piece(0)) && again.Take(piece(1)) && again.Take(piece(0)));
    EXPECT_EQ(again.Held(), kPieceLimit);
    const std::vector<std::uint8_t> none;
    ASSERT_EQ(PieceCount(0), 1u);
    Piece nothing;
    ASSERT_TRUE(ParsePiece(PiecePayload(none, 0), &nothing));
    EXPECT_TRUE(again.Take(nothing) && again.Complete() && again.Release().empty());

    // A piece over a megabyte is none, and its block is too large.
    Request request;
    request.command = Command::ImportPiece;
    request.payload = PiecePayload(file, 0);
    request.payload.push_back(0);
    Piece kept;
    EXPECT_FALSE(ParsePiece(request.payload, &kept));
    const auto block = EncodeRequest(request);
    EXPECT_EQ(ParseRequest(block.data(), block.size(), &request), RequestFault::TooLarge);
}
