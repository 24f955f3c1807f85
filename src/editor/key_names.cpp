#include "editor/key_names.h"

#include <array>
#include <iterator>
#include <utility>

#include "exec/instruction_kind.h"
#include "platform/win.h"

namespace {

// Scan code of the keypad's middle key. Which virtual key it sends with
// Num Lock off depends on the layout, so it is asked for at each call.
constexpr win::UINT kKeypadCentreScan = 0x4C;

constexpr std::int32_t kFirstKeypad = 0x60;
constexpr std::int32_t kLastKeypad = 0x6F;
constexpr std::int32_t kFirstFunction = 0x70;
constexpr std::int32_t kLastFunction = 0x87;

bool IsKeypad(std::int32_t code) {
    return code >= kFirstKeypad && code <= kLastKeypad;
}

// Fixed names of keys that have them, keypad and function keys included.
// Empty for any other code.
std::string FixedKeyName(std::int32_t code) {
    switch (code) {
    case 0x08: return "BACKSPACE";
    case 0x09: return "TAB";
    case 0x0D: return "RETURN";
    case 0x10: return "SHIFT";
    case 0x11: return "CTRL";
    case 0x12: return "ALT";
    case 0x13: return "PAUSE";
    case 0x14: return "CAPS";
    case 0x1B: return "ESC";
    case 0x20: return "SPACE";
    case 0x21: return "PGUP";
    case 0x22: return "PGDOWN";
    case 0x23: return "END";
    case 0x24: return "HOME";
    case 0x25: return "LEFT";
    case 0x26: return "UP";
    case 0x27: return "RIGHT";
    case 0x28: return "DOWN";
    case 0x2C: return "PRTSCR";
    case 0x2D: return "INS";
    case 0x2E: return "DEL";
    case 0x6A: return "NP *";
    case 0x6B: return "NP +";
    case 0x6C: return "NP SEP";
    case 0x6D: return "NP -";
    case 0x6E: return "NP .";
    case 0x6F: return "NP /";
    case 0x90: return "NUMLOCK";
    case 0x91: return "SCRLOCK";
    default: break;
    }
    if (code >= 0x60 && code <= 0x69) {
        std::string name = "NP ";
        name.push_back(static_cast<char>('0' + (code - 0x60)));
        return name;
    }
    if (code >= kFirstFunction && code <= kLastFunction) {
        std::string name = "F";
        name += std::to_string(code - kFirstFunction + 1);
        return name;
    }
    return {};
}

bool IsKeypadCentre(std::int32_t code) {
    return static_cast<win::UINT>(code) == win::MapVirtualKeyA(kKeypadCentreScan, win::MAPVK_VSC_TO_VK);
}

// A pair of the characters a US keyboard prints on one key, named after the
// key that types the first of them in the active layout.
struct CharacterPair {
    char typed;
    const char* name;
};

bool IsKeyOf(std::int32_t code, const CharacterPair& pair) {
    // The low byte is the virtual key; the shift state above it plays no
    // part. A character without a key answers 0xFFFF, so code 0xFF.
    return code == (win::VkKeyScanA(pair.typed) & 0xFF);
}

// The first of `pairs` whose key is `code`, or nullptr.
template <std::size_t N>
const char* PairName(std::int32_t code, const std::array<CharacterPair, N>& pairs) {
    for (const CharacterPair& pair : pairs) {
        if (IsKeyOf(code, pair)) {
            return pair.name;
        }
    }
    return nullptr;
}

// The letter keys' name: lower case, then capital.
std::string LetterName(char capital) {
    return {static_cast<char>(capital - 'A' + 'a'), capital};
}

// Letters of one keyboard row, as their key codes (the capital letter).
const char* LetterRowName(std::int32_t code, const char* row) {
    for (const char* letter = row; *letter != '\0'; ++letter) {
        if (code == *letter) {
            return letter;
        }
    }
    return nullptr;
}

constexpr std::array<CharacterPair, 12> kDigitRowPairs{{
    {'1', "1!"}, {'2', "2@"}, {'3', "3#"}, {'4', "4$"}, {'5', "5%"}, {'6', "6^"},
    {'7', "7&"}, {'8', "8*"}, {'9', "9("}, {'0', "0)"}, {'-', "-_"}, {'=', "=+"},
}};
constexpr std::array<CharacterPair, 2> kBracketPairs{{{'[', "[{"}, {']', "]}"}}};
constexpr std::array<CharacterPair, 3> kHomeRowPairs{{{';', ";:"}, {'\'', "'\""}, {'`', "`~"}}};
constexpr std::array<CharacterPair, 1> kBackslashPair{{{'\\', "\\|"}}};
constexpr std::array<CharacterPair, 3> kBottomRowPairs{{{',', ",<"}, {'.', ".>"}, {'/', "/?"}}};

constexpr const char* kCommandNames[] = {
    "DELAY",     "REBOOT", "SHUTDOWN", "COPY FROM CLIP BOARD", "PASTE TO CLIP BOARD", "PLAYBACK RECORDING",
    "PAUSE",     "TIME",   "DATE",     "MESSAGE BOX",          "RUN",
};
static_assert(std::size(kCommandNames) == kind::LastCommand - kind::FirstCommand + 1);

}  // namespace

