// The property dialogs of the commands: what each exchanges with the editor,
// the one reader of numbers typed into their fields, and the checks their OK
// makes. The dialogs' Windows side is property_dialogs_win32.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/win.h"

// ---- What each dialog exchanges -----------------------------------------
struct DelayValues {
    std::int32_t delay = 0;  // milliseconds
};
struct BufferValues {  // COPY FROM CLIP BOARD
    std::uint32_t bufferId = 0;
};
struct PasteValues {  // PASTE TO CLIP BOARD
    std::uint32_t bufferId = 0;
    std::string initialValue;
};
struct MessageBoxValues {
    std::string title;
    std::string body;
};
struct RunValues {
    std::string command;
    std::string arguments;
    std::string startIn;
    std::int32_t showStyle = 1;  // 1 normal, 2 minimized, 3 maximized
    bool unelevated = false;     // "Start without administrator rights"
};
struct TypeTextValues {  // TYPE TEXT: line breaks as CR LF
    std::u16string text;
};
struct RecordingChoice {  // PLAYBACK RECORDING
    std::string name;
    std::int32_t events = -1;  // 1, 2 or 3; -1 on entry: none given
    std::int32_t speed = 0;    // 0 as recorded, -N faster, +N slower by N percent
};

// The dialogs the editor opens, one method each: true on OK with the values
// as entered, false on Cancel with the values untouched.
class InstructionDialogs {
public:
    virtual ~InstructionDialogs() = default;
    virtual bool Delay(DelayValues* values) = 0;
    virtual bool CopyFromClipboard(BufferValues* values) = 0;
    virtual bool PasteToClipboard(PasteValues* values) = 0;
    virtual bool MessageBoxProperties(MessageBoxValues* values) = 0;
    virtual bool Run(RunValues* values) = 0;
    virtual bool SelectRecording(RecordingChoice* choice) = 0;
    virtual bool TypeText(TypeTextValues* values) = 0;
};

// Every dialog cancelled: for an editor that only loads and saves, with no
// one to answer (benchmarks, fuzzing).
class CancelledDialogs final : public InstructionDialogs {
public:
    bool Delay(DelayValues*) override { return false; }
    bool CopyFromClipboard(BufferValues*) override { return false; }
    bool PasteToClipboard(PasteValues*) override { return false; }
    bool MessageBoxProperties(MessageBoxValues*) override { return false; }
    bool Run(RunValues*) override { return false; }
    bool SelectRecording(RecordingChoice*) override { return false; }
    bool TypeText(TypeTextValues*) override { return false; }
};

// ---- Numbers typed into a field -------------------------------------------
enum class NumberKind { Signed, Unsigned };

// A field's text as a number: at most 31 characters, a longer text is
// refused whatever it holds; blanks
// (spaces, tabs) before and after; a sign only in a signed field; zero only
// from a typed digit 0; nothing else left over. A number beyond 32 bits
// (signed or unsigned as the field is) is refused too.
bool ParseNumber(std::string_view text, NumberKind kind, std::int64_t* value);

// ParseNumber, telling the user "Please enter an integer." or "Please enter
// a positive integer." when it refuses. The dialog then puts the focus back
// on the field with its text selected.
bool ReadNumberField(win::HWND dialog, std::string_view text, NumberKind kind, std::int64_t* value);

// ---- The checks of OK -------------------------------------------------------
inline constexpr std::int32_t kLongestDelay = 2000000000;

// DELAY: a signed number from 0 to 2000000000.
bool AcceptDelay(win::HWND dialog, std::string_view text, std::int32_t* delay);
// The editor's Repeat: a signed number from 0 (until stopped) to
// 1000000.
bool AcceptRepeat(win::HWND dialog, std::string_view text, std::int32_t* repeat);
// The clipboard dialogs: an unsigned number.
bool AcceptBufferId(win::HWND dialog, std::string_view text, std::uint32_t* bufferId);

// TYPE TEXT: a text of 1 to layout::kLongestTypedText units, its line
// breaks made CR LF (a CR or an LF alone, as pasted text may bring, counts
// as one); an empty one is refused with "Please enter the text to type.",
// and the dialog puts the focus back on its edit.
bool AcceptTypedText(win::HWND dialog, std::u16string* text);

// RUN's list of show styles: entry i stands for style i + 1; a style
// other than 1, 2 or 3 selects no entry (-1), and no selection keeps the
// style.
int RunListEntry(std::int32_t showStyle);
std::int32_t ShowStyleFromEntry(int entry, std::int32_t showStyle);
inline constexpr const char* kRunListEntries[] = {"Normal Window", "Minimized", "Maximized"};

// ---- The dialogs themselves (Windows build) ---------------------------------
// Each shows its dialog over `owner` filled with `values`; true on OK with
// `values` as entered.
bool ShowDelayDialog(win::HWND owner, DelayValues* values);
bool ShowCopyFromClipboardDialog(win::HWND owner, BufferValues* values);
bool ShowPasteToClipboardDialog(win::HWND owner, PasteValues* values);
bool ShowMessageBoxDialog(win::HWND owner, MessageBoxValues* values);
bool ShowRunDialog(win::HWND owner, RunValues* values);
bool ShowTypeTextDialog(win::HWND owner, TypeTextValues* values);
