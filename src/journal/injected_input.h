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

// The virtual screen as mouse input needs it, read for the first mouse event
// and again once it is a second old: reading it costs about a third of a
// millisecond under Wine, which, paid on every wake of the player, would
// make every event that late.
class ScreenCache {
public:
    void Forget() { known_ = false; }
    const VirtualScreen& Get();

private:
    VirtualScreen screen_;
    win::DWORD readAt_ = 0;
    bool known_ = false;
};

// Fills `input` for a key press or release, or a mouse move, button or wheel
// event. False for events that are no input of their own (characters, other
// messages): they keep their place in the schedule but nothing is sent.
bool ToInput(const JournalEvent& event, ScreenCache& screen, win::INPUT* input);
