// The macro hot keys this run holds, the user's suspension of them, and
// what a hot key means where it is pressed. Every macro hot key is
// registered and given back through here, so that a macro that is switched
// off, or any macro while hot keys are suspended, holds no registration, and
// giving one back never asks the system about a registration that was never
// made. The stop key is not a macro hot key and does not go through here.
//
// Several macros may share one hot key when their scopes cannot both work
// in one program: the key combination is registered once, under one id that
// every sharer stores, and the macro whose scope takes in the program in
// front runs. Where none does, the press is passed on to that program as if
// Keyloom did not exist.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exec/scope.h"
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

// Start-up: nothing held, nothing suspended, no id is any macro's.
void Reset();

// Gives the program in front the key combination of registration `id` as
// it was pressed: the registration goes, the modifiers that are not down
// and the key are pressed and let go in one batch (nothing stays held), and
// the registration comes back. False, with nothing sent, when `id` holds no
// registration or it cannot be taken away; false also when it cannot come
// back, after the key was sent.
bool PassOn(win::HWND window, std::int32_t id);

// A macro as the hot keys see it: one that is on and whose hot key was read.
struct User {
    std::string name;
    std::int32_t virtualKey = 0;
    std::int32_t modifiers = 0;
    std::int32_t id = -1;
    scope::MacroScope scope;
};
// The first of `users` with hot key (virtualKey, modifiers) whose scope
// overlaps `macro`'s: a macro that would run where that one runs. Null when
// none does.
const User* OverlappingUser(const std::vector<User>& users, std::int32_t virtualKey, std::int32_t modifiers,
                            const scope::MacroScope& macro);
// The id under which a macro with hot key (virtualKey, modifiers), which
// overlaps none of `users`, shares that hot key with them: the id of a user
// whose registration is live, else the first such user's; -1 when no user
// has that hot key.
std::int32_t SharedId(const std::vector<User>& users, std::int32_t virtualKey, std::int32_t modifiers);

// The macros of the store that take part in the hot keys, read without a
// word where values are missing: each one that is on, whose hot key and id
// can be read and whose id is its own in this run, but `except` (the macro
// being saved).
std::vector<User> ReadUsers(const std::string& except);
// The macros that store each id handed out in this run: the stored ids
// that are known to be a macro's own now (an id left from an earlier run, on
// a macro that start-up did not reach, is no one's). Registrations that a
// holder still needs stay.
void Hold(std::int32_t id, const std::string& macroName);
void Release(std::int32_t id, const std::string& macroName);
bool Holds(std::int32_t id, const std::string& macroName);
bool HeldByOther(std::int32_t id, const std::string& except);
// A registration pass hands out every id afresh.
void ForgetHolders();

}  // namespace hotkeys
