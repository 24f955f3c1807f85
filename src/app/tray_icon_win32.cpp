#include "app/tray_icon.h"
#include "common/messages.h"
#include "platform/unique_handle.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace tray {
namespace {

// The popup menu's command ids; the Run submenu's macros follow kFirstMacro.
constexpr UINT kShutdown = 1;
constexpr UINT kShowMainWindow = 2;
constexpr UINT kSettings = 3;
constexpr UINT kSuspend = 4;
constexpr UINT kFirstMacro = 100;

// The first form of the record, which every shell version accepts.
NOTIFYICONDATAA IconRecord(win::HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = reinterpret_cast<HWND>(window);
    data.uID = 0;
    return data;
}

void CopyTip(NOTIFYICONDATAA* data, const std::string& tip) {
    std::strncpy(data->szTip, tip.c_str(), sizeof data->szTip - 1);
    data->szTip[sizeof data->szTip - 1] = '\0';
}

// The shell's own windows, which a click on the notification area brings
// in front: the taskbar, its overflow area, the desktop, and the tray window
// that Wine shows where the X desktop has no tray of its own.
bool IsShellWindow(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    for (const char* shell : {"Shell_TrayWnd", "Shell_SecondaryTrayWnd", "NotifyIconOverflowWindow", "Progman",
                              "WorkerW", "#32768", "__winex11_standalone_tray"})
        if (std::strcmp(name, shell) == 0) return true;
    return window == GetShellWindow();
}

bool IsOwnWindow(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

// The window the user worked in before opening the menu: the foreground
// window, unless the click on the icon made the taskbar (or Keyloom) the
// foreground; then the topmost visible window of another program below it.
HWND WindowBeforeMenu() {
    HWND foreground = GetForegroundWindow();
    if (foreground != nullptr && !IsShellWindow(foreground) && !IsOwnWindow(foreground)) return foreground;
    for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
        if (!IsWindowVisible(window) || IsIconic(window)) continue;
        if ((GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0) continue;
        if (IsShellWindow(window) || IsOwnWindow(window)) continue;
        return window;
    }
    return nullptr;
}

}  // namespace

void Add(win::HWND window, void* icon, const std::string& tip) {
    NOTIFYICONDATAA data = IconRecord(window);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAY_NOTIFY;
    data.hIcon = static_cast<HICON>(icon);
    CopyTip(&data, tip);
    Shell_NotifyIconA(NIM_ADD, &data);
}

void Remove(win::HWND window) {
    NOTIFYICONDATAA data = IconRecord(window);
    Shell_NotifyIconA(NIM_DELETE, &data);
}

void SetTip(win::HWND window, const std::string& tip) {
    NOTIFYICONDATAA data = IconRecord(window);
    data.uFlags = NIF_TIP;
    CopyTip(&data, tip);
    Shell_NotifyIconA(NIM_MODIFY, &data);
}

Choice TrackMenu(win::HWND window, const MenuState& state, std::size_t* macro) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    const UniqueHandle<HMENU, &DestroyMenu> menu(CreatePopupMenu());
    if (!menu) return Choice::None;
    // Owned by the menu once appended to it.
    HMENU runMenu = CreatePopupMenu();
    if (runMenu == nullptr) return Choice::None;
    const UINT macroFlags = MF_STRING | (state.running ? MF_GRAYED : 0);
    for (std::size_t i = 0; i < state.macros.size(); ++i)
        AppendMenuA(runMenu, macroFlags, kFirstMacro + static_cast<UINT>(i), state.macros[i].c_str());
    if (state.macros.empty()) AppendMenuA(runMenu, MF_STRING | MF_GRAYED, 0, "(no macros)");

    AppendMenuA(menu.get(), MF_STRING, kShutdown, "Shutdown");
    AppendMenuA(menu.get(), MF_STRING, kShowMainWindow, "Show Main Window");
    AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
    if (!AppendMenuA(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(runMenu), "Run")) DestroyMenu(runMenu);
    AppendMenuA(menu.get(), MF_STRING | (state.suspended ? MF_CHECKED : MF_UNCHECKED), kSuspend, "Suspend Hot Keys");
    AppendMenuA(menu.get(), MF_STRING, kSettings, "Settings...");

    const HWND before = WindowBeforeMenu();
    POINT cursor{};
    GetCursorPos(&cursor);
    const int bottom = GetSystemMetrics(SM_CYSCREEN);
    // Without the foreground switch the menu would not close when the user
    // clicks elsewhere.
    SetForegroundWindow(hwnd);
    const UINT command = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_BOTTOMALIGN | TPM_RIGHTALIGN | TPM_RETURNCMD,
                                                          cursor.x, bottom, 0, hwnd, nullptr));
    if (command >= kFirstMacro && command - kFirstMacro < state.macros.size()) {
        // The macro types into the window the user was in, as its hot key
        // would have.
        if (before != nullptr) SetForegroundWindow(before);
        *macro = command - kFirstMacro;
        return Choice::Run;
    }
    SetForegroundWindow(hwnd);
    switch (command) {
    case kShutdown: return Choice::Shutdown;
    case kShowMainWindow: return Choice::ShowMainWindow;
    case kSuspend: return Choice::Suspend;
    case kSettings: return Choice::Settings;
    default: return Choice::None;
    }
}

}  // namespace tray
