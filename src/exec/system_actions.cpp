#include "exec/system_actions.h"

#include <ctime>

#include "exec/keystrokes.h"
#include "platform/win.h"
#include "store/message_text.h"
#include "store/registry_store.h"

namespace {

// The longest pause a macro can ask for. Longer stored values would reach
// Sleep's "wait forever" value and hang the program for good.
constexpr win::DWORD kLongestDelay = 2000000000;

void RequestExit(win::UINT flags) {
    win::HANDLE token = nullptr;
    if (win::OpenProcessToken(win::GetCurrentProcess(), win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY, &token)) {
        win::TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = win::SE_PRIVILEGE_ENABLED;
        win::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
        win::TOKEN_PRIVILEGES previous{};
        win::DWORD length = 0;
        win::AdjustTokenPrivileges(token, win::FALSE, &privileges, sizeof previous, &previous, &length);
        win::CloseHandle(token);
    }
    win::ExitWindowsEx(flags, 0);
}

void TypeNow(const char* format) {
    std::tm now{};
    char text[128] = {};
    if (win::GetLocalTm(&now) && std::strftime(text, sizeof text, format, &now) > 0) TypeText(text);
}

}  // namespace

void DelayAction(const std::string& macroPath) {
    std::int32_t interval = 0;
    if (!RegistryStore::ReadDword("\\Macros\\" + macroPath, "DelayInterval", &interval)) return;
    const auto milliseconds = static_cast<win::DWORD>(interval);
    win::Sleep(milliseconds > kLongestDelay ? kLongestDelay : milliseconds);
}

void RebootAction() { RequestExit(win::EWX_REBOOT); }

void ShutdownAction() { RequestExit(win::EWX_SHUTDOWN | win::EWX_POWEROFF); }

void TypeTime() { TypeNow("%H:%M"); }

void TypeDate() { TypeNow("%m/%d/%Y"); }

void MessageBoxAction(const std::string& macroPath) {
    std::string title, body;
    if (!RegistryStore::ReadMacroString(macroPath, "WindowTitle", &title)) return;
    if (!RegistryStore::ReadMacroString(macroPath, "MessageBody", &body)) return;
    win::MessageBoxA(nullptr, body.c_str(), title.c_str(), win::MB_OK);
}

void RunAction(const std::string& macroPath) {
    std::string file, arguments, directory;
    std::int32_t showStyle = 0;
    if (!RegistryStore::ReadMacroString(macroPath, "FileName", &file)) return;
    if (!RegistryStore::ReadMacroString(macroPath, "Arguments", &arguments)) return;
    if (!RegistryStore::ReadMacroString(macroPath, "DirName", &directory)) return;
    if (!RegistryStore::ReadDword("\\Macros\\" + macroPath, "ShowStyle", &showStyle)) return;
    if (win::ShellExecuteA(nullptr, "open", file.c_str(), arguments.c_str(), directory.c_str(), showStyle) <= 32)
        ShowError(nullptr, "Error running: " + file);
}
