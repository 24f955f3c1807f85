#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "journal/journal_format.h"
#include "platform/fake/fake.h"
#include "store/recording_store.h"
#include "store/registry_store.h"

namespace {

const std::string kJournals = "Software\\Tallow Labs\\Keyloom\\Journals\\";

std::vector<JournalEvent> Events(std::size_t n) {
    std::vector<JournalEvent> events;
    for (std::size_t i = 0; i < n; ++i)
        events.push_back(JournalEvent{0x100 + static_cast<std::uint32_t>(i % 2), 0x1E41 + static_cast<std::uint32_t>(i),
                                      1, 5000 + 10 * static_cast<std::uint32_t>(i), 0x10010});
    return events;
}

std::vector<std::uint8_t> Bytes(const std::vector<JournalEvent>& events) { return SerializeEvents(events); }

std::vector<JournalEvent> EventsOf(const Recording& recording) {
    std::vector<JournalEvent> events;
    for (std::uint32_t i = 0; i < recording.count; ++i) events.push_back(recording.Event(i));
    return events;
}

TEST(JournalEventTest, IsFiveLittleEndianFieldsWhateverTheHost) {
    const JournalEvent event{0x0100, 0x00001E41, 0x80000001, 0xFEDCBA98, 0x00ABCDEF};
    std::uint8_t bytes[kJournalEventBytes];
    SerializeEvent(event, bytes);
    const std::uint8_t expected[kJournalEventBytes] = {0x00, 0x01, 0, 0, 0x41, 0x1E, 0, 0, 0x01, 0, 0, 0x80,
                                                       0x98, 0xBA, 0xDC, 0xFE, 0xEF, 0xCD, 0xAB, 0x00};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 20), std::vector<std::uint8_t>(expected, expected + 20));
    EXPECT_EQ(DeserializeEvent(bytes), event);
}

TEST(JournalEventTest, KeepsTheLowHalfOfAWindowHandleAndGivesItBackSignExtended) {
    win::EVENTMSG record{0x0201, 100, 200, 300,
                         reinterpret_cast<win::HWND>(static_cast<std::uintptr_t>(0xFFFFFFFFFFFF8123ull & UINTPTR_MAX))};
    const JournalEvent event = FromEventMsg(record);
    EXPECT_EQ(event.hwnd, 0xFFFF8123u);
    const win::EVENTMSG back = ToEventMsg(event);
    EXPECT_EQ(back.hwnd, record.hwnd);
    EXPECT_EQ(back.message, 0x0201u);
    EXPECT_EQ(back.time, 300u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(ToEventMsg(JournalEvent{0, 0, 0, 0, 0x00020A3C}).hwnd), 0x20A3Cu);
}

TEST(EventFilterTest, PassesKeyboardAndMouseRangesInclusiveAndNothingForUnknownCodes) {
    struct Case {
        std::uint32_t message;
        bool all, keyboard, mouse;
    };
    const Case cases[] = {{0x00FF, true, false, false}, {0x0100, true, true, false}, {0x0108, true, true, false},
                          {0x0109, true, false, false}, {0x01FF, true, false, false}, {0x0200, true, false, true},
                          {0x0209, true, false, true},  {0x020A, true, false, false}, {0x004B, true, false, false}};
    for (const Case& c : cases) {
        EXPECT_EQ(Passes(1, c.message), c.all) << c.message;
        EXPECT_EQ(Passes(2, c.message), c.keyboard) << c.message;
        EXPECT_EQ(Passes(3, c.message), c.mouse) << c.message;
        for (std::int32_t other : {0, 4, 7, -1, INT_MIN}) EXPECT_FALSE(Passes(other, c.message)) << other;
    }
}

TEST(JournalChunksTest, JoiningRefusesATotalBeyondTheCapBeforeTouchingAByte) {
    const std::uint8_t few[20] = {};
    Recording recording;
    // The views claim more bytes than exist: only their counts may be read.
    EXPECT_FALSE(JoinChunks({{few, 20}, {few, static_cast<std::uint32_t>(kMaxRecordingBytes - 19)}}, &recording));
    EXPECT_EQ(recording.count, 0u);
    EXPECT_FALSE(JoinChunks({{few, UINT32_MAX}, {few, UINT32_MAX}}, &recording));
    ASSERT_TRUE(JoinChunks({}, &recording));
    EXPECT_EQ(recording.count, 0u);
}

class RecordingStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        ASSERT_TRUE(RegistryStore::EnsureStoreTree());
    }

    // Saved as the recorder saves.
    void Save(const std::string& name, const std::vector<JournalEvent>& events) {
        const auto bytes = SerializeEvents(events);
        const auto chunks = CutIntoChunks(bytes.data(), bytes.size());
        ASSERT_TRUE(WriteRecording(name, chunks, static_cast<std::int32_t>(chunks.size()), 1));
    }

    std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const auto& box : fake::MessageBoxes()) texts.push_back(box.text);
        return texts;
    }
};

