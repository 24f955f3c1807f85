// How closely the injected playback keeps to its schedule: 1,000 keyboard
// events recorded 10 ms apart (100 in a quick run) are played at speeds 0,
// -200 and +100 through the player's injecting driver into a window of this
// program, which stamps each key message's arrival with the performance
// counter. Prints the median, 99th percentile and largest |arrival -
// scheduled time| per speed; the first event is scheduled for the moment the
// playback starts, each later one its scaled interval after the one before.
// Beside each, the floor: the same keys on the same schedule from a bare
// loop of a high-resolution waitable timer and SendInput, without the player,
// and that loop again with a low-level keyboard hook on the input thread,
// which is what watching Ctrl+Esc with a hook would cost: SendInput waits
// for the hook to be called on each key. The player watches Ctrl+Esc as a
// hot key instead.
#include "exec/runner.h"
#include "input/input_thread.h"
#include "journal/journal_format.h"
#include "journal/playback_schedule.h"
#include "journal/player.h"
#include "bench_line.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

int events = 1000;
constexpr std::uint32_t kIntervalMs = 10;

std::vector<std::int64_t> arrivals;
bool playedOut = false;
bool runEnded = false;

LRESULT CALLBACK BenchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_KEYUP) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        arrivals.push_back(now.QuadPart);
        return 0;
    }
    if (message == WM_RUN_MACRO) {
        playedOut = true;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class BenchRunner final : public MacroRunner {
public:
    explicit BenchRunner(HWND window) : window_(window) {}
    void EndMacro() override { runEnded = true; }
    void ResumeFailed() override { runEnded = true; }
    win::HWND Window() const override { return reinterpret_cast<win::HWND>(window_); }

private:
    HWND window_;
};

Recording MakeRecording() {
    std::vector<JournalEvent> recorded;
    for (int i = 0; i < events; ++i) {
        const auto vk = static_cast<std::uint32_t>('A' + (i / 2) % 26);
        const std::uint32_t scan = MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
        recorded.push_back(JournalEvent{static_cast<std::uint32_t>(i % 2 == 0 ? WM_KEYDOWN : WM_KEYUP), vk | scan << 8, 1,
                                      1000 + kIntervalMs * static_cast<std::uint32_t>(i), 0});
    }
    const std::vector<std::uint8_t> bytes = SerializeEvents(recorded);
    Recording recording;
    JoinChunks({{bytes.data(), static_cast<std::uint32_t>(bytes.size())}}, &recording);
    return recording;
}

// The main program's loop, as long as the playback runs.
void RunUntilPlayedOut(HWND window, double maxSeconds) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    MSG msg;
    while (!playedOut && !runEnded) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (playedOut || runEnded) break;
        QueryPerformanceCounter(&now);
        if (static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart > maxSeconds) break;
        HANDLE timer = PlaybackTimer();
        const DWORD count = timer != nullptr ? 1 : 0;
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(count, count != 0 ? &timer : nullptr, 1000, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (count != 0 && woke == WAIT_OBJECT_0) OnPlaybackTimer();
    }
    // Key messages still queued behind the end.
    const DWORD until = GetTickCount() + 200;
    while (GetTickCount() < until) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    }
    (void)window;
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The floor: event i is due i * interval ms after the start, as in the
// player's schedule; the timer is armed for the next due event, and on each
// wake every event that is due goes out through SendInput, the message loop
// running between wakes as the player's does.
void PlayBare(std::int64_t intervalMs, const LARGE_INTEGER& frequency, LARGE_INTEGER* started) {
    // The flag is missing from MinGW-w64's headers; the seam has its value.
    HANDLE timer =
        CreateWaitableTimerExW(nullptr, nullptr, win::CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (timer == nullptr) timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    if (timer == nullptr) return;
    QueryPerformanceCounter(started);
    const auto dueCounter = [&](int i) {
        return started->QuadPart + (static_cast<std::int64_t>(i) * intervalMs * frequency.QuadPart + 999) / 1000;
    };
    int next = 0;
    while (next < events) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        while (next < events && dueCounter(next) <= now.QuadPart) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = static_cast<WORD>('A' + (next / 2) % 26);
            input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(input.ki.wVk, MAPVK_VK_TO_VSC));
            if (next % 2 == 1) input.ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(1, &input, sizeof input);
            ++next;
        }
        if (next == events) break;
        const std::int64_t counts = dueCounter(next) - now.QuadPart;
        LARGE_INTEGER due;
        due.QuadPart = -std::max<std::int64_t>(1, (counts * 10'000'000 + frequency.QuadPart - 1) / frequency.QuadPart);
        SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
        for (;;) {
            Pump();
            if (MsgWaitForMultipleObjectsEx(1, &timer, 1000, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0) break;
        }
    }
    CloseHandle(timer);
    const DWORD until = GetTickCount() + 200;
    while (GetTickCount() < until) {
        Pump();
        Sleep(1);
    }
}

LRESULT CALLBACK PassKey(int code, WPARAM wParam, LPARAM lParam) { return CallNextHookEx(nullptr, code, wParam, lParam); }

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

}  // namespace

