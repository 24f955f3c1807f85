// Saving and loading a recording of 100,000 events (125 chunks) through the
// store and the real registry, beside the bare registry calls that write and
// read the same bytes with one open key, the load's straight into one buffer.
// Rounds alternate the two sides; the figures are the medians of the rounds'
// ratios (goal: at most 1.2x; the load at most 1.1x in each of five runs and
// beside a second load).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench_line.h"

#include "journal/journal_format.h"
#include "journal/recorder.h"
#include "platform/unique_handle.h"
#include "store/registry_store.h"


namespace {

using Clock = std::chrono::steady_clock;
// 100,000 events in 5 runs of 9 rounds; a quick run takes 10,000 in runs
// of one.
std::uint32_t events = 100'000;
int rounds = 9;
const std::string kName = "Bench journal store";
const std::string kBareName = "Bench journal store bare";

double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool BareSave(const std::vector<std::uint8_t>& bytes, std::int32_t chunks) {
    UniqueKey key;
    const std::string path = layout::RecordingFullPath(kBareName);
    if (win::RegCreateKeyExA(win::HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, RegistryStore::kAccess, nullptr,
                             key.put(), nullptr) != win::ERROR_SUCCESS)
        return false;
    for (std::int32_t i = 0; i < chunks; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * kJournalChunkBytes;
        const auto size = static_cast<win::DWORD>(std::min(kJournalChunkBytes, bytes.size() - at));
        if (win::RegSetValueExA(key.get(), layout::ChunkName(i).c_str(), 0, win::REG_BINARY, bytes.data() + at, size) !=
            win::ERROR_SUCCESS)
            return false;
    }
    const std::int32_t type = 1;
    return win::RegSetValueExA(key.get(), layout::kChunkCount, 0, win::REG_DWORD, reinterpret_cast<const win::BYTE*>(&chunks), 4) ==
               win::ERROR_SUCCESS &&
           win::RegSetValueExA(key.get(), layout::kRecordingType, 0, win::REG_DWORD, reinterpret_cast<const win::BYTE*>(&type), 4) ==
               win::ERROR_SUCCESS;
}

bool BareLoad(std::vector<std::uint8_t>* bytes, std::int32_t chunks) {
    UniqueKey key;
    const std::string path = layout::RecordingFullPath(kBareName);
    if (RegistryStore::OpenKey(path, key.put()) != win::ERROR_SUCCESS) return false;
    bytes->assign(std::size_t{events} * kJournalEventBytes, 0);
    std::size_t at = 0;
    for (std::int32_t i = 0; i < chunks; ++i) {
        win::DWORD size = static_cast<win::DWORD>(bytes->size() - at);
        if (win::RegQueryValueExA(key.get(), layout::ChunkName(i).c_str(), nullptr, nullptr, bytes->data() + at, &size) !=
            win::ERROR_SUCCESS)
            return false;
        at += size;
    }
    return at == bytes->size();
}

// The bare writes again, each with its own open and close of the key, as
// one store operation per value would make them: what saving through
// WriteBinary value by value would cost.
bool BareSaveReopening(const std::vector<std::uint8_t>& bytes, std::int32_t chunks) {
    const std::string path = layout::RecordingFullPath(kBareName);
    for (std::int32_t i = 0; i < chunks; ++i) {
        UniqueKey key;
        if (RegistryStore::OpenKey(path, key.put()) != win::ERROR_SUCCESS) return false;
        const std::size_t at = static_cast<std::size_t>(i) * kJournalChunkBytes;
        const auto size = static_cast<win::DWORD>(std::min(kJournalChunkBytes, bytes.size() - at));
        if (win::RegSetValueExA(key.get(), layout::ChunkName(i).c_str(), 0, win::REG_BINARY, bytes.data() + at, size) !=
            win::ERROR_SUCCESS)
            return false;
    }
    return true;
}

// What a save that keeps the old recording whole costs beyond the bare
// writes, measured call by call: the same writes into a key made afresh
// (the old one is not overwritten), then the calls that put it in place of
// the old one, bare, below Journals opened once: the record of where the
// old tree goes back to, the old tree set aside, the new one renamed into
// place, the record and the old tree deleted.
struct SwapCost {
    double freshWrites;
    double putInPlace;
};

bool BareSwap(const std::vector<std::uint8_t>& bytes, std::int32_t chunks, SwapCost* cost) {
    const std::string work = "Bench journal store work", record = "Bench journal store record",
                      aside = "Bench journal store aside";
    auto t = Clock::now();
    UniqueKey journals;
    if (RegistryStore::OpenKey(layout::JournalsFullPath(), journals.put()) != win::ERROR_SUCCESS) return false;
    {
        UniqueKey key;
        if (win::RegCreateKeyExA(journals.get(), work.c_str(), 0, nullptr, 0, RegistryStore::kAccessBelow, nullptr,
                                 key.put(), nullptr) != win::ERROR_SUCCESS)
            return false;
        for (std::int32_t i = 0; i < chunks; ++i) {
            const std::size_t at = static_cast<std::size_t>(i) * kJournalChunkBytes;
            const auto size = static_cast<win::DWORD>(std::min(kJournalChunkBytes, bytes.size() - at));
            if (win::RegSetValueExA(key.get(), layout::ChunkName(i).c_str(), 0, win::REG_BINARY, bytes.data() + at,
                                    size) != win::ERROR_SUCCESS)
                return false;
        }
    }
    cost->freshWrites = Ms(t);
    t = Clock::now();
    {
        UniqueKey key;
        if (win::RegCreateKeyExA(journals.get(), record.c_str(), 0, nullptr, 0, RegistryStore::kAccessBelow, nullptr,
                                 key.put(), nullptr) != win::ERROR_SUCCESS ||
            win::RegSetValueExA(key.get(), "Name", 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(kBareName.c_str()),
                                static_cast<win::DWORD>(kBareName.size() + 1)) != win::ERROR_SUCCESS)
            return false;
    }
    const std::wstring wideBare(kBareName.begin(), kBareName.end()), wideWork(work.begin(), work.end()),
        wideAside(aside.begin(), aside.end());
    const bool swapped = win::RegRenameKey(journals.get(), wideBare.c_str(), wideAside.c_str()) == win::ERROR_SUCCESS &&
                         win::RegRenameKey(journals.get(), wideWork.c_str(), wideBare.c_str()) == win::ERROR_SUCCESS &&
                         win::RegDeleteKeyExA(journals.get(), record.c_str(), 0, 0) == win::ERROR_SUCCESS &&
                         win::RegDeleteKeyExA(journals.get(), aside.c_str(), 0, 0) == win::ERROR_SUCCESS;
    cost->putInPlace = Ms(t);
    return swapped;
}

}  // namespace

