// Replay of a stored recording from within a macro.
//
// Two drivers feed the same schedule. Where the system calls a
// WH_JOURNALPLAYBACK hook, PlaybackHook serves it event by event. Where the
// system refuses that hook, or accepts it and does not call it within
// kJournalGraceMs, a waitable timer on the UI thread wakes the message loop
// when the next event is due (OnPlaybackTimer), and the event is injected
// with SendInput; Ctrl+Esc, a hot key of the runner's window while the
// playback runs (or, where another program holds it, watched by a low-level
// hook on the input thread, input/input_thread.h), then cancels the playback
// the way the system cancels a journal.
#pragma once

#include <string>

#include "exec/runner.h"
#include "journal/journal_format.h"
#include "platform/win.h"

inline constexpr win::DWORD kJournalGraceMs = 50;

// Loads the recording that the instruction names, reading its values through
// the key the runner opened, and starts playing it; the runner is resumed
// with WM_RUN_MACRO when it has played out. When the playback cannot start
// the runner is ended here.
void StartPlayback(RegistryStore::InstructionKey& instruction, MacroRunner& runner);

enum class PlaybackDriver {
    Automatic,  // the journal hook where the system calls it, else injection
    Injected,   // injection only
};
// Plays an event array already in memory, as StartPlayback does once it has
// read the instruction and loaded its recording.
void PlayRecording(Recording recording, std::int32_t speed, std::int32_t filter, MacroRunner& runner,
                   PlaybackDriver driver = PlaybackDriver::Automatic);

// Ends the run's playback: stops any playback still under way, removes its
// hooks and releases what it holds.
void RemovePlaybackWatchHook();
// WM_CANCELJOURNAL at the main window: ends the playback under way as
// RemovePlaybackWatchHook does and returns true; false, changing nothing,
// when no playback runs.
bool CancelPlayback();

// The ids of the hot keys that cancel an injected playback, on the window of
// the runner that started it, below the ids of the stop key and the
// import's probe: Ctrl+Esc is kPlaybackCancelHotKeyId, and Ctrl+Esc with
// Shift (1), Alt (2) and Win (4) besides, as the playback may hold them, is
// that id less their sum.
inline constexpr int kPlaybackCancelHotKeyId = 0xBFF7;
inline constexpr int kPlaybackCancelHotKeys = 8;
// WM_HOTKEY at the main window: true when `id` is the playback's cancel,
// which is then posted to that window as WM_CANCELJOURNAL; false for every
// other hot key.
bool OnPlaybackHotKey(int id);

// The bytes of the recording the player holds: the one playing, and none
// once its playback has ended, however it ended.
std::uint64_t PlaybackBytesHeld();

// The timer the message loop waits on besides messages; null when no
// playback needs it.
win::HANDLE PlaybackTimer();
// Called by the message loop when PlaybackTimer() is signalled.
void OnPlaybackTimer();

// Moves to the next event that passes the instruction's filter; false at the
// end of the recording.
bool AdvanceEvent();

// The WH_JOURNALPLAYBACK hook: HC_GETNEXT fills the EVENTMSG at lParam and
// returns the wait in ms; HC_SKIP moves on.
win::LRESULT KEYLOOM_CALLBACK PlaybackHook(int code, win::WPARAM wParam, win::LPARAM lParam);
// The WH_GETMESSAGE hook on the UI thread, for as long as the system may play
// through the journal hook:
// relays the system's WM_CANCELJOURNAL, which arrives without a window, to
// the window of the runner that started the playback.
win::LRESULT KEYLOOM_CALLBACK PlaybackWatchHook(int code, win::WPARAM wParam, win::LPARAM lParam);
// The WH_KEYBOARD_LL hook of an injected playback, on the input thread: a
// physical Esc pressed while a physical Ctrl is down posts WM_CANCELJOURNAL
// to the runner's window.
win::LRESULT KEYLOOM_CALLBACK PlaybackCancelKeyHook(int code, win::WPARAM wParam, win::LPARAM lParam);
