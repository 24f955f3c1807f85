// Names every floor of the program needs: its private window messages and
// the captions by which hooks find its windows.
#pragma once

#include "platform/win.h"

inline constexpr win::UINT WM_RECORD_STOPPED = win::WM_USER + 1;   // to the Record dialog: Ctrl-Break
inline constexpr win::UINT WM_RECORD_NOMEMORY = win::WM_USER + 2;  // to the Record dialog: the buffer cannot grow
inline constexpr win::UINT WM_RECORD_BEGIN = win::WM_USER + 3;     // to the Record dialog: start the hooks
inline constexpr win::UINT WM_RUN_MACRO = win::WM_USER + 4;        // to the main window: run the macro on
inline constexpr win::UINT WM_TRAY_NOTIFY = win::WM_USER + 5;      // to the main window: the tray icon's callback
inline constexpr win::UINT WM_RECORD_FULL = win::WM_USER + 6;      // to the Record dialog: as many events as play back
inline constexpr win::UINT WM_INPUT_RECORD = win::WM_USER + 7;     // to the main window: the input thread has records
inline constexpr win::UINT WM_INPUT_REQUEST = win::WM_USER + 8;    // to the input thread: serve the request

inline constexpr const char* kMainWindowTitle = "Keyloom";
inline constexpr const char* kRecordDialogTitle = "Keyloom - Record";

// How Keyloom knows its own running instance, and how the setup program and
// the uninstaller ask it to end: names that no other program makes. A window
// titled "Keyloom" proves nothing (an Explorer window on the install folder
// has that title).
inline constexpr const char* kInstanceMutexName = "Local\\KeyloomInstance";
inline constexpr const char* kMainWindowClass = "KeyloomMainWindow";
// Sent to the KeyloomMainWindow window; its answer is one of the two below.
inline constexpr const char* kShutdownRequestName = "KeyloomShutdownRequest";
inline constexpr win::LRESULT kShutdownAccepted = 1;  // Keyloom shuts down as the tray menu's Shutdown does
inline constexpr win::LRESULT kShutdownRefused = 2;   // a dialog or box of Keyloom's is open, or a macro runs
