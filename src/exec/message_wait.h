// Waits inside a run that keep the program answering: the tray icon, the
// main window and hot keys are served while a DELAY or the pause before a
// macro passes, instead of a Sleep that freezes the thread.
#pragma once

#include <cstdint>

namespace exec {

// Serves the messages queued for the UI thread now, as the main message
// loop would. False when the thread is to stop serving: WM_QUIT came (and
// was posted again for the outer loop) or the main window has ended.
using MessagePump = bool (*)();

// Set by the main window while it runs; null before and after. Without a
// pump a wait lets no message through.
void SetMessagePump(MessagePump pump);

// Waits `milliseconds` from now by the high-resolution clock, serving
// messages whenever some arrive. False when the pump asked to stop before
// the time was up, or when EndWaits was called while it waited.
bool WaitServingMessages(std::uint32_t milliseconds);

// The high-resolution clock's count now: where a wait that began earlier
// than its call (WaitServingMessagesFrom) starts.
std::int64_t WaitClock();

// Waits until `milliseconds` after `start` (a WaitClock count), as
// WaitServingMessages does: the time since `start` counts toward the wait.
bool WaitServingMessagesFrom(std::int64_t start, std::uint32_t milliseconds);

// Serves the messages queued now, without waiting. False when the pump
// asked to stop, or when EndWaits was called while they were served: what
// is under way (a long text typed) is to end there.
bool ServeMessagesNow();

// Ends every wait under way now (they return false as soon as the message
// that called this has been served); a wait begun after it runs its length.
void EndWaits();

}  // namespace exec
