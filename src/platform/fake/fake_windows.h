// The fake's model of top-level windows as other programs see them: which
// thread owns each, whether it is visible and how it is shown, which one has
// the user's input, where each lies on the screen, and which threads share
// their input. Windows themselves are made with fake::AddWindow.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/win.h"

namespace fake {

// A window made by AddWindow belongs to the program's own thread, is visible,
// shown normally and covers no part of the screen until a test says
// otherwise.
struct WindowState {
    bool visible = true;
    int showCmd = win::SW_SHOWNORMAL;  // as GetWindowPlacement reports it
    win::DWORD threadId = 0;           // 0: the program's own thread
    win::RECT rect{0, 0, 0, 0};
};
void SetWindowState(win::HWND window, const WindowState& windowState);
WindowState GetWindowState(win::HWND window);
// Another program's window: its own thread, visible, shown normally.
win::HWND AddOtherWindow(const std::string& title, win::DWORD threadId);

// The program that thread `threadId`'s windows belong to: the full path of
// its image file, as QueryFullProcessImageNameW answers. A thread without
// one is no process OpenProcess can open (ERROR_INVALID_PARAMETER); the
// program's own is Keyloom.exe. A refused one answers ERROR_ACCESS_DENIED,
// as a protected process does.
void SetProgramImage(win::DWORD threadId, const std::u16string& path);
void RefuseProcessQuery(win::DWORD threadId);
// AddOtherWindow with its program's image.
win::HWND AddProgramWindow(const std::string& title, win::DWORD threadId, const std::u16string& imagePath);
// Process handles open now (leak check).
int OpenProcessCount();

// The window that has the user's input now; null at first.
win::HWND ForegroundWindow();
void SetForeground(win::HWND window);

// ShowWindow's calls, in order.
struct ShowCall {
    win::HWND window;
    int command;
};
const std::vector<ShowCall>& ShowCalls();

// Thread pairs (from, to) whose input is attached now, in attaching order.
std::vector<std::pair<win::DWORD, win::DWORD>> AttachedInputs();

}  // namespace fake
