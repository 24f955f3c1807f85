// The notification-area icon: the program's only visible part after start.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/win.h"

namespace tray {

void Add(win::HWND window, void* icon, const std::string& tip);
void Remove(win::HWND window);
// Shows `tip` when the pointer rests on the icon.
void SetTip(win::HWND window, const std::string& tip);

// What the popup menu shows besides its fixed items.
struct MenuState {
    std::vector<std::string> macros;  // the Run submenu, in list order
    bool running = false;             // a macro runs: Run's items are grayed
    bool suspended = false;           // "Suspend Hot Keys" is checked
};
// What the icon's popup menu asks for.
enum class Choice { None, Shutdown, ShowMainWindow, Run, Suspend, Settings };
// Tracks the popup menu at the cursor's x and the bottom of the screen.
// For Run, `macro` is the index of the chosen macro in state.macros, and
// the window that had the focus before the menu opened has it back.
Choice TrackMenu(win::HWND window, const MenuState& state, std::size_t* macro);

}  // namespace tray
