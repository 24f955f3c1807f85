// The user's cancel of a journal on systems where the program itself watches
// the keyboard (low-level hooks): a physical Esc pressed while a physical
// Ctrl is down, as the system's Ctrl+Esc cancels a journal hook. Keys the
// program injects (a playback's own Ctrl and Esc) do not count.
#pragma once

#include "platform/win.h"

class CancelKeys {
public:
    // Follows one low-level key event; true when it is the cancel.
    bool OnKey(win::WPARAM message, const win::KBDLLHOOKSTRUCT& key) {
        if ((key.flags & win::LLKHF_INJECTED) != 0) return false;
        const bool down = message == win::WM_KEYDOWN || message == win::WM_SYSKEYDOWN;
        unsigned bit = 0;
        if (key.vkCode == win::VK_CONTROL) bit = 1;
        if (key.vkCode == win::VK_LCONTROL) bit = 2;
        if (key.vkCode == win::VK_RCONTROL) bit = 4;
        if (bit != 0) {
            control_ = down ? (control_ | bit) : (control_ & ~bit);
            return false;
        }
        return key.vkCode == win::VK_ESCAPE && down && control_ != 0;
    }
    void Reset() { control_ = 0; }

private:
    unsigned control_ = 0;  // which Ctrl keys are down: generic, left, right
};
