// The real layer's threads and events: each call forwards to Windows.
#include "platform/win.h"

namespace {
constexpr auto seam_WM_QUIT = win::WM_QUIT;
}  // namespace

#include <windows.h>

static_assert(seam_WM_QUIT == WM_QUIT);
static_assert(sizeof(win::DWORD) == sizeof(::DWORD));

namespace win {

HANDLE CreateThread(void* security, std::size_t stackSize, LPTHREAD_START_ROUTINE start, void* parameter,
                    DWORD flags, DWORD* threadId) {
    ::DWORD id = 0;
    HANDLE thread = ::CreateThread(static_cast<::LPSECURITY_ATTRIBUTES>(security), stackSize,
                                   reinterpret_cast<::LPTHREAD_START_ROUTINE>(start), parameter, flags, &id);
    if (threadId != nullptr) *threadId = id;
    return thread;
}

BOOL GetMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax) {
    return ::GetMessageA(reinterpret_cast<::MSG*>(msg), reinterpret_cast<::HWND>(window), filterMin, filterMax);
}

HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState, const char* name) {
    return ::CreateEventA(static_cast<::LPSECURITY_ATTRIBUTES>(security), manualReset, initialState, name);
}

BOOL SetEvent(HANDLE event) { return ::SetEvent(event); }

}  // namespace win
