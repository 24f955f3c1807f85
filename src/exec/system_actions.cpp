#include "exec/system_actions.h"

#include <ctime>

#include "exec/keystrokes.h"
#include "exec/message_wait.h"
#include "exec/run_box.h"
#include "platform/unique_handle.h"
#include "platform/win.h"
#include "store/message_text.h"
#include "store/registry_store.h"

namespace {

using layout::Field;

// The longest pause the DELAY dialog lets a macro ask for.
constexpr std::int32_t kLongestDelay = 2000000000;

void RequestExit(win::UINT flags) {
    UniqueObject token;
    if (win::OpenProcessToken(win::GetCurrentProcess(), win::TOKEN_ADJUST_PRIVILEGES | win::TOKEN_QUERY, token.put())) {
        win::TOKEN_PRIVILEGES privileges{};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = win::SE_PRIVILEGE_ENABLED;
        win::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
        win::TOKEN_PRIVILEGES previous{};
        win::DWORD length = 0;
        win::AdjustTokenPrivileges(token.get(), win::FALSE, &privileges, sizeof previous, &previous, &length);
    }
    win::ExitWindowsEx(flags, 0);
}

void TypeNow(const char* format) {
    std::tm now{};
    char text[128] = {};
    if (win::GetLocalTm(&now) && std::strftime(text, sizeof text, format, &now) > 0) TypeText(text);
}

}  // namespace

void DelayAction(RegistryStore::InstructionKey& instruction) {
    std::int32_t interval = 0;
    if (!instruction.Read(Field::DelayInterval, &interval)) return;
    instruction.Close();
    // A pause the dialog could never have stored is damaged data: slept,
    // it would hold the whole program for up to 49 days (or for good, at
    // Sleep's INFINITE), so it is skipped and said.
    if (interval < 0 || interval > kLongestDelay) {
        ShowWarning(nullptr, FormatText("Skipped a DELAY of %s milliseconds at %s: a DELAY lasts from 0 to %s milliseconds.",
                                        {std::to_string(static_cast<std::uint32_t>(interval)),
                                         instruction.FullPath(), std::to_string(kLongestDelay)}));
        return;
    }
    exec::WaitServingMessages(static_cast<std::uint32_t>(interval));
}

void RebootAction() { RequestExit(win::EWX_REBOOT); }

void ShutdownAction() { RequestExit(win::EWX_SHUTDOWN | win::EWX_POWEROFF); }

void TypeTime() { TypeNow("%H:%M"); }

void TypeDate() { TypeNow("%m/%d/%Y"); }

void MessageBoxAction(RegistryStore::InstructionKey& instruction) {
    std::string title, body;
    if (!instruction.Read(Field::WindowTitle, &title)) return;
    if (!instruction.Read(Field::MessageBody, &body)) return;
    instruction.Close();
    exec::ShowRunBox(body.c_str(), title.c_str(), win::MB_OK);
}

void RunAction(RegistryStore::InstructionKey& instruction) {
    std::string file, arguments, directory;
    std::int32_t showStyle = 0;
    if (!instruction.Read(Field::FileName, &file)) return;
    if (!instruction.Read(Field::Arguments, &arguments)) return;
    if (!instruction.Read(Field::DirName, &directory)) return;
    if (!instruction.Read(Field::ShowStyle, &showStyle)) return;
    std::int32_t unelevated = 0;
    if (!instruction.ReadOptional(Field::Unelevated, &unelevated)) return;
    instruction.Close();
    if (unelevated != 0) {
        // Keyloom runs elevated and whatever it starts would too; the desktop
        // shell starts programs with the user's own rights.
        if (win::DesktopShellExecute(file.c_str(), arguments.c_str(), directory.c_str(), "open", showStyle) >= 0)
            return;
        ShowWarning(nullptr, FormatText("No desktop shell can start %s without administrator rights. It starts "
                                        "with Keyloom's rights.",
                                        {file}));
    }
    if (win::ShellExecuteA(nullptr, "open", file.c_str(), arguments.c_str(), directory.c_str(), showStyle) <= 32)
        ShowError(nullptr, "Error running: " + file);
}
