#include "journal/journal_format.h"

#include <cstring>
#include <new>

#include "store/message_text.h"
#include "store/recording_store.h"

namespace {

void PutField(std::uint32_t value, std::uint8_t* out) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint32_t GetField(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

void SerializeEvent(const JournalEvent& event, std::uint8_t* out) {
    PutField(event.message, out);
    PutField(event.paramL, out + 4);
    PutField(event.paramH, out + 8);
    PutField(event.time, out + 12);
    PutField(event.hwnd, out + 16);
}

JournalEvent DeserializeEvent(const std::uint8_t* bytes) {
    return JournalEvent{GetField(bytes), GetField(bytes + 4), GetField(bytes + 8), GetField(bytes + 12),
                        GetField(bytes + 16)};
}

JournalEvent FromEventMsg(const win::EVENTMSG& record) {
    const auto handle = reinterpret_cast<std::uintptr_t>(record.hwnd);
    return JournalEvent{record.message, record.paramL, record.paramH, record.time,
                        static_cast<std::uint32_t>(handle)};
}

win::EVENTMSG ToEventMsg(const JournalEvent& event) {
    // Sign-extended like the system widens a 32-bit handle.
    const auto handle = static_cast<std::intptr_t>(static_cast<std::int32_t>(event.hwnd));
    return win::EVENTMSG{MessageOf(event), event.paramL, event.paramH, event.time, reinterpret_cast<win::HWND>(handle)};
}

std::uint32_t WheelMessage(std::uint32_t message, std::int16_t distance) {
    return (message & 0xFFFFu) | static_cast<std::uint32_t>(static_cast<std::uint16_t>(distance)) << 16;
}

std::int32_t WheelDistanceOf(const JournalEvent& event) {
    const auto distance = static_cast<std::int16_t>(static_cast<std::uint16_t>(event.message >> 16));
    return distance != 0 ? distance : 120;
}

bool Passes(std::int32_t filter, std::uint32_t message) {
    switch (static_cast<EventFilter>(filter)) {
    case EventFilter::KeyboardAndMouse: return true;
    case EventFilter::Keyboard: return message >= kFirstKeyMessage && message <= kLastKeyMessage;
    case EventFilter::Mouse: return message >= kFirstMouseMessage && message <= kLastMouseMessage;
    }
    return false;
}

std::vector<std::uint8_t> SerializeEvents(const std::vector<JournalEvent>& events) {
    std::vector<std::uint8_t> bytes(events.size() * kJournalEventBytes);
    for (std::size_t i = 0; i < events.size(); ++i) SerializeEvent(events[i], bytes.data() + i * kJournalEventBytes);
    return bytes;
}

bool JoinChunks(const std::vector<ChunkView>& chunks, Recording* recording) {
    *recording = Recording{};
    std::uint64_t total = 0;
    for (const ChunkView& chunk : chunks) {
        total += chunk.count;
        if (total > kMaxRecordingBytes) return false;
    }
    // One spare byte keeps a recording of no events a real allocation.
    std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[total + 1]);
    if (!bytes) return false;
    std::uint64_t at = 0;
    for (const ChunkView& chunk : chunks) {
        if (chunk.count != 0) std::memcpy(bytes.get() + at, chunk.bytes, chunk.count);
        at += chunk.count;
    }
    recording->bytes = std::move(bytes);
    recording->byteCount = total;
    recording->count = static_cast<std::uint32_t>(total / kJournalEventBytes);
    return true;
}

bool LoadRecording(const std::string& name, Recording* recording) {
    *recording = Recording{};
    // A negative "Count" names no chunk, an empty recording, rather than
    // some four billion chunks to look for; one beyond the stored chunks
    // costs one failed read, not one per missing chunk.
    StoredRecording stored;
    switch (ReadRecording(name, kMaxRecordingBytes, false, &stored)) {
    case RecordingRead::Done: break;
    case RecordingRead::Failed: return false;
    case RecordingRead::TooLarge:
        ShowError(nullptr, FormatText("The recording %s is too large to be played back!", {name}));
        return false;
    }
    // The chunks were read back to back into one buffer: it is the event
    // array as it stands.
    recording->byteCount = stored.chunks.byteCount;
    recording->count = static_cast<std::uint32_t>(stored.chunks.byteCount / kJournalEventBytes);
    recording->bytes = std::move(stored.chunks.bytes);
    return true;
}
