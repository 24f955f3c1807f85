// The running instance is known by what only Keyloom makes, not by a
// window's title; the setup program's shutdown request is answered by what
// Keyloom is doing; only the shell's message crosses the integrity filter.
#include <gtest/gtest.h>

#include <optional>

#include "app/instance.h"
#include "common/messages.h"
#include "macro_fixture.h"
#include "platform/fake/fake.h"
#include "platform/fake/fake_windows.h"

namespace {

TEST(Instance, OnlyAnotherKeyloomStopsAStartNotAWindowTitledKeyloom) {
    fake::Reset();
    fake::AddOtherWindow("Keyloom", 0x4242);  // an Explorer window on the install folder
    std::optional<InstanceLock> first(std::in_place);
    EXPECT_TRUE(first->Acquire());

    EXPECT_FALSE(InstanceLock().Acquire()) << "a second Keyloom ends";

    first.reset();
    InstanceLock afterExit;
    EXPECT_TRUE(afterExit.Acquire()) << "the lock ends with the process that held it";

    fake::Reset();
    fake::Fail("CreateMutexA", win::ERROR_ACCESS_DENIED);
    EXPECT_FALSE(InstanceLock().Acquire()) << "a Keyloom of another integrity level holds the name";
    fake::Fail("CreateMutexA", win::ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_TRUE(InstanceLock().Acquire()) << "a lock that cannot be made does not keep Keyloom from running";
}

TEST(Instance, OnlyTaskbarCreatedCrossesTheIntegrityFilter) {
    fake::Reset();
    const win::HWND window = fake::AddWindow("Keyloom");
    LetShellMessagesThrough(window);
    EXPECT_EQ(fake::MessagesLetThrough(window), std::set<win::UINT>{win::RegisterWindowMessageA("TaskbarCreated")});
}

class ShutdownRequest : public RunnerTest {};

TEST_F(ShutdownRequest, IsAcceptedOnlyWhenKeyloomIsIdle) {
    MainDialog& main = Start();
    fake::AddOtherWindow("Setup", 0x4242);
    const win::HWND hidden = fake::AddWindow("Keyloom - Record");
    fake::SetWindowState(hidden, {false});

    EXPECT_EQ(main.OnShutdownRequest(), kShutdownAccepted);
    const auto posted = fake::TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].window, window);
    EXPECT_EQ(posted[0].message, win::WM_COMMAND);
    EXPECT_EQ(posted[0].wParam, static_cast<win::WPARAM>(win::IDOK)) << "the Shutdown command, as the tray menu's";

    const win::HWND box = fake::AddWindow("Attention");
    EXPECT_EQ(main.OnShutdownRequest(), kShutdownRefused) << "a box of Keyloom's is open";
    fake::RemoveWindow(box);

    main.macroRunning = 1;
    EXPECT_EQ(main.OnShutdownRequest(), kShutdownRefused) << "a macro runs";
    EXPECT_TRUE(fake::TakePosted().empty());
}

}  // namespace
