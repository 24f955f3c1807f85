// The optional numbers of an instruction (layout::KindValues::optional).
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

// A number of a macro key (or any key) that an earlier Keyloom did not
// store: `absent` when the value is missing, without a word. Any other
// failure is reported as ReadDword reports it and leaves `absent` too, so
// that the macro behaves as it did before the value existed; false then.
// `storePath` begins with "\Macros\" or "\Journals\".
bool ReadOptionalDword(const std::string& storePath, const char* valueName, std::int32_t absent, std::int32_t* value);

}  // namespace RegistryStore
