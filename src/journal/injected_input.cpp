#include "journal/injected_input.h"

#include <algorithm>
#include <cstdint>

namespace {

// The journal record of a key: the virtual key in paramL's low byte, the
// scan code in its second byte; bit 15 of paramH marks an extended key.
constexpr std::uint32_t kExtendedKeyBit = 0x8000;


// A screen coordinate as the 0..65535 range that absolute mouse input spans
// over `extent` pixels from `origin`: the smallest value that the system
// maps back onto that very pixel.
win::LONG Normalise(win::LONG coordinate, int origin, int extent) {
    if (extent <= 1) return 0;
    const std::int64_t offset = std::clamp<std::int64_t>(std::int64_t{coordinate} - origin, 0, extent - 1);
    return static_cast<win::LONG>(std::min<std::int64_t>((offset * 65536 + extent - 1) / extent, 65535));
}

VirtualScreen ReadVirtualScreen() {
    return VirtualScreen{win::GetSystemMetrics(win::SM_XVIRTUALSCREEN), win::GetSystemMetrics(win::SM_YVIRTUALSCREEN),
                         win::GetSystemMetrics(win::SM_CXVIRTUALSCREEN), win::GetSystemMetrics(win::SM_CYVIRTUALSCREEN)};
}

}  // namespace

const VirtualScreen& ScreenCache::Get() {
    const win::DWORD now = win::GetTickCount();
    if (!known_ || now - readAt_ >= 1000) {
        screen_ = ReadVirtualScreen();
        readAt_ = now;
        known_ = true;
    }
    return screen_;
}

bool ToInput(const JournalEvent& event, ScreenCache& screens, win::INPUT* input) {
    *input = win::INPUT{};
    const std::uint32_t message = MessageOf(event);
    switch (message) {
    case win::WM_KEYDOWN:
    case win::WM_KEYUP:
    case win::WM_SYSKEYDOWN:
    case win::WM_SYSKEYUP: {
        input->type = win::INPUT_KEYBOARD;
        input->ki.wVk = static_cast<win::WORD>(event.paramL & 0xFF);
        input->ki.wScan = static_cast<win::WORD>((event.paramL >> 8) & 0xFF);
        if (message == win::WM_KEYUP || message == win::WM_SYSKEYUP) input->ki.dwFlags |= win::KEYEVENTF_KEYUP;
        if (event.paramH & kExtendedKeyBit) input->ki.dwFlags |= win::KEYEVENTF_EXTENDEDKEY;
        return true;
    }
    default: break;
    }

    win::DWORD button = 0;
    win::DWORD data = 0;
    switch (message) {
    case win::WM_MOUSEMOVE: break;
    // A double click's second press comes as its own message.
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK: button = win::MOUSEEVENTF_LEFTDOWN; break;
    case win::WM_LBUTTONUP: button = win::MOUSEEVENTF_LEFTUP; break;
    case win::WM_RBUTTONDOWN:
    case win::WM_RBUTTONDBLCLK: button = win::MOUSEEVENTF_RIGHTDOWN; break;
    case win::WM_RBUTTONUP: button = win::MOUSEEVENTF_RIGHTUP; break;
    case win::WM_MBUTTONDOWN:
    case win::WM_MBUTTONDBLCLK: button = win::MOUSEEVENTF_MIDDLEDOWN; break;
    case win::WM_MBUTTONUP: button = win::MOUSEEVENTF_MIDDLEUP; break;
    case win::WM_MOUSEWHEEL:
    case win::WM_MOUSEHWHEEL:
        button = message == win::WM_MOUSEWHEEL ? win::MOUSEEVENTF_WHEEL : win::MOUSEEVENTF_HWHEEL;
        data = static_cast<win::DWORD>(WheelDistanceOf(event));
        break;
    default: return false;
    }
    // Mouse records carry the pointer in screen coordinates: paramL x,
    // paramH y (negative left of or above the primary monitor).
    input->type = win::INPUT_MOUSE;
    const VirtualScreen& screen = screens.Get();
    input->mi.dx = Normalise(static_cast<win::LONG>(event.paramL), screen.left, screen.width);
    input->mi.dy = Normalise(static_cast<win::LONG>(event.paramH), screen.top, screen.height);
    input->mi.mouseData = data;
    input->mi.dwFlags = win::MOUSEEVENTF_MOVE | win::MOUSEEVENTF_ABSOLUTE | win::MOUSEEVENTF_VIRTUALDESK | button;
    return true;
}
