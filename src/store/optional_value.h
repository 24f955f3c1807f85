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

}  // namespace RegistryStore
