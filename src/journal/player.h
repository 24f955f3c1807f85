// Replay of a stored recording from within a macro.
#pragma once

#include <string>

#include "exec/runner.h"

// Loads the recording that instruction `macroPath` names and starts playing
// it; the runner is resumed with WM_RUN_MACRO when it has played out. When
// the playback cannot start the runner is ended here.
void StartPlayback(const std::string& macroPath, MacroRunner& runner);

// Removes the hook that watches a playback for cancellation, if one is set.
void RemovePlaybackWatchHook();
