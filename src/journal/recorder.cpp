#include "journal/recorder.h"

#include <cstdlib>

#include "common/messages.h"
#include "input/input_thread.h"
#include "store/recording_store.h"

namespace {

JournalRecorder recorder;

constexpr std::uint32_t kExtendedBit = 0x8000;  // in paramH of a key record

bool IsKeyDown(const JournalEvent& event, win::BYTE virtualKey) {
    return event.message == win::WM_KEYDOWN && (event.paramL & 0xFF) == virtualKey;
}

bool IsAnyKeyDown(const JournalEvent& event) {
    return event.message == win::WM_KEYDOWN || event.message == win::WM_SYSKEYDOWN;
}

// The RegisterHotKey bit of a modifier key as the journal names it (the
// generic Shift, Ctrl and Alt codes); 0 for any other key.
std::uint32_t ModifierBit(std::uint32_t virtualKey) {
    switch (virtualKey) {
    case win::VK_SHIFT: return win::MOD_SHIFT;
    case win::VK_CONTROL: return win::MOD_CONTROL;
    case win::VK_MENU: return win::MOD_ALT;
    case win::VK_LWIN:
    case win::VK_RWIN: return win::MOD_WIN;
    default: return 0;
    }
}

bool IsMouse(const JournalEvent& event) {
    return event.message >= kFirstMouseMessage && event.message <= kLastMouseMessage;
}

// Tells the Record dialog that installed the hooks, bringing it forward
// first so that its message box is seen. A dialog that is gone is not
// looked for under its title: another window may carry it.
bool TellDialog(win::HWND dialog, win::UINT message) {
    if (dialog == nullptr || !win::PostMessageA(dialog, message, 0, 0)) return false;
    win::SetForegroundWindow(dialog);
    return true;
}

std::uint32_t Handle32(win::HWND window) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}

// The low-level hooks' events, handed over by the main window on the UI
// thread: kept as the journal hook's are.
void OnInputRecord(const input::InputRecord& record) {
    switch (record.kind) {
    case input::InputRecord::Kind::Event:
        recorder.Record(JournalEvent{record.message, record.paramL, record.paramH, record.time, record.window});
        break;
    case input::InputRecord::Kind::Cancel: TellDialog(recorder.Dialog(), win::WM_CANCELJOURNAL); break;
    // A recording with a gap plays as something the user never did.
    case input::InputRecord::Kind::Lost: recorder.Lost(); break;
    }
}

void Post(const JournalEvent& event) {
    input::InputRecord record;
    record.message = event.message;
    record.paramL = event.paramL;
    record.paramH = event.paramH;
    record.time = event.time;
    record.window = event.hwnd;
    input::PostRecord(record);
}

}  // namespace

JournalRecorder& Recorder() { return recorder; }

bool JournalRecorder::Allocate() {
    Discard();
    bytes_.reset(static_cast<std::uint8_t*>(std::malloc(std::size_t{kRecordGrowthEvents} * kJournalEventBytes)));
    if (!bytes_) return false;
    capacity_ = kRecordGrowthEvents;
    return true;
}

void JournalRecorder::Discard() {
    bytes_.reset();
    count_ = 0;
    capacity_ = 0;
    stoppedAt_ = kNoStop;
    stopModifiers_ = 0;
}

void JournalRecorder::SetStopKey(std::uint32_t virtualKey, std::uint32_t modifiers) {
    stopKeyVk_ = virtualKey;
    stopKeyModifiers_ = modifiers;
}

bool JournalRecorder::EndByStopKey() {
    if (driver_ == RecordDriver::None || !bytes_) return false;
    if (stoppedAt_ != kNoStop) return true;
    stoppedAt_ = count_;
    stopModifiers_ = stopKeyModifiers_;
    TellDialog(dialog_, WM_RECORD_STOPPED);
    return true;
}

bool JournalRecorder::Grow() {
    const std::uint32_t capacity =
        capacity_ < mostEvents - kRecordGrowthEvents ? capacity_ + kRecordGrowthEvents : mostEvents;
    // Growing in place where the heap can spares copying the whole recording
    // inside the hook at every step; on failure the old buffer stays.
    void* grown = std::realloc(bytes_.get(), std::size_t{capacity} * kJournalEventBytes);
    if (grown == nullptr) return false;
    static_cast<void>(bytes_.release());
    bytes_.reset(static_cast<std::uint8_t*>(grown));
    capacity_ = capacity;
    return true;
}

