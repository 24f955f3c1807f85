// Text typed by its UTF-16 units (KEYEVENTF_UNICODE), whatever the keyboard
// layout and its dead keys: a down and an up for each unit, a surrogate
// pair as its two units, a line break (CR LF, or a CR or LF alone) as a
// press of Enter and a tab as a press of Tab. It goes out in SendInput
// batches of at most kTextBatch inputs; a character's inputs are never
// split between two batches.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "input/held_input.h"
#include "platform/win.h"

namespace input {

inline constexpr std::size_t kTextBatch = 256;
using TextBatch = std::array<win::INPUT, kTextBatch>;

// Fills `batch` with the inputs of the characters from unit `*at` on, as
// many as fit whole, and moves `*at` past them: the count of inputs, 0 at
// the end of the text.
win::UINT NextTextBatch(std::u16string_view text, std::size_t* at, TextBatch* batch);

// Asked between two batches whether the typing goes on.
using GoOn = bool (*)();

enum class Typed {
    Whole,    // the system took every input
    Stopped,  // goOn said no between two batches: nothing is left down
    Cut,      // the system stopped taking the inputs partway
};

// Types `text` into whatever window has the focus, batch by batch, asking
// `goOn` (when given) before each batch after the first. When the system
// stops taking inputs partway, the rest is not sent and a unit left down is
// released at once (should that fail too, it stays in the held-input table
// for the end of the run).
Typed TypeUnicodeText(std::u16string_view text, Owner owner, GoOn goOn = nullptr);

}  // namespace input
