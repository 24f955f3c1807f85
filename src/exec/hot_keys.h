// The macro hot keys this run holds, and the user's suspension of them.
// Every macro hot key is registered and given back through here, so that a
// macro that is switched off, or any macro while hot keys are suspended,
// holds no registration, and giving one back never asks the system about a
// registration that was never made. The stop key is not a macro hot key and
// does not go through here.
#pragma once

#include <cstdint>

#include "platform/win.h"

namespace hotkeys {

// Registers macro hot key `id` for `window`, unless hot keys are suspended.
// True when it is registered, or when suspension keeps it from being so;
// false, with the system's error, when the system refuses it.
bool Register(win::HWND window, std::int32_t id, std::int32_t modifiers, std::int32_t virtualKey);
// Gives back the registration of `id`, if it holds one. True when it holds
// none afterwards; false when the system refused to give it back.
bool Unregister(win::HWND window, std::int32_t id);
// Gives back every macro hot key held for `window`.
void UnregisterAll(win::HWND window);
// Whether `id` holds a registration now.
bool IsRegistered(std::int32_t id);

// Suspension: every macro hot key is given back and none is registered
// until Resume; the caller then registers them again. It lasts until
// resumed or until the program ends: start-up is never suspended.
void Suspend(win::HWND window);
void Resume();
bool Suspended();

// Start-up: nothing held, nothing suspended.
void Reset();

}  // namespace hotkeys