JournalRecorder::Outcome JournalRecorder::Record(const JournalEvent& event) {
    if (IsKeyDown(event, win::VK_CANCEL)) {
        if (stoppedAt_ == kNoStop) {
            stoppedAt_ = count_;
            stopModifiers_ = win::MOD_CONTROL;
        }
        TellDialog(dialog_, WM_RECORD_STOPPED);
        return Outcome::Stopped;
    }
    const std::uint32_t virtualKey = event.paramL & 0xFF;
    if (const std::uint32_t bit = ModifierBit(virtualKey); bit != 0) {
        if (IsAnyKeyDown(event))
            modifiersDown_ |= bit;
        else if (event.message == win::WM_KEYUP || event.message == win::WM_SYSKEYUP)
            modifiersDown_ &= ~bit;
    } else if (stopKeyVk_ != 0 && virtualKey == stopKeyVk_ && IsAnyKeyDown(event) &&
               modifiersDown_ == stopKeyModifiers_) {
        if (stoppedAt_ == kNoStop) {
            stoppedAt_ = count_;
            stopModifiers_ = stopKeyModifiers_;
        }
        TellDialog(dialog_, WM_RECORD_STOPPED);
        return Outcome::Stopped;
    }
    // Without a buffer (discarded while the hooks still run) nothing is kept.
    if (outOfMemory_ || !bytes_) return Outcome::OutOfMemory;
    if (full_) return Outcome::Full;
    if (count_ >= mostEvents) {
        // A recording longer than this would be saved but could be neither
        // played back nor renamed: it ends here, keeping what it holds.
        full_ = true;
        TellDialog(dialog_, WM_RECORD_FULL);
        return Outcome::Full;
    }
    if (count_ == capacity_ && !Grow()) {
        Lost();
        return Outcome::OutOfMemory;
    }
    if (!Passes(recordFilter, event.message)) return Outcome::Filtered;
    SerializeEvent(event, bytes_.get() + std::size_t{count_} * kJournalEventBytes);
    ++count_;
    return Outcome::Kept;
}

void JournalRecorder::Lost() {
    // Told once; the dialog removes the hooks when it gets the message.
    if (outOfMemory_) return;
    outOfMemory_ = true;
    TellDialog(dialog_, WM_RECORD_NOMEMORY);
}

HookInstall JournalRecorder::InstallHooks(win::HWND dialog) {
    RemoveHooks();
    dialog_ = dialog;
    outOfMemory_ = false;
    modifiersDown_ = 0;
    full_ = false;
    const win::HINSTANCE instance = win::GetModuleHandleA(nullptr);
    // The low-level pair first: current systems refuse journal hooks, and
    // some accept one but call it only for input to this program's own
    // windows. The journal hook serves where the low-level ones are refused.
    // They live on the input thread, which only pumps messages: this
    // thread's boxes and modal loops cannot make them late.
    cancelKeys_.Reset();
    input::SetRecordSink(&OnInputRecord);
    keyboardHook_.reset(input::SetLowLevelHook(win::WH_KEYBOARD_LL, &RecordKeyboardHook));
    mouseHook_.reset(input::SetLowLevelHook(win::WH_MOUSE_LL, &RecordMouseHook));
    if (keyboardHook_ && mouseHook_) {
        driver_ = RecordDriver::LowLevel;
    } else {
        keyboardHook_.reset();
        mouseHook_.reset();
        recordHook_.reset(win::SetWindowsHookExA(win::WH_JOURNALRECORD, &RecordHook, instance, 0));
        if (!recordHook_) {
            RemoveHooks();
            return HookInstall::RecordHookRefused;
        }
        driver_ = RecordDriver::Journal;
    }
    watchHook_.reset(win::SetWindowsHookExA(win::WH_GETMESSAGE, &RecordWatchHook, nullptr, win::GetCurrentThreadId()));
    if (!watchHook_) {
        RemoveHooks();
        return HookInstall::WatchHookRefused;
    }
    return HookInstall::Installed;
}

void JournalRecorder::RemoveHooks() {
    recordHook_.reset();
    keyboardHook_.reset();
    mouseHook_.reset();
    // Events still queued from the hooks are no longer wanted.
    input::SetRecordSink(nullptr);
    watchHook_.reset();
    driver_ = RecordDriver::None;
}

std::uint32_t JournalRecorder::EventsToSave() const {
    if (stoppedAt_ == kNoStop || stoppedAt_ > count_) return count_;
    // Back over the Ctrl key-downs that led to the Break; mouse events among
    // them go too, those before the first of them stay.
    std::uint32_t end = stoppedAt_;
    for (std::uint32_t i = stoppedAt_; i > 0; --i) {
        const JournalEvent event = Event(i - 1);
        if (IsAnyKeyDown(event) && (ModifierBit(event.paramL & 0xFF) & stopModifiers_) != 0) {
            end = i - 1;
        } else if (!IsMouse(event)) {
            break;
        }
    }
    return end;
}

