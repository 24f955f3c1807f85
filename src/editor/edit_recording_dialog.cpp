#include "editor/edit_recording_dialog.h"

#include "store/message_text.h"

bool EditRecordingDialog::OnOk(win::HWND dialog) const {
    if (recordingName.empty()) {
        ShowWarning(dialog, "Recording name must not be empty!");
        return false;
    }
    return true;
}
