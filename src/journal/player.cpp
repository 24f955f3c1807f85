#include "journal/player.h"

void StartPlayback(const std::string&, MacroRunner& runner) {
    // Recordings cannot be replayed yet: end the run as a playback that
    // cannot start does.
    runner.EndMacro();
}

void RemovePlaybackWatchHook() {}
