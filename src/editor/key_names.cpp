#include "editor/key_names.h"

#include <array>
#include <iterator>
#include <utility>

#include "platform/win.h"
#include "store/layout.h"

namespace {

// Scan code of the keypad's middle key. Which virtual key it sends with
// Num Lock off depends on the layout, so it is asked for at each call.
constexpr win::UINT kKeypadCentreScan = 0x4C;

constexpr std::int32_t kFirstKeypad = win::VK_NUMPAD0;
constexpr std::int32_t kLastKeypad = win::VK_DIVIDE;
constexpr std::int32_t kFirstFunction = win::VK_F1;
constexpr std::int32_t kLastFunction = win::VK_F24;

bool IsKeypad(std::int32_t code) {
    return code >= kFirstKeypad && code <= kLastKeypad;
}

// Fixed names of keys that have them, keypad and function keys included.
// Empty for any other code.
std::string FixedKeyName(std::int32_t code) {
    switch (code) {
    case win::VK_BACK: return "BACKSPACE";
    case win::VK_TAB: return "TAB";
    case win::VK_RETURN: return "RETURN";
    case win::VK_SHIFT: return "SHIFT";
    case win::VK_CONTROL: return "CTRL";
    case win::VK_MENU: return "ALT";
    case win::VK_PAUSE: return "PAUSE";
    case win::VK_CAPITAL: return "CAPS";
    case win::VK_ESCAPE: return "ESC";
    case win::VK_SPACE: return "SPACE";
    case win::VK_PRIOR: return "PGUP";
    case win::VK_NEXT: return "PGDOWN";
    case win::VK_END: return "END";
    case win::VK_HOME: return "HOME";
    case win::VK_LEFT: return "LEFT";
    case win::VK_UP: return "UP";
    case win::VK_RIGHT: return "RIGHT";
    case win::VK_DOWN: return "DOWN";
    case win::VK_SNAPSHOT: return "PRTSCR";
    case win::VK_INSERT: return "INS";
    case win::VK_DELETE: return "DEL";
    case win::VK_MULTIPLY: return "NP *";
    case win::VK_ADD: return "NP +";
    case win::VK_SEPARATOR: return "NP SEP";
    case win::VK_SUBTRACT: return "NP -";
    case win::VK_DECIMAL: return "NP .";
    case win::VK_DIVIDE: return "NP /";
    case win::VK_NUMLOCK: return "NUMLOCK";
    case win::VK_SCROLL: return "SCRLOCK";
    default: break;
    }
    if (code >= win::VK_NUMPAD0 && code <= win::VK_NUMPAD9) {
        std::string name = "NP ";
        name.push_back(static_cast<char>('0' + (code - win::VK_NUMPAD0)));
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
    "PAUSE",     "TIME",   "DATE",     "MESSAGE BOX",          "RUN",       "TYPE TEXT",
};
static_assert(std::size(kCommandNames) == kind::LastCommand - kind::FirstCommand + 1);

}  // namespace

std::string HotKeyKeyName(std::int32_t virtualKey) {
    // A key that types a character is shown as that character. A dead key
    // has the top bit set as well; the low byte is still its accent. Esc,
    // Backspace, Tab and Enter "type" control characters, which show as
    // nothing readable: they keep their names.
    if (win::UINT typed = win::MapVirtualKeyA(static_cast<win::UINT>(virtualKey), win::MAPVK_VK_TO_CHAR);
        (typed & 0xFF) >= 0x20) {
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
    if (code == win::VK_ESCAPE) {
        return "ESC";
    }
    if (const char* name = PairName(code, kDigitRowPairs)) {
        return name;
    }
    if (code == win::VK_BACK || code == win::VK_TAB) {
        return FixedKeyName(code);
    }
    if (const char* letter = LetterRowName(code, "QWERTYUIOP")) {
        return LetterName(*letter);
    }
    if (const char* name = PairName(code, kBracketPairs)) {
        return name;
    }
    if (code == win::VK_RETURN || code == win::VK_CONTROL) {
        return FixedKeyName(code);
    }
    if (const char* letter = LetterRowName(code, "ASDFGHJKL")) {
        return LetterName(*letter);
    }
    if (const char* name = PairName(code, kHomeRowPairs)) {
        return name;
    }
    if (code == win::VK_SHIFT) {
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

std::string ListedHotKeyText(std::int32_t virtualKey, std::int32_t modifiers, bool enabled, const std::string& where) {
    return HotKeyText(virtualKey, modifiers) + where + (enabled ? "" : " (off)");
}
