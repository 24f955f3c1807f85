// The boxes a running macro shows (PAUSE, MESSAGE BOX), which the stop key
// closes. They are the system's own message boxes; while one is shown its
// window is found among this thread's top-level windows by its caption.
#pragma once

#include "platform/win.h"

namespace exec {

// Shows a box of the running macro as MessageBoxA(nullptr, ...) does and
// returns its answer.
int ShowRunBox(const char* text, const char* caption, win::UINT type);

// Closes every box that ShowRunBox shows now, as its OK button would: each
// returns IDOK once its message loop has taken the click. A window with the
// same caption that was there before the box stays.
void CloseRunBoxes();

}  // namespace exec
