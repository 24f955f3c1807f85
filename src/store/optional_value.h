// Values that later versions of Keyloom added: a tree stored before them
// lacks them, and a missing one reads, without a word, as what the older
// Keyloom did.
#pragma once

#include <cstdint>
#include <string>

#include "store/layout.h"

namespace RegistryStore {

// A number that a macro stored by an earlier Keyloom does not have: 0 when
// it is missing, without a word. Any other failure is reported as
// ReadDword reports it, and false returned. `instructionPath` is below
// Macros.
bool ReadOptionalInstructionValue(const std::string& instructionPath, layout::Field field, std::int32_t* value);

// The same for a value of the macro key `macroName` itself: `absent` when
// it is missing. A text reads through the UTF-16 calls and is empty when
// missing; other failures are reported as ReadMacroText reports them.
bool ReadOptionalMacroValue(const std::string& macroName, const char* valueName, std::int32_t absent,
                            std::int32_t* value);
bool ReadOptionalMacroText(const std::string& macroName, const char* valueName, std::u16string* text);

}  // namespace RegistryStore
