#include "exec/hot_keys.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "exec/runner.h"
#include "input/held_input.h"
#include "platform/unique_handle.h"
#include "store/layout.h"
#include "store/registry_store.h"

namespace hotkeys {
namespace {

struct Combination {
    std::int32_t modifiers;
    std::int32_t virtualKey;
};
// The ids that hold a registration now.
std::map<std::int32_t, Combination> registered;
std::map<std::int32_t, std::set<std::string>> holders;
bool suspended = false;

// Keys that the system sends with the extended flag (the right-hand block
// and the numeric keypad's Enter-side keys), so that the program in front
// sees the same key as the one pressed.
bool IsExtended(std::int32_t virtualKey) {
    switch (virtualKey) {
    case win::VK_PRIOR:
    case win::VK_NEXT:
    case win::VK_END:
    case win::VK_HOME:
    case win::VK_LEFT:
    case win::VK_UP:
    case win::VK_RIGHT:
    case win::VK_DOWN:
    case win::VK_SNAPSHOT:
    case win::VK_INSERT:
    case win::VK_DELETE:
    case win::VK_DIVIDE:
    case win::VK_NUMLOCK:
    case win::VK_RCONTROL:
    case win::VK_RMENU: return true;
    default: return false;
    }
}

win::INPUT KeyInput(std::int32_t virtualKey, bool up) {
    win::INPUT input{};
    input.type = win::INPUT_KEYBOARD;
    input.ki.wVk = static_cast<win::WORD>(virtualKey);
    input.ki.wScan = static_cast<win::WORD>(win::MapVirtualKeyA(static_cast<win::UINT>(virtualKey), win::MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (IsExtended(virtualKey) ? win::KEYEVENTF_EXTENDEDKEY : 0) | (up ? win::KEYEVENTF_KEYUP : 0);
    return input;
}

bool SameHotKey(const User& user, std::int32_t virtualKey, std::int32_t modifiers) {
    return user.virtualKey == virtualKey && user.modifiers == modifiers;
}

}  // namespace

bool Register(win::HWND window, std::int32_t id, std::int32_t modifiers, std::int32_t virtualKey) {
    if (suspended) return true;
    if (!win::RegisterHotKey(window, id, static_cast<win::UINT>(modifiers), static_cast<win::UINT>(virtualKey)))
        return false;
    registered[id] = Combination{modifiers, virtualKey};
    return true;
}

bool Unregister(win::HWND window, std::int32_t id) {
    if (!IsRegistered(id)) return true;
    if (!win::UnregisterHotKey(window, id)) return false;
    registered.erase(id);
    return true;
}

void UnregisterAll(win::HWND window) {
    for (const auto& [id, combination] : registered) win::UnregisterHotKey(window, id);
    registered.clear();
}

bool IsRegistered(std::int32_t id) { return registered.count(id) != 0; }

void Suspend(win::HWND window) {
    UnregisterAll(window);
    suspended = true;
}

void Resume() { suspended = false; }

bool Suspended() { return suspended; }

void Reset() {
    registered.clear();
    holders.clear();
    suspended = false;
}

bool PassOn(win::HWND window, std::int32_t id) {
    const auto it = registered.find(id);
    if (it == registered.end()) return false;
    const Combination combination = it->second;
    // While the registration stands, the key sent would come back as this
    // hot key.
    if (!win::UnregisterHotKey(window, id)) return false;
    registered.erase(id);
    static constexpr std::pair<win::UINT, win::BYTE> kModifierKeys[] = {
        {win::MOD_CONTROL, win::VK_CONTROL}, {win::MOD_ALT, win::VK_MENU}, {win::MOD_SHIFT, win::VK_SHIFT}};
    win::INPUT inputs[8]{};
    win::UINT count = 0;
    win::BYTE pressed[3]{};
    std::size_t pressedCount = 0;
    // A modifier the user still holds is down already; one let go before
    // the hot key's message came is pressed for the key and let go after.
    for (const auto& [flag, key] : kModifierKeys) {
        if ((static_cast<win::UINT>(combination.modifiers) & flag) == 0) continue;
        if ((win::GetAsyncKeyState(key) & 0x8000) != 0) continue;
        inputs[count++] = KeyInput(key, false);
        pressed[pressedCount++] = key;
    }
    inputs[count++] = KeyInput(combination.virtualKey, false);
    inputs[count++] = KeyInput(combination.virtualKey, true);
    while (pressedCount > 0) inputs[count++] = KeyInput(pressed[--pressedCount], true);
    // What the system did not take of the batch may have left a key down.
    if (input::Send(inputs, count, input::Owner::PassOn) != count) input::ReleaseHeld(input::Owner::PassOn);
    return Register(window, id, combination.modifiers, combination.virtualKey);
}

const User* OverlappingUser(const std::vector<User>& users, std::int32_t virtualKey, std::int32_t modifiers,
                            const scope::MacroScope& macro) {
    for (const User& user : users)
        if (SameHotKey(user, virtualKey, modifiers) && scope::Overlap(user.scope, macro)) return &user;
    return nullptr;
}

std::int32_t SharedId(const std::vector<User>& users, std::int32_t virtualKey, std::int32_t modifiers) {
    std::int32_t first = kNoHotKey;
    for (const User& user : users) {
        if (!SameHotKey(user, virtualKey, modifiers)) continue;
        if (IsRegistered(user.id)) return user.id;
        if (first == kNoHotKey) first = user.id;
    }
    return first;
}

std::vector<User> ReadUsers(const std::string& except) {
    std::vector<User> users;
    UniqueKey macros;
    if (RegistryStore::OpenKey(layout::MacrosFullPath(), macros.put()) != win::ERROR_SUCCESS) return users;
    char name[255];
    for (win::DWORD index = 0; win::RegEnumKeyA(macros.get(), index, name, sizeof name) == win::ERROR_SUCCESS; ++index) {
        if (layout::IsWorkKeyName(name) || name == except) continue;
        UniqueKey macro;
        if (win::RegOpenKeyExA(macros.get(), name, 0, RegistryStore::kAccess, macro.put()) != win::ERROR_SUCCESS)
            continue;
        User user;
        user.name = name;
        if (RegistryStore::QueryDword(macro.get(), layout::kHotKeyVk, &user.virtualKey) != win::ERROR_SUCCESS ||
            RegistryStore::QueryDword(macro.get(), layout::kHotKeyModifiers, &user.modifiers) != win::ERROR_SUCCESS ||
            RegistryStore::QueryDword(macro.get(), layout::kId, &user.id) != win::ERROR_SUCCESS || !Holds(user.id, name))
            continue;
        // A macro switched off takes no part.
        std::int32_t enabled = 1;
        if (RegistryStore::QueryDword(macro.get(), layout::kEnabled, &enabled) == win::ERROR_SUCCESS && enabled == 0)
            continue;
        user.scope = scope::ReadScope(macro.get(), name);
        users.push_back(std::move(user));
    }
    return users;
}

void Hold(std::int32_t id, const std::string& macroName) {
    if (id != kNoHotKey) holders[id].insert(macroName);
}

void Release(std::int32_t id, const std::string& macroName) {
    auto it = holders.find(id);
    if (it == holders.end()) return;
    it->second.erase(macroName);
    if (it->second.empty()) holders.erase(it);
}

bool Holds(std::int32_t id, const std::string& macroName) {
    auto it = holders.find(id);
    return it != holders.end() && it->second.count(macroName) != 0;
}

void ForgetHolders() { holders.clear(); }

bool HeldByOther(std::int32_t id, const std::string& except) {
    auto it = holders.find(id);
    if (it == holders.end()) return false;
    return it->second.size() > it->second.count(except);
}

}  // namespace hotkeys
