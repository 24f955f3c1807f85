// A journal event as the input that SendInput injects, for systems where no
// journal-playback hook plays it.
#pragma once

#include "journal/journal_format.h"
#include "platform/win.h"

// The desktop that spans all monitors, in screen coordinates.
struct VirtualScreen {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
VirtualScreen ReadVirtualScreen();

// Fills `input` for a key press or release, or a mouse move, button or wheel
// event. False for events that are no input of their own (characters, other
// messages): they keep their place in the schedule but nothing is sent.
bool ToInput(const JournalEvent& event, const VirtualScreen& screen, win::INPUT* input);
