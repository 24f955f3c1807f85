// Synthetic keyboard input into whatever window has the focus.
#pragma once

#include <cstdint>
#include <string>

// One stored key instruction: its "KeyPressed" value is the event's flags.
void PressKey(const std::string& macroPath, std::int32_t code);
// Types each character with its base key, adding Shift where the layout
// needs it.
void TypeText(const std::string& text);
