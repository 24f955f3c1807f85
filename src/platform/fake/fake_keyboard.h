// The fake's keyboard layouts, as seen by the rest of the fake.
#pragma once

namespace fake::detail {

// Makes the US layout active again; fake::Reset calls it.
void ResetKeyboard();

}  // namespace fake::detail
