// The journal: recorded input events as they are stored, the filter that
// picks keyboard or mouse events, and the cutting of an event array into the
// registry's chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win.h"
#include "store/layout.h"
#include "store/registry_store.h"

// One recorded input event. Stored as five little-endian 32-bit fields in
// this order, 20 bytes, whatever the bitness of the build that wrote it.
struct JournalEvent {
    std::uint32_t message = 0;
    std::uint32_t paramL = 0;
    std::uint32_t paramH = 0;
    std::uint32_t time = 0;
    std::uint32_t hwnd = 0;  // low 32 bits of the window handle

    bool operator==(const JournalEvent&) const = default;
};

inline constexpr std::size_t kJournalEventBytes = 20;
inline constexpr std::size_t kJournalChunkBytes = layout::kChunkBytes;
inline constexpr std::size_t kEventsPerChunk = kJournalChunkBytes / kJournalEventBytes;
static_assert(kJournalChunkBytes % kJournalEventBytes == 0, "a chunk never splits an event");
// The largest recording the player loads: 64 MiB, about 3.3 million events.
// A recording that claims more is damaged data, not hours of input.
inline constexpr std::uint64_t kMaxRecordingBytes = 64ull * 1024 * 1024;
// What loading `events` as the recorder stores them counts against
// kMaxRecordingBytes: their bytes and the overhead of each chunk.
constexpr std::uint64_t LoadCost(std::uint64_t events) {
    const std::uint64_t bytes = events * kJournalEventBytes;
    return bytes + (bytes + kJournalChunkBytes - 1) / kJournalChunkBytes * RegistryStore::kChunkOverheadBytes;
}
// The most events a recording may hold to be played back and renamed: the
// recorder stops there.
constexpr std::uint32_t MostEventsLoaded() {
    constexpr std::uint64_t fullChunkCost = kJournalChunkBytes + RegistryStore::kChunkOverheadBytes;
    const std::uint64_t fullChunks = kMaxRecordingBytes / fullChunkCost;
    const std::uint64_t rest = kMaxRecordingBytes - fullChunks * fullChunkCost;
    const std::uint64_t tail = rest > RegistryStore::kChunkOverheadBytes
                                   ? (rest - RegistryStore::kChunkOverheadBytes) / kJournalEventBytes
                                   : 0;
    return static_cast<std::uint32_t>(fullChunks * kEventsPerChunk + tail);
}
inline constexpr std::uint32_t kMaxRecordedEvents = MostEventsLoaded();
static_assert(LoadCost(kMaxRecordedEvents) <= kMaxRecordingBytes && LoadCost(kMaxRecordedEvents + 1ull) > kMaxRecordingBytes);

void SerializeEvent(const JournalEvent& event, std::uint8_t* out);
JournalEvent DeserializeEvent(const std::uint8_t* bytes);

// At the seam: the system's record keeps a full window handle; the stored
// event keeps its low 32 bits, which is all a window handle carries, and
// gives it back sign-extended as the system does.
JournalEvent FromEventMsg(const win::EVENTMSG& record);
win::EVENTMSG ToEventMsg(const JournalEvent& event);

// The filter codes of a recording's "Type" and an instruction's
// "PlayBackEvent".
enum class EventFilter : std::int32_t {
    KeyboardAndMouse = 1,
    Keyboard = 2,
    Mouse = 3,
};
// The keyboard's and the mouse's ranges of window messages as journals knew
// them: WM_KEYDOWN up to 0x0108, the last key message before WM_UNICHAR
// came, and WM_MOUSEMOVE up to WM_MBUTTONDBLCLK, before the wheel came.
inline constexpr win::UINT kFirstKeyMessage = win::WM_KEYDOWN;
inline constexpr win::UINT kLastKeyMessage = 0x0108;
inline constexpr win::UINT kFirstMouseMessage = win::WM_MOUSEMOVE;
inline constexpr win::UINT kLastMouseMessage = win::WM_MBUTTONDBLCLK;

// A wheel event (WM_MOUSEWHEEL, WM_MOUSEHWHEEL) keeps the wheel's distance,
// signed, in WHEEL_DELTA units (120 a notch), in the high 16 bits of its
// message field, which every window message leaves 0. Journals made before
// have 0 there, which stands for one notch away from the user (+120).
std::uint32_t WheelMessage(std::uint32_t message, std::int16_t distance);
// The window message of an event, without a wheel distance.
inline std::uint32_t MessageOf(const JournalEvent& event) { return event.message & 0xFFFFu; }
std::int32_t WheelDistanceOf(const JournalEvent& event);

// Whether an event with `message` passes `filter`; a value other than the
// three codes lets nothing pass.
bool Passes(std::int32_t filter, std::uint32_t message);

// An event array as it is stored, 20 bytes an event, back to back.
std::vector<std::uint8_t> SerializeEvents(const std::vector<JournalEvent>& events);

// A loaded event array: the chunks' bytes back to back. Only whole events
// count; a chunk whose length is no multiple of 20 shifts the events after
// it, as concatenation does.
struct Recording {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::uint64_t byteCount = 0;
    std::uint32_t count = 0;  // events

    JournalEvent Event(std::uint32_t index) const { return DeserializeEvent(bytes.get() + index * kJournalEventBytes); }
};

// Joins chunks in order into `recording`. False, leaving it empty, when the
// total would exceed kMaxRecordingBytes or memory cannot be had.
using ChunkView = RegistryStore::ChunkView;
bool JoinChunks(const std::vector<ChunkView>& chunks, Recording* recording);

// Reads "Count" and the chunks "0" .. "Count-1" of Journals\<name> through
// the store. Every failure has been reported when it returns false.
bool LoadRecording(const std::string& name, Recording* recording);
