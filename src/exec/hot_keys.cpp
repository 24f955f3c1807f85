#include "exec/hot_keys.h"

#include <algorithm>
#include <vector>

namespace hotkeys {
namespace {

std::vector<std::int32_t> held;
bool suspended = false;

}  // namespace

bool Register(win::HWND window, std::int32_t id, std::int32_t modifiers, std::int32_t virtualKey) {
    if (suspended) return true;
    if (!win::RegisterHotKey(window, id, static_cast<win::UINT>(modifiers), static_cast<win::UINT>(virtualKey)))
        return false;
    if (!IsRegistered(id)) held.push_back(id);
    return true;
}

bool Unregister(win::HWND window, std::int32_t id) {
    if (!IsRegistered(id)) return true;
    if (!win::UnregisterHotKey(window, id)) return false;
    std::erase(held, id);
    return true;
}

void UnregisterAll(win::HWND window) {
    for (std::int32_t id : held) win::UnregisterHotKey(window, id);
    held.clear();
}

bool IsRegistered(std::int32_t id) { return std::find(held.begin(), held.end(), id) != held.end(); }

void Suspend(win::HWND window) {
    UnregisterAll(window);
    suspended = true;
}

void Resume() { suspended = false; }

bool Suspended() { return suspended; }

void Reset() {
    held.clear();
    suspended = false;
}

}  // namespace hotkeys
