#include "common/control_text.h"

#include <windows.h>

std::string ControlText(win::HWND dialog, int id) {
    HWND control = GetDlgItem(reinterpret_cast<HWND>(dialog), id);
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    const int copied = GetWindowTextA(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}
