// Keyloom's own memory under Wine: the real Keyloom.exe, started by this
// program with 1,000 stored macros (100 in a quick run), measured idle after
// its start-up beside an empty program of the same run, then while one of
// its macros loads and plays a recording of 100,000 events (10,000).
//
// The figures are what GetProcessMemoryInfo says of each process, read from
// here. Wine 8 fills them from the Linux process behind the handle: the
// working set is its resident memory, the peak working set its high-water
// mark, PagefileUsage its anonymous memory (resident or swapped); it leaves
// PrivateUsage at 0. On Windows PagefileUsage is the same private commit as
// PrivateUsage, so private bytes are PrivateUsage where the system fills it
// and PagefileUsage where it does not. Before anything is judged, the empty
// program takes and touches a known amount of memory and the counters must
// show it; and where this program can find the Wine process of Keyloom in
// /proc, its status is printed beside the counters.
#include "bench_line.h"
#include "common/command_channel.h"
#include "common/messages.h"
#include "journal/journal_format.h"
#include "runner_bench.h"
#include "store/recording_store.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

int macros = 1000;
std::uint32_t events = 100'000;
const std::string kRecording = "Keyloom benchmark memory";
const std::string kPlaybackMacro = "Keyloom memory playback";
// What the empty program takes to show that the counters follow it.
constexpr std::size_t kProbeBytes = 16'000'000;

constexpr double kMb = 1e6;

std::string MacroName(int i) { return "Keyloom memory " + std::to_string(1000 + i); }

// 1,000 distinct combinations: 67 keys with 15 modifier sets.
void Combination(int i, std::int32_t* vk, std::int32_t* modifiers) {
    const int key = i % 67;
    *vk = key < 43 ? 0x30 + key : 0x70 + (key - 43);
    *modifiers = 1 + i / 67;
}

struct Memory {
    double workingSet = 0, privateBytes = 0, peakWorkingSet = 0;  // MB
};

// True once a reading has found PrivateUsage at 0 and taken PagefileUsage.
bool privateFromPagefile = false;

bool Read(HANDLE process, Memory* memory) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return false;
    std::size_t privateBytes = counters.PrivateUsage;
    if (privateBytes == 0) {
        privateBytes = counters.PagefileUsage;
        privateFromPagefile = true;
    }
    memory->workingSet = static_cast<double>(counters.WorkingSetSize) / kMb;
    memory->privateBytes = static_cast<double>(privateBytes) / kMb;
    memory->peakWorkingSet = static_cast<double>(counters.PeakWorkingSetSize) / kMb;
    return true;
}

std::string Beside(const char* program) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string here(path, length);
    return here.substr(0, here.find_last_of('\\') + 1) + program;
}

struct Child {
    PROCESS_INFORMATION info{};
    bool Start(const std::string& command) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string line = command;
        return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info) != 0;
    }
    bool Running() const { return WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT; }
    ~Child() {
        if (info.hProcess == nullptr) return;
        if (Running()) TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, INFINITE);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
};

// The empty program measured as it stands, then with kProbeBytes taken.
bool MeasureEmpty(Memory* empty, Memory* probed) {
    const std::string suffix = std::to_string(GetCurrentProcessId());
    const std::string readyName = "KeyloomMemoryReady" + suffix, goName = "KeyloomMemoryGo" + suffix;
    HANDLE ready = CreateEventA(nullptr, FALSE, FALSE, readyName.c_str());
    HANDLE go = CreateEventA(nullptr, FALSE, FALSE, goName.c_str());
    Child child;
    bool ok = child.Start("\"" + Beside("memory_empty.exe") + "\" " + readyName + " " + goName + " " +
                          std::to_string(kProbeBytes));
    for (Memory* step : {empty, probed}) {
        HANDLE both[2] = {ready, child.info.hProcess};
        ok = ok && WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0 && Read(child.info.hProcess, step);
        SetEvent(go);
    }
    if (ok) {
        WaitForSingleObject(child.info.hProcess, INFINITE);
        DWORD code = 1;
        ok = GetExitCodeProcess(child.info.hProcess, &code) && code == 0;
    }
    CloseHandle(ready);
    CloseHandle(go);
    return ok;
}

