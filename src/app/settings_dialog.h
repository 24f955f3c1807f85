// The Settings dialog ("Keyloom - Settings", opened from the tray menu's
// "Settings..."): the stop key in a hot-key control (1176). The model
// decides; settings_dialog_win32.cpp moves the control's value to it.
#pragma once

#include "app/main_dialog.h"
#include "editor/macro_editor.h"
#include "platform/win.h"

class SettingsDialog {
public:
    SettingsDialog(win::HWND dialog, MainDialog& main) : dialog_(dialog), main_(main) {}

    // What the hot-key control shows when the dialog opens: the stop key now.
    HotKeyValue Initial() const;
    // OK with the control's value: no key is refused ("Must select hot
    // key!"); otherwise the key is registered and stored as the stop key.
    // True when the dialog closes.
    bool OnOk(HotKeyValue value);

private:
    win::HWND dialog_;
    MainDialog& main_;
};

// Shows the dialog over `owner` (Windows build); one at a time.
void ShowSettingsDialog(win::HWND owner, MainDialog& main);
