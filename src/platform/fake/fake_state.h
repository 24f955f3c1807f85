// Internal plumbing shared by the fake's translation units: call counting,
// injected faults, the last error and case-insensitive text helpers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/win.h"

namespace fake::detail {

// Counts a call of the named seam function and tells whether an injected
// fault applies to it. `args` are the texts a fault's argContains is matched
// against (case-insensitive); a fault with an empty argContains matches any
// call. On a match the fault's remaining count drops and its code is stored.
bool Faulted(const char* function, std::initializer_list<std::string_view> args, std::int32_t* code);
// Faulted, and on a fault the last error becomes its code, as Windows sets
// it for a failing call.
bool Fails(const char* function, std::initializer_list<std::string_view> args = {});
// Counts a call of a function that cannot be made to fail.
void Count(const char* function);
// What a failing call leaves as the thread's last error.
void SetError(win::DWORD code);
inline void SetError(win::LSTATUS code) { SetError(static_cast<win::DWORD>(code)); }

// Case in the ANSI code page (1252), as the registry and window titles fold
// it: A-Z, the accented capitals from 0xC0 (but 0xD7, the multiplication
// sign), and the four capitals among 0x8A-0x9F. Lower() lowers a byte;
// SortKey() is the lowered character's Unicode value, the order in which
// the registry enumerates names.
unsigned char LowerAnsi(unsigned char c);
unsigned SortKey(unsigned char c);
// One character of the ANSI code page as Unicode, and back ('?' for what it
// cannot hold).
unsigned AnsiToUnicode(unsigned char c);
char UnicodeToAnsi(unsigned u);
std::string Lower(std::string_view text);
bool EqualNoCase(std::string_view a, std::string_view b);
bool ContainsNoCase(std::string_view text, std::string_view part);
inline std::string Text(const char* text) { return text != nullptr ? text : ""; }

// A new handle value for a window, token, hook, timer or memory block: one
// sequence for all of them, so that no two handles of the fake are equal.
std::uintptr_t NewHandleValue();
inline std::uintptr_t Value(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

// Whether `window` is a top-level window made by fake::AddWindow.
bool WindowExists(win::HWND window);
// A destroyed window's hot keys go with it.
void DropHotKeys(win::HWND window);
// keybd_event's way through the low-level hooks into the key state, as
// SendInput's for a key.
void InjectKey(win::BYTE virtualKey, win::BYTE scanCode, win::DWORD flags, win::ULONG_PTR extraInfo);
// Time that passes while the program runs rather than waits: the
// performance counter moves `counts` (100 ns units) on, the tick count with
// it when the counter crosses into the next millisecond.
void PassCounter(std::int64_t counts);
// CloseHandle's part for timers: true when `handle` was a timer, now closed.
bool CloseTimer(win::HANDLE handle);
// CloseHandle's part for threads and events.
bool CloseThreadOrEvent(win::HANDLE handle);
// The same for mutexes (fake_session.cpp).
bool CloseMutex(win::HANDLE handle);
// The same for process handles (fake_processes.cpp).
bool CloseProcess(win::HANDLE handle);

// Security descriptors (fake_security.cpp). A key's access list is kept as
// its string, "D:" and the entries. NormaliseDacl checks a string and
// writes it as Windows writes it back; InheritedDacl is what a new key below
// a key with access list `parent` receives.
bool NormaliseDacl(const std::string& text, std::string* out);
std::string InheritedDacl(const std::string& parent);
// A descriptor block holding `dacl`, and the access list of such a block
// (false when `descriptor` is none of the fake's).
std::string DescriptorBytes(const std::string& dacl);
bool DescriptorDacl(const void* descriptor, std::string* dacl);

// Each part of the fake puts its own state back to a fresh machine.
void ResetFaults();
void ResetRegistry();
void ResetMessageBoxes();
void ResetWindows();
void ResetHotKeys();
void ResetTime();
void ResetKeyboard();
void ResetClipboard();
void ResetShell();
void ResetHooks();
void ResetSecurity();
void ResetSession();
void ResetProcesses();

}  // namespace fake::detail