std::string HotKeyKeyName(std::int32_t virtualKey) {
    // A key that types a character is shown as that character. A dead key
    // has the top bit set as well; the low byte is still its accent.
    if (win::UINT typed = win::MapVirtualKeyA(static_cast<win::UINT>(virtualKey), win::MAPVK_VK_TO_CHAR); typed != 0) {
        return std::string(1, static_cast<char>(typed & 0xFF));
    }
    if (!IsKeypad(virtualKey)) {
        if (std::string name = FixedKeyName(virtualKey); !name.empty()) {
            return name;
        }
    }
    if (IsKeypadCentre(virtualKey)) {
        return "CENTER";
    }
    if (IsKeypad(virtualKey)) {
        return FixedKeyName(virtualKey);
    }
    return std::string(kNoKeyName);
}

std::string InstructionCodeName(std::int32_t code) {
    // Tested row by row along the keyboard: where the layout puts a pair's
    // character on a key that an earlier test names, the earlier name wins.
    if (code == 0x1B) {
        return "ESC";
    }
    if (const char* name = PairName(code, kDigitRowPairs)) {
        return name;
    }
    if (code == 0x08 || code == 0x09) {
        return FixedKeyName(code);
    }
    if (const char* letter = LetterRowName(code, "QWERTYUIOP")) {
        return LetterName(*letter);
    }
    if (const char* name = PairName(code, kBracketPairs)) {
        return name;
    }
    if (code == 0x0D || code == 0x11) {
        return FixedKeyName(code);
    }
    if (const char* letter = LetterRowName(code, "ASDFGHJKL")) {
        return LetterName(*letter);
    }
    if (const char* name = PairName(code, kHomeRowPairs)) {
        return name;
    }
    if (code == 0x10) {
        return FixedKeyName(code);
    }
    if (const char* name = PairName(code, kBackslashPair)) {
        return name;
    }
    if (const char* letter = LetterRowName(code, "ZXCVBNM")) {
        return LetterName(*letter);
    }
    if (const char* name = PairName(code, kBottomRowPairs)) {
        return name;
    }
    if (!IsKeypad(code)) {
        // The remaining fixed names; all the codes still unnamed here are
        // distinct from those tested above.
        if (std::string name = FixedKeyName(code); !name.empty()) {
            return name;
        }
    }
    if (IsKeypadCentre(code)) {
        return "CENTER";
    }
    if (IsKeypad(code)) {
        return FixedKeyName(code);
    }
    if (IsCommand(code)) {
        return kCommandNames[code - kind::FirstCommand];
    }
    return {};
}

std::string HotKeyText(std::int32_t virtualKey, std::int32_t modifiers) {
    const std::string invalid = "Invalid Hot Key";
    if (modifiers == -1 || virtualKey == -1) {
        return invalid;
    }
    const std::string key = HotKeyKeyName(virtualKey);
    if (key == kNoKeyName) {
        return invalid;
    }
    std::string text;
    for (const auto& [bit, word] : {std::pair{win::MOD_CONTROL, "CTRL"}, std::pair{win::MOD_ALT, "ALT"},
                                    std::pair{win::MOD_SHIFT, "SHIFT"}}) {
        if ((static_cast<win::UINT>(modifiers) & bit) != 0) {
            text += word;
            text += " + ";
        }
    }
    return text + key;
}
