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

// A number that an earlier Keyloom never stored, under `storePath` (a key
// below the store root, "\Macros\<macro>" or "\Settings"): `defaultValue`
// when the value or its key is missing, without a word. Any other failure
// is reported as ReadDword reports it; `value` is then `defaultValue` and
// false returned.
bool ReadOptionalDword(const std::string& storePath, const std::string& valueName, std::int32_t defaultValue,
                       std::int32_t* value);
// A text of the macro key `macroName` that an earlier Keyloom never stored,
// through the UTF-16 calls: empty when it is missing, without a word; other
// failures are reported as ReadMacroText reports them.
bool ReadOptionalMacroText(const std::string& macroName, const char* valueName, std::u16string* text);

}  // namespace RegistryStore
