// The waits of a run (DELAY, the pause before a macro) against the
// high-resolution clock: they end within a fraction of a millisecond of
// their deadline, never before it, and still serve messages and the stop
// key in that last fraction.
#include <gtest/gtest.h>

#include <algorithm>

#include "exec/message_wait.h"
#include "platform/fake/fake.h"
#include "platform/fake/fake_hooks.h"

namespace {

constexpr std::int64_t kPerMs = fake::kCounterFrequency / 1000;

std::int64_t Now() {
    std::int64_t count = 0;
    win::QueryPerformanceCounter(&count);
    return count;
}

// Moves the clock `past` (100 ns units) past a millisecond, as a timer of
// the player leaves it, so that the system's whole-millisecond timeouts end
// short of a deadline taken from the counter.
void StartBetweenMilliseconds(std::int64_t past = 2500) {
    fake::SetTickCount(win::GetTickCount() + 1);  // on a millisecond first
    win::HANDLE timer = win::CreateWaitableTimerExW(nullptr, nullptr, win::CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                                    win::TIMER_ALL_ACCESS);
    const std::int64_t due = -past;
    ASSERT_TRUE(win::SetWaitableTimer(timer, &due, 0, nullptr, nullptr, win::FALSE));
    ASSERT_TRUE(fake::FireTimer(timer));
    win::CloseHandle(timer);
    ASSERT_EQ(Now() % kPerMs, past);
}

int served = 0;
bool stopOnMessage = false;
win::HWND window = nullptr;

// Serves what is posted. The first message posts a second one, which the
// wait meets in its last fraction of a millisecond; that one may press the
// stop key.
bool Serve() {
    for (const auto& message : fake::TakePosted()) {
        ++served;
        if (message.wParam == 1) win::PostMessageA(window, 0x0400, 2, 0);
        if (message.wParam == 2 && stopOnMessage) exec::EndWaits();
    }
    return true;
}

class MessageWaitTest : public testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        served = 0;
        stopOnMessage = false;
    }
    void TearDown() override { exec::SetMessagePump(nullptr); }
};

// The system's timeout is asked for all but the last whole millisecond;
// the rest, which on a clock between milliseconds is more than a whole one,
// is looked through in steps of the fake's zero wait (rounded up, it was a
// whole millisecond too long). The wait ends at its deadline, never before,
// with or without a pump, and lands on the tick when it starts on one.
TEST_F(MessageWaitTest, AWaitEndsWithinAFractionOfAMillisecondOfItsDeadline) {
    for (const std::int64_t past : {std::int64_t{0}, std::int64_t{2500}, std::int64_t{7500}}) {
        for (const bool pumped : {false, true}) {
            SCOPED_TRACE(testing::Message() << (pumped ? "with a pump, " : "without a pump, ") << past);
            fake::Reset();
            exec::SetMessagePump(pumped ? &Serve : nullptr);
            if (past != 0) StartBetweenMilliseconds(past);
            const std::int64_t start = Now();
            const win::DWORD tick = win::GetTickCount();
            EXPECT_TRUE(exec::WaitServingMessages(100));
            const std::int64_t waited = Now() - start;
            EXPECT_GE(waited, 100 * kPerMs);
            EXPECT_LT(waited, 100 * kPerMs + kPerMs / 10);
            if (past == 0) EXPECT_EQ(win::GetTickCount() - tick, 100u);
            const auto& waits = fake::MessageWaits();
            ASSERT_FALSE(waits.empty());
            EXPECT_EQ(waits.front(), 99u);
            EXPECT_TRUE(std::all_of(waits.begin() + 1, waits.end(), [](win::DWORD w) { return w == 0; }));
            EXPECT_LE(waits.size(), 1u + 2 * kPerMs / 500) << "the tail is finite";
        }
    }
}

// A message that comes in the last fraction of a millisecond is served
// there, and the stop key ends the wait from it.
TEST_F(MessageWaitTest, TheLastFractionStillServesMessagesAndTheStopKey) {
    exec::SetMessagePump(&Serve);
    window = fake::AddWindow("Keyloom");
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stopped in the tail" : "served in the tail");
        stopOnMessage = stop;
        served = 0;
        StartBetweenMilliseconds();
        const std::int64_t start = Now();
        // Wakes the whole-millisecond wait at its end, 0.25 ms short of the
        // deadline; the message it posts comes in the tail.
        fake::PostAtTick(win::GetTickCount() + 5, {window, 0x0400, 1, 0});
        EXPECT_EQ(exec::WaitServingMessages(5), !stop);
        EXPECT_EQ(served, 2);
        if (stop)
            EXPECT_LT(Now() - start, 5 * kPerMs);  // before the deadline
        else
            EXPECT_GE(Now() - start, 5 * kPerMs);
    }
}

}  // namespace
