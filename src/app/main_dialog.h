// The main window's logic: its lists, the macro runner's state and the
// commands. The window procedure (main_dialog_win32.cpp) forwards to it; unit
// tests drive it on the fake platform without a window.
#pragma once

#include <cstdint>
#include <string>

#include "exec/runner.h"
#include "platform/win.h"

inline constexpr const char* kMainWindowTitle = "Keyloom";

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

// Holds a list's redrawing off while it is filled row by row.
class ListFill {
public:
    explicit ListFill(win::HWND list) : list_(list) { win::ListViewSetRedraw(list_, false); }
    ~ListFill() { win::ListViewSetRedraw(list_, true); }
    ListFill(const ListFill&) = delete;
    ListFill& operator=(const ListFill&) = delete;

private:
    win::HWND list_;
};

class MainDialog final : public MacroRunner {
public:
    MainDialog(win::HWND window, win::HWND macroList, win::HWND recordingList);

    // The part of the window's initialisation that is not about the window
    // itself: platform check, list columns, the store's tree, hot keys and
    // lists. Returns false when the store's tree cannot be made; the lists
    // are filled (and report their own failures) either way.
    bool InitializeContent();

    void RegisterAllHotKeys();
    void FillRecordingList();

    // The runner.
    void OnHotKey(int id);
    void StartMacro();
    void OnRunMacro();
    void EndMacro() override;
    void OnCancelJournal();

    // Commands of the lists.
    void DeleteMacro();
    void AddRecording(RecordingDialogs& dialogs);
    void EditRecording(RecordingDialogs& dialogs);
    void DeleteRecording();

    win::HWND Window() const override { return window_; }

    // Runner state.
    std::int32_t nextInstruction = 0;
    std::int32_t macroRunning = 0;
    std::string runningMacroName;

private:
    win::HWND window_;
    win::HWND macroList_;
    win::HWND recordingList_;
};
