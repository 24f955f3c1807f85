// The fake's system hot keys: one registration per window and id, and no
// two registrations of the same key combination.
#include <algorithm>
#include <vector>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"

namespace {

std::vector<fake::HotKey> hotKeys;

}  // namespace

namespace fake::detail {
void ResetHotKeys() { hotKeys.clear(); }
void DropHotKeys(win::HWND window) {
    std::erase_if(hotKeys, [&](const HotKey& k) { return k.window == window; });
}
}  // namespace fake::detail

namespace fake {
std::vector<HotKey> HotKeys() { return hotKeys; }
}  // namespace fake

namespace win {

BOOL RegisterHotKey(HWND window, int id, UINT modifiers, UINT virtualKey) {
    if (fake::detail::Fails("RegisterHotKey")) return FALSE;
    if (window != nullptr && !fake::detail::WindowExists(window)) {
        fake::detail::SetError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // Registering an id again for the same window replaces its earlier key.
    auto same = std::find_if(hotKeys.begin(), hotKeys.end(),
                             [&](const fake::HotKey& k) { return k.window == window && k.id == id; });
    for (auto it = hotKeys.begin(); it != hotKeys.end(); ++it) {
        if (it != same && it->modifiers == modifiers && it->virtualKey == virtualKey) {
            fake::detail::SetError(ERROR_HOTKEY_ALREADY_REGISTERED);
            return FALSE;
        }
    }
    if (same != hotKeys.end()) {
        same->modifiers = modifiers;
        same->virtualKey = virtualKey;
    } else {
        hotKeys.push_back(fake::HotKey{window, id, modifiers, virtualKey});
    }
    return TRUE;
}

BOOL UnregisterHotKey(HWND window, int id) {
    if (fake::detail::Fails("UnregisterHotKey")) return FALSE;
    auto it = std::find_if(hotKeys.begin(), hotKeys.end(),
                           [&](const fake::HotKey& k) { return k.window == window && k.id == id; });
    if (it == hotKeys.end()) {
        fake::detail::SetError(ERROR_HOTKEY_NOT_REGISTERED);
        return FALSE;
    }
    hotKeys.erase(it);
    return TRUE;
}

}  // namespace win
