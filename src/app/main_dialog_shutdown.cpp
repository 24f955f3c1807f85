#include "app/instance.h"
#include "app/main_dialog.h"
#include "common/messages.h"

win::LRESULT MainDialog::OnShutdownRequest() {
    // A box or dialog open means the user is in the middle of something (an
    // unsaved macro, a recording); a running macro may hold keys down.
    if (macroRunning != 0 || OwnWindowOpen(window_)) return kShutdownRefused;
    // Posted, so that the sender has its answer before the window goes.
    win::PostMessageA(window_, win::WM_COMMAND, static_cast<win::WPARAM>(win::IDOK), 0);
    return kShutdownAccepted;
}