// The Linux status of Keyloom's Wine process, found as the process of that
// name in this program's prefix; nothing where /proc cannot be read.
std::optional<std::string> LinuxStatus() {
    char prefix[MAX_PATH] = {};
    if (GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix) == 0) return std::nullopt;
    const std::string wanted = std::string("WINEPREFIX=") + prefix;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    std::optional<std::string> status;
    do {
        if (found.cFileName[0] < '1' || found.cFileName[0] > '9') continue;
        const std::string dir = std::string("Z:\\proc\\") + found.cFileName + "\\";
        std::string text;
        char chunk[4096];
        if (FILE* file = std::fopen((dir + "status").c_str(), "rb")) {
            for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) text.append(chunk, n);
            std::fclose(file);
        }
        if (text.find("Name:\tKeyloom.exe") == std::string::npos) continue;
        std::string environment;
        if (FILE* file = std::fopen((dir + "environ").c_str(), "rb")) {
            for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) environment.append(chunk, n);
            std::fclose(file);
        }
        if (environment.find(wanted + '\0') == std::string::npos) continue;
        std::string line;
        for (const char* field : {"VmRSS:", "VmHWM:", "RssAnon:"}) {
            const std::size_t at = text.find(field);
            if (at == std::string::npos) continue;
            const std::size_t end = text.find('\n', at);
            std::string value = text.substr(at, end - at);
            for (char& c : value)
                if (c == '\t') c = ' ';
            line += (line.empty() ? "" : ", ") + value;
        }
        status = "pid " + std::string(found.cFileName) + ": " + line;
    } while (!status && FindNextFileA(search, &found));
    FindClose(search);
    return status;
}

