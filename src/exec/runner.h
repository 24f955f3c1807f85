// What the macro runner offers to the parts that suspend and resume it, and
// the dispatch of one instruction to its executor.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win.h"

// The program's private window messages, shared by the main window, the
// runner, the recorder and the player.
inline constexpr win::UINT WM_RECORD_STOPPED = win::WM_USER + 1;
inline constexpr win::UINT WM_RECORD_NOMEMORY = win::WM_USER + 2;
inline constexpr win::UINT WM_RECORD_BEGIN = win::WM_USER + 3;
inline constexpr win::UINT WM_RUN_MACRO = win::WM_USER + 4;
inline constexpr win::UINT WM_TRAY_NOTIFY = win::WM_USER + 5;

// The last hot-key id handed out in this run.
extern std::int32_t hotKeyCounter;

class MacroRunner {
public:
    // Ends the running macro; the runner becomes idle.
    virtual void EndMacro() = 0;
    // The window that receives WM_RUN_MACRO.
    virtual win::HWND Window() const = 0;

protected:
    ~MacroRunner() = default;
};

// Reads the code of instruction `macroPath` ("name\Commands\n") without
// reporting anything: a failed read is the normal end of a macro.
bool ReadInstructionCode(const std::string& macroPath, std::int32_t* code);

// Carries out one instruction other than PAUSE and PLAYBACK RECORDING, which
// the runner handles itself.
void ExecuteInstruction(const std::string& macroPath, std::int32_t code);
