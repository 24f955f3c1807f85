// The text forms the exchange file meets: the store's names and texts are
// ANSI text of the system's code page, the file is UTF-8, and a recording's
// events travel as base64.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace exchange {

// Store text (the ANSI code page) as UTF-8; false when the system cannot
// convert it.
bool AnsiToUtf8(const std::string& ansi, std::string* utf8);
// UTF-8 as store text; false when `utf8` is not valid UTF-8 or holds a
// character that the code page lacks, which the store would keep as '?'.
bool Utf8ToAnsi(std::string_view utf8, std::string* ansi);

// UTF-16 and UTF-8; false on text that is not valid in its encoding (a
// lone surrogate, a malformed or overlong byte sequence).
bool Utf16ToUtf8(std::u16string_view utf16, std::string* utf8);
bool Utf8ToUtf16(std::string_view utf8, std::u16string* utf16);

// Standard base64 with padding; the decoder takes nothing else (no line
// breaks, no missing padding, no bits left over), false otherwise.
std::string EncodeBase64(const std::uint8_t* bytes, std::size_t count);
bool DecodeBase64(std::string_view text, std::vector<std::uint8_t>* bytes);

}  // namespace exchange
