// The About box (dialog resource 100), opened modally from the main window's
// window menu.
#pragma once

#include "platform/win.h"

// Shows the About box owned by `owner` and returns when the user closes it
// with OK, Esc or the close box. Nothing is read back from it.
void ShowAboutBox(win::HWND owner);
