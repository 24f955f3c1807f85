// The running instance as the session sees it: the mutex that marks it,
// the shell's message let in across the integrity boundary, and whether a
// window of its own besides the main one is open.
#pragma once

#include "platform/unique_handle.h"
#include "platform/win.h"

// Held for the whole run: the session's one Keyloom.
class InstanceLock {
public:
    // False when another Keyloom of this session holds the lock. A lock that
    // cannot be made for another reason does not keep Keyloom from running.
    bool Acquire();

private:
    UniqueObject mutex_;
};

// Keyloom runs with administrator rights, so Windows drops messages that
// programs of a lower integrity level send or post to it, the shell's
// "TaskbarCreated" among them: without it the icon would not come back after
// Explorer restarts or starts late. That one message is let through, nothing
// else.
void LetShellMessagesThrough(win::HWND mainWindow);

// Whether a visible top-level window of this thread other than `mainWindow`
// is open: a dialog, a message box, a menu.
bool OwnWindowOpen(win::HWND mainWindow);
