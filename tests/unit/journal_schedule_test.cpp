#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "journal/playback_schedule.h"
#include "platform/fake/fake.h"

namespace {

constexpr std::uint32_t kKey = 0x0100;
constexpr std::uint32_t kMouse = 0x0200;

Recording Make(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& messageAndTime) {
    std::vector<JournalEvent> events;
    for (auto [message, time] : messageAndTime) events.push_back(JournalEvent{message, 0x1E41, 1, time, 0});
    std::vector<std::uint8_t> bytes(events.size() * kJournalEventBytes);
    for (std::size_t i = 0; i < events.size(); ++i) SerializeEvent(events[i], bytes.data() + i * kJournalEventBytes);
    Recording recording;
    EXPECT_TRUE(JoinChunks({{bytes.data(), static_cast<std::uint32_t>(bytes.size())}}, &recording));
    return recording;
}

// Plays the whole schedule as the system would through the journal hook,
// waiting out each delay on the fake clock; the tick at which each event
// is played.
std::vector<win::DWORD> PlayTimes(PlaybackSchedule& schedule) {
    std::vector<win::DWORD> times;
    JournalEvent event;
    std::int32_t delay = 0;
    if (!schedule.GetNext(&win::GetTickCount, &event, &delay)) return times;
    for (;;) {
        fake::SetTickCount(win::GetTickCount() + static_cast<win::DWORD>(delay));
        EXPECT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
        EXPECT_EQ(delay, 0);
        EXPECT_EQ(event.time, win::GetTickCount());
        times.push_back(event.time);
        if (!schedule.AdvanceEvent()) return times;
        EXPECT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
    }
}

class ScheduleTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        fake::SetTickCount(50000);
    }
};

TEST(ScaleIntervalTest, FollowsTheSpeedRuleWithItsSinglePrecisionFactor) {
    EXPECT_EQ(ScaleInterval(1000, 0), 1000);
    EXPECT_EQ(ScaleInterval(1000, 100), 1999);
    EXPECT_EQ(ScaleInterval(1000, 50), 1499);
    EXPECT_EQ(ScaleInterval(1000, -100), 500);
    EXPECT_EQ(ScaleInterval(1000, -50), 1000);
    EXPECT_EQ(ScaleInterval(1000, -25), 2000);
    EXPECT_EQ(ScaleInterval(1000, -200), 250);
    EXPECT_EQ(ScaleInterval(-1000, 100), -1999);  // time going backwards keeps its sign
    EXPECT_EQ(ScaleInterval(0, 100), 0);
}

TEST(ScaleIntervalTest, ExtremeSpeedsAndIntervalsStayDefined) {
    EXPECT_EQ(ScaleInterval(1000, INT_MIN), 0);
    EXPECT_EQ(ScaleInterval(INT_MAX, INT_MIN), 50);  // 50 / 2^31 of the longest interval
    // 50 times the interval, a little more by the single-precision factor.
    const std::int64_t fastest = ScaleInterval(INT_MIN, -1);
    EXPECT_LE(fastest, std::int64_t{INT_MIN} * 50);
    EXPECT_GE(fastest, std::int64_t{INT_MIN} * 50 - 10000);
    EXPECT_GT(ScaleInterval(INT_MAX, INT_MAX), std::int64_t{INT_MAX} * 20000000);
    EXPECT_LT(ScaleInterval(INT_MIN, INT_MAX), std::int64_t{INT_MIN} * 20000000);
}

TEST_F(ScheduleTest, ThreeEventsAreDueAtTheStartThenAtTheirRecordedIntervals) {
    Recording recording = Make({{kKey, 1000}, {kKey, 1100}, {kKey, 1300}});
    PlaybackSchedule schedule;
    schedule.Reset(&recording, 0, 1);
    EXPECT_EQ(PlayTimes(schedule), (std::vector<win::DWORD>{50000, 50100, 50300}));
}

TEST_F(ScheduleTest, ADroppedEventKeepsItsRecordedTimeWhateverTheSpeed) {
    Recording recording = Make({{kKey, 1000}, {kMouse, 1100}, {kKey, 1300}});
    PlaybackSchedule schedule;
    schedule.Reset(&recording, 0, 2);
    EXPECT_EQ(PlayTimes(schedule), (std::vector<win::DWORD>{50000, 50300}));
    // Twice as fast: 100 unscaled for the dropped event, 200 halved.
    fake::SetTickCount(50000);
    schedule.Reset(&recording, -100, 2);
    EXPECT_EQ(PlayTimes(schedule), (std::vector<win::DWORD>{50000, 50200}));
}

TEST_F(ScheduleTest, EventsDroppedBeforeTheFirstDelayItByTheirOwnRecordedIntervals) {
    // The second dropped event's 40 ms count; the first passing event's own
    // interval (60 ms) does not, as it plays at once; then 100 ms halved.
    Recording recording = Make({{kMouse, 1000}, {kMouse, 1040}, {kKey, 1100}, {kKey, 1200}});
    PlaybackSchedule schedule;
    schedule.Reset(&recording, -100, 2);
    EXPECT_EQ(PlayTimes(schedule), (std::vector<win::DWORD>{50040, 50090}));
}

