// One move-only owner for every kind of handle the program closes, and a
// scope for the clipboard, which is opened and closed rather than owned.
#pragma once

#include <utility>

#include "platform/win.h"

template <typename Handle, auto Close, Handle Invalid = Handle{}>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Invalid)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Invalid));
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Invalid; }
    // For functions that hand out a handle through a pointer.
    Handle* put() {
        reset();
        return &handle_;
    }
    // Gives the handle up without closing it: the system has taken it over
    // or already closed it.
    Handle release() { return std::exchange(handle_, Invalid); }
    void reset(Handle handle = Invalid) {
        if (handle_ != Invalid) Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Invalid;
};

using UniqueKey = UniqueHandle<win::HKEY, &win::RegCloseKey>;
using UniqueHook = UniqueHandle<win::HHOOK, &win::UnhookWindowsHookEx>;
// Kernel objects: waitable timers and access tokens.
using UniqueObject = UniqueHandle<win::HANDLE, &win::CloseHandle>;
using UniqueGlobal = UniqueHandle<win::HGLOBAL, &win::GlobalFree>;

// The clipboard, open for as long as the scope lasts when the open
// succeeded; it is closed on every path out.
class ClipboardScope {
public:
    explicit ClipboardScope(win::HWND owner) : open_(win::OpenClipboard(owner) != win::FALSE) {}
    ~ClipboardScope() {
        if (open_) win::CloseClipboard();
    }
    ClipboardScope(const ClipboardScope&) = delete;
    ClipboardScope& operator=(const ClipboardScope&) = delete;

    bool IsOpen() const { return open_; }

private:
    bool open_;
};
