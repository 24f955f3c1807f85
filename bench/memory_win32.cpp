// Keyloom's own memory under Wine: working set and private bytes idle after
// start-up with 1,000 stored macros (100 in a quick run), beside an empty
// program of the same run, and the peak while a recording of 100,000 events
// (10,000) is loaded and played. Each side is a process of its own, this
// program started again with a role, so that no set-up of the benchmark
// counts. Wine leaves a process's private bytes at 0 in its counters, so
// each measured process reads its figures from its own Linux process
// (Z:\proc\self\status): resident memory as its working set, its anonymous
// part as its private bytes, the resident peak as its peak.
#include "bench_line.h"
#include "journal/journal_format.h"
#include "journal/player.h"
#include "input/input_thread.h"
#include "runner_bench.h"
#include "store/recording_store.h"

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>

namespace {

int macros = 1000;
std::uint32_t events = 100'000;
const std::string kRecording = "Keyloom benchmark memory";

std::string MacroName(int i) { return "Keyloom memory " + std::to_string(1000 + i); }

// The step events between this program and a measured one.
HANDLE Event(const char* name) { return CreateEventA(nullptr, FALSE, FALSE, name); }
constexpr const char* kReady = "KeyloomMemoryReady";
constexpr const char* kGo = "KeyloomMemoryGo";

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

struct Memory {
    double workingSet = 0, privateBytes = 0, peakWorkingSet = 0;  // MB
};

Memory MeasureSelf() {
    Memory memory;
    FILE* status = std::fopen("Z:\\proc\\self\\status", "r");
    if (status == nullptr) return memory;
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
        double kb = 0;
        if (std::sscanf(line, "VmRSS: %lf", &kb) == 1) memory.workingSet = kb / 1e3;
        if (std::sscanf(line, "RssAnon: %lf", &kb) == 1) memory.privateBytes = kb / 1e3;
        if (std::sscanf(line, "VmHWM: %lf", &kb) == 1) memory.peakWorkingSet = kb / 1e3;
    }
    std::fclose(status);
    return memory;
}

// Where a measured process leaves its figures, one line per step.
constexpr const char* kFigures = "keyloom-memory.txt";

