// The runner's throughput beside the bare registry reads it has to make,
// measured the same way on the fake and under Windows.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/main_dialog.h"
#include "platform/unique_handle.h"
#include "store/registry_store.h"

namespace bench {

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
    RegistryStore::CreateMacroKey(name + "\\Commands");
    for (int i = 0; i < count; ++i) {
        const std::string path = name + "\\Commands\\" + std::to_string(i);
        RegistryStore::CreateMacroKey(path);
        RegistryStore::WriteDword(0x88, "\\Macros\\" + path, "id");
        RegistryStore::WriteDword(2, "\\Macros\\" + path, "KeyPressed");
    }
}

// The opens and queries the runner makes for each instruction: the code,
// then the executor's "KeyPressed", then the read that finds the end.
inline void BareReads(const std::string& name, int count) {
    for (int i = 0; i <= count; ++i) {
        const std::string full = RegistryStore::FullPath("\\Macros\\" + name + "\\Commands\\" + std::to_string(i));
        std::int32_t value = 0;
        {
            UniqueKey key;
            if (RegistryStore::OpenKey(full, key.put()) != win::ERROR_SUCCESS) continue;
            RegistryStore::QueryDword(key.get(), "id", &value);
        }
        UniqueKey key;
        if (RegistryStore::OpenKey(full, key.put()) == win::ERROR_SUCCESS)
            RegistryStore::QueryDword(key.get(), "KeyPressed", &value);
    }
}

inline void RunMacro(MainDialog& dialog, const std::string& name) {
    dialog.runningMacroName = name;
    dialog.macroRunning = 1;
    dialog.nextInstruction = 0;
    dialog.OnRunMacro();
}

inline void ReportRunner(const char* where, int count, double runner, double reads) {
    std::printf("runner throughput (%s): %d key instructions\n", where, count);
    std::printf("  runner:      %9.1f ms  %10.0f instructions/s\n", runner * 1e3, count / runner);
    std::printf("  bare reads:  %9.1f ms  %10.0f instructions/s\n", reads * 1e3, count / reads);
    std::printf("  runner adds %.1f%% to the reads (goal: at most 20%%)\n", (runner / reads - 1.0) * 100.0);
}

}  // namespace bench
