// Message texts and the boxes that show them.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/win.h"

// Fills each "%s" of `format` with the next argument, in order. User texts
// (macro and recording names, file names) are only ever arguments, so a name
// holding "%s" or "%n" is shown as typed.
std::string FormatText(std::string_view format, std::initializer_list<std::string_view> arguments);

// The system's text for an error code, at most `capacity` - 1 characters,
// ending in the line break that the system puts after it.
std::string SystemErrorText(win::DWORD code, win::DWORD capacity = 1000);

// Warning box captioned "Attention" and error box captioned "Error".
void ShowWarning(win::HWND owner, const std::string& text);
void ShowError(win::HWND owner, const std::string& text);
