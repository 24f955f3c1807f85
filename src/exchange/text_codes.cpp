#include "exchange/text_codes.h"

#include <array>

#include "platform/win.h"

namespace exchange {
namespace {

void AppendUtf8(char32_t c, std::string* out) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// The next code point of `text` from `*at`; false on a malformed sequence.
bool NextCodePoint(std::string_view text, std::size_t* at, char32_t* c) {
    const auto lead = static_cast<unsigned char>(text[*at]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        *c = lead;
        ++*at;
        return true;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return false;
    }
    if (text.size() - *at < length) return false;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[*at + i]);
        if ((next & 0xC0) != 0x80) return false;
        value = value << 6 | (next & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    *c = value;
    *at += length;
    return true;
}

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

bool Utf16ToUtf8(std::u16string_view utf16, std::string* utf8) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= utf16.size() || utf16[i + 1] < 0xDC00 || utf16[i + 1] > 0xDFFF) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
        AppendUtf8(c, &out);
    }
    *utf8 = std::move(out);
    return true;
}

bool Utf8ToUtf16(std::string_view utf8, std::u16string* utf16) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        if (!NextCodePoint(utf8, &at, &c)) return false;
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    *utf16 = std::move(out);
    return true;
}

bool AnsiToUtf8(const std::string& ansi, std::string* utf8) {
    if (ansi.empty()) {
        utf8->clear();
        return true;
    }
    const int size = static_cast<int>(ansi.size());
    const int length = win::MultiByteToWideChar(win::CP_ACP, 0, ansi.data(), size, nullptr, 0);
    if (length <= 0) return false;
    std::vector<wchar_t> wide(static_cast<std::size_t>(length));
    if (win::MultiByteToWideChar(win::CP_ACP, 0, ansi.data(), size, wide.data(), length) != length) return false;
    // wchar_t holds UTF-16 units on Windows and the same units, widened,
    // in the native build.
    std::u16string units;
    units.reserve(wide.size());
    for (wchar_t unit : wide) units.push_back(static_cast<char16_t>(unit));
    return Utf16ToUtf8(units, utf8);
}

bool Utf8ToAnsi(std::string_view utf8, std::string* ansi) {
    std::u16string units;
    if (!Utf8ToUtf16(utf8, &units)) return false;
    if (units.empty()) {
        ansi->clear();
        return true;
    }
    const std::vector<wchar_t> wide(units.begin(), units.end());
    const int size = static_cast<int>(wide.size());
    win::BOOL usedDefault = win::FALSE;
    const int length = win::WideCharToMultiByte(win::CP_ACP, win::WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                                0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return false;
    std::string out(static_cast<std::size_t>(length), '\0');
    if (win::WideCharToMultiByte(win::CP_ACP, win::WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), length,
                                 nullptr, &usedDefault) != length ||
        usedDefault)
        return false;
    // A character that the code page holds only as a look-alike would not
    // come back as itself: the text must read back exactly.
    std::string back;
    if (!AnsiToUtf8(out, &back) || back != utf8) return false;
    *ansi = std::move(out);
    return true;
}

std::string EncodeBase64(const std::uint8_t* bytes, std::size_t count) {
    std::string out;
    out.reserve((count + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= count; i += 3) {
        const std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16 | bytes[i + 1] << 8 | bytes[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6) out.push_back(kAlphabet[(group >> shift) & 0x3F]);
    }
    if (count - i == 1) {
        const std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
        out.push_back(kAlphabet[(group >> 18) & 0x3F]);
        out.push_back(kAlphabet[(group >> 12) & 0x3F]);
        out += "==";
    } else if (count - i == 2) {
        const std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16 | bytes[i + 1] << 8;
        out.push_back(kAlphabet[(group >> 18) & 0x3F]);
        out.push_back(kAlphabet[(group >> 12) & 0x3F]);
        out.push_back(kAlphabet[(group >> 6) & 0x3F]);
        out.push_back('=');
    }
    return out;
}

bool DecodeBase64(std::string_view text, std::vector<std::uint8_t>* bytes) {
    if (text.size() % 4 != 0) return false;
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int padding = last ? (text[i + 3] == '=') + (text[i + 2] == '=' && text[i + 3] == '=') : 0;
        std::array<int, 4> sextets{};
        for (int k = 0; k < 4 - padding; ++k) {
            sextets[k] = SextetOf(text[i + k]);
            if (sextets[k] < 0) return false;
        }
        const std::uint32_t group = static_cast<std::uint32_t>(sextets[0]) << 18 | sextets[1] << 12 |
                                    sextets[2] << 6 | sextets[3];
        out.push_back(static_cast<std::uint8_t>(group >> 16));
        if (padding < 2) out.push_back(static_cast<std::uint8_t>(group >> 8));
        if (padding < 1) out.push_back(static_cast<std::uint8_t>(group));
        // Bits beyond the last byte must be zero: one text per byte string.
        if ((padding == 1 && (group & 0xFF) != 0) || (padding == 2 && (group & 0xFFFF) != 0)) return false;
    }
    *bytes = std::move(out);
    return true;
}

}  // namespace exchange
