// The recorder's engine: the event buffer, the hooks that fill it and the
// save into the store. The Record dialog (record_dialog.h) drives it.
//
// Two drivers feed the same buffer. Where the system accepts a
// WH_JOURNALRECORD hook, RecordHook receives each event as the journal record
// the store keeps. Where it refuses one, RecordKeyboardHook and
// RecordMouseHook (WH_KEYBOARD_LL, WH_MOUSE_LL) turn each low-level event
// into the record the journal hook would have delivered. Either way a
// WH_GETMESSAGE hook, RecordWatchHook, relays the system's WM_CANCELJOURNAL.
// The low-level pair lives on the input thread and hands its events to the
// UI thread (input/input_thread.h), where Record keeps them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "journal/cancel_keys.h"
#include "input/input_thread.h"
#include "journal/journal_format.h"
#include "platform/unique_handle.h"
#include "platform/win.h"

// The buffer starts with room for this many events and grows by as many.
inline constexpr std::uint32_t kRecordGrowthEvents = 10000;

// The event buffer lives in the C heap so that it can grow in place.
struct FreeBuffer {
    void operator()(std::uint8_t* bytes) const { std::free(bytes); }
};

enum class RecordDriver { None, Journal, LowLevel };
enum class HookInstall { Installed, RecordHookRefused, WatchHookRefused };

class JournalRecorder {
public:
    // Discards any held events and makes room for kRecordGrowthEvents;
    // false when the memory cannot be had (nothing is held then).
    bool Allocate();
    // Frees the buffer: no recording is held afterwards.
    void Discard();
    bool Holding() const { return bytes_ != nullptr; }
    std::uint32_t Count() const { return count_; }
    std::uint32_t Capacity() const { return capacity_; }
    JournalEvent Event(std::uint32_t index) const { return DeserializeEvent(bytes_.get() + index * kJournalEventBytes); }

    // What the hooks do with one event: a Ctrl-Break key-down ends the
    // recording and is not kept; a full buffer grows; the event is kept when
    // it passes recordFilter. After a failed growth, and once
    // mostEvents are held (the most the player loads), nothing more
    // is kept until the hooks are installed again; the dialog is told once
    // (WM_RECORD_NOMEMORY, WM_RECORD_FULL).
    enum class Outcome { Kept, Filtered, Stopped, OutOfMemory, Full };
    Outcome Record(const JournalEvent& event);
    // Events were lost before they reached the buffer: told to the dialog
    // as a buffer that cannot grow, and nothing more is kept.
    void Lost();

    // The stop key, with RegisterHotKey's modifier bits. While recording,
    // its key-down with exactly those modifiers down ends the recording as
    // a Ctrl-Break does, and its presses are not kept.
    void SetStopKey(std::uint32_t virtualKey, std::uint32_t modifiers);
    // The stop key came as a hot key: a recording under way that has not
    // yet seen its stop ends as at a Ctrl-Break, with the stop key's
    // modifier presses before it left out. False when none was under way.
    bool EndByStopKey();

    // Installs the record hook (the low-level pair where the system refuses
    // a journal hook) and the watch hook on this thread. On failure nothing
    // stays installed. `dialog` is the Record dialog, which the hooks tell of
    // a stop, a cancel and a buffer that cannot grow.
    HookInstall InstallHooks(win::HWND dialog);
    win::HWND Dialog() const { return dialog_; }
    // Removes whatever hooks are installed; removing none does nothing.
    void RemoveHooks();
    RecordDriver Driver() const { return driver_; }

    // How many of the held events Save writes. When Ctrl-Break ended the
    // recording, the keystrokes of that Ctrl-Break are left out: the run of
    // Ctrl key-downs (auto-repeats included, mouse events among them) just
    // before the Break, and whatever arrived after it, such as the Break's
    // key-up. A replay then never leaves Ctrl held down. The stop key leaves
    // out its own modifiers' key-downs the same way.
    std::uint32_t EventsToSave() const;
    // Writes Journals\<name>: the chunks of the events to save, "Count",
    // then "Type" = recordFilter. Stops at the first failure, which the
    // store has shown.
    bool Save(const std::string& name) const;

    // 1 keyboard and mouse, 2 keyboard, 3 mouse; takes effect at once.
    std::int32_t recordFilter = 1;
    // The most events held: the most the player loads (tests lower it).
    std::uint32_t mostEvents = kMaxRecordedEvents;

    // The hooks' own handles, for CallNextHookEx.
    win::HHOOK RecordHookHandle() const { return recordHook_.get(); }
    win::HHOOK KeyboardHookHandle() const { return keyboardHook_.get(); }
    win::HHOOK MouseHookHandle() const { return mouseHook_.get(); }
    win::HHOOK WatchHookHandle() const { return watchHook_.get(); }
    void RemoveWatchHook() { watchHook_.reset(); }
    // The physical Ctrl+Esc that cancels a recording made through the
    // low-level hooks, where no system cancels a journal hook.
    CancelKeys& Cancel() { return cancelKeys_; }

private:
    bool Grow();

    std::unique_ptr<std::uint8_t, FreeBuffer> bytes_;  // the event array as stored
    std::uint32_t count_ = 0;
    std::uint32_t capacity_ = 0;
    // Count when the Ctrl-Break key-down came; no stop seen while it is
    // kNoStop.
    static constexpr std::uint32_t kNoStop = 0xFFFFFFFFu;
    std::uint32_t stoppedAt_ = kNoStop;
    // The modifiers (RegisterHotKey's bits) whose key-downs just before the
    // stop are left out.
    std::uint32_t stopModifiers_ = 0;
    // The stop key, and which modifiers the recorded keys hold down now.
    std::uint32_t stopKeyVk_ = 0;
    std::uint32_t stopKeyModifiers_ = 0;
    std::uint32_t modifiersDown_ = 0;
    bool outOfMemory_ = false;
    bool full_ = false;
    RecordDriver driver_ = RecordDriver::None;
    win::HWND dialog_ = nullptr;
    UniqueHook recordHook_;
    input::UniqueLowLevelHook keyboardHook_;  // on the input thread
    input::UniqueLowLevelHook mouseHook_;
    UniqueHook watchHook_;
    CancelKeys cancelKeys_;
};

// The one recorder of the process.
JournalRecorder& Recorder();

// The journal record the system's journal hook delivers for a low-level
// event. Keys: virtual key in paramL's low byte (the generic Shift, Ctrl and
// Alt codes, as window messages carry them), scan code in its second byte;
// repeat count 1 in paramH, bit 15 for an extended key. Mouse: the pointer
// in screen coordinates, x in paramL, y in paramH. `window` is where the
// event goes: the foreground window for keys, the window under the pointer
// for the mouse.
JournalEvent KeyboardRecord(win::WPARAM message, const win::KBDLLHOOKSTRUCT& key, win::HWND window);
JournalEvent MouseRecord(win::WPARAM message, const win::MSLLHOOKSTRUCT& mouse, win::HWND window);

win::LRESULT KEYLOOM_CALLBACK RecordHook(int code, win::WPARAM wParam, win::LPARAM lParam);
win::LRESULT KEYLOOM_CALLBACK RecordWatchHook(int code, win::WPARAM wParam, win::LPARAM lParam);
win::LRESULT KEYLOOM_CALLBACK RecordKeyboardHook(int code, win::WPARAM wParam, win::LPARAM lParam);
win::LRESULT KEYLOOM_CALLBACK RecordMouseHook(int code, win::WPARAM wParam, win::LPARAM lParam);
