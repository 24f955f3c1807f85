// What the macro runner offers to the parts that suspend and resume it, and
// the dispatch of one instruction to its executor.
#pragma once

#include <cstdint>
#include <string>

#include "common/messages.h"
#include "input/held_input.h"
#include "platform/win.h"
#include "store/registry_store.h"

// The last hot-key id handed out in this run; ids count up from 0.
extern std::int32_t hotKeyCounter;
// The id of a macro that holds no registration (its hot key cannot be read).
inline constexpr std::int32_t kNoHotKey = -1;

// Macros whose stored id is not theirs in this run: start-up could not
// rewrite it, so it is left from an earlier run and may be another macro's
// id now. Such a macro holds no registration; a hot key never runs it by
// that id and its deletion unregisters nothing. Deleting its key takes the
// mark off; start-up begins with none.
void MarkStaleId(const std::string& macroName);
bool HasStaleId(const std::string& macroName);
void ForgetStaleId(const std::string& macroName);
void ForgetAllStaleIds();

class MacroRunner {
public:
    // Ends the running macro; the runner becomes idle.
    virtual void EndMacro() = 0;
    // Ends the run after a failure, a cancel or at Shutdown: nothing the
    // user chose is left half done, so whatever Keyloom still holds (the
    // macro's Key Down Only keys included) is released first.
    void AbortMacro() {
        input::ReleaseAllHeld();
        EndMacro();
    }
    // The macro could not be resumed after a playback (WM_RUN_MACRO could
    // not be posted): told as a failed start is, and ended.
    virtual void ResumeFailed() = 0;
    // The window that receives WM_RUN_MACRO.
    virtual win::HWND Window() const = 0;

protected:
    ~MacroRunner() = default;
};

// Carries out one instruction other than PAUSE and PLAYBACK RECORDING, which
// the runner handles itself. `instruction` is the instruction's key, which
// the runner has opened and read `code` from; the executor reads its values
// through it, and may close it before it waits. False when it failed in a
// way that ends the run (a TYPE TEXT that could not be typed whole).
bool ExecuteInstruction(RegistryStore::InstructionKey& instruction, std::int32_t code);
