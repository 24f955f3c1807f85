// The one place that sends input: key events and SendInput batches go out
// here, and every key and mouse button that Keyloom presses and has not yet
// released is kept in one table, so that what a playback or a run leaves
// held can be let go when it ends without the user's choice.
#pragma once

#include <cstddef>

#include "platform/win.h"

namespace input {

// Who pressed a held key: the macro's own key instructions (Key Down Only is
// the user's choice and outlives a normal end) or a playback.
// A hot key passed on to the program in front presses and lets go of its
// keys in one batch.
enum class Owner : unsigned char { Macro, Playback, PassOn };

// keybd_event, noted in the table.
void SendKeyEvent(win::BYTE virtualKey, win::BYTE scanCode, win::DWORD flags, Owner owner);
// SendInput of `count` inputs, noted in the table as far as the system took
// them; returns what SendInput returns.
win::UINT Send(win::INPUT* inputs, win::UINT count, Owner owner);
// Notes input that the system injected on Keyloom's behalf (a journal
// playback hook's events) as Send would.
void Note(const win::INPUT& input, Owner owner);

// Releases, newest first, what `owner` holds, as injected input.
void ReleaseHeld(Owner owner);
// Releases, newest first, everything Keyloom holds.
void ReleaseAllHeld();
// Whether `owner` holds `virtualKey` (left and right Shift, Ctrl and Alt
// count as the generic key).
bool IsHeld(win::WORD virtualKey, Owner owner);
// How many keys and buttons are held now.
std::size_t HeldCount();
// Forgets the table without sending anything: a fresh start for tests.
void ForgetHeld();

}  // namespace input
