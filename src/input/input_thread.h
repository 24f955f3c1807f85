// The input thread: it owns every low-level hook and does nothing but pump
// its messages, so that no sleep, box or modal loop of the UI thread can
// keep a hook from answering in time (Windows silently removes a low-level
// hook that does not). Hook procedures copy their event into an
// InputRecord, which PostRecord queues for the main window without
// allocating or waiting; the main window's WM_INPUT_RECORD hands the queued
// records to the sink the UI thread has set.
#pragma once

#include <cstdint>

#include "platform/unique_handle.h"
#include "platform/win.h"

namespace input {

// Starts the thread; the records go to `mainWindow`. A thread still
// running is stopped first. False when it cannot be made: no low-level
// hook can then be set.
bool StartInputThread(win::HWND mainWindow);
// Ends the thread and waits for it. Hooks still installed go with it.
void StopInputThread();

// Sets a low-level hook (WH_KEYBOARD_LL, WH_MOUSE_LL) on the input thread;
// null, with the last error, when it is refused or no thread runs.
win::HHOOK SetLowLevelHook(int idHook, win::HOOKPROC procedure);
// Removes one on the input thread.
void RemoveLowLevelHook(win::HHOOK hook);
using UniqueLowLevelHook = UniqueHandle<win::HHOOK, &RemoveLowLevelHook>;

// One event of a hook, as small and fixed as the journal record.
struct InputRecord {
    enum class Kind : std::uint32_t {
        Event,   // a journal record: message, paramL, paramH, time, window
        Cancel,  // the user's Ctrl+Esc
        Lost,    // records were dropped because the queue was full
    };
    Kind kind = Kind::Event;
    std::uint32_t message = 0;
    std::uint32_t paramL = 0;
    std::uint32_t paramH = 0;
    std::uint32_t time = 0;
    std::uint32_t window = 0;
};

// On the input thread, from a hook procedure: queues the record and tells
// the main window. Never allocates and never waits.
void PostRecord(const InputRecord& record);

// On the UI thread: where the records go; null drops them.
using RecordSink = void (*)(const InputRecord& record);
void SetRecordSink(RecordSink sink);
// On the UI thread, at WM_INPUT_RECORD: hands every queued record to the
// sink, oldest first.
void DeliverRecords();

}  // namespace input
