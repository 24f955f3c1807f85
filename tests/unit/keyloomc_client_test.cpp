// keyloomc's command line and what it prints and exits with for each of
// Keyloom's answers.
#include "keyloomc/client.h"

#include <gtest/gtest.h>

namespace {

using channel::Command;
using channel::Status;
using keyloomc::Delivery;

TEST(KeyloomcClient, CommandLinesBecomeRequestsOrAreRefused) {
    keyloomc::Invocation invocation;
    std::u16string error;
    ASSERT_TRUE(keyloomc::ParseArguments({u"run", u"My", u"Macro"}, &invocation, &error));
    EXPECT_EQ(invocation.request.command, Command::Run);
    EXPECT_EQ(invocation.request.name, u"My Macro");
    ASSERT_TRUE(keyloomc::ParseArguments({u"list"}, &invocation, &error));
    EXPECT_EQ(invocation.request.command, Command::List);
    ASSERT_TRUE(keyloomc::ParseArguments({u"stop"}, &invocation, &error));
    EXPECT_EQ(invocation.request.command, Command::Stop);
    EXPECT_TRUE(invocation.request.name.empty());
    ASSERT_TRUE(keyloomc::ParseArguments({u"--help"}, &invocation, &error));
    EXPECT_TRUE(invocation.help);

    for (const std::vector<std::u16string>& wrong :
         {std::vector<std::u16string>{}, {u"run"}, {u"run", u""}, {u"stop", u"now"}, {u"list", u"x"}, {u"export"}}) {
        keyloomc::Invocation refused;
        error.clear();
        EXPECT_FALSE(keyloomc::ParseArguments(wrong, &refused, &error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(KeyloomcClient, EachAnswerHasItsExitCodeAndText) {
    channel::Request run;
    run.command = Command::Run;
    run.name = u"Greet";
    struct Case {
        Delivery delivery;
        Status status;
        int exit;
        std::u16string err;
    };
    for (const Case& c : {
             Case{Delivery::Answered, Status::Ok, 0, u""},
             Case{Delivery::Answered, Status::NoSuchMacro, 1, u"There is no macro named \"Greet\".\n"},
             Case{Delivery::NoKeyloom, Status::Failed, 2, u"Keyloom is not running.\n"},
             Case{Delivery::Answered, Status::Busy, 3, u"A macro is already running.\n"},
             Case{Delivery::Answered, Status::Malformed, 5, u"Keyloom refused the request.\n"},
             Case{Delivery::NoAnswer, Status::Failed, 6, u"Keyloom did not answer.\n"},
             Case{Delivery::Answered, static_cast<Status>(77), 6, u"Keyloom could not carry the request out.\n"},
         }) {
        const keyloomc::Outcome outcome = keyloomc::Conclude(run, c.delivery, c.status, nullptr);
        EXPECT_EQ(outcome.exitCode, c.exit) << static_cast<int>(c.status);
        EXPECT_EQ(outcome.err, c.err) << static_cast<int>(c.status);
        EXPECT_TRUE(outcome.out.empty());
    }

    // A name that no macro can have is no macro's, though Keyloom finds the
    // request itself malformed.
    run.name = u"Macros\\Greet";
    EXPECT_EQ(keyloomc::Conclude(run, Delivery::Answered, Status::Malformed, nullptr).exitCode, 1);

    // The list is the answer block's text; without one the list failed.
    channel::Request list;
    list.command = Command::List;
    channel::Answer answer{Status::Ok, {'A', 0, '\t', 0, 'F', 0, '1', 0, '\n', 0}};
    const auto listed = keyloomc::Conclude(list, Delivery::Answered, Status::Ok, &answer);
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.out, u"A\tF1\n");
    EXPECT_EQ(keyloomc::Conclude(list, Delivery::Answered, Status::Ok, nullptr).exitCode, 6);
}

TEST(KeyloomcClient, ExportAndImportNameTheirFileAndPrintWhatWasDone) {
    keyloomc::Invocation invocation;
    std::u16string error;
    ASSERT_TRUE(keyloomc::ParseArguments({u"export", u"C:\\out.json"}, &invocation, &error));
    EXPECT_EQ(invocation.request.command, Command::Export);
    EXPECT_EQ(invocation.file, u"C:\\out.json");
    EXPECT_TRUE(invocation.request.name.empty());
    ASSERT_TRUE(keyloomc::ParseArguments({u"export", u"out.json", u"My", u"Macro"}, &invocation, &error));
    EXPECT_EQ(invocation.request.name, u"My Macro");
    ASSERT_TRUE(keyloomc::ParseArguments({u"import", u"in.json"}, &invocation, &error));
    EXPECT_EQ(invocation.request.command, Command::Import);
    EXPECT_EQ(invocation.file, u"in.json");
    for (const std::vector<std::u16string>& wrong : {std::vector<std::u16string>{u"import"}, {u"import", u"a", u"b"},
                                                     {u"export", u""}, {u"import", u""}}) {
        keyloomc::Invocation refused;
        EXPECT_FALSE(keyloomc::ParseArguments(wrong, &refused, &error));
    }

    // Export's file is the answer block; without one nothing is written.
    channel::Request exportAll;
    exportAll.command = Command::Export;
    channel::Answer file{Status::Ok, {'{', '}'}};
    EXPECT_EQ(keyloomc::Conclude(exportAll, Delivery::Answered, Status::Ok, &file).exported, file.payload);
    const auto noFile = keyloomc::Conclude(exportAll, Delivery::Answered, Status::Ok, nullptr);
    EXPECT_EQ(noFile.exitCode, 6);
    EXPECT_TRUE(noFile.exported.empty());
    exportAll.name = u"Gone";
    EXPECT_EQ(keyloomc::Conclude(exportAll, Delivery::Answered, Status::NoSuchMacro, nullptr).exitCode, 1);

    // Import prints a line for each name; a taken one (or a hot key in
    // use) makes the exit code 1; a refused file names its problem.
    channel::Request import;
    import.command = Command::Import;
    const auto answer = [](Status status, const std::vector<channel::ReportLine>& lines) {
        return channel::Answer{status, channel::EncodeReport(lines)};
    };
    const auto done = answer(Status::Ok, {{channel::ReportKind::ImportedRecording, u"Typed q"},
                                          {channel::ReportKind::ImportedMacro, u"Greet"}});
    auto outcome = keyloomc::Conclude(import, Delivery::Answered, Status::Ok, &done, u"in.json");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, u"Imported recording \"Typed q\".\nImported macro \"Greet\".\n");
    const auto clashed = answer(Status::Ok, {{channel::ReportKind::Skipped, u"Greet"},
                                             {channel::ReportKind::SwitchedOff, u"Other"}});
    outcome = keyloomc::Conclude(import, Delivery::Answered, Status::Ok, &clashed, u"in.json");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, u"Skipped \"Greet\": the name is taken.\nSwitched off \"Other\": its hot key is in use.\n");
    const auto refused = answer(Status::Refused, {{channel::ReportKind::Problem, u"is not a Keyloom file."}});
    outcome = keyloomc::Conclude(import, Delivery::Answered, Status::Refused, &refused, u"in.json");
    EXPECT_EQ(outcome.exitCode, 5);
    EXPECT_EQ(outcome.err, u"in.json is not a Keyloom file.\nNothing was imported.\n");
    EXPECT_TRUE(outcome.out.empty());
    const auto failed = answer(Status::Failed, {{channel::ReportKind::ImportedMacro, u"A"},
                                                {channel::ReportKind::Problem, u"the macro B was not imported."},
                                                {channel::ReportKind::Message, u"Access is denied."}});
    outcome = keyloomc::Conclude(import, Delivery::Answered, Status::Failed, &failed, u"in.json");
    EXPECT_EQ(outcome.exitCode, 6);
    EXPECT_EQ(outcome.out, u"Imported macro \"A\".\n");
    EXPECT_EQ(outcome.err, u"The import stopped: the macro B was not imported.\nKeyloom says: Access is denied.\n");
    // A report that does not parse, or none, is a failure.
    channel::Answer broken{Status::Ok, {1}};
    EXPECT_EQ(keyloomc::Conclude(import, Delivery::Answered, Status::Ok, &broken).exitCode, 6);
    EXPECT_EQ(keyloomc::Conclude(import, Delivery::Answered, Status::Ok, nullptr).exitCode, 6);
    EXPECT_EQ(keyloomc::Conclude(import, Delivery::Answered, Status::Busy, nullptr).exitCode, 3);
    EXPECT_EQ(keyloomc::FileProblem(Command::Import, u"big.json", u"is larger than 64 MB.").exitCode, 5);
}

}  // namespace
