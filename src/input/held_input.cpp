#include "input/held_input.h"

#include <array>

namespace input {
namespace {

// A key or a mouse button that Keyloom has pressed. Keys are known by their
// virtual key with left and right Shift, Ctrl and Alt folded onto the generic
// code, as the system lets a release of either code end a press of the
// other; the press's own code, scan code and extended flag make the release.
struct Held {
    bool mouse = false;
    bool unicode = false;  // a character typed by its UTF-16 unit, `key`
    win::WORD key = 0;     // folded virtual key, the unit, or the button's down flag
    win::WORD virtualKey = 0;
    win::WORD scanCode = 0;
    win::DWORD flags = 0;      // KEYEVENTF_EXTENDEDKEY of the press
    win::DWORD mouseData = 0;  // which X button
    Owner owner = Owner::Macro;
};

// Every virtual key and every button at most once, and a few characters
// typed by their unit (a text is typed down and up, so at most one of its
// units is held, when the system stopped taking input between the two):
// the table never grows.
constexpr std::size_t kCapacity = 256 + 8 + 8;
std::array<Held, kCapacity> held;
std::size_t heldCount = 0;

constexpr win::DWORD kXButtonMask = 0x3;  // XBUTTON1 | XBUTTON2

win::WORD Fold(win::WORD virtualKey) {
    if (virtualKey >= win::VK_LSHIFT && virtualKey <= win::VK_RMENU)
        return static_cast<win::WORD>(win::VK_SHIFT + (virtualKey - win::VK_LSHIFT) / 2);
    return virtualKey;
}

Held* Find(bool mouse, bool unicode, win::WORD key, win::DWORD mouseData) {
    for (std::size_t i = 0; i < heldCount; ++i)
        if (held[i].mouse == mouse && held[i].unicode == unicode && held[i].key == key &&
            (!mouse || held[i].mouseData == mouseData))
            return &held[i];
    return nullptr;
}

void Remove(bool mouse, bool unicode, win::WORD key, win::DWORD mouseData) {
    Held* found = Find(mouse, unicode, key, mouseData);
    if (found == nullptr) return;
    for (Held* next = found + 1; next < held.data() + heldCount; ++next) *(next - 1) = *next;
    --heldCount;
}

// A second press of what is held (auto-repeat) keeps the first one's place
// and owner.
void Add(const Held& entry) {
    if (Find(entry.mouse, entry.unicode, entry.key, entry.mouseData) != nullptr || heldCount == kCapacity) return;
    held[heldCount++] = entry;
}

void NoteKey(win::WORD virtualKey, win::WORD scanCode, win::DWORD flags, Owner owner) {
    // A character typed by its unit is held by that unit, between its down
    // and its up, and released by a unit's up; a key by its folded code.
    const bool unicode = (flags & win::KEYEVENTF_UNICODE) != 0;
    if (!unicode && virtualKey == 0) return;
    const win::WORD key = unicode ? scanCode : Fold(virtualKey);
    if ((flags & win::KEYEVENTF_KEYUP) != 0) {
        Remove(false, unicode, key, 0);
        return;
    }
    Held entry;
    entry.unicode = unicode;
    entry.key = key;
    entry.virtualKey = unicode ? 0 : virtualKey;
    entry.scanCode = scanCode;
    entry.flags = unicode ? win::KEYEVENTF_UNICODE : flags & (win::KEYEVENTF_EXTENDEDKEY | win::KEYEVENTF_SCANCODE);
    entry.owner = owner;
    Add(entry);
}

struct Button {
    win::DWORD down;
    win::DWORD up;
};
constexpr Button kButtons[] = {{win::MOUSEEVENTF_LEFTDOWN, win::MOUSEEVENTF_LEFTUP},
                               {win::MOUSEEVENTF_RIGHTDOWN, win::MOUSEEVENTF_RIGHTUP},
                               {win::MOUSEEVENTF_MIDDLEDOWN, win::MOUSEEVENTF_MIDDLEUP},
                               {win::MOUSEEVENTF_XDOWN, win::MOUSEEVENTF_XUP}};

void NoteMouse(const win::MOUSEINPUT& mouse, Owner owner) {
    for (const Button& button : kButtons) {
        const bool x = button.down == win::MOUSEEVENTF_XDOWN;
        const win::DWORD data = x ? (mouse.mouseData & kXButtonMask) : 0;
        const auto key = static_cast<win::WORD>(button.down);
        if ((mouse.dwFlags & button.down) != 0) {
            Held entry;
            entry.mouse = true;
            entry.key = key;
            entry.mouseData = data;
            entry.owner = owner;
            Add(entry);
        }
        if ((mouse.dwFlags & button.up) != 0) {
            // An X release names its buttons; each goes.
            if (x) {
                for (win::DWORD bit = 1; bit <= 2; bit <<= 1)
                    if ((data & bit) != 0) Remove(true, false, key, bit);
            } else {
                Remove(true, false, key, 0);
            }
        }
    }
}

win::INPUT ReleaseOf(const Held& entry) {
    win::INPUT input{};
    if (entry.mouse) {
        // No move flag: the release happens where the pointer is now.
        input.type = win::INPUT_MOUSE;
        for (const Button& button : kButtons)
            if (button.down == entry.key) input.mi.dwFlags = button.up;
        input.mi.mouseData = entry.mouseData;
    } else {
        input.type = win::INPUT_KEYBOARD;
        input.ki.wVk = entry.virtualKey;
        input.ki.wScan = entry.scanCode;
        input.ki.dwFlags = entry.flags | win::KEYEVENTF_KEYUP;
    }
    return input;
}

void Release(bool everything, Owner owner) {
    std::array<win::INPUT, kCapacity> releases{};
    std::array<std::size_t, kCapacity> from{};
    win::UINT count = 0;
    for (std::size_t i = heldCount; i > 0; --i) {
        if (!everything && held[i - 1].owner != owner) continue;
        from[count] = i - 1;
        releases[count++] = ReleaseOf(held[i - 1]);
    }
    if (count == 0) return;
    const win::UINT sent = win::SendInput(count, releases.data(), static_cast<int>(sizeof(win::INPUT)));
    // What the system did not take is still held and stays in the table.
    // Entries go from the highest index down, so the lower ones keep theirs.
    for (win::UINT n = 0; n < sent && n < count; ++n) {
        const Held& entry = held[from[n]];
        Remove(entry.mouse, entry.unicode, entry.key, entry.mouseData);
    }
}

}  // namespace

void SendKeyEvent(win::BYTE virtualKey, win::BYTE scanCode, win::DWORD flags, Owner owner) {
    win::keybd_event(virtualKey, scanCode, flags, 0);
    NoteKey(virtualKey, scanCode, flags, owner);
}

win::UINT Send(win::INPUT* inputs, win::UINT count, Owner owner) {
    const win::UINT sent = win::SendInput(count, inputs, static_cast<int>(sizeof(win::INPUT)));
    for (win::UINT i = 0; i < sent && i < count; ++i) Note(inputs[i], owner);
    return sent;
}

void Note(const win::INPUT& input, Owner owner) {
    if (input.type == win::INPUT_KEYBOARD)
        NoteKey(input.ki.wVk, input.ki.wScan, input.ki.dwFlags, owner);
    else if (input.type == win::INPUT_MOUSE)
        NoteMouse(input.mi, owner);
}

void ReleaseHeld(Owner owner) { Release(false, owner); }
void ReleaseAllHeld() { Release(true, Owner::Macro); }
bool IsHeld(win::WORD virtualKey, Owner owner) {
    const Held* found = Find(false, false, Fold(virtualKey), 0);
    return found != nullptr && found->owner == owner;
}
std::size_t HeldCount() { return heldCount; }
void ForgetHeld() { heldCount = 0; }

}  // namespace input
