// The main window's logic: its lists, the macro runner's state and the
// commands. The window procedure (main_dialog_win32.cpp) forwards to it; unit
// tests drive it on the fake platform without a window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/stop_key.h"
#include "common/command_channel.h"
#include "common/row_list.h"
#include "exchange/exchange_store.h"
#include "exec/runner.h"
#include "platform/win.h"

// The modal dialogs that the recording commands open: the Windows build
// shows the real ones, unit tests answer in their place.
class RecordingDialogs {
public:
    virtual ~RecordingDialogs() = default;
    // The Record dialog; true when it saved a recording, with its name and
    // "Type".
    virtual bool Record(std::string* name, std::int32_t* filter) = 0;
    // The rename dialog, opened with `name`; true on OK with the new name.
    virtual bool Rename(std::string* name) = 0;
};

// The macro editor, opened by Add (a new macro) and Edit (the macro in row
// `editIndex`); it saves the macro and updates the list itself.
class MacroEditors {
public:
    virtual ~MacroEditors() = default;
    virtual void Open(bool isAdd, int editIndex) = 0;
};

// The dialogs of Export and Import: the system's save and open dialogs and
// the Import dialog. The Windows build shows the real ones.
class ExchangeDialogs {
public:
    virtual ~ExchangeDialogs() = default;
    // The save dialog, offering keyloom-macros.json; true with the path.
    virtual bool ExportPath(std::string* path) = 0;
    virtual bool ImportPath(std::string* path) = 0;
    // The Import dialog; true on Import, with the choices in `plan`.
    virtual bool ChooseImport(exchange::ImportPlan* plan) = 0;
};

class MainDialog final : public MacroRunner {
public:
    MainDialog(win::HWND window, RowList& macroList, RowList& recordingList);

    // The part of the window's initialisation that is not about the window
    // itself: platform check, list columns, the store's tree, hot keys and
    // lists. Returns false when the store's tree cannot be made; the lists
    // are filled (and report their own failures) either way.
    bool InitializeContent();

    // `listed`: the names below Macros as start-up's clean-up found them,
    // when they still stand; else Macros is enumerated here.
    void RegisterAllHotKeys(const std::vector<std::string>* listed = nullptr);
    void FillRecordingList();

    // The runner.
    void OnHotKey(int id);
    // The pause before the run counts from `pauseFrom` (a wait clock count:
    // when the hot key came), or from now.
    void StartMacro();
    void StartMacro(std::int64_t pauseFrom);
    void OnRunMacro();
    void EndMacro() override;
    void ResumeFailed() override;
    void OnCancelJournal();
    // The program ends: any run or playback stops and what Keyloom holds is
    // released.
    void OnShutdown();
    // Stops whatever Keyloom carries out and releases every key and mouse
    // button it holds: a playback, a running macro (inside a DELAY, the pause
    // before it or its box: the box is closed), its repeats, and a recording,
    // which ends as Ctrl+Break ends it. Says nothing; the next hot key runs
    // at once.
    void StopAll();

    // The stop key: registered from the store at start-up, where one that
    // cannot be registered is told once ("The stop key ... is taken by
    // another program.") and Keyloom runs on without it.
    void RegisterStopKey();
    // The Settings dialog's OK: registers `key` and stores it. A key that
    // cannot be registered is refused with that message, over `owner`,
    // and the old one stays; false then, or when the store refused it.
    bool ChangeStopKey(const StopKey& key, win::HWND owner);
    const StopKey& CurrentStopKey() const { return stopKey_; }
    bool StopKeyRegistered() const { return stopKeyId_ != kNoStopKey; }
    // The hot-key ids the stop key takes turns on: a new key is registered
    // before the old one goes, so that a refused one leaves the old in place.
    static constexpr int kStopKeyIds[2] = {0xBFFE, 0xBFFF};

    // Commands of the lists.
    void AddMacro(MacroEditors& editors);
    void EditMacro(MacroEditors& editors);
    void DeleteMacro();
    void AddRecording(RecordingDialogs& dialogs);
    void EditRecording(RecordingDialogs& dialogs);
    void DeleteRecording();

    // Export and Import. Export writes what the list used last has
    // selected (the macro with the recordings it plays, or the recording),
    // or everything when nothing is selected there.
    void Export(ExchangeDialogs& dialogs, bool fromRecordings);
    void Import(ExchangeDialogs& dialogs);
    // The same for a caller that holds the file itself: Export's file for
    // the macro `name` (everything when empty), false with `problem` when
    // there is none; and Import with every taken name skipped, `refused`
    // with the file's first problem (words that follow its name) in
    // `problem` when it is not taken. The lists and hot keys follow what was
    // imported.
    bool ExportFile(const std::string& name, std::string* file, std::string* problem);
    exchange::ImportOutcome ImportFile(const std::string& file);

