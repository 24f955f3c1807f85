// The editor's on-screen keyboard: 113 buttons, ids 1005 to 1117, laid out
// as a US PC keyboard. A button inserts its key's instructions; the two
// Shift buttons also switch the character buttons' captions.
#pragma once

#include <cstdint>
#include <span>

struct KeyButton {
    int id;
    const char* caption;  // as the dialog opens
    const char* shifted;  // the caption while Shift shows; null when it never changes
    std::int32_t code;    // the virtual key; 0 for a layout button
    char layoutCharacter; // a layout button inserts the key that types this character
    int x, y, width, height;  // dialog units
};

inline constexpr int kFirstKeyButton = 1005;
inline constexpr int kLastKeyButton = 1117;

// Row by row, left to right: the tab order.
std::span<const KeyButton> KeyboardButtons();
// The button with that id; null outside 1005 to 1117.
const KeyButton* FindKeyButton(int id);
// The code a click inserts. A layout button asks the active layout at each
// click which key types its character (the low byte of VkKeyScanA's
// answer, 0xFF when no key does).
std::int32_t KeyCodeOf(const KeyButton& button);
// The two Shift buttons switch the captions.
bool IsShiftButton(const KeyButton& button);
