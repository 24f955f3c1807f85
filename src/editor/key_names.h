// Names of keys, hot keys and instruction codes as the user sees them:
// short texts in capitals ("CTRL", "F5", "NP 7", "aA", "PLAYBACK RECORDING")
// in the ANSI code page. The names of character keys depend on the active
// keyboard layout, which is asked afresh at each call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What HotKeyKeyName answers for a key it cannot name: the single byte 0xFF.
inline constexpr std::string_view kNoKeyName{"\xFF", 1};

// The key of a hot key: the character the key types in the active layout,
// else its fixed name, else kNoKeyName.
std::string HotKeyKeyName(std::int32_t virtualKey);

// The name of an instruction: a key, a letter or character pair, or a
// command; empty for a code it cannot name.
std::string InstructionCodeName(std::int32_t code);

// The Hot Key column of a macro: "CTRL + ALT + K", "F5", or
// "Invalid Hot Key" when no hot key was chosen (-1) or the key has no name.
// `modifiers` holds the RegisterHotKey bits 1 Alt, 2 Ctrl, 4 Shift.
std::string HotKeyText(std::int32_t virtualKey, std::int32_t modifiers);
// The Hot Key column as the Macros list shows it: where the macro works
// (`where`, " (in 2 programs)" or nothing) follows the hot key, and " (off)"
// ends the text of a macro that is switched off.
std::string ListedHotKeyText(std::int32_t virtualKey, std::int32_t modifiers, bool enabled,
                             const std::string& where = std::string());
