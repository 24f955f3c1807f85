// Synthetic keyboard input into whatever window has the focus.
#pragma once

#include <cstdint>
#include <string>

#include "store/registry_store.h"

// One stored key instruction: its "KeyPressed" value is the event's flags.
void PressKey(RegistryStore::InstructionKey& instruction, std::int32_t code);
// Types each character with its base key, adding Shift where the layout
// needs it.
void TypeText(const std::string& text);
