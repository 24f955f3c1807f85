#include "journal/playback_schedule.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// How far before now a play time is kept: any time gone by plays at once.
constexpr std::int64_t kEarliestLead = INT32_MIN / 2;

}  // namespace

std::int64_t ScaleInterval(std::int32_t interval, std::int32_t speed) {
    // Formed in double precision from the single-precision factor. Neither
    // branch can overflow: |speed * 0.01 * interval| < 2^62, and the faster
    // branch multiplies by at most 50. Negating the speed in integers would
    // overflow for INT_MIN, so the sign stays inside the double product.
    constexpr double kPercent = static_cast<double>(0.01f);
    const double d = interval;
    if (speed > 0) return interval + static_cast<std::int64_t>(std::trunc(speed * kPercent * d));
    if (speed < 0) return -static_cast<std::int64_t>(std::trunc((1.0 / (2.0 * speed * kPercent)) * d));
    return interval;
}

std::int32_t MostSlowdownPercent() {
    constexpr std::int32_t kHour = 3600000;
    std::int32_t low = 0, high = INT32_MAX;  // low fits; high is above what fits or the largest
    while (low < high) {
        const std::int32_t middle = low + (high - low) / 2 + 1;
        if (ScaleInterval(kHour, middle) <= kLongestWait) low = middle;
        else high = middle - 1;
    }
    return low;
}

void PlaybackSchedule::Reset(const Recording* recording, std::int32_t speed, std::int32_t filter) {
    recording_ = recording;
    speed_ = speed;
    filter_ = filter;
    position_ = -1;
    lastServed_ = -1;
    started_ = false;
    playClock_ = 0;
}

bool PlaybackSchedule::AdvanceEvent() {
    const std::int64_t count = recording_ ? recording_->count : 0;
    // At or past the end it stays there, however often it is asked again.
    if (position_ + std::int64_t{1} >= count) {
        position_ = static_cast<std::int32_t>(count);
        return false;
    }
    ++position_;
    for (;;) {
        if (Passes(filter_, recording_->Event(static_cast<std::uint32_t>(position_)).message)) return true;
        if (position_ > 0) {
            const auto here = recording_->Event(static_cast<std::uint32_t>(position_)).time;
            const auto before = recording_->Event(static_cast<std::uint32_t>(position_ - 1)).time;
            playClock_ += here - before;  // unscaled, modulo 2^32 like the tick count
        }
        if (++position_ >= count) return false;
    }
}

void PlaybackSchedule::StartAt(win::DWORD now) {
    if (started_ || position_ != -1 || !AdvanceEvent()) return;
    playClock_ = now + playClock_;
    started_ = true;
    lastServed_ = position_;
}

bool PlaybackSchedule::GetNext(Clock clock, JournalEvent* event, std::int32_t* delay) {
    if (recording_ == nullptr || position_ >= static_cast<std::int64_t>(recording_->count)) return false;
    win::DWORD playTime = 0;
    if (position_ > 0 && lastServed_ == position_) {
        // Asked again for the event it is waiting to play.
        playTime = playClock_;
    } else if (position_ > 0) {
        const auto here = recording_->Event(static_cast<std::uint32_t>(position_)).time;
        const auto before = recording_->Event(static_cast<std::uint32_t>(position_ - 1)).time;
        const auto interval = static_cast<std::int32_t>(here - before);
        // The wait is a signed 32-bit count of ms: a scaled interval beyond
        // it waits as long as it can rather than wrapping round to a time
        // gone by, which would play at once. Time going backwards stays
        // well short of wrapping the other way.
        const win::DWORD now = clock();
        const std::int64_t lead =
            std::clamp<std::int64_t>(static_cast<std::int32_t>(playClock_ - now) + ScaleInterval(interval, speed_),
                                     kEarliestLead, kLongestWait);
        playClock_ = now + static_cast<win::DWORD>(static_cast<std::uint64_t>(lead));
        playTime = playClock_;
    } else if (started_) {
        // A separate flag rather than a zero clock: a start at tick 0 must not
        // skip the first event when it is asked for again.
        playTime = playClock_;
    } else {
        if (!AdvanceEvent()) return false;
        // The clock already holds the recorded intervals of any events
        // dropped before the first one that plays.
        playClock_ = clock() + playClock_;
        started_ = true;
        playTime = playClock_;
    }
    *event = recording_->Event(static_cast<std::uint32_t>(position_));
    event->time = playTime;
    std::int32_t wait = static_cast<std::int32_t>(playTime - clock());
    if (wait < 0) {
        wait = 0;
        event->time = clock();
    }
    *delay = wait;
    lastServed_ = position_;
    return true;
}
