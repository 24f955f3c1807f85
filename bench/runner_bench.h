// The runner's throughput beside the bare registry reads it has to make and
// the keys it has to send, measured the same way on the fake and under
// Windows.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "bench_line.h"
#include "platform/unique_handle.h"
#include "store/registry_store.h"

namespace bench {

// Lists that show nothing: the runner's benchmarks time the runner alone.
struct NoRows final : RowList {
    int ClientWidth() const override { return 0; }
    void AddColumn(const std::string&, int) override {}
    int AppendRow(const std::string&) override { return -1; }
    int InsertRow(int, const std::string&) override { return -1; }
    void SelectRow(int) override {}
    void SetRowData(int, std::int32_t) override {}
    std::int32_t RowData(int) const override { return 0; }
    void SetCell(int, int, const std::string&) override {}
    void RemoveRow(int) override {}
    int RowCount() const override { return 0; }
    std::string Cell(int, int) const override { return {}; }
    int SelectedRow() const override { return -1; }
    void SetRedraw(bool) override {}
};

// KEYLOOM_BENCH_QUICK set: a smoke run with few rounds and small inputs,
// whose figures say only that the benchmark still works.
inline bool Quick() { return std::getenv("KEYLOOM_BENCH_QUICK") != nullptr; }

inline double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

template <typename F>
double Time(F&& body) {
    const auto start = std::chrono::steady_clock::now();
    body();
    return Seconds(std::chrono::steady_clock::now() - start);
}

// A macro of `count` key instructions: key-ups of a key nothing uses, so
// that the synthetic input disturbs no window.
inline void StoreKeyMacro(const std::string& name, int count) {
    RegistryStore::CreateMacroKey(name);
    RegistryStore::CreateMacroKey(layout::CommandsPath(name));
    for (int i = 0; i < count; ++i) {
        const std::string path = layout::InstructionPath(name, i);
        RegistryStore::CreateMacroKey(path);
        RegistryStore::WriteDword(0x88, layout::MacroStorePath(path), layout::kId);
        RegistryStore::WriteInstructionValue(2, path, layout::Field::KeyPressed);
    }
}

// The key events a run of the macro above sends, each with the scan code the
// layout gives for its key, in one SendInput: the least that sending them
// takes.
class KeyEvents {
public:
    void Add(std::int32_t flags) {
        win::INPUT input{};
        input.type = win::INPUT_KEYBOARD;
        input.ki.wVk = kKey;
        input.ki.wScan = static_cast<win::WORD>(win::MapVirtualKeyA(kKey, win::MAPVK_VK_TO_VSC));
        input.ki.dwFlags = static_cast<win::DWORD>(flags);
        inputs_.push_back(input);
    }
    ~KeyEvents() {
        if (!inputs_.empty())
            win::SendInput(static_cast<win::UINT>(inputs_.size()), inputs_.data(), static_cast<int>(sizeof(win::INPUT)));
    }

private:
    static constexpr win::WORD kKey = 0x88;
    std::vector<win::INPUT> inputs_;
};

// The reads a run from the registry takes for each instruction, each key
// opened by its path from the root: one open of its key, the code and
// "KeyPressed" read through it; then the open that finds the end.
inline void BareReads(const std::string& name, int count) {
    for (int i = 0; i <= count; ++i) {
        const std::string full = layout::MacroFullPath(layout::InstructionPath(name, i));
        std::int32_t value = 0;
        UniqueKey key;
        if (RegistryStore::OpenKey(full, key.put()) != win::ERROR_SUCCESS) continue;
        RegistryStore::QueryDword(key.get(), layout::kId, &value);
        RegistryStore::QueryDword(key.get(), layout::NameOf(layout::Field::KeyPressed), &value);
    }
}

// The same reads with each key opened below the Macros key, held for the
// run, as the runner opens them: under Wine the open of a path from the
// root in the 32-bit view is walked key by key, one below a held key is
// one call. This, with the keys sent, is the least the job takes, and the
// runner is judged against it; the opens by path are shown beside it.
inline void BareReadsBelow(const std::string& name, int count) {
    UniqueKey macros;
    if (RegistryStore::OpenKey(layout::MacrosFullPath(), macros.put()) != win::ERROR_SUCCESS) return;
    KeyEvents keys;
    for (int i = 0; i <= count; ++i) {
        const std::string path = layout::InstructionPath(name, i);
        std::int32_t value = 0;
        UniqueKey key;
        if (win::RegOpenKeyExA(macros.get(), path.c_str(), 0, RegistryStore::kAccessBelow, key.put()) !=
            win::ERROR_SUCCESS)
            continue;
        RegistryStore::QueryDword(key.get(), layout::kId, &value);
        RegistryStore::QueryDword(key.get(), layout::NameOf(layout::Field::KeyPressed), &value);
        keys.Add(value);
    }
}

// Starts a run as a hot key does, the pause included, up to where the
// runner takes its first instruction; the timed part is OnRunMacro.
inline void StartRun(MainDialog& dialog, const std::string& name) {
    dialog.runningMacroName = name;
    dialog.nextInstruction = 0;
    dialog.StartMacro();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Each round times the runner and the bare reads side by side, the two in
// turn first, so that both meet the same load on the machine; the overhead
// is the median of the rounds' own ratios. `settle` runs before each timed
// part: keys sent are taken by the system after the call that sent them
// returns, and no part is to pay for the input of the one before it.
template <typename StartOnce, typename RunMacroOnce, typename ReadOnce, typename ReadBelowOnce, typename SettleOnce>
void MeasureRunner(const char* where, int count, int rounds, StartOnce&& start, RunMacroOnce&& runMacro,
                   ReadOnce&& read, ReadBelowOnce&& readBelow, SettleOnce&& settle) {
    std::vector<double> runner, reads, below, ratios, belowRatios;
    for (int round = 0; round < rounds; ++round) {
        const auto timed = [&settle](auto& body) {
            settle();
            return Time(body);
        };
        start();
        if (round % 2 == 0) {
            runner.push_back(timed(runMacro));
            reads.push_back(timed(read));
            below.push_back(timed(readBelow));
        } else {
            below.push_back(timed(readBelow));
            reads.push_back(timed(read));
            runner.push_back(timed(runMacro));
        }
        ratios.push_back(runner.back() / reads.back());
        belowRatios.push_back(runner.back() / below.back());
    }
    std::printf("runner throughput (%s, %d rounds): %d key instructions\n", where, rounds, count);
    std::printf("  runner:      %9.1f ms  %10.0f instructions/s (median)\n", Median(runner) * 1e3,
                count / Median(runner));
    std::printf("  bare reads opening each key by its path:  %9.1f ms  %10.0f instructions/s (median)\n",
                Median(reads) * 1e3,
                count / Median(reads));
    std::printf("  reads below the held Macros key, keys in one SendInput: %9.1f ms (median)\n", Median(below) * 1e3);
    std::printf("  runner adds %.1f%% to the reads opening each key by its path\n", (Median(ratios) - 1.0) * 100.0);
    std::printf("  runner adds %.1f%% to the reads below the held key, median of the rounds (goal: at most 20%%)\n",
                (Median(belowRatios) - 1.0) * 100.0);
    Figure(Format("runner, %d key instructions (%s)", count, where),
           Format("%.1f ms, %.0f instructions/s", Median(runner) * 1e3, count / Median(runner)));
    Figure(Format("its floor: one open below the held Macros key, one read per value, the keys in one SendInput (%s)",
                  where),
           Format("%.1f ms", Median(below) * 1e3));
    Goal(Format("runner over its floor (%s)", where), Format("%.2fx", Median(belowRatios)), "at most 1.2x",
         Median(belowRatios) <= 1.2);
    Figure(Format("runner over the same reads opening each key by its path (%s)", where),
           Format("%.2fx (%.1f ms)", Median(ratios), Median(reads) * 1e3));
}

}  // namespace bench
