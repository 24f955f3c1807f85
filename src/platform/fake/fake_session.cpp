// The fake's session-wide objects: named mutexes, registered window
// messages, each window's integrity filter and class, and the messages sent
// to other programs' windows.
#include <algorithm>
#include <cstring>
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
    std::map<std::uintptr_t, std::string> classes;        // window -> class name, where a test gave one
    std::vector<fake::SentMessage> sent;
    std::function<win::LRESULT(const fake::SentMessage&)> receiver;
    std::vector<win::LRESULT> replies;
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

void SetWindowClass(win::HWND window, const std::string& className) { state.classes[Value(window)] = className; }

const std::vector<SentMessage>& SentMessages() { return state.sent; }

void OnSendMessage(std::function<win::LRESULT(const SentMessage&)> receiver) { state.receiver = std::move(receiver); }

const std::vector<win::LRESULT>& Replies() { return state.replies; }

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

win::LRESULT SendMessageTimeoutA(HWND window, UINT message, win::WPARAM wParam, win::LPARAM lParam, UINT /*flags*/,
                                 UINT /*timeout*/, win::ULONG_PTR* result) {
    if (Fails("SendMessageTimeoutA")) return 0;
    if (!fake::detail::WindowExists(window)) {
        SetError(win::ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    fake::SentMessage sent{window, message, wParam, 0, {}};
    // The block lives only while the receiver handles the message: it is
    // kept as a copy.
    if (message == win::WM_COPYDATA && lParam != 0) {
        const auto* block = reinterpret_cast<const win::COPYDATASTRUCT*>(lParam);
        sent.copyTag = block->dwData;
        const auto* bytes = static_cast<const std::uint8_t*>(block->lpData);
        if (bytes != nullptr) sent.copyData.assign(bytes, bytes + block->cbData);
    }
    state.sent.push_back(sent);
    const win::LRESULT answer = state.receiver ? state.receiver(state.sent.back()) : win::TRUE;
    if (result != nullptr) *result = static_cast<win::ULONG_PTR>(answer);
    return win::TRUE;
}

BOOL ReplyMessage(win::LRESULT result) {
    fake::detail::Count("ReplyMessage");
    state.replies.push_back(result);
    return win::TRUE;
}

int GetClassNameA(HWND window, char* className, int maxCount) {
    if (Fails("GetClassNameA")) return 0;
    if (!fake::detail::WindowExists(window)) {
        SetError(win::ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    auto it = state.classes.find(Value(window));
    const std::string name = it != state.classes.end() ? it->second : "FakeWindow";
    if (className == nullptr || maxCount <= 0) return 0;
    const std::size_t n = std::min(name.size(), static_cast<std::size_t>(maxCount - 1));
    std::memcpy(className, name.data(), n);
    className[n] = '\0';
    return static_cast<int>(n);
}

}  // namespace win
