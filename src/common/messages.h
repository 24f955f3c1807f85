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

inline constexpr const char* kMainWindowTitle = "Keyloom";
inline constexpr const char* kRecordDialogTitle = "Keyloom - Record";
