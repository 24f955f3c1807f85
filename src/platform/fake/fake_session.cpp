// The fake's session-wide objects: named mutexes, registered window
// messages and each window's integrity filter.
#include <map>
#include <set>
#include <string>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"

namespace {

using win::BOOL;
using win::DWORD;
using win::HANDLE;
using win::UINT;
using fake::detail::Fails;
using fake::detail::SetError;
using fake::detail::Value;

struct State {
    std::map<std::uintptr_t, std::string> mutexHandles;  // handle -> lower-case name ("" unnamed)
    std::map<std::string, int> mutexes;                   // name -> open handles
    std::map<std::string, UINT> messages;                 // lower-case name -> number
    std::map<std::uintptr_t, std::set<UINT>> letThrough;  // window -> messages allowed
};

State state;

}  // namespace

namespace fake::detail {

void ResetSession() { state = State{}; }

bool CloseMutex(win::HANDLE handle) {
    auto it = state.mutexHandles.find(Value(handle));
    if (it == state.mutexHandles.end()) return false;
    if (!it->second.empty() && --state.mutexes[it->second] == 0) state.mutexes.erase(it->second);
    state.mutexHandles.erase(it);
    return true;
}

}  // namespace fake::detail

namespace fake {

std::set<win::UINT> MessagesLetThrough(win::HWND window) {
    auto it = state.letThrough.find(Value(window));
    return it == state.letThrough.end() ? std::set<win::UINT>{} : it->second;
}

}  // namespace fake

namespace win {

HANDLE CreateMutexA(void* /*attributes*/, BOOL /*initialOwner*/, const char* name) {
    if (Fails("CreateMutexA", {fake::detail::Text(name)})) return nullptr;
    const std::string key = fake::detail::Lower(fake::detail::Text(name));
    const HANDLE handle = reinterpret_cast<HANDLE>(fake::detail::NewHandleValue());
    state.mutexHandles[Value(handle)] = key;
    if (key.empty()) {
        SetError(ERROR_SUCCESS);
        return handle;
    }
    const bool existed = state.mutexes[key]++ > 0;
    SetError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

UINT RegisterWindowMessageA(const char* name) {
    if (Fails("RegisterWindowMessageA", {fake::detail::Text(name)})) return 0;
    if (name == nullptr || *name == '\0') {
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string key = fake::detail::Lower(name);
    auto it = state.messages.find(key);
    if (it == state.messages.end())
        it = state.messages.emplace(key, 0xC000u + static_cast<UINT>(state.messages.size())).first;
    return it->second;
}

BOOL ChangeWindowMessageFilterEx(HWND window, UINT message, DWORD action, void* /*changeFilterStruct*/) {
    if (Fails("ChangeWindowMessageFilterEx")) return FALSE;
    if (!fake::detail::WindowExists(window)) {
        SetError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    auto& allowed = state.letThrough[Value(window)];
    switch (action) {
    case MSGFLT_ALLOW: allowed.insert(message); return TRUE;
    case MSGFLT_DISALLOW:
    case MSGFLT_RESET: allowed.erase(message); return TRUE;
    default: SetError(ERROR_INVALID_PARAMETER); return FALSE;
    }
}

}  // namespace win
