// The notification-area icon: the program's only visible part after start.
#pragma once

#include "platform/win.h"

namespace tray {

void Add(win::HWND window, void* icon);
void Remove(win::HWND window);
// What the icon's popup menu asks for.
enum class Choice { None, Shutdown, ShowMainWindow, Settings };
// Tracks the popup menu at the cursor's x and the bottom of the screen.
Choice TrackMenu(win::HWND window);

}  // namespace tray