bool JournalRecorder::Save(const std::string& name) const {
    const std::vector<RegistryStore::ChunkView> chunks =
        CutIntoChunks(bytes_.get(), std::uint64_t{EventsToSave()} * kJournalEventBytes);
    return WriteRecording(name, chunks, static_cast<std::int32_t>(chunks.size()), recordFilter);
}

JournalEvent KeyboardRecord(win::WPARAM message, const win::KBDLLHOOKSTRUCT& key, win::HWND window) {
    std::uint32_t virtualKey = key.vkCode & 0xFF;
    // Window messages carry the generic Shift, Ctrl and Alt codes; the
    // low-level hook tells left from right (VK_LSHIFT, VK_RSHIFT, ... in
    // pairs up to VK_RMENU).
    if (virtualKey >= win::VK_LSHIFT && virtualKey <= win::VK_RMENU)
        virtualKey = win::VK_SHIFT + (virtualKey - win::VK_LSHIFT) / 2;
    const std::uint32_t paramL = virtualKey | (key.scanCode & 0xFF) << 8;
    const std::uint32_t paramH = 1u | ((key.flags & win::LLKHF_EXTENDED) != 0 ? kExtendedBit : 0u);
    return JournalEvent{static_cast<std::uint32_t>(message), paramL, paramH, key.time, Handle32(window)};
}

JournalEvent MouseRecord(win::WPARAM message, const win::MSLLHOOKSTRUCT& mouse, win::HWND window) {
    auto stored = static_cast<std::uint32_t>(message);
    // The wheel's distance is the high word of mouseData.
    if (message == win::WM_MOUSEWHEEL || message == win::WM_MOUSEHWHEEL)
        stored = WheelMessage(stored, static_cast<std::int16_t>(static_cast<std::uint16_t>(mouse.mouseData >> 16)));
    return JournalEvent{stored, static_cast<std::uint32_t>(mouse.pt.x), static_cast<std::uint32_t>(mouse.pt.y),
                        mouse.time, Handle32(window)};
}

win::LRESULT KEYLOOM_CALLBACK RecordHook(int code, win::WPARAM wParam, win::LPARAM lParam) {
    if (code != win::HC_ACTION) return win::CallNextHookEx(recorder.RecordHookHandle(), code, wParam, lParam);
    const auto* record = reinterpret_cast<const win::EVENTMSG*>(lParam);
    const JournalRecorder::Outcome outcome = recorder.Record(FromEventMsg(*record));
    if (outcome == JournalRecorder::Outcome::OutOfMemory || outcome == JournalRecorder::Outcome::Full)
        return win::CallNextHookEx(recorder.RecordHookHandle(), code, wParam, lParam);
    return 0;
}

win::LRESULT KEYLOOM_CALLBACK RecordWatchHook(int code, win::WPARAM wParam, win::LPARAM lParam) {
    if (code < 0) return win::CallNextHookEx(recorder.WatchHookHandle(), code, wParam, lParam);
    const auto* message = reinterpret_cast<const win::MSG*>(lParam);
    if (code == win::HC_ACTION && message->message == win::WM_CANCELJOURNAL) {
        if (TellDialog(recorder.Dialog(), win::WM_CANCELJOURNAL)) recorder.RemoveWatchHook();
    }
    return 0;
}

// The low-level hooks run on the input thread: each copies its event into
// a record for the main window and passes it on. They only watch, with one
// exception: the Break key-down that ends the recording is kept from the
// system. It would otherwise reach the Record dialog (or the box it shows)
// as Cancel and close it. The handles they pass on with are the system's
// to ignore; the UI thread's copies are not read here.
win::LRESULT KEYLOOM_CALLBACK RecordKeyboardHook(int code, win::WPARAM wParam, win::LPARAM lParam) {
    if (code == win::HC_ACTION) {
        const auto& key = *reinterpret_cast<const win::KBDLLHOOKSTRUCT*>(lParam);
        if (recorder.Cancel().OnKey(wParam, key)) {
            // A physical Ctrl+Esc cancels as the system cancels a journal.
            input::InputRecord cancel;
            cancel.kind = input::InputRecord::Kind::Cancel;
            input::PostRecord(cancel);
        } else {
            const JournalEvent event = KeyboardRecord(wParam, key, win::GetForegroundWindow());
            Post(event);
            if (IsKeyDown(event, win::VK_CANCEL)) return 1;
        }
    }
    return win::CallNextHookEx(nullptr, code, wParam, lParam);
}

win::LRESULT KEYLOOM_CALLBACK RecordMouseHook(int code, win::WPARAM wParam, win::LPARAM lParam) {
    if (code == win::HC_ACTION) {
        const auto& mouse = *reinterpret_cast<const win::MSLLHOOKSTRUCT*>(lParam);
        Post(MouseRecord(wParam, mouse, win::WindowFromPoint(mouse.pt)));
    }
    return win::CallNextHookEx(nullptr, code, wParam, lParam);
}
