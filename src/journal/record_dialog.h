// The Record dialog's logic: the start window, the recording's name and
// filter, starting and stopping the recorder's hooks and saving. The dialog
// procedure (record_dialog_win32.cpp) moves data between the controls and
// this model and forwards each command and private message to it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/row_list.h"
#include "platform/win.h"

// A top-level window offered as the place to begin recording in; row i of
// the dialog's list shows entry i.
struct StartWindow {
    std::string title;
    win::HWND window;
};
extern std::vector<StartWindow> startWindows;

inline constexpr const char* kStartWindowHeading = "Begin recording in the following window:";

class RecordDialog {
public:
    // `dialog` receives WM_RECORD_BEGIN and owns the message boxes;
    // `windowList` is list 1146; `mainWindow` is the application's main
    // window.
    RecordDialog(win::HWND dialog, RowList& windowList, win::HWND mainWindow);

    // How the dialog ends after a command.
    enum class Close { No, Ok, Cancel };

    // When the dialog opens: resets the state, checks "Keyboard + Mouse",
    // lists the start windows.
    void Initialize();
    // Radio buttons 1126 / 1141 / 1140: 1, 2 or 3.
    void OnFilter(std::int32_t filter);
    // Check box 1147.
    void OnMinimizeClicked() { minimizeMain = !minimizeMain; }
    // "Record": attaches to the chosen window and posts WM_RECORD_BEGIN.
    void OnRecord();
    // WM_RECORD_BEGIN: allocates the buffer and installs the hooks.
    Close OnBegin();
    // WM_RECORD_STOPPED, WM_RECORD_NOMEMORY, WM_RECORD_FULL,
    // WM_CANCELJOURNAL.
    void OnStopped();
    void OnNoMemory();
    void OnFull();
    void OnCancelJournal();
    // "Save", with recordingName taken from the edit control.
    Close OnSave();
    // The "Cancel" button closes; Escape and the close box do not.
    Close OnCancelButton();
    void OnEscape();

    void StopRecordingHooks();

    std::string recordingName;
    bool minimizeMain = false;
    win::DWORD startThreadId = 0;
    bool inputAttached = false;

private:
    win::HWND dialog_;
    RowList& windowList_;
    win::HWND mainWindow_;
};

// Shows the Record dialog (Windows build). True when a recording was saved;
// its name and "Type" are handed back.
bool ShowRecordDialog(win::HWND owner, std::string* name, std::int32_t* filter);