// Started at a moment before the first request (the playback took its
// time to set up): only the events whose time has gone by play late, each
// one at once, and the rest keep their times from the start, events that
// the filter drops before the first one included.
TEST_F(ScheduleTest, AStartBeforeTheFirstRequestKeepsTheTimesFromThatStart) {
    Recording recording = Make({{kMouse, 1000}, {kMouse, 1040}, {kKey, 1100}, {kKey, 1110}, {kKey, 1200}});
    PlaybackSchedule schedule;
    schedule.Reset(&recording, 0, 2);
    schedule.StartAt(50000);
    fake::SetTickCount(50055);
    EXPECT_EQ(PlayTimes(schedule), (std::vector<win::DWORD>{50055, 50055, 50140}));
    schedule.StartAt(60000);  // once started, it stays so
    EXPECT_EQ(schedule.PlayClock(), 50140u);
}

TEST_F(ScheduleTest, AskingAgainWhileWaitingGivesTheSameTimeAndWhatIsLeftToWait) {
    Recording recording = Make({{kKey, 1000}, {kKey, 2000}});
    PlaybackSchedule schedule;
    schedule.Reset(&recording, 100, 1);
    JournalEvent event;
    std::int32_t delay = -1;
    ASSERT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
    ASSERT_TRUE(schedule.AdvanceEvent());
    ASSERT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
    EXPECT_EQ(event.time, 51999u);
    EXPECT_EQ(delay, 1999);
    fake::SetTickCount(51000);
    ASSERT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
    EXPECT_EQ(event.time, 51999u);
    EXPECT_EQ(delay, 999);
}

TEST_F(ScheduleTest, AnEventWhoseTimeHasPassedPlaysAtOnceStampedWithTheCurrentTick) {
    Recording recording = Make({{kKey, 1000}, {kKey, 1100}, {kKey, 1150}});
    PlaybackSchedule schedule;
    schedule.Reset(&recording, 0, 1);
    JournalEvent event;
    std::int32_t delay = 0;
    ASSERT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
    ASSERT_TRUE(schedule.AdvanceEvent());
    fake::SetTickCount(50400);  // the thread was busy
    ASSERT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
    EXPECT_EQ(delay, 0);
    EXPECT_EQ(event.time, 50400u);
    // The next one keeps to the schedule, not to the late play: also late.
    ASSERT_TRUE(schedule.AdvanceEvent());
    ASSERT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
    EXPECT_EQ(delay, 0);
    EXPECT_EQ(event.time, 50400u);
}

TEST_F(ScheduleTest, NothingToPlayEndsAtTheFirstRequestAndStaysEnded) {
    Recording empty;
    Recording keys = Make({{kKey, 1000}, {kKey, 1100}});
    for (auto [recording, filter] : {std::pair{&empty, 1}, {&keys, 3}, {&keys, 7}, {&keys, 0}}) {
        PlaybackSchedule schedule;
        schedule.Reset(recording, 0, filter);
        JournalEvent event;
        std::int32_t delay = 0;
        EXPECT_FALSE(schedule.GetNext(&win::GetTickCount, &event, &delay)) << filter;
        EXPECT_FALSE(schedule.AdvanceEvent());
        EXPECT_FALSE(schedule.GetNext(&win::GetTickCount, &event, &delay));
    }
}

TEST_F(ScheduleTest, AStartAtTickZeroDoesNotLoseTheFirstEventWhenAskedAgain) {
    fake::SetTickCount(0);
    Recording recording = Make({{kKey, 1000}, {kKey, 1010}});
    PlaybackSchedule schedule;
    schedule.Reset(&recording, 0, 1);
    JournalEvent event;
    std::int32_t delay = 0;
    ASSERT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
    ASSERT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
    EXPECT_EQ(schedule.Position(), 0);
    EXPECT_EQ(PlayTimes(schedule), (std::vector<win::DWORD>{0, 10}));
}

// A scaled interval longer than the longest wait waits that long; before,
// it wrapped round to a time gone by and played at once.
TEST_F(ScheduleTest, ScaledIntervalsSaturateAtTheLongestWaitInsteadOfWrapping) {
    struct Case {
        std::uint32_t interval;  // recorded, as the stamps' difference
        std::int32_t speed;
        std::int32_t wait;       // before the second event
    };
    const Case cases[] = {
        {1000, 0, 1000},
        {1000, 100, 1999},
        {0x40000000, 100, 2147483624},  // just fits
        {0x40000000, 200, INT32_MAX},
        {0x7FFFFFFF, INT_MAX, INT32_MAX},
        {0x7FFFFFFF, -1, INT32_MAX},    // 50 times as long
        {0x7FFFFFFF, INT_MIN, 50},
        {0x80000000, 100, 0},           // backwards, doubled: long gone, not far ahead
        {0x80000000, -1, 0},
    };
    for (const Case& c : cases) {
        fake::SetTickCount(50000);
        Recording recording = Make({{kKey, 7}, {kKey, 7 + c.interval}});
        PlaybackSchedule schedule;
        schedule.Reset(&recording, c.speed, 1);
        JournalEvent event;
        std::int32_t delay = -1;
        ASSERT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
        EXPECT_EQ(delay, 0);
        ASSERT_TRUE(schedule.AdvanceEvent());
        ASSERT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
        EXPECT_EQ(delay, c.wait) << c.interval << " at " << c.speed;
        // Asked again a while later: what is left of the same wait.
        fake::SetTickCount(50000 + 10);
        ASSERT_TRUE(schedule.GetNext(&win::GetTickCount, &event, &delay));
        EXPECT_EQ(delay, std::max(c.wait - 10, 0)) << c.interval << " at " << c.speed;
    }
}

}  // namespace