// keyloomc's run request, sent as keyloomc sends it; the status, or nothing
// when no Keyloom took it.
std::optional<channel::Status> Run(HWND keyloom, const std::string& name) {
    channel::Request request;
    request.command = channel::Command::Run;
    request.name.assign(name.begin(), name.end());
    std::vector<std::uint8_t> block = channel::EncodeRequest(request);
    COPYDATASTRUCT data{channel::kCopyDataTag, static_cast<DWORD>(block.size()), block.data()};
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(keyloom, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_BLOCK, 60'000, &result))
        return std::nullopt;
    channel::Status status;
    if (!channel::StatusFromResult(static_cast<std::intptr_t>(result), &status)) return std::nullopt;
    return status;
}

// What a box on the screen says, for a run that does not go through.
void PrintBoxes() {
    EnumWindows(
        [](HWND window, LPARAM) -> BOOL {
            if (!IsWindowVisible(window)) return TRUE;
            EnumChildWindows(
                window,
                [](HWND child, LPARAM) -> BOOL {
                    char text[512] = {};
                    if (GetWindowTextA(child, text, sizeof text) > 2) std::printf("  on the screen: %s\n", text);
                    return TRUE;
                },
                0);
            return TRUE;
        },
        0);
}

struct KeyloomFigures {
    Memory idle, played;
    double peakWorkingSet = 0, peakPrivate = 0;  // while playing
    bool peakFromCounter = false;                 // the high-water mark rose while playing
    double playSeconds = 0;
    std::optional<std::string> idleStatus, playedStatus;
};

// Keyloom's readings until two seconds pass without a change: start-up
// has settled. A figure that never stops moving is taken as it stands after
// half a minute.
bool Settle(HANDLE process, Memory* memory) {
    Memory last;
    for (int same = 0, round = 0; same < 20 && round < 300; ++round) {
        Sleep(100);
        if (!Read(process, memory)) return false;
        same = memory->privateBytes == last.privateBytes && memory->workingSet == last.workingSet ? same + 1 : 0;
        last = *memory;
    }
    return true;
}

bool MeasureKeyloom(KeyloomFigures* figures) {
    Child keyloom;
    if (!keyloom.Start("\"" + Beside("Keyloom.exe") + "\"")) return false;
    const HANDLE process = keyloom.info.hProcess;
    WaitForInputIdle(process, INFINITE);
    HWND window = nullptr;
    while ((window = FindWindowA(kMainWindowClass, nullptr)) == nullptr) {
        if (!keyloom.Running()) return false;
        Sleep(50);
    }
    if (!Settle(process, &figures->idle)) return false;
    figures->idleStatus = LinuxStatus();

    const auto started = Run(window, kPlaybackMacro);
    if (started != channel::Status::Ok) {
        std::printf("Keyloom did not take the run of %s: %d\n", kPlaybackMacro.c_str(),
                    started ? static_cast<int>(*started) : -1);
        PrintBoxes();
        return false;
    }
    // A run request is refused as busy for as long as the macro runs; a
    // name that names nothing starts nothing once it has ended.
    const std::string nothing = "Keyloom memory no such macro";
    const ULONGLONG start = GetTickCount64();
    for (int sample = 0;; ++sample) {
        Memory now;
        if (!Read(process, &now)) return false;
        figures->peakWorkingSet = std::max(figures->peakWorkingSet, now.workingSet);
        figures->peakPrivate = std::max(figures->peakPrivate, now.privateBytes);
        if (sample % 10 == 9) {
            const auto status = Run(window, nothing);
            if (!status) return false;
            if (*status == channel::Status::NoSuchMacro) break;
        }
        Sleep(5);
    }
    figures->playSeconds = static_cast<double>(GetTickCount64() - start) / 1e3;
    if (!Read(process, &figures->played)) return false;
    figures->playedStatus = LinuxStatus();
    // The high-water mark is exact, but spans start-up too: it is the
    // playback's peak only where the playback raised it.
    if (figures->played.peakWorkingSet > figures->idle.peakWorkingSet) {
        figures->peakWorkingSet = std::max(figures->peakWorkingSet, figures->played.peakWorkingSet);
        figures->peakFromCounter = true;
    }
    return true;
}

bool StoreAll() {
    isWindowsNt = true;
    if (!RegistryStore::EnsureStoreTree()) return false;
    for (int i = 0; i < macros; ++i) {
        const std::string name = MacroName(i);
        std::int32_t vk = 0, modifiers = 0;
        Combination(i, &vk, &modifiers);
        RegistryStore::CreateMacroKey(layout::CommandsPath(name));
        RegistryStore::WriteDword(vk, layout::MacroStorePath(name), layout::kHotKeyVk);
        RegistryStore::WriteDword(modifiers, layout::MacroStorePath(name), layout::kHotKeyModifiers);
    }
    // The macro that plays the recording, started through the command
    // channel; its hot key is one the others do not use.
    RegistryStore::CreateMacroKey(layout::CommandsPath(kPlaybackMacro));
    RegistryStore::WriteDword(VK_HOME, layout::MacroStorePath(kPlaybackMacro), layout::kHotKeyVk);
    RegistryStore::WriteDword(MOD_CONTROL | MOD_ALT, layout::MacroStorePath(kPlaybackMacro), layout::kHotKeyModifiers);
    const std::string path = layout::InstructionPath(kPlaybackMacro, 0);
    RegistryStore::CreateMacroKey(path);
    RegistryStore::WriteDword(kind::PlaybackRecording, layout::MacroStorePath(path), layout::kId);
    RegistryStore::WriteInstructionValue(kRecording, path, layout::Field::JournalName);
    RegistryStore::WriteInstructionValue(0, path, layout::Field::PlayBackSpeed);
    RegistryStore::WriteInstructionValue(1, path, layout::Field::PlayBackEvent);
    // Key-ups of a key nothing uses, all at one time: played as fast as
    // they go.
    std::vector<JournalEvent> recorded(events, JournalEvent{WM_KEYUP, 0x88, 1, 1000, 0});
    const std::vector<std::uint8_t> bytes = SerializeEvents(recorded);
    const auto chunks = CutIntoChunks(bytes.data(), bytes.size());
    return WriteRecording(kRecording, chunks, static_cast<std::int32_t>(chunks.size()), 1);
}

void RemoveAll() {
    for (int i = 0; i < macros; ++i) RegistryStore::DeleteKeyTree(layout::MacroFullPath(MacroName(i)));
    RegistryStore::DeleteKeyTree(layout::MacroFullPath(kPlaybackMacro));
    RegistryStore::DeleteKeyTree(layout::RecordingFullPath(kRecording));
}

}  // namespace

