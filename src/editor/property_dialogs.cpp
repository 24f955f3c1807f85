#include "editor/property_dialogs.h"

#include <cstdint>
#include <limits>

#include "store/layout.h"
#include "store/message_text.h"

namespace {

constexpr std::size_t kFieldCharacters = 31;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

void Warn(win::HWND dialog, const char* text) {
    win::MessageBoxA(dialog, text, "Keyloom", win::MB_OK | win::MB_ICONWARNING);
}

}  // namespace

bool ParseNumber(std::string_view text, NumberKind kind, std::int64_t* value) {
    // A longer text is refused rather than cut: cut, "0...01" would read
    // as 0 and "5   x" as 5.
    if (text.size() > kFieldCharacters) return false;
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    const std::size_t blanks = at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        if (kind == NumberKind::Unsigned) return false;
        negative = text[at] == '-';
        ++at;
    }
    // Kept within 2^33 so that the 31 characters cannot overflow the sum;
    // anything that large is refused below.
    std::int64_t magnitude = 0;
    bool tooLarge = false;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > (std::int64_t{1} << 33)) {
            tooLarge = true;
            magnitude = std::int64_t{1} << 33;
        }
        ++at;
    }
    // Zero counts only when it was typed: the first character after the
    // blanks is the digit 0 (so "-0" and "+" are refused, "007" is 7).
    if (magnitude == 0 && (blanks >= text.size() || text[blanks] != '0')) return false;
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at != text.size() || tooLarge) return false;
    const std::int64_t number = negative ? -magnitude : magnitude;
    if (kind == NumberKind::Signed) {
        if (number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max())
            return false;
    } else if (number > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    *value = number;
    return true;
}

bool ReadNumberField(win::HWND dialog, std::string_view text, NumberKind kind, std::int64_t* value) {
    if (ParseNumber(text, kind, value)) return true;
    Warn(dialog, kind == NumberKind::Signed ? "Please enter an integer." : "Please enter a positive integer.");
    return false;
}

bool AcceptTypedText(win::HWND dialog, std::u16string* text) {
    if (text->empty()) {
        Warn(dialog, "Please enter the text to type.");
        return false;
    }
    std::u16string lines;
    lines.reserve(text->size());
    for (std::size_t i = 0; i < text->size(); ++i) {
        const char16_t unit = (*text)[i];
        if (unit != u'\r' && unit != u'\n') {
            lines.push_back(unit);
            continue;
        }
        lines += u"\r\n";
        if (unit == u'\r' && i + 1 < text->size() && (*text)[i + 1] == u'\n') ++i;
    }
    // The edit takes no more than this; a longer text could not be read back.
    if (lines.size() > layout::kLongestTypedText) {
        Warn(dialog, FormatText("The text to type is too long: at most %s characters fit.",
                                {std::to_string(layout::kLongestTypedText)}).c_str());
        return false;
    }
    *text = std::move(lines);
    return true;
}

bool AcceptDelay(win::HWND dialog, std::string_view text, std::int32_t* delay) {
    std::int64_t value = 0;
    if (!ReadNumberField(dialog, text, NumberKind::Signed, &value)) return false;
    if (value < 0 || value > kLongestDelay) {
        Warn(dialog, FormatText("Please enter an integer between %s and %s.", {"0", std::to_string(kLongestDelay)}).c_str());
        return false;
    }
    *delay = static_cast<std::int32_t>(value);
    return true;
}

bool AcceptRepeat(win::HWND dialog, std::string_view text, std::int32_t* repeat) {
    std::int64_t value = 0;
    if (!ReadNumberField(dialog, text, NumberKind::Signed, &value)) return false;
    if (value < 0 || value > layout::kMostRepeats) {
        Warn(dialog,
             FormatText("Please enter an integer between %s and %s.", {"0", std::to_string(layout::kMostRepeats)}).c_str());
        return false;
    }
    *repeat = static_cast<std::int32_t>(value);
    return true;
}

bool AcceptBufferId(win::HWND dialog, std::string_view text, std::uint32_t* bufferId) {
    std::int64_t value = 0;
    if (!ReadNumberField(dialog, text, NumberKind::Unsigned, &value)) return false;
    *bufferId = static_cast<std::uint32_t>(value);
    return true;
}

int RunListEntry(std::int32_t showStyle) { return showStyle >= 1 && showStyle <= 3 ? showStyle - 1 : -1; }

std::int32_t ShowStyleFromEntry(int entry, std::int32_t showStyle) {
    return entry >= 0 && entry <= 2 ? entry + 1 : showStyle;
}
