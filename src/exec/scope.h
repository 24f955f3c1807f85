// Where a macro works: in every program, only in some, or in all but some,
// named by the file names of their programs. The decision is taken before
// the runner starts: which macro, if any, a hot key means in the program in
// front.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win.h"

namespace scope {

// The stored "Scope" values, in the order of the editor's "Works in:" list.
enum Mode : std::int32_t { AllPrograms = 0, OnlyThese = 1, AllExcept = 2 };

struct MacroScope {
    std::int32_t mode = AllPrograms;
    // As typed and stored: file names separated by semicolons.
    std::u16string programs;
};

// The "Works in:" choices, by mode.
inline constexpr const char* kModeNames[] = {"All programs", "Only these programs", "All programs except these"};
// Whether the mode uses the program list (the list's edit is disabled for
// "All programs").
constexpr bool UsesPrograms(std::int32_t mode) { return mode == OnlyThese || mode == AllExcept; }
// `programs` with `program` added at the end, after a semicolon; as it was
// when it names that program already.
std::u16string AddProgram(const std::u16string& programs, const std::u16string& program);

// The program names of a list: split at the semicolons, spaces around each
// name dropped, empty names left out.
std::vector<std::u16string> ProgramNames(const std::u16string& programs);
// Whether two program file names name the same program, as Windows compares
// file names (its own case table, no locale).
bool SameProgram(const std::u16string& a, const std::u16string& b);
// Whether `names` holds `program`.
bool Contains(const std::vector<std::u16string>& names, const std::u16string& program);

// Whether a macro of scope `macro` works in the program whose file name is
// `program`. An unknown program (empty: no window in front, or one whose
// process cannot be asked) is none of the named ones.
bool WorksIn(const MacroScope& macro, const std::u16string& program);
// Whether some program exists in which both scopes work. A program list
// says nothing of the programs it does not name, so two "all programs
// except" scopes always meet.
bool Overlap(const MacroScope& a, const MacroScope& b);

// What the Macros list shows after the hot key: " (in 2 programs)",
// " (not in 1 program)", nothing for every program.
std::string ListSuffix(const MacroScope& macro);

// Reads a macro's scope from the store; a macro stored without one works in
// every program. A value that is there but unreadable is reported by the
// store, and the macro taken to work everywhere.
MacroScope ReadScope(const std::string& macroName);
// The same through the macro's key that the caller holds open, for the
// hot-key lookup: its mode costs one query there.
MacroScope ReadScope(win::HKEY macroKey, const std::string& macroName);

// The file name ("notepad.exe") of the program that owns the foreground
// window; empty when there is none or it cannot be asked.
std::u16string ForegroundProgram();
// The file names of the programs that own visible top-level windows now,
// each once, sorted as file names compare; Keyloom's own left out.
std::vector<std::u16string> VisiblePrograms();

}  // namespace scope