int main() {
    if (bench::Quick()) {
        macros = 100;
        events = 10'000;
    }
    Memory empty, probed;
    if (!MeasureEmpty(&empty, &probed)) {
        std::printf("the empty program did not run through\n");
        return 1;
    }
    const double probeMb = static_cast<double>(kProbeBytes) / kMb;
    const double probedWorkingSet = probed.workingSet - empty.workingSet;
    const double probedPrivate = probed.privateBytes - empty.privateBytes;
    std::printf("the empty program, MB: working set %.2f, private bytes %.2f; with %.1f MB taken: %.2f, %.2f\n",
                empty.workingSet, empty.privateBytes, probeMb, probed.workingSet, probed.privateBytes);
    if (privateFromPagefile)
        std::printf("PrivateUsage reads 0 here: private bytes are PagefileUsage, the process's anonymous memory\n");
    // Counters that do not follow an allocation measure nothing.
    if (probedWorkingSet < 0.95 * probeMb || probedPrivate < 0.95 * probeMb) {
        std::printf("the counters do not follow an allocation of %.1f MB\n", probeMb);
        return 1;
    }

    KeyloomFigures keyloom;
    const bool measured = StoreAll() && MeasureKeyloom(&keyloom);
    RemoveAll();
    if (!measured) {
        std::printf("Keyloom did not run through\n");
        return 1;
    }
    const double recordingMb = events * kJournalEventBytes / kMb;
    const Memory& idle = keyloom.idle;
    const Memory& played = keyloom.played;
    const double idleBeyond = idle.privateBytes - empty.privateBytes;
    const double peakBeyond = keyloom.peakWorkingSet - idle.workingSet;
    const double peakPrivateBeyond = keyloom.peakPrivate - idle.privateBytes;
    std::printf("Keyloom, MB: working set / private bytes / peak working set\n");
    std::printf("  idle, %4d macros:  %7.2f / %7.2f / %7.2f\n", macros, idle.workingSet, idle.privateBytes,
                idle.peakWorkingSet);
    std::printf("  after playing %u events (%.1f MB) in %.1f s: %7.2f / %7.2f / %7.2f\n", events, recordingMb,
                keyloom.playSeconds, played.workingSet, played.privateBytes, played.peakWorkingSet);
    std::printf("  while playing: peak working set %.2f (%s), peak private bytes %.2f (sampled)\n",
                keyloom.peakWorkingSet, keyloom.peakFromCounter ? "the high-water mark" : "sampled",
                keyloom.peakPrivate);
    std::printf("  Linux status of Keyloom's Wine process, idle: %s\n",
                keyloom.idleStatus ? keyloom.idleStatus->c_str() : "not found");
    std::printf("  Linux status of Keyloom's Wine process, played: %s\n",
                keyloom.playedStatus ? keyloom.playedStatus->c_str() : "not found");

    bench::Figure("private bytes as read under this system",
                  privateFromPagefile ? "PagefileUsage (PrivateUsage reads 0)" : "PrivateUsage");
    bench::Figure(bench::Format("counters after the empty program takes %.1f MB: working set, private bytes", probeMb),
                  bench::Format("+%.2f MB, +%.2f MB", probedWorkingSet, probedPrivate));
    bench::Figure("an empty program: working set, private bytes",
                  bench::Format("%.2f MB, %.2f MB", empty.workingSet, empty.privateBytes));
    bench::Figure(bench::Format("Keyloom.exe idle with %d macros: working set, private bytes", macros),
                  bench::Format("%.2f MB, %.2f MB", idle.workingSet, idle.privateBytes));
    bench::Goal("idle private bytes beyond the empty program's", bench::Format("%.2f MB", idleBeyond), "under 8 MB",
                idleBeyond < 8.0);
    bench::Goal(bench::Format("peak working set beyond idle, %u events loaded and played", events),
                bench::Format("%.2f MB (%.2fx the recording's %.1f MB)", peakBeyond, peakBeyond / recordingMb,
                              recordingMb),
                "under 2x the recording's bytes", peakBeyond < 2 * recordingMb);
    bench::Goal(bench::Format("peak private bytes beyond idle, %u events loaded and played", events),
                bench::Format("%.2f MB (%.2fx)", peakPrivateBeyond, peakPrivateBeyond / recordingMb),
                "under 2x the recording's bytes", peakPrivateBeyond < 2 * recordingMb);
    bench::Figure("Keyloom.exe after the playback: working set, private bytes beyond idle",
                  bench::Format("%+.2f MB, %+.2f MB", played.workingSet - idle.workingSet,
                                played.privateBytes - idle.privateBytes));
    return 0;
}
