#include "app/tray_icon.h"
#include "common/messages.h"
#include "platform/unique_handle.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace tray {
namespace {

// The popup menu's command ids.
constexpr UINT kShutdown = 1;
constexpr UINT kShowMainWindow = 2;
constexpr UINT kSettings = 3;

// The first form of the record, which every shell version accepts.
NOTIFYICONDATAA IconRecord(win::HWND window) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = reinterpret_cast<HWND>(window);
    data.uID = 0;
    return data;
}

}  // namespace

void Add(win::HWND window, void* icon) {
    NOTIFYICONDATAA data = IconRecord(window);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAY_NOTIFY;
    data.hIcon = static_cast<HICON>(icon);
    std::strcpy(data.szTip, "Keyloom");
    Shell_NotifyIconA(NIM_ADD, &data);
}

void Remove(win::HWND window) {
    NOTIFYICONDATAA data = IconRecord(window);
    Shell_NotifyIconA(NIM_DELETE, &data);
}

Choice TrackMenu(win::HWND window) {
    HWND hwnd = reinterpret_cast<HWND>(window);
    const UniqueHandle<HMENU, &DestroyMenu> menu(CreatePopupMenu());
    if (!menu) return Choice::None;
    AppendMenuA(menu.get(), MF_STRING, kShutdown, "Shutdown");
    AppendMenuA(menu.get(), MF_STRING, kShowMainWindow, "Show Main Window");
    AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu.get(), MF_STRING, kSettings, "Settings...");
    POINT cursor{};
    GetCursorPos(&cursor);
    const int bottom = GetSystemMetrics(SM_CYSCREEN);
    // Without the foreground switch the menu would not close when the user
    // clicks elsewhere.
    SetForegroundWindow(hwnd);
    const int command = static_cast<int>(TrackPopupMenu(menu.get(), TPM_BOTTOMALIGN | TPM_RIGHTALIGN | TPM_RETURNCMD,
                                                        cursor.x, bottom, 0, hwnd, nullptr));
    SetForegroundWindow(hwnd);
    switch (command) {
    case kShutdown: return Choice::Shutdown;
    case kShowMainWindow: return Choice::ShowMainWindow;
    case kSettings: return Choice::Settings;
    default: return Choice::None;
    }
}

}  // namespace tray
