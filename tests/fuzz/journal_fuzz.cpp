// The journal's chunks joined and played through the schedule, from any
// stored "Count" and chunk bytes and any speed and filter: the schedule
// serves every event at most a bounded number of times, never waits a
// negative time and ends.
#include "fuzz_input.h"
#include "journal/journal_format.h"
#include "journal/playback_schedule.h"
#include "store/registry_store.h"

namespace {

win::DWORD clockNow = 0;
win::DWORD Clock() { return clockNow += 3; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FreshFakeStore();
    FuzzInput in(data, size);
    const auto speed = static_cast<std::int32_t>(in.Word());
    const auto filter = static_cast<std::int32_t>(in.Byte() % 6) - 1;
    const std::string recording = kFuzzJournals + "R";
    fake::SetDword(recording, layout::kChunkCount, in.Byte() % 2 ? in.Word() : in.Byte() % 6);
    for (int chunk = 0; !in.Empty() && chunk < 5; ++chunk)
        fake::SetValue(recording, layout::ChunkName(chunk), win::REG_BINARY, in.Bytes(in.Byte() * 3));

    Recording events;
    if (!LoadRecording("R", &events)) return 0;
    PlaybackSchedule schedule;
    schedule.Reset(&events, speed, filter);
    clockNow = in.Word();
    // Each event is asked for at most twice, then skipped.
    std::uint64_t steps = 0;
    for (;;) {
        JournalEvent event;
        std::int32_t delay = 0;
        if (!schedule.GetNext(&Clock, &event, &delay)) break;
        if (delay < 0) __builtin_trap();
        if (!schedule.GetNext(&Clock, &event, &delay)) __builtin_trap();
        if (!schedule.AdvanceEvent()) break;
        if (++steps > events.count) __builtin_trap();
    }
    if (fake::OpenKeyCount() != 0) __builtin_trap();
    return 0;
}
