// The text of a dialog's control, for the dialogs' Windows side.
#pragma once

#include <string>

#include "platform/win.h"

// The whole text of control `id` of `dialog` (Windows build).
std::string ControlText(win::HWND dialog, int id);