TEST_F(RecordingStoreTest, RoundTripsRecordingsOfNoneOneChunkAndOneEventMore) {
    for (std::size_t n : {0u, 800u, 801u}) {
        const std::string name = "R" + std::to_string(n);
        Save(name, Events(n));
        std::vector<std::uint8_t> bytes;
        std::uint32_t type = 0;
        EXPECT_EQ(fake::GetValue(kJournals + name, "1", &type, &bytes), n == 801);
        if (n == 801) EXPECT_EQ(bytes.size(), 20u);
        Recording recording;
        ASSERT_TRUE(LoadRecording(name, &recording));
        EXPECT_EQ(EventsOf(recording), Events(n));
    }
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

// A save beyond its chunk writes: the Journals key opened once from the
// root, and below it the work key, the look for the old recording, the
// record, two renames and two deletions of keys that hold no others.
TEST_F(RecordingStoreTest, ASaveOpensOnePathFromTheRootAndPutsItsKeysInPlaceBelowIt) {
    const auto saveCounting = [&](const std::vector<JournalEvent>& events) {
        const int calls = fake::RegistryCalls(), fromRoot = fake::RootOpens(), listed = fake::Calls("RegEnumKeyA");
        Save("R", events);
        EXPECT_EQ(fake::RootOpens() - fromRoot, 1);
        EXPECT_EQ(fake::Calls("RegEnumKeyA") - listed, 0);
        return fake::RegistryCalls() - calls;
    };
    // Three chunks, "Count" and "Type".
    EXPECT_EQ(saveCounting(Events(2000)), 1 + 1 + 5 + 1 + 1);  // Journals, work key, values, look, rename
    EXPECT_EQ(saveCounting(Events(1700)), 1 + 1 + 5 + 1 + 2 + 2 + 2);  // and the record, set aside, two deletions
    Recording recording;
    ASSERT_TRUE(LoadRecording("R", &recording));
    EXPECT_EQ(EventsOf(recording), Events(1700));
    EXPECT_EQ(fake::SubKeys("Software\\Tallow Labs\\Keyloom\\Journals"), std::vector<std::string>{"R"});
    EXPECT_TRUE(fake::MessageBoxes().empty());
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

TEST_F(RecordingStoreTest, ACountThatIsNotThereOrNotSaneReadsWhatItCan) {
    // Negative: no chunk is looked for at all.
    fake::SetDword(kJournals + "Negative", "Count", 0x80000000u);
    fake::SetValue(kJournals + "Negative", "0", win::REG_BINARY, Bytes(Events(2)));
    Recording recording;
    ASSERT_TRUE(LoadRecording("Negative", &recording));
    EXPECT_EQ(recording.count, 0u);

    // Far beyond the stored chunks: the first missing one ends the load.
    fake::SetDword(kJournals + "Beyond", "Count", 0x7FFFFFFF);
    fake::SetValue(kJournals + "Beyond", "0", win::REG_BINARY, Bytes(Events(3)));
    EXPECT_FALSE(LoadRecording("Beyond", &recording));
    EXPECT_EQ(recording.count, 0u);
    ASSERT_EQ(BoxTexts().size(), 1u);
    EXPECT_EQ(BoxTexts()[0].rfind("Error reading value in reigistry at: Software\\Tallow Labs\\Keyloom\\Journals\\"
                                  "Beyond\\1, error: ",
                                  0),
              0u);
}

TEST_F(RecordingStoreTest, PartialEventsAreDroppedAtTheEndAndShiftEverythingAfterThemInTheMiddle) {
    const auto events = Events(3);
    const auto bytes = Bytes(events);
    // Last chunk 45 bytes: two whole events, five bytes ignored.
    fake::SetDword(kJournals + "Tail", "Count", 1);
    fake::SetValue(kJournals + "Tail", "0", win::REG_BINARY, {bytes.begin(), bytes.begin() + 45});
    Recording recording;
    ASSERT_TRUE(LoadRecording("Tail", &recording));
    EXPECT_EQ(EventsOf(recording), (std::vector<JournalEvent>{events[0], events[1]}));

    // A 30-byte chunk in the middle: the second event is made of its last
    // ten bytes and the next chunk's first ten.
    fake::SetDword(kJournals + "Middle", "Count", 2);
    fake::SetValue(kJournals + "Middle", "0", win::REG_BINARY, {bytes.begin(), bytes.begin() + 30});
    fake::SetValue(kJournals + "Middle", "1", win::REG_BINARY, {bytes.begin() + 40, bytes.begin() + 60});
    ASSERT_TRUE(LoadRecording("Middle", &recording));
    ASSERT_EQ(recording.count, 2u);
    EXPECT_EQ(recording.Event(0), events[0]);
    std::vector<std::uint8_t> shifted(bytes.begin() + 20, bytes.begin() + 30);
    shifted.insert(shifted.end(), bytes.begin() + 40, bytes.begin() + 50);
    EXPECT_EQ(recording.Event(1), DeserializeEvent(shifted.data()));
}

TEST_F(RecordingStoreTest, AChunkOfAnotherTypeIsTakenAsItsBytes) {
    fake::SetDword(kJournals + "Text", "Count", 1);
    fake::SetString(kJournals + "Text", "0", "ABCDEFGHIJKLMNOPQRS");  // 19 characters and the NUL
    Recording recording;
    ASSERT_TRUE(LoadRecording("Text", &recording));
    ASSERT_EQ(recording.count, 1u);
    EXPECT_EQ(recording.Event(0).message, 0x44434241u);
    EXPECT_EQ(recording.Event(0).hwnd, 0x00535251u);
}

// Chunks as the recorder writes them go straight into one buffer, one query
// each; chunks of other sizes still read whole, and what is kept follows what
// they hold, not how many there are.
TEST_F(RecordingStoreTest, ChunksAreReadStraightIntoOneBufferWhateverTheirSizes) {
    const auto events = Events(2000);
    const auto bytes = Bytes(events);
    fake::SetDword(kJournals + "Full", "Count", 3);
    for (int i = 0; i < 3; ++i) {
        const auto end = std::min<std::size_t>(bytes.size(), (i + 1) * kJournalChunkBytes);
        fake::SetValue(kJournals + "Full", std::to_string(i), win::REG_BINARY,
                       {bytes.begin() + i * kJournalChunkBytes, bytes.begin() + end});
    }
    const int queries = fake::Calls("RegQueryValueExA");
    Recording recording;
    ASSERT_TRUE(LoadRecording("Full", &recording));
    EXPECT_EQ(EventsOf(recording), events);
    EXPECT_EQ(fake::Calls("RegQueryValueExA") - queries, 1 + 3);  // Count, then each chunk once
    EXPECT_EQ(fake::LargestReadBuffer(), kJournalChunkBytes);

    fake::SetDword(kJournals + "Small", "Count", 2000);
    for (int i = 0; i < 2000; ++i)
        fake::SetValue(kJournals + "Small", std::to_string(i), win::REG_BINARY,
                       {bytes.begin() + i * 20, bytes.begin() + i * 20 + 20});
    ASSERT_TRUE(LoadRecording("Small", &recording));
    EXPECT_EQ(EventsOf(recording), events);
    EXPECT_EQ(recording.byteCount, bytes.size());

    // A chunk larger than the recorder writes: its size is asked for.
    fake::SetDword(kJournals + "Large", "Count", 1);
    fake::SetValue(kJournals + "Large", "0", win::REG_BINARY, bytes);
    ASSERT_TRUE(LoadRecording("Large", &recording));
    EXPECT_EQ(EventsOf(recording), events);
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

// The cap is checked against a chunk's size before memory is had for it: a
// damaged chunk of 3 GiB costs no 3 GiB.
TEST_F(RecordingStoreTest, AChunkBeyondTheCapIsRefusedBeforeItIsRead) {
    fake::SetDword(kJournals + "Vast", "Count", 2);
    fake::SetValue(kJournals + "Vast", "0", win::REG_BINARY, Bytes(Events(800)));
    fake::SetValueSize(kJournals + "Vast", "1", 0xC0000000u);
    Recording recording;
    EXPECT_FALSE(LoadRecording("Vast", &recording));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"The recording Vast is too large to be played back!"});
    EXPECT_LT(fake::LargestReadBuffer(), 65536u);
}

TEST_F(RecordingStoreTest, ARecordingBeyondTheCapIsRefusedWithAnError) {
    fake::SetDword(kJournals + "Huge", "Count", 2);
    fake::SetValue(kJournals + "Huge", "0", win::REG_BINARY, Bytes(Events(800)));
    fake::SetValue(kJournals + "Huge", "1", win::REG_BINARY,
                   std::vector<std::uint8_t>(kMaxRecordingBytes - 16000 + 20, 0));
    Recording recording;
    EXPECT_FALSE(LoadRecording("Huge", &recording));
    EXPECT_EQ(recording.count, 0u);
    ASSERT_EQ(fake::MessageBoxes().size(), 1u);
    EXPECT_EQ(fake::MessageBoxes()[0].text, "The recording Huge is too large to be played back!");
    EXPECT_EQ(fake::MessageBoxes()[0].caption, "Error");
    EXPECT_EQ(fake::MessageBoxes()[0].type, win::MB_OK | win::MB_ICONERROR);
    EXPECT_EQ(fake::OpenKeyCount(), 0);
}

}  // namespace
