#include "store/message_text.h"

#include <cstdio>
#include <vector>

std::string FormatText(std::string_view format, std::initializer_list<std::string_view> arguments) {
    std::string text;
    auto next = arguments.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            if (next != arguments.end()) text.append(*next++);
            ++i;
        } else {
            text.push_back(format[i]);
        }
    }
    return text;
}

std::string SystemErrorText(win::DWORD code, win::DWORD capacity) {
    std::vector<char> buffer(capacity, '\0');
    win::DWORD length = win::FormatMessageA(win::FORMAT_MESSAGE_FROM_SYSTEM | win::FORMAT_MESSAGE_IGNORE_INSERTS,
                                            nullptr, code, 0, buffer.data(), capacity, nullptr);
    if (length == 0) {
        // The system has no text for this code (or it does not fit): still
        // say which error it was rather than showing nothing.
        char fallback[64];
        std::snprintf(fallback, sizeof fallback, "System error %lu.\r\n", static_cast<unsigned long>(code));
        return std::string(fallback).substr(0, capacity > 0 ? capacity - 1 : 0);
    }
    return std::string(buffer.data(), length);
}

namespace {
thread_local HeldMessages* held = nullptr;
}  // namespace

HeldMessages::HeldMessages() : outer_(held) { held = this; }
HeldMessages::~HeldMessages() { held = outer_; }

bool HeldMessages::Keep(const std::string& text) {
    if (held == nullptr) return false;
    held->texts_.push_back(text);
    return true;
}

void ShowWarning(win::HWND owner, const std::string& text) {
    if (HeldMessages::Keep(text)) return;
    win::MessageBoxA(owner, text.c_str(), "Attention", win::MB_OK | win::MB_ICONWARNING);
}

void ShowError(win::HWND owner, const std::string& text) {
    if (HeldMessages::Keep(text)) return;
    win::MessageBoxA(owner, text.c_str(), "Error", win::MB_OK | win::MB_ICONERROR);
}
