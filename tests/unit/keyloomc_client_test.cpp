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

}  // namespace
