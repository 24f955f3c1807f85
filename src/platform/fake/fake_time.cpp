// The fake's clocks: a tick count that tests set and that Sleep advances,
// and the local time.
#include <ctime>
#include <vector>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"

namespace {

std::tm DefaultLocalTime() {
    std::tm t{};
    t.tm_year = 100;  // 2000-07-04, a Tuesday, 09:05:00
    t.tm_mon = 6;
    t.tm_mday = 4;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 0;
    t.tm_wday = 2;
    t.tm_yday = 185;
    t.tm_isdst = 0;
    return t;
}

struct State {
    win::DWORD tick = 0;
    std::vector<win::DWORD> sleeps;
    std::tm localTime = DefaultLocalTime();
};

State state;

}  // namespace

namespace fake::detail {
void ResetTime() { state = State{}; }
}  // namespace fake::detail

namespace fake {

void SetTickCount(win::DWORD tick) { state.tick = tick; }
const std::vector<win::DWORD>& Sleeps() { return state.sleeps; }
void SetLocalTime(const std::tm& time) { state.localTime = time; }

}  // namespace fake

namespace win {

void Sleep(DWORD milliseconds) {
    fake::detail::Count("Sleep");
    state.sleeps.push_back(milliseconds);
    state.tick += milliseconds;
}

DWORD GetTickCount() {
    fake::detail::Count("GetTickCount");
    return state.tick;
}

bool GetLocalTm(std::tm* out) {
    if (fake::detail::Fails("GetLocalTm") || out == nullptr) return false;
    *out = state.localTime;
    return true;
}

}  // namespace win
