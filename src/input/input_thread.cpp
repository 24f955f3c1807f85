#include "input/input_thread.h"

#include <array>
#include <atomic>

#include "common/messages.h"

namespace input {
namespace {

// How long the UI thread waits for the input thread's answer. The thread
// only pumps messages, so it answers at once unless the system is stuck.
constexpr win::DWORD kAnswerMs = 5000;

// What the UI thread asks of the input thread, one request at a time. The
// thread message that carries it and the event that answers it order the
// two threads' accesses.
struct Request {
    enum class What { InstallHook, RemoveHook } what = What::InstallHook;
    int idHook = 0;
    win::HOOKPROC procedure = nullptr;
    win::HHOOK hook = nullptr;
    win::DWORD error = 0;
};

// Plain handles, closed by StopInputThread: nothing of this runs at static
// destruction, after the system's own layer may be gone.
struct Thread {
    win::HANDLE handle = nullptr;
    win::DWORD id = 0;
    win::HANDLE ready = nullptr;
    win::HANDLE answered = nullptr;
    Request request;
};

void Close(win::HANDLE* handle) {
    if (*handle != nullptr) win::CloseHandle(*handle);
    *handle = nullptr;
}
Thread thread;

// The records between the hooks (one producer: the input thread) and the
// main window (one consumer: the UI thread).
constexpr std::uint32_t kQueueSize = 4096;
std::array<InputRecord, kQueueSize> queue;
std::atomic<std::uint32_t> head{0};  // next to write
std::atomic<std::uint32_t> tail{0};  // next to read
std::atomic<bool> lost{false};
// Set while a WM_INPUT_RECORD is on its way: one message serves every
// record queued before it is handled.
std::atomic<bool> told{false};
std::atomic<win::HWND> target{nullptr};
RecordSink sink = nullptr;

void Serve() {
    Request& request = thread.request;
    switch (request.what) {
    case Request::What::InstallHook:
        request.hook = win::SetWindowsHookExA(request.idHook, request.procedure, win::GetModuleHandleA(nullptr), 0);
        request.error = request.hook != nullptr ? 0 : win::GetLastError();
        break;
    case Request::What::RemoveHook: win::UnhookWindowsHookEx(request.hook); break;
    }
    win::SetEvent(thread.answered);
}

// The thread keeps nothing in its frame across GetMessageA: all it holds is
// in `thread` and the queue.
win::DWORD KEYLOOM_CALLBACK InputThreadMain(void*) {
    win::MSG msg{};
    // Its queue exists from here on; the starter may post to it.
    win::PeekMessageA(&msg, nullptr, 0, 0, win::PM_NOREMOVE);
    win::SetEvent(thread.ready);
    while (win::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_INPUT_REQUEST) Serve();
    }
    return 0;
}

bool Ask(const Request& request) {
    if (thread.id == 0) {
        win::SetLastError(static_cast<win::DWORD>(win::ERROR_INVALID_HANDLE));
        return false;
    }
    thread.request = request;
    if (!win::PostThreadMessageA(thread.id, WM_INPUT_REQUEST, 0, 0)) return false;
    return win::WaitForSingleObject(thread.answered, kAnswerMs) == win::WAIT_OBJECT_0;
}

}  // namespace

bool StartInputThread(win::HWND mainWindow) {
    StopInputThread();
    target.store(mainWindow);
    thread.ready = win::CreateEventA(nullptr, win::FALSE, win::FALSE, nullptr);
    thread.answered = win::CreateEventA(nullptr, win::FALSE, win::FALSE, nullptr);
    if (thread.ready == nullptr || thread.answered == nullptr) {
        StopInputThread();
        return false;
    }
    win::DWORD id = 0;
    thread.handle = win::CreateThread(nullptr, 0, &InputThreadMain, nullptr, 0, &id);
    if (thread.handle == nullptr) {
        StopInputThread();
        return false;
    }
    thread.id = id;
    if (win::WaitForSingleObject(thread.ready, kAnswerMs) != win::WAIT_OBJECT_0) {
        StopInputThread();
        return false;
    }
    return true;
}

void StopInputThread() {
    if (thread.id != 0 && win::PostThreadMessageA(thread.id, win::WM_QUIT, 0, 0))
        win::WaitForSingleObject(thread.handle, kAnswerMs);
    Close(&thread.handle);
    thread.id = 0;
    Close(&thread.ready);
    Close(&thread.answered);
}

win::HHOOK SetLowLevelHook(int idHook, win::HOOKPROC procedure) {
    Request request;
    request.what = Request::What::InstallHook;
    request.idHook = idHook;
    request.procedure = procedure;
    if (!Ask(request)) return nullptr;
    if (thread.request.hook == nullptr) win::SetLastError(thread.request.error);
    return thread.request.hook;
}

void RemoveLowLevelHook(win::HHOOK hook) {
    Request request;
    request.what = Request::What::RemoveHook;
    request.hook = hook;
    Ask(request);
}

void PostRecord(const InputRecord& record) {
    const std::uint32_t at = head.load(std::memory_order_relaxed);
    if (at - tail.load(std::memory_order_acquire) >= kQueueSize) {
        lost.store(true, std::memory_order_relaxed);
    } else {
        queue[at % kQueueSize] = record;
        head.store(at + 1, std::memory_order_release);
    }
    if (!told.exchange(true, std::memory_order_acq_rel) &&
        !win::PostMessageA(target.load(std::memory_order_relaxed), WM_INPUT_RECORD, 0, 0))
        told.store(false, std::memory_order_release);
}

void SetRecordSink(RecordSink recordSink) { sink = recordSink; }

void DeliverRecords() {
    // Cleared first: a record queued from here on posts a message of its own.
    // An exchange, not a store: it keeps the read of `head` below from
    // passing the clear, so that a record whose hook still saw the flag set
    // is read here.
    told.exchange(false, std::memory_order_acq_rel);
    for (;;) {
        const std::uint32_t at = tail.load(std::memory_order_relaxed);
        if (at == head.load(std::memory_order_acquire)) break;
        const InputRecord record = queue[at % kQueueSize];
        tail.store(at + 1, std::memory_order_release);
        // A sink may show a box, whose loop delivers the records after this.
        if (sink != nullptr) sink(record);
    }
    if (lost.load(std::memory_order_relaxed) && lost.exchange(false) && sink != nullptr) {
        InputRecord record;
        record.kind = InputRecord::Kind::Lost;
        sink(record);
    }
}

}  // namespace input
