// Internal plumbing shared by the fake's translation units: call counting,
// injected faults and case-insensitive text helpers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

namespace fake::detail {

// Counts a call of the named seam function and tells whether an injected
// fault applies to it. `args` are the texts a fault's argContains is matched
// against (case-insensitive); a fault with an empty argContains matches any
// call. On a match the fault's remaining count drops and its code is stored.
bool Faulted(const char* function, std::initializer_list<std::string_view> args, std::int32_t* code);
inline bool Faulted(const char* function, std::int32_t* code) { return Faulted(function, {}, code); }
// Counts a call of a function that cannot be made to fail.
void Count(const char* function);

std::string Lower(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view text, std::string_view part);

// A new handle value for a window, list view, token, hook or timer: one
// sequence for all of them, so that no two handles of the fake are equal.
std::uintptr_t NewHandleValue();

// Each part of the fake puts its own state back to a fresh machine.
void ResetRegistry();
void ResetSystem();
void ResetWindows();

// The top-level windows made by fake::AddWindow, handle value -> title, in
// the order EnumWindows visits them.
const std::map<std::uintptr_t, std::string>& WindowTitles();

}  // namespace fake::detail
