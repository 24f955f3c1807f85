// The rename dialog of a recording: one name, exchanged with edit 1131.
#pragma once

#include <string>

#include "platform/win.h"

class EditRecordingDialog {
public:
    // The name the dialog opens with, and on OK the new name.
    std::string recordingName;

    // OK with recordingName read from the edit control: false (the dialog
    // stays open) after telling the user when the name is empty. Nothing
    // else is checked.
    bool OnOk(win::HWND dialog) const;
};

// Shows the dialog with `name` filled in (Windows build); true on OK, with
// the new name in `name`.
bool ShowEditRecordingDialog(win::HWND owner, std::string* name);