int main() {
    if (std::getenv("KEYLOOM_BENCH_QUICK") != nullptr) {
        events = 10'000;
        rounds = 1;
    }
    if (!RegistryStore::EnsureStoreTree()) return 1;
    isWindowsNt = true;
    JournalRecorder& recorder = Recorder();
    if (!recorder.Allocate()) return 1;
    for (std::uint32_t i = 0; i < events; ++i)
        recorder.Record(JournalEvent{win::WM_MOUSEMOVE + (i & 1), i % 1280, i % 1024, i * 7, 0x10010});
    std::vector<JournalEvent> recorded;
    for (std::uint32_t i = 0; i < events; ++i) recorded.push_back(recorder.Event(i));
    const std::vector<std::uint8_t> bytes = SerializeEvents(recorded);
    const auto chunks = static_cast<std::int32_t>((bytes.size() + kJournalChunkBytes - 1) / kJournalChunkBytes);

    // A load and its floor, side by side, the two in turn first so that
    // neither always meets what the other left: the ratio of the two.
    const auto loadRatio = [&](std::vector<double>* loads, std::vector<double>* bares, bool bareFirst = false) {
        const auto bare = [&] {
            const auto t = Clock::now();
            std::vector<std::uint8_t> read;
            if (!BareLoad(&read, chunks) || read != bytes) return false;
            bares->push_back(Ms(t));
            return true;
        };
        if (bareFirst && !bare()) return -1.0;
        const auto t = Clock::now();
        Recording recording;
        if (!LoadRecording(kName, &recording) || recording.count != events) return -1.0;
        loads->push_back(Ms(t));
        if (!bareFirst && !bare()) return -1.0;
        return loads->back() / bares->back();
    };

    std::vector<double> save, load, bareSave, bareLoad, reopening, saveRatios, loadRatios;
    // Five runs of the rounds; the load's goal holds in each of them.
    const int runs = 5;
    std::vector<double> runLoadRatios;
    for (int run = 0; run < runs; ++run) {
        std::vector<double> ratios;
        for (int round = 0; round < rounds; ++round) {
            auto t = Clock::now();
            if (!recorder.Save(kName)) return 1;
            save.push_back(Ms(t));
            t = Clock::now();
            if (!BareSave(bytes, chunks)) return 1;
            bareSave.push_back(Ms(t));
            saveRatios.push_back(save.back() / bareSave.back());
            t = Clock::now();
            if (!BareSaveReopening(bytes, chunks)) return 1;
            reopening.push_back(Ms(t));

            if (run == 0 && round == 0) {
                // The program's first load grows its heap to the recording's
                // size, once: it is not timed.
                std::vector<double> first, firstBare;
                if (loadRatio(&first, &firstBare) < 0) return 1;
            }
            const double ratio = loadRatio(&load, &bareLoad, round % 2 == 1);
            if (ratio < 0) return 1;
            ratios.push_back(ratio);
            loadRatios.push_back(ratio);
        }
        runLoadRatios.push_back(Median(ratios));
    }

    // Where a save's time goes beyond the bare writes, in rounds of their
    // own after the others: the floor's key is replaced by each of them.
    std::vector<double> freshWrites, putInPlace, bareAgain;
    for (int round = 0; round < runs * rounds; ++round) {
        SwapCost cost{};
        if (!BareSwap(bytes, chunks, &cost)) return 1;
        freshWrites.push_back(cost.freshWrites);
        putInPlace.push_back(cost.putInPlace);
        const auto t = Clock::now();
        if (!BareSave(bytes, chunks)) return 1;
        bareAgain.push_back(Ms(t));
    }

    // Once more with a second load running beside it all the while, on a
    // thread of its own, as another program reading the registry would.
    std::atomic<bool> besideRuns{true};
    std::thread beside([&] {
        std::vector<std::uint8_t> read;
        while (besideRuns.load()) BareLoad(&read, chunks);
    });
    std::vector<double> besideLoads, besideBares, besideRatios;
    for (int round = 0; round < rounds; ++round) {
        const double ratio = loadRatio(&besideLoads, &besideBares, round % 2 == 1);
        if (ratio < 0) break;
        besideRatios.push_back(ratio);
    }
    besideRuns.store(false);
    beside.join();
    if (besideRatios.size() != static_cast<std::size_t>(rounds)) return 1;

    RegistryStore::DeleteKeyTree(layout::RecordingFullPath(kName));
    RegistryStore::DeleteKeyTree(layout::RecordingFullPath(kBareName));

    const double worstRun = *std::max_element(runLoadRatios.begin(), runLoadRatios.end());
    std::printf("%u events, %d chunks, %d runs of %d rounds\n", events, chunks, runs, rounds);
    std::printf("save through the store: %8.2f ms   bare RegSetValueExA:   %8.2f ms   (%.2fx, median of the rounds)\n",
                Median(save), Median(bareSave), Median(saveRatios));
    std::printf("load through the store: %8.2f ms   bare RegQueryValueExA: %8.2f ms   (%.2fx, median of the rounds)\n",
                Median(load), Median(bareLoad), Median(loadRatios));
    std::printf("load over its floor, each run's median:");
    for (double ratio : runLoadRatios) std::printf(" %.2fx", ratio);
    std::printf("\nload beside a second load: %.2f ms, its floor %.2f ms (%.2fx)\n", Median(besideLoads),
                Median(besideBares), Median(besideRatios));
    std::printf("bare writes opening the key for each value (WriteBinary per chunk): %.2f ms\n", Median(reopening));
    bench::Figure(bench::Format("recording save, %u events in %d chunks", events, chunks),
                  bench::Format("%.2f ms", Median(save)));
    bench::Figure("its floor: bare RegSetValueExA of the chunks", bench::Format("%.2f ms", Median(bareSave)));
    bench::Goal("recording save over its floor", bench::Format("%.2fx", Median(saveRatios)), "at most 1.2x",
                Median(saveRatios) <= 1.2);
    std::printf("the same writes into a key made afresh: %.2f ms (bare writes over the old values: %.2f ms)\n",
                Median(freshWrites), Median(bareAgain));
    std::printf("putting it in place bare (record, two renames, two deletions): %.2f ms\n", Median(putInPlace));
    bench::Figure("the chunks' bare writes into a key made afresh", bench::Format("%.2f ms", Median(freshWrites)));
    bench::Figure("putting a written recording in place, bare (record, 2 renames, 2 deletions)",
                  bench::Format("%.2f ms", Median(putInPlace)));
    bench::Figure(bench::Format("recording load, %u events in %d chunks", events, chunks),
                  bench::Format("%.2f ms", Median(load)));
    bench::Figure("its floor: bare RegQueryValueExA of the chunks into one buffer", bench::Format("%.2f ms", Median(bareLoad)));
    bench::Goal(bench::Format("recording load over its floor, worst of %d runs", runs), bench::Format("%.2fx", worstRun),
                "at most 1.1x in every run", worstRun <= 1.1);
    bench::Goal("recording load over its floor, beside a second load", bench::Format("%.2fx", Median(besideRatios)),
                "at most 1.1x", Median(besideRatios) <= 1.1);
    return 0;
}
