#include "input/unicode_text.h"

namespace input {
namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

win::INPUT Key(win::WORD virtualKey, win::WORD scanCode, win::DWORD flags) {
    win::INPUT input{};
    input.type = win::INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = scanCode;
    input.ki.dwFlags = flags;
    return input;
}

// A press of a key of its own: Enter, Tab.
void AddPress(win::BYTE virtualKey, win::INPUT* out) {
    const auto scan = static_cast<win::WORD>(win::MapVirtualKeyA(virtualKey, win::MAPVK_VK_TO_VSC));
    out[0] = Key(virtualKey, scan, 0);
    out[1] = Key(virtualKey, scan, win::KEYEVENTF_KEYUP);
}

void AddUnit(char16_t unit, win::INPUT* out) {
    out[0] = Key(0, unit, win::KEYEVENTF_UNICODE);
    out[1] = Key(0, unit, win::KEYEVENTF_UNICODE | win::KEYEVENTF_KEYUP);
}

}  // namespace

win::UINT NextTextBatch(std::u16string_view text, std::size_t* at, TextBatch* batch) {
    win::UINT count = 0;
    std::size_t i = *at;
    while (i < text.size()) {
        const char16_t unit = text[i];
        // The units this character takes, and its inputs.
        const bool pair = IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
        const bool crlf = unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
        const win::UINT inputs = pair ? 4 : 2;
        if (count + inputs > kTextBatch) break;
        win::INPUT* out = batch->data() + count;
        if (unit == u'\r' || unit == u'\n') {
            AddPress(win::VK_RETURN, out);
        } else if (unit == u'\t') {
            AddPress(win::VK_TAB, out);
        } else {
            // A surrogate without its partner goes out as the unit it is.
            AddUnit(unit, out);
            if (pair) AddUnit(text[i + 1], out + 2);
        }
        count += inputs;
        i += pair || crlf ? 2 : 1;
    }
    *at = i;
    return count;
}

Typed TypeUnicodeText(std::u16string_view text, Owner owner, GoOn goOn) {
    TextBatch batch;
    std::size_t at = 0;
    for (bool first = true;; first = false) {
        const win::UINT count = NextTextBatch(text, &at, &batch);
        if (count == 0) return Typed::Whole;
        // A batch holds whole down-up pairs: between two, nothing is down.
        if (!first && goOn != nullptr && !goOn()) return Typed::Stopped;
        const win::UINT sent = Send(batch.data(), count, owner);
        if (sent == count) continue;
        // Inputs go in down-up pairs: an odd count taken leaves a down
        // without its up, which goes out alone now.
        if (sent % 2 == 1 && sent < count) {
            win::INPUT up = batch[sent];
            Send(&up, 1, owner);
        }
        return Typed::Cut;
    }
}

}  // namespace input
