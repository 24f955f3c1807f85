#include "app/instance.h"

#include "common/messages.h"

bool InstanceLock::Acquire() {
    mutex_.reset(win::CreateMutexA(nullptr, win::FALSE, kInstanceMutexName));
    const win::DWORD error = win::GetLastError();
    if (mutex_) return error != static_cast<win::DWORD>(win::ERROR_ALREADY_EXISTS);
    // The name is taken by an object this process may not open: the other
    // Keyloom's, made at another integrity level.
    return error != static_cast<win::DWORD>(win::ERROR_ACCESS_DENIED);
}

void LetShellMessagesThrough(win::HWND mainWindow) {
    if (const win::UINT taskbarCreated = win::RegisterWindowMessageA("TaskbarCreated"); taskbarCreated != 0)
        win::ChangeWindowMessageFilterEx(mainWindow, taskbarCreated, win::MSGFLT_ALLOW, nullptr);
}

namespace {

struct Search {
    win::HWND mainWindow;
    win::DWORD thread;
    bool found;
};

win::BOOL KEYLOOM_CALLBACK FindOwnWindow(win::HWND window, win::LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    if (window != search->mainWindow && win::IsWindowVisible(window) &&
        win::GetWindowThreadProcessId(window, nullptr) == search->thread) {
        search->found = true;
        return win::FALSE;
    }
    return win::TRUE;
}

}  // namespace

bool OwnWindowOpen(win::HWND mainWindow) {
    Search search{mainWindow, win::GetCurrentThreadId(), false};
    win::EnumWindows(&FindOwnWindow, reinterpret_cast<win::LPARAM>(&search));
    return search.found;
}
