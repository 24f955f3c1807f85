// Serving a benchmark's own queue between timed parts under Windows.
#pragma once

#include <windows.h>

namespace bench {

// Serves this program's queue, the input sent to its own windows included,
// until it has stayed empty for a while: input sent is taken by the system
// after the call that sent it returns, and the next timed part is not to pay
// for it.
inline void Drain() {
    for (int quiet = 0; quiet < 20;) {
        MSG message;
        bool any = false;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
            any = true;
        }
        quiet = any ? 0 : quiet + 1;
        Sleep(5);
    }
}

}  // namespace bench
