// Message texts and the boxes that show them.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

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

// While one lives, the warnings and errors of this thread are kept in it
// instead of shown: for work done for a caller that waits on it (keyloomc
// over the command channel), to whom they go as part of the answer, since a
// box would hold the caller until someone closes it.
class HeldMessages {
public:
    HeldMessages();
    ~HeldMessages();
    HeldMessages(const HeldMessages&) = delete;
    HeldMessages& operator=(const HeldMessages&) = delete;
    const std::vector<std::string>& Texts() const { return texts_; }
    // Called by ShowWarning and ShowError: false when none lives.
    static bool Keep(const std::string& text);

private:
    HeldMessages* outer_;
    std::vector<std::string> texts_;
};