    // The setup program's or the uninstaller's request to end: accepted
    // (Shutdown posted to the window, as the tray menu's is) only when no
    // window of Keyloom's besides the main one is open and no macro runs;
    // refused, with nothing done, otherwise. Returns the answer.
    win::LRESULT OnShutdownRequest();

    // keyloomc's command channel. OpenCommandChannel lets WM_COPYDATA
    // through the integrity filter; OnCopyData takes one block, checked
    // whole before anything is done, and returns the handler's result
    // (channel::HandledResult, 0 for a block that is not the channel's).
    void OpenCommandChannel();
    win::LRESULT OnCopyData(const win::COPYDATASTRUCT* data);
    // Sends `answer` to a request's answer window, when it is keyloomc's;
    // false when it is not or did not take it.
    bool SendAnswer(std::uint64_t answerWindow, const channel::Answer& answer) const;
    // The bytes of an import's pieces held until its Import comes.
    std::size_t HeldImportBytes() const { return pendingImport_.Held(); }

    // The tray menu. The names of the macros in list order, for its Run
    // submenu (macros switched off too).
    std::vector<std::string> MacroNames() const;
    // Runs macro `name` as its hot key would, the 300 ms pause included.
    // Refused while a macro runs, plays back or waits in a box, as a hot key
    // is dropped then; and for a name that no stored macro has.
    enum class RunRequest { Started, NoSuchMacro, Busy };
    RunRequest RunMacroNamed(const std::string& name);
    // Suspend Hot Keys: every macro hot key is given back (the stop key
    // stays); unsuspending registers them again from the store, reporting
    // any that fail as start-up does.
    void SetSuspended(bool suspended);
    bool Suspended() const;
    // The tray icon's tip, which says when hot keys are suspended.
    std::string TrayTip() const;

    win::HWND Window() const override { return window_; }

    // Runner state.
    std::int32_t nextInstruction = 0;
    std::int32_t macroRunning = 0;
    std::string runningMacroName;

private:
    // The selected row of `list` and the name in its first column; false,
    // after showing `noSelection`, when no row with a name is selected. An
    // empty name would address the Macros or Journals key itself.
    bool SelectedName(const RowList& list, const char* noSelection, int* row, std::string* name) const;
    // Whether run `run` is still the one the runner loop carries out: an
    // instruction that shows a box (PAUSE, MESSAGE BOX, an executor's
    // error) runs a nested message loop, in which the run may be ended and
    // another one started.
    bool StillRunning(std::uint32_t run) const;
    // After an import: every hot key registered anew and both lists
    // filled again from the store.
    void ReloadLists();
    // Whether macro `name` may run now, as RunMacroNamed tells; when it may,
    // it becomes the running macro and the caller starts it.
    RunRequest TakeRun(const std::string& name);
    // The channel's commands.
    win::LRESULT RunByName(const std::u16string& name);
    win::LRESULT ListMacros(std::uint64_t answerWindow);
    win::LRESULT ExportToCaller(const channel::Request& request);
    win::LRESULT ImportFromCaller(const channel::Request& request);
    win::LRESULT TakeImportPiece(const channel::Request& request);
    // The Macros list's row of a channel request's name: an exact spelling
    // before one that differs in case only; -1 when none has it.
    int MacroRowNamed(const std::u16string& name) const;

    // Where the run stands between the messages that drive it. WM_RUN_MACRO
    // is taken only while the run waits for it (after StartMacro, after a
    // playback); one that arrives while the runner loop is inside an
    // instruction would start a second loop over the same run.
    enum class RunPhase { Idle, Pausing, Starting, Running, Playing };
    RunPhase phase_ = RunPhase::Idle;
    // Counts the runs started in this process.
    std::uint32_t runSerial_ = 0;
    // How many times the run carries out the body (0: until stopped), and
    // how many passes it has finished.
    std::int32_t repeat_ = 1;
    std::int32_t passesDone_ = 0;

    static constexpr int kNoStopKey = -1;
    StopKey stopKey_;
    int stopKeyId_ = kNoStopKey;

    // The one import whose pieces are on their way, and the answer window
    // of the keyloomc that sends them.
    channel::Assembly pendingImport_;
    std::uint64_t importCaller_ = 0;

    win::HWND window_;
    RowList& macroList_;
    RowList& recordingList_;
};
