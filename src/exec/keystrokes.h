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
// TYPE TEXT: its stored "Text" typed by UTF-16 units. False when the text
// cannot be read (the user has been told what is wrong with it) or the
// system stopped taking the input: the run then ends as a failure.
bool TypeTextAction(RegistryStore::InstructionKey& instruction);
