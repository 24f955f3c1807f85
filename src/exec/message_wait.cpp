#include "exec/message_wait.h"

#include <algorithm>

#include "platform/win.h"

namespace exec {
namespace {

// The counter reads between two looks at the queue in a wait's last
// millisecond, at most.
constexpr int kTailReads = 200;

MessagePump activePump = nullptr;
// Counts the calls of EndWaits: a wait whose count at its start is no longer
// the current one has been ended.
std::uint32_t endedWaits = 0;

std::int64_t Now() {
    std::int64_t count = 0;
    win::QueryPerformanceCounter(&count);
    return count;
}

}  // namespace

void SetMessagePump(MessagePump pump) { activePump = pump; }

void EndWaits() { ++endedWaits; }

bool ServeMessagesNow() {
    if (activePump == nullptr) return true;
    const std::uint32_t generation = endedWaits;
    return activePump() && endedWaits == generation;
}

std::int64_t WaitClock() { return Now(); }

bool WaitServingMessages(std::uint32_t milliseconds) { return WaitServingMessagesFrom(Now(), milliseconds); }

bool WaitServingMessagesFrom(std::int64_t start, std::uint32_t milliseconds) {
    std::int64_t frequency = 0;
    if (!win::QueryPerformanceFrequency(&frequency) || frequency <= 0) frequency = 1000;
    const std::int64_t deadline = start + static_cast<std::int64_t>(milliseconds) * frequency / 1000;
    const std::uint32_t generation = endedWaits;
    for (;;) {
        const std::int64_t left = deadline - Now();
        if (left <= 0) return true;
        // The system's timeout counts whole milliseconds and ends up to one
        // late (under Wine, with the wake-up, later than a Sleep of the same
        // length): it is asked for one millisecond less than the whole ones
        // left. The last one or two are waited by looking at the queue
        // without a timeout until the counter reaches the deadline, so the
        // wait ends within a fraction of a millisecond of it and messages
        // are still served.
        const std::int64_t whole = left * 1000 / frequency;
        const auto wait = static_cast<win::DWORD>(whole > 1 ? whole - 1 : 0);
        const win::DWORD mask = activePump != nullptr ? win::QS_ALLINPUT : 0;
        const win::DWORD woke = win::MsgWaitForMultipleObjectsEx(0, nullptr, wait, mask, win::MWMO_INPUTAVAILABLE);
        if (wait == 0 && woke == win::WAIT_TIMEOUT) {
            // Each look at the queue is a call to the system (under Wine, a
            // round trip to its server, slow while that is busy): between
            // two, only the counter is watched, for up to a tenth of a
            // millisecond or a few hundred reads.
            const std::int64_t now = Now();
            const std::int64_t until = std::min(deadline, now + frequency / 10000);
            for (int reads = 0; reads < kTailReads && Now() < until; ++reads) {
            }
        }
        if (woke == win::WAIT_OBJECT_0 && activePump != nullptr) {
            if (!activePump()) return false;
            if (endedWaits != generation) return false;
        } else if (woke == win::WAIT_FAILED) {
            // A wait the system refuses must not become a busy loop, nor an
            // endless one: the rest passes, rounded up, without serving
            // messages.
            win::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<win::DWORD>((left * 1000 + frequency - 1) / frequency),
                                             0, 0);
            return true;
        }
    }
}

}  // namespace exec