// Notes this process's figures, signals a step and waits to be let on,
// serving messages meanwhile.
void Step(HANDLE ready, HANDLE go) {
    const Memory memory = MeasureSelf();
    if (FILE* out = std::fopen(kFigures, "a")) {
        std::fprintf(out, "%f %f %f\n", memory.workingSet, memory.privateBytes, memory.peakWorkingSet);
        std::fclose(out);
    }
    SetEvent(ready);
    while (MsgWaitForMultipleObjects(1, &go, FALSE, 10'000, QS_ALLINPUT) != WAIT_OBJECT_0) Pump();
}

class Runner final : public MacroRunner {
public:
    explicit Runner(HWND window) : window_(window) {}
    void EndMacro() override { ended = true; }
    void ResumeFailed() override { ended = true; }
    win::HWND Window() const override { return reinterpret_cast<win::HWND>(window_); }
    bool ended = false;

private:
    HWND window_;
};

// The measured Keyloom: the main window's content with its lists, idle;
// then one playback of the stored recording, injected.
int RunKeyloom() {
    HANDLE ready = Event(kReady), go = Event(kGo);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND window = CreateWindowExA(0, "STATIC", "Keyloom memory", 0, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    const auto list = [&] {
        return CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 300, 200, window, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    };
    const auto macroRows = ListViewRows(reinterpret_cast<win::HWND>(list()));
    const auto recordingRows = ListViewRows(reinterpret_cast<win::HWND>(list()));
    MainDialog dialog(reinterpret_cast<win::HWND>(window), *macroRows, *recordingRows);
    dialog.InitializeContent();
    if (!input::StartInputThread(reinterpret_cast<win::HWND>(window))) return 1;
    Pump();
    Step(ready, go);  // idle

    Runner runner(window);
    Recording recording;
    if (!LoadRecording(kRecording, &recording) || recording.count != events) return 1;
    PlayRecording(std::move(recording), -200, 1, runner, PlaybackDriver::Injected);
    while (!runner.ended) {
        Pump();
        HANDLE timer = PlaybackTimer();
        if (timer == nullptr) break;  // played out
        if (MsgWaitForMultipleObjectsEx(1, &timer, 1000, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0)
            OnPlaybackTimer();
    }
    RemovePlaybackWatchHook();
    Step(ready, go);  // played
    input::StopInputThread();
    return 0;
}

// The empty program: nothing but being there.
int RunEmpty() {
    HANDLE ready = Event(kReady), go = Event(kGo);
    Step(ready, go);
    return 0;
}

// Starts this program in `role` and measures it at each of its `steps`.
bool MeasureRole(const char* role, int steps, std::vector<Memory>* measured) {
    HANDLE ready = Event(kReady), go = Event(kGo);
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string command = std::string("\"") + path + "\" " + role;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child))
        return false;
    bool ok = true;
    for (int step = 0; step < steps && ok; ++step) {
        HANDLE both[2] = {ready, child.hProcess};
        ok = WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0;
        SetEvent(go);
    }
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    CloseHandle(ready);
    CloseHandle(go);
    if (FILE* in = std::fopen(kFigures, "r")) {
        Memory memory;
        while (std::fscanf(in, "%lf %lf %lf", &memory.workingSet, &memory.privateBytes, &memory.peakWorkingSet) == 3)
            measured->push_back(memory);
        std::fclose(in);
    }
    std::remove(kFigures);
    return ok && code == 0;
}

void StoreAll() {
    isWindowsNt = true;
    RegistryStore::EnsureStoreTree();
    for (int i = 0; i < macros; ++i) {
        const std::string name = MacroName(i);
        RegistryStore::CreateMacroKey(layout::CommandsPath(name));
        RegistryStore::WriteDword(0x30 + i % 43, layout::MacroStorePath(name), layout::kHotKeyVk);
        RegistryStore::WriteDword(1 + i / 43 % 15, layout::MacroStorePath(name), layout::kHotKeyModifiers);
    }
    // Key-ups of a key nothing uses, all at one time: played as fast as
    // they go.
    std::vector<JournalEvent> recorded(events, JournalEvent{WM_KEYUP, 0x88, 1, 1000, 0});
    const std::vector<std::uint8_t> bytes = SerializeEvents(recorded);
    const auto chunks = CutIntoChunks(bytes.data(), bytes.size());
    WriteRecording(kRecording, chunks, static_cast<std::int32_t>(chunks.size()), 1);
}

void RemoveAll() {
    for (int i = 0; i < macros; ++i) RegistryStore::DeleteKeyTree(layout::MacroFullPath(MacroName(i)));
    RegistryStore::DeleteKeyTree(layout::RecordingFullPath(kRecording));
}

}  // namespace

int main(int argc, char** argv) {
    if (bench::Quick()) {
        macros = 100;
        events = 10'000;
    }
    if (argc > 1 && std::strcmp(argv[1], "keyloom") == 0) return RunKeyloom();
    if (argc > 1 && std::strcmp(argv[1], "empty") == 0) return RunEmpty();

    std::remove(kFigures);
    StoreAll();
    std::vector<Memory> empty, keyloom;
    const bool measured = MeasureRole("empty", 1, &empty) && MeasureRole("keyloom", 2, &keyloom);
    RemoveAll();
    if (!measured || empty.size() != 1 || keyloom.size() != 2) {
        std::printf("the measured programs did not run through\n");
        return 1;
    }
    const double recordingMb = events * kJournalEventBytes / 1e6;
    const Memory& idle = keyloom[0];
    const Memory& played = keyloom[1];
    const double idleBeyond = idle.privateBytes - empty[0].privateBytes;
    const double peakBeyond = played.peakWorkingSet - idle.workingSet;
    std::printf("memory under Wine, MB: working set / private bytes\n");
    std::printf("  empty program:                %7.2f / %7.2f\n", empty[0].workingSet, empty[0].privateBytes);
    std::printf("  Keyloom idle, %4d macros:     %7.2f / %7.2f\n", macros, idle.workingSet, idle.privateBytes);
    std::printf("  after loading and playing %u events (%.1f MB): %7.2f / %7.2f, peak working set %7.2f\n", events,
                recordingMb, played.workingSet, played.privateBytes, played.peakWorkingSet);
    bench::Figure(bench::Format("Keyloom idle with %d macros: working set, private bytes", macros),
                  bench::Format("%.2f MB, %.2f MB", idle.workingSet, idle.privateBytes));
    bench::Figure("an empty program: working set, private bytes",
                  bench::Format("%.2f MB, %.2f MB", empty[0].workingSet, empty[0].privateBytes));
    bench::Goal("idle private bytes beyond the empty program's", bench::Format("%.2f MB", idleBeyond), "under 8 MB",
                idleBeyond < 8.0);
    bench::Goal(bench::Format("peak working set beyond idle, %u events loaded and played", events),
                bench::Format("%.2f MB (%.2fx the recording's %.1f MB)", peakBeyond, peakBeyond / recordingMb, recordingMb),
                "under 2x the recording's bytes", peakBeyond < 2 * recordingMb);
    return 0;
}
