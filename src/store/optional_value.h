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

// A number that an earlier Keyloom never stored, under `storePath` (a key
// below the store root, "\Macros\<macro>" or "\Settings"): `defaultValue`
// when the value or its key is missing, without a word. Any other failure
// is reported as ReadDword reports it; `value` is then `defaultValue` and
// false returned.
bool ReadOptionalDword(const std::string& storePath, const std::string& valueName, std::int32_t defaultValue,
                       std::int32_t* value);

}  // namespace RegistryStore
