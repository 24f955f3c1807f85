// How closely the injected playback keeps to its schedule: 1,000 keyboard
// events recorded 10 ms apart are played at speeds 0, -200 and +100 through
// the player's injecting driver into a window of this program, which stamps
// each key message's arrival with the performance counter. Prints the median,
// 99th percentile and largest |arrival - scheduled time| per speed; the first
// event is scheduled for the moment the playback starts, each later one its
// scaled interval after the one before.
#include "exec/runner.h"
#include "journal/journal_format.h"
#include "journal/playback_schedule.h"
#include "journal/player.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

constexpr int kEvents = 1000;
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
    win::HWND Window() const override { return reinterpret_cast<win::HWND>(window_); }

private:
    HWND window_;
};

Recording MakeRecording() {
    std::vector<JournalEvent> events;
    for (int i = 0; i < kEvents; ++i) {
        const auto vk = static_cast<std::uint32_t>('A' + (i / 2) % 26);
        const std::uint32_t scan = MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
        events.push_back(JournalEvent{static_cast<std::uint32_t>(i % 2 == 0 ? WM_KEYDOWN : WM_KEYUP), vk | scan << 8, 1,
                                      1000 + kIntervalMs * static_cast<std::uint32_t>(i), 0});
    }
    const std::vector<std::uint8_t> bytes = SerializeEvents(events);
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

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

}  // namespace

int main() {
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

    std::printf("playback pace: %d key events recorded %u ms apart, injected driver\n", kEvents, kIntervalMs);
    std::printf("%8s %10s %10s %12s %12s %12s\n", "speed", "interval", "received", "median ms", "p99 ms", "max ms");
    // The first playback of the process pays for its start (the cancel-key
    // hook, the first injected input) with a few milliseconds on every event;
    // a fast pass first leaves the figures to the steady state.
    bool warmUp = true;
    for (const std::int32_t speed : {-200, 0, -200, 100}) {
        arrivals.clear();
        playedOut = false;
        runEnded = false;
        SetForegroundWindow(window);
        SetFocus(window);
        const std::int64_t interval = ScaleInterval(static_cast<std::int32_t>(kIntervalMs), speed);
        Recording recording = MakeRecording();
        LARGE_INTEGER started;
        QueryPerformanceCounter(&started);
        PlayRecording(std::move(recording), speed, 1, runner, PlaybackDriver::Injected);
        RunUntilPlayedOut(window, 5.0 + static_cast<double>(interval * kEvents) / 1000.0 * 2);
        RemovePlaybackWatchHook();

        std::vector<double> errors;
        for (std::size_t i = 0; i < arrivals.size(); ++i) {
            const double arrivedMs =
                static_cast<double>(arrivals[i] - started.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
            errors.push_back(std::fabs(arrivedMs - static_cast<double>(interval) * static_cast<double>(i)));
        }
        if (std::exchange(warmUp, false)) continue;
        std::printf("%8d %8lld ms %10zu %12.3f %12.3f %12.3f%s\n", speed, static_cast<long long>(interval),
                    arrivals.size(), Percentile(errors, 0.5), Percentile(errors, 0.99), Percentile(errors, 1.0),
                    runEnded ? "  (run ended early)" : (playedOut ? "" : "  (did not finish)"));
    }
    DestroyWindow(window);
    return 0;
}
