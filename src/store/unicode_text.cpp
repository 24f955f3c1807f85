// Texts in any language on an open key: written and read through the
// registry's UTF-16 calls, and checked whole before they are used.
#include <vector>

#include "store/message_text.h"
#include "store/registry_store.h"

namespace RegistryStore {
// Value names are the stored layout's own, all ASCII: each byte is its
// UTF-16 unit.
std::wstring WideValueName(const std::string& name) { return std::wstring(name.begin(), name.end()); }

namespace {

bool Refuse(const std::string& where, const char* format) {
    ShowWarning(nullptr, FormatText(format, {where}));
    return false;
}

}  // namespace

bool QueryUnicodeText(win::HKEY key, const std::string& fullPath, const std::string& valueName, std::size_t longest,
                      std::u16string* text) {
    text->clear();
    const std::wstring name = WideValueName(valueName);
    const std::string where = fullPath + "\\" + valueName;
    // Type and size first: nothing is had for a value that is no text or
    // one far too long.
    win::DWORD type = win::REG_NONE, size = 0;
    win::LSTATUS rc = win::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == win::ERROR_FILE_NOT_FOUND) return Refuse(where, "The text to type is missing at: %s");
    const auto check = [&]() {
        if (type != win::REG_SZ) return Refuse(where, "The text to type at: %s is not stored as a text (REG_SZ).");
        if (size % 2 != 0)
            return Refuse(where, "The text to type at: %s has an odd number of bytes: it is no UTF-16 text.");
        if (size / 2 > longest + 1)
            return Refuse(where, ("The text to type at: %s is longer than " + std::to_string(longest) +
                                  " characters.").c_str());
        return true;
    };
    if (rc == win::ERROR_SUCCESS && !check()) return false;
    std::vector<std::uint8_t> bytes;
    if (rc == win::ERROR_SUCCESS) {
        bytes.resize(size + 2u);
        win::DWORD capacity = size;
        rc = win::RegQueryValueExW(key, name.c_str(), nullptr, &type, bytes.data(), &capacity);
        size = capacity;
    }
    if (rc != win::ERROR_SUCCESS) {
        // Grown or changed in between, no access, a key deleted meanwhile.
        ShowWarning(nullptr, FormatText("Error reading value in reigistry at: %s, error: %s", {where, SystemErrorText(rc)}));
        return false;
    }
    if (!check()) return false;
    std::u16string read;
    read.reserve(size / 2);
    for (win::DWORD i = 0; i + 1 < size; i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        if (unit == 0) break;
        read.push_back(unit);
    }
    if (read.size() > longest)
        return Refuse(where, ("The text to type at: %s is longer than " + std::to_string(longest) + " characters.").c_str());
    *text = std::move(read);
    return true;
}

bool KeyReader::Read(const std::string& valueName, std::u16string* text) const {
    return QueryUnicodeText(key_.get(), fullPath_, valueName, layout::kLongestTypedText, text);
}

bool SetUnicodeText(win::HKEY key, const std::string& storePath, const std::string& valueName,
                    const std::u16string& text) {
    // Little-endian UTF-16 units with the terminating NUL.
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    if (win::LSTATUS rc = win::RegSetValueExW(key, WideValueName(valueName).c_str(), 0, win::REG_SZ, bytes.data(),
                                              static_cast<win::DWORD>(bytes.size()));
        rc != win::ERROR_SUCCESS) {
        ShowError(nullptr, FormatText("Error writing %s%s\\%s - %s", {kRootPath, storePath, valueName, SystemErrorText(rc)}));
        return false;
    }
    return true;
}

bool KeyWriter::Write(const std::string& valueName, const std::u16string& text) {
    return SetUnicodeText(key_.get(), path_, valueName, text);
}

}  // namespace RegistryStore
