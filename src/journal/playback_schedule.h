// When each event of a recording is played: the pace of the recording scaled
// by the instruction's speed, with the events that the filter drops keeping
// their time at the recorded pace. Both playback drivers (the system's
// journal-playback hook and the injecting timer) ask this one object.
#pragma once

#include <cstdint>

#include "journal/journal_format.h"
#include "platform/win.h"

// An interval of `interval` ms at speed `speed`: 0 as recorded; +p slower by
// p percent (d + trunc(p * 0.01f * d)); -p faster by p percent, which
// multiplies intervals by 50 / p (-trunc(d / (2 * -p * 0.01f))). The factor
// 0.01 is single precision, so +100 turns 1000 ms into 1999 ms.
std::int64_t ScaleInterval(std::int32_t interval, std::int32_t speed);

// The longest wait between two events, in ms (about 24.8 days): the
// schedule waits no longer, however an interval scales.
inline constexpr std::int64_t kLongestWait = 0x7FFFFFFF;
// The largest slowdown, in percent, that keeps an interval of an hour within
// kLongestWait; a speed-up never stretches one that far.
std::int32_t MostSlowdownPercent();

class PlaybackSchedule {
public:
    // A tick clock in milliseconds: GetTickCount for the journal hook, a
    // finer one for the injecting driver.
    using Clock = win::DWORD (*)();

    // Starts over on `recording`, which must outlive the schedule's use.
    void Reset(const Recording* recording, std::int32_t speed, std::int32_t filter);

    // Moves to the next event that passes the filter; false at the end of the
    // recording. Dropped events add their recorded interval to the clock.
    bool AdvanceEvent();

    // Fixes the first event's play time at `now`, the moment the playback
    // starts, rather than at the first GetNext: what it takes to set the
    // playback up then makes only the first events late, not every one.
    // Nothing changes once the first event's time is fixed.
    void StartAt(win::DWORD now);

    // The system's HC_GETNEXT: the event being served with its play time in
    // `event->time`, and how many ms to wait before playing it (0 when its
    // time has passed; its time is then the current tick). False when the
    // recording holds no event to play at all.
    bool GetNext(Clock clock, JournalEvent* event, std::int32_t* delay);

    std::int32_t Position() const { return position_; }
    win::DWORD PlayClock() const { return playClock_; }

private:
    const Recording* recording_ = nullptr;
    std::int32_t speed_ = 0;
    std::int32_t filter_ = 1;
    std::int32_t position_ = -1;    // event being served; -1 before the first
    std::int32_t lastServed_ = -1;  // event whose play time is in playClock_
    bool started_ = false;          // the first event's time has been fixed
    win::DWORD playClock_ = 0;
};
