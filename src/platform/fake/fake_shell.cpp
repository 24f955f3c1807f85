// The fake's shell and system services: the operating-system version,
// ShellExecuteA, the process token with its shutdown privilege, and
// ExitWindowsEx, which only logs what it was asked.
#include <cstring>
#include <map>
#include <vector>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"

namespace {

using win::BOOL;
using win::DWORD;
using win::HANDLE;
using win::UINT;
using fake::detail::Fails;
using fake::detail::SetError;
using fake::detail::Text;
using fake::detail::Value;

// The shutdown privilege's locally unique id, as Windows assigns it.
constexpr DWORD kShutdownLuid = 19;
const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

struct State {
    DWORD platformId = win::VER_PLATFORM_WIN32_NT;
    std::vector<fake::ShellCall> shellCalls;
    std::intptr_t shellResult = 42;
    std::vector<fake::ShellCall> desktopShellCalls;
    win::HRESULT desktopShellResult = win::S_OK;
    std::vector<UINT> exitRequests;
    std::map<std::uintptr_t, DWORD> tokens;  // handle -> access
    bool shutdownEnabled = false;
};

State state;

}  // namespace

namespace fake::detail {
void ResetShell() { state = State{}; }
}  // namespace fake::detail

namespace fake {

void SetPlatformId(win::DWORD platformId) { state.platformId = platformId; }
const std::vector<ShellCall>& ShellCalls() { return state.shellCalls; }
void SetShellResult(std::intptr_t result) { state.shellResult = result; }
const std::vector<ShellCall>& DesktopShellCalls() { return state.desktopShellCalls; }
void SetDesktopShellResult(win::HRESULT result) { state.desktopShellResult = result; }
const std::vector<win::UINT>& ExitRequests() { return state.exitRequests; }
bool ShutdownPrivilegeEnabled() { return state.shutdownEnabled; }
int OpenTokenCount() { return static_cast<int>(state.tokens.size()); }

}  // namespace fake

namespace win {

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    if (Fails("GetVersionExA")) return FALSE;
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const bool nt = state.platformId == VER_PLATFORM_WIN32_NT;
    info->dwMajorVersion = nt ? 6 : 4;
    info->dwMinorVersion = nt ? 2 : 10;
    info->dwBuildNumber = nt ? 9200 : 2222;
    info->dwPlatformId = state.platformId;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    return TRUE;
}

std::intptr_t ShellExecuteA(HWND /*owner*/, const char* verb, const char* file, const char* parameters,
                            const char* directory, int showCommand) {
    state.shellCalls.push_back(fake::ShellCall{Text(verb), Text(file), Text(parameters), Text(directory), showCommand});
    std::int32_t code = 0;
    if (fake::detail::Faulted("ShellExecuteA", {Text(file), Text(parameters), Text(directory)}, &code)) {
        SetError(static_cast<DWORD>(code));
        return code;
    }
    return state.shellResult;
}

HRESULT DesktopShellExecute(const char* file, const char* parameters, const char* directory, const char* verb,
                            int showCommand) {
    fake::detail::Count("DesktopShellExecute");
    state.desktopShellCalls.push_back(
        fake::ShellCall{Text(verb), Text(file), Text(parameters), Text(directory), showCommand});
    return state.desktopShellResult;
}

HANDLE GetCurrentProcess() {
    fake::detail::Count("GetCurrentProcess");
    return kCurrentProcess;
}

BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) {
    if (Fails("OpenProcessToken")) return FALSE;
    if (process != kCurrentProcess) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (token == nullptr) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::uintptr_t value = fake::detail::NewHandleValue();
    state.tokens[value] = access;
    *token = reinterpret_cast<HANDLE>(value);
    return TRUE;
}

BOOL LookupPrivilegeValueA(const char* /*system*/, const char* name, LUID* luid) {
    if (Fails("LookupPrivilegeValueA", {Text(name)})) return FALSE;
    if (name == nullptr || !fake::detail::EqualNoCase(name, "SeShutdownPrivilege")) {
        SetError(ERROR_NO_SUCH_PRIVILEGE);
        return FALSE;
    }
    if (luid == nullptr) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *luid = LUID{kShutdownLuid, 0};
    return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD bufferLength,
                           TOKEN_PRIVILEGES* previousState, DWORD* returnLength) {
    if (Fails("AdjustTokenPrivileges")) return FALSE;
    auto it = state.tokens.find(Value(token));
    if (it == state.tokens.end()) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const DWORD needed = previousState != nullptr ? TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES : TOKEN_ADJUST_PRIVILEGES;
    if ((it->second & needed) != needed) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if ((disableAll == FALSE && newState == nullptr) || (previousState != nullptr && returnLength == nullptr)) {
        SetError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The previous state lists the one privilege the token holds, as it was.
    if (previousState != nullptr) {
        constexpr DWORD size = sizeof(TOKEN_PRIVILEGES);
        *returnLength = size;
        if (bufferLength < size) {
            SetError(ERROR_INSUFFICIENT_BUFFER);
            return FALSE;
        }
        previousState->PrivilegeCount = 1;
        previousState->Privileges[0].Luid = LUID{kShutdownLuid, 0};
        previousState->Privileges[0].Attributes = state.shutdownEnabled ? SE_PRIVILEGE_ENABLED : 0;
    }
    if (disableAll != FALSE) {
        state.shutdownEnabled = false;
        SetError(DWORD{0});
        return TRUE;
    }
    // Privileges the token does not hold are skipped; the call still succeeds
    // and says so in the last error.
    bool allAssigned = true;
    for (DWORD i = 0; i < newState->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& entry = newState->Privileges[i];
        if (entry.Luid.LowPart == kShutdownLuid && entry.Luid.HighPart == 0) {
            state.shutdownEnabled = (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        } else {
            allAssigned = false;
        }
    }
    SetError(allAssigned ? DWORD{0} : static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    if (Fails("CloseHandle")) return FALSE;
    if (handle == kCurrentProcess) return TRUE;
    if (fake::detail::CloseTimer(handle)) return TRUE;
    if (fake::detail::CloseThreadOrEvent(handle)) return TRUE;
    if (fake::detail::CloseMutex(handle)) return TRUE;
    if (fake::detail::CloseProcess(handle)) return TRUE;
    if (state.tokens.erase(Value(handle)) == 0) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

BOOL ExitWindowsEx(UINT flags, DWORD /*reason*/) {
    if (Fails("ExitWindowsEx")) return FALSE;
    // Shutting down or rebooting needs the privilege enabled in the token.
    if (!state.shutdownEnabled) {
        SetError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    state.exitRequests.push_back(flags);
    return TRUE;
}

}  // namespace win
