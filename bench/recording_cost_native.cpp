// What recording costs per event: the time spent inside the low-level mouse
// hook (the recorder's first choice) for 1,000,000 events delivered through
// the fake's hook chain (100,000 in a quick run), the slowest
// single event (a growth step), and the memory the buffer takes. The buffer
// grows with realloc, one call per step of 10000 events; every operator new
// of the process is counted besides, so any other allocation while
// recording shows.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "bench_line.h"
#include "journal/recorder.h"
#include "platform/fake/fake.h"
#include "platform/fake/fake_hooks.h"

namespace {
std::size_t allocations = 0;
std::size_t allocatedBytes = 0;
}  // namespace

void* operator new(std::size_t size) {
    ++allocations;
    allocatedBytes += size;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++allocations;
    allocatedBytes += size;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

int main() {
    using Clock = std::chrono::steady_clock;
    // A quick run records 100,000 events: ten growth steps.
    const std::uint32_t events = std::getenv("KEYLOOM_BENCH_QUICK") != nullptr ? 100'000 : 1'000'000;
    fake::Reset();
    // The low-level hooks live on the input thread and queue their events;
    // the bench hands them to the recorder itself after each event, as the
    // main window does at WM_INPUT_RECORD (whose post goes nowhere here).
    const win::HWND gone = fake::AddWindow("Keyloom");
    fake::RemoveWindow(gone);
    if (!input::StartInputThread(gone)) {
        std::printf("could not start the input thread\n");
        return 1;
    }
    JournalRecorder& recorder = Recorder();
    if (!recorder.Allocate() || recorder.InstallHooks(nullptr) != HookInstall::Installed) {
        std::printf("could not start recording\n");
        return 1;
    }
    const win::HHOOK hook = fake::FindHook(win::WH_MOUSE_LL);
    win::MSLLHOOKSTRUCT move{{0, 0}, 0, 0, 0, 0};

    // One event first, so that the fake's own bookkeeping (its call
    // counters) has made its entries before allocations are counted.
    fake::CallHook(hook, win::HC_ACTION, win::WM_MOUSEMOVE, reinterpret_cast<win::LPARAM>(&move));
    input::DeliverRecords();
    recorder.Allocate();
    const std::size_t allocationsBefore = allocations;
    const std::size_t bytesBefore = allocatedBytes;
    double slowest = 0;
    double outsideGrowthNs = 0;
    std::size_t growthSteps = 0;
    const auto start = Clock::now();
    for (std::uint32_t i = 0; i < events; ++i) {
        move.pt.x = static_cast<win::LONG>(i % 1024);
        move.time = i;
        const bool growth = recorder.Count() == recorder.Capacity();
        const auto t0 = Clock::now();
        fake::CallHook(hook, win::HC_ACTION, win::WM_MOUSEMOVE, reinterpret_cast<win::LPARAM>(&move));
        input::DeliverRecords();
        const double ns = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        if (ns > slowest) slowest = ns;
        if (growth) {
            ++growthSteps;
        } else {
            outsideGrowthNs += ns;
        }
    }
    const double totalNs = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    const std::size_t newCalls = allocations - allocationsBefore;
    const std::size_t newBytes = allocatedBytes - bytesBefore;
    const std::uint32_t capacity = recorder.Capacity();
    const std::uint32_t recorded = recorder.Count();

    // The bare hook procedures, without the fake's chain lookup or the
    // per-event clock reads above: the low-level one and the journal one.
    recorder.Allocate();
    auto bareStart = Clock::now();
    for (std::uint32_t i = 0; i < events; ++i) {
        move.time = i;
        RecordMouseHook(win::HC_ACTION, win::WM_MOUSEMOVE, reinterpret_cast<win::LPARAM>(&move));
        input::DeliverRecords();
    }
    const double bareNs = std::chrono::duration<double, std::nano>(Clock::now() - bareStart).count();
    recorder.Allocate();
    win::EVENTMSG record{win::WM_MOUSEMOVE, 0, 0, 0, nullptr};
    bareStart = Clock::now();
    for (std::uint32_t i = 0; i < events; ++i) {
        record.time = i;
        RecordHook(win::HC_ACTION, 0, reinterpret_cast<win::LPARAM>(&record));
    }
    const double journalNs = std::chrono::duration<double, std::nano>(Clock::now() - bareStart).count();

    std::printf("events recorded:                  %u\n", recorded);
    std::printf("time per event, through the fake: %.1f ns (with two clock reads per event)\n", totalNs / events);
    std::printf("  of it between growth steps:     %.1f ns\n", outsideGrowthNs / (events - growthSteps));
    std::printf("time per event, bare hook:        %.1f ns low-level, %.1f ns journal (goal: under 100 ns)\n",
                bareNs / events, journalNs / events);
    std::printf("slowest single event:             %.0f ns (a growth step)\n", slowest);
    std::printf("buffer capacity:                  %u events, %.1f MB\n", capacity, capacity * 20.0 / 1e6);
    std::printf("growth steps (realloc):           %zu\n", growthSteps);
    std::printf("operator new while recording:     %zu calls, %zu bytes (goal: 0)\n", newCalls, newBytes);
    bench::Goal("recording, time per event in the bare low-level hook", bench::Format("%.1f ns", bareNs / events),
                "under 100 ns", bareNs / events < 100);
    bench::Goal("recording, time per event in the bare journal hook", bench::Format("%.1f ns", journalNs / events),
                "under 100 ns", journalNs / events < 100);
    bench::Figure(bench::Format("recording, slowest single event of %u (a growth step)", recorded),
                  bench::Format("%.0f ns", slowest));
    bench::Goal("recording, operator new calls while recording", std::to_string(newCalls), "0", newCalls == 0);
    recorder.RemoveHooks();
    recorder.Discard();
    return 0;
}