int main() {
    if (std::getenv("KEYLOOM_BENCH_QUICK") != nullptr) events = 100;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = BenchProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "KeyloomPlaybackPace";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Keyloom playback pace", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  100, 100, 400, 200, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) {
        std::printf("cannot create the bench window\n");
        return 1;
    }
    SetForegroundWindow(window);
    SetFocus(window);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    BenchRunner runner(window);
    // The input thread, as in the program: the second floor's hook is set
    // on it.
    if (!input::StartInputThread(reinterpret_cast<win::HWND>(window))) {
        std::printf("cannot start the input thread\n");
        return 1;
    }

    std::printf("playback pace: %d key events recorded %u ms apart, injected driver beside a bare timer and SendInput\n",
                events, kIntervalMs);
    std::printf("%8s %10s %10s | %-32s | %-32s\n", "", "", "", "player", "floor: bare timer and SendInput");
    std::printf("%8s %10s %10s | %10s %10s %10s | %10s %10s %10s\n", "speed", "interval", "received", "median ms",
                "p99 ms", "max ms", "median ms", "p99 ms", "max ms");
    // The first playback of the process pays for its start (the cancel-key
    // hook, the first injected input) with a few milliseconds on every event;
    // a fast pass first leaves the figures to the steady state.
    bool warmUp = true;
    bool complete = true;
    for (const std::int32_t speed : {-200, 0, -200, 100}) {
        const std::int64_t interval = ScaleInterval(static_cast<std::int32_t>(kIntervalMs), speed);
        const auto offSchedule = [&](const LARGE_INTEGER& started) {
            std::vector<double> errors;
            for (std::size_t i = 0; i < arrivals.size(); ++i) {
                const double arrivedMs = static_cast<double>(arrivals[i] - started.QuadPart) * 1000.0 /
                                         static_cast<double>(frequency.QuadPart);
                errors.push_back(std::fabs(arrivedMs - static_cast<double>(interval) * static_cast<double>(i)));
            }
            return errors;
        };

        arrivals.clear();
        playedOut = false;
        runEnded = false;
        SetForegroundWindow(window);
        SetFocus(window);
        Recording recording = MakeRecording();
        LARGE_INTEGER started;
        QueryPerformanceCounter(&started);
        PlayRecording(std::move(recording), speed, 1, runner, PlaybackDriver::Injected);
        RunUntilPlayedOut(window, 5.0 + static_cast<double>(interval * events) / 1000.0 * 2);
        RemovePlaybackWatchHook();
        const std::vector<double> player = offSchedule(started);
        const std::size_t playerReceived = arrivals.size();
        const char* playerNote = runEnded ? "  (run ended early)" : (playedOut ? "" : "  (did not finish)");

        arrivals.clear();
        SetForegroundWindow(window);
        SetFocus(window);
        PlayBare(interval, frequency, &started);
        const std::vector<double> floor = offSchedule(started);
        const std::size_t floorReceived = arrivals.size();

        // The same floor with a low-level keyboard hook on the input thread,
        // where the player would set one where Ctrl+Esc is taken as a hot
        // key: each injected key waits for the hook.
        arrivals.clear();
        win::HHOOK hook = input::SetLowLevelHook(WH_KEYBOARD_LL, reinterpret_cast<win::HOOKPROC>(&PassKey));
        PlayBare(interval, frequency, &started);
        if (hook != nullptr) input::RemoveLowLevelHook(hook);
        const std::vector<double> hooked = offSchedule(started);

        if (std::exchange(warmUp, false)) continue;
        const bool all = playedOut && !runEnded && playerReceived == static_cast<std::size_t>(events) &&
                         floorReceived == static_cast<std::size_t>(events);
        complete = complete && all;
        std::printf("%8d %8lld ms %4zu/%-5zu | %10.3f %10.3f %10.3f | %10.3f %10.3f %10.3f%s\n", speed,
                    static_cast<long long>(interval), playerReceived, floorReceived, Percentile(player, 0.5),
                    Percentile(player, 0.99), Percentile(player, 1.0), Percentile(floor, 0.5), Percentile(floor, 0.99),
                    Percentile(floor, 1.0), playerNote);
        // The player against the least the job takes: the bare timer and
        // SendInput loop with no hook in the process (the player's own hooks
        // live on the input thread).
        const double median = Percentile(player, 0.5), p99 = Percentile(player, 0.99);
        const double floorMedian = Percentile(floor, 0.5);
        bench::Goal(bench::Format("playback at speed %d (%lld ms apart), off schedule: median beyond its floor's", speed,
                                  static_cast<long long>(interval)),
                    bench::Format("%+.3f ms (%.3f against %.3f)%s", median - floorMedian, median, floorMedian,
                                  all ? "" : ", not every event arrived"),
                    "at most 0.1 ms", all && median - floorMedian <= 0.1);
        bench::Goal(bench::Format("playback at speed %d, off schedule: p99", speed), bench::Format("%.3f ms", p99),
                    "at most 2 ms", all && p99 <= 2.0);
        bench::Figure("its floor: bare timer and SendInput, no hook, median / p99",
                      bench::Format("%.3f / %.3f ms", floorMedian, Percentile(floor, 0.99)));
        bench::Figure("the floor with a low-level keyboard hook on the input thread, median / p99",
                      bench::Format("%.3f / %.3f ms", Percentile(hooked, 0.5), Percentile(hooked, 0.99)));
    }
    DestroyWindow(window);
    if (!complete) {
        std::printf("not every event arrived\n");
        return 1;
    }
    return 0;
}
