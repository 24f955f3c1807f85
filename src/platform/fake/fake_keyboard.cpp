// Keyboard layouts of the fake Windows, and the key events the program
// synthesises. The layouts are a US English one and a German one,
// each a table of keys with the virtual-key code, the PC/AT (set 1) scan
// code and the characters of the key's shift states, in the ANSI code page
// 1252. VkKeyScanA and MapVirtualKeyA answer from the active table the way
// Windows answers from its layout tables.
#include <cstdint>
#include <span>

#include <vector>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"
#include "platform/win.h"

namespace {

// Shift-state bits of VkKeyScanA's high byte.
constexpr int kShift = 1;
constexpr int kCtrl = 2;
constexpr int kAltGr = 6;  // the right Alt key, which Windows turns into Ctrl+Alt

// Characters of one key; 0 where the shift state types nothing.
struct Key {
    std::uint8_t vk;
    std::uint8_t scan;
    unsigned char base = 0;
    unsigned char shift = 0;
    unsigned char altGr = 0;
    unsigned char ctrl = 0;
    bool baseDead = false;   // the unshifted character is a dead key (an accent)
    bool keypad = false;     // VkKeyScanA skips the keypad: it types from the main block only
};

// Keys that type the same on both layouts, or nothing at all. The order
// matters where two keys share a scan code: MapVirtualKeyA type 1 answers
// with the first, so the navigation keys come before the keypad digits that
// share their scan codes, and Num Lock before Pause.
constexpr Key kCommonKeys[] = {
    {.vk = 0x08, .scan = 0x0E, .base = 0x08, .shift = 0x08, .ctrl = 0x7F},  // Backspace
    {.vk = 0x09, .scan = 0x0F, .base = '\t', .shift = '\t'},
    {.vk = 0x0D, .scan = 0x1C, .base = '\r', .shift = '\r', .ctrl = '\n'},
    {.vk = 0x1B, .scan = 0x01, .base = 0x1B, .shift = 0x1B, .ctrl = 0x1B},
    {.vk = 0x20, .scan = 0x39, .base = ' ', .shift = ' ', .ctrl = ' '},
    {.vk = 0x10, .scan = 0x2A},  // Shift
    {.vk = 0x11, .scan = 0x1D},  // Ctrl
    {.vk = 0x12, .scan = 0x38},  // Alt
    {.vk = 0xA0, .scan = 0x2A},  // left and right Shift, Ctrl, Alt
    {.vk = 0xA1, .scan = 0x36},
    {.vk = 0xA2, .scan = 0x1D},
    {.vk = 0xA3, .scan = 0x1D},
    {.vk = 0xA4, .scan = 0x38},
    {.vk = 0xA5, .scan = 0x38},
    {.vk = 0x14, .scan = 0x3A},  // Caps Lock
    {.vk = 0x90, .scan = 0x45},  // Num Lock
    {.vk = 0x13, .scan = 0x45},  // Pause
    {.vk = 0x91, .scan = 0x46},  // Scroll Lock
    {.vk = 0x03, .scan = 0x46, .base = 0x03, .shift = 0x03, .ctrl = 0x03},  // Ctrl+Break
    {.vk = 0x2C, .scan = 0x54},  // Print Screen
    {.vk = 0x24, .scan = 0x47},  // Home
    {.vk = 0x26, .scan = 0x48},  // Up
    {.vk = 0x21, .scan = 0x49},  // Page Up
    {.vk = 0x25, .scan = 0x4B},  // Left
    {.vk = 0x0C, .scan = 0x4C},  // Clear: the keypad's middle key with Num Lock off
    {.vk = 0x27, .scan = 0x4D},  // Right
    {.vk = 0x23, .scan = 0x4F},  // End
    {.vk = 0x28, .scan = 0x50},  // Down
    {.vk = 0x22, .scan = 0x51},  // Page Down
    {.vk = 0x2D, .scan = 0x52},  // Insert
    {.vk = 0x2E, .scan = 0x53},  // Delete
    {.vk = 0x5B, .scan = 0x5B},  // Windows keys and the menu key
    {.vk = 0x5C, .scan = 0x5C},
    {.vk = 0x5D, .scan = 0x5D},
    {.vk = 0x70, .scan = 0x3B},  // F1 to F12
    {.vk = 0x71, .scan = 0x3C},
    {.vk = 0x72, .scan = 0x3D},
    {.vk = 0x73, .scan = 0x3E},
    {.vk = 0x74, .scan = 0x3F},
    {.vk = 0x75, .scan = 0x40},
    {.vk = 0x76, .scan = 0x41},
    {.vk = 0x77, .scan = 0x42},
    {.vk = 0x78, .scan = 0x43},
    {.vk = 0x79, .scan = 0x44},
    {.vk = 0x7A, .scan = 0x57},
    {.vk = 0x7B, .scan = 0x58},
    {.vk = 0x7C, .scan = 0x64},  // F13 to F24
    {.vk = 0x7D, .scan = 0x65},
    {.vk = 0x7E, .scan = 0x66},
    {.vk = 0x7F, .scan = 0x67},
    {.vk = 0x80, .scan = 0x68},
    {.vk = 0x81, .scan = 0x69},
    {.vk = 0x82, .scan = 0x6A},
    {.vk = 0x83, .scan = 0x6B},
    {.vk = 0x84, .scan = 0x6C},
    {.vk = 0x85, .scan = 0x6D},
    {.vk = 0x86, .scan = 0x6E},
    {.vk = 0x87, .scan = 0x76},
};

// The keypad as Wine reports it on an X keyboard with Num Lock off: the
// digit keys type nothing, the operator keys their sign, and the separator
// key (which a US keyboard lacks) a full stop. It comes after the keys
// above, which own the scan codes it shares. Its decimal key types the
// layout's decimal separator, so each layout has its own.
constexpr Key kKeypad[] = {
    {.vk = 0x60, .scan = 0x52, .keypad = true},
    {.vk = 0x61, .scan = 0x4F, .keypad = true},
    {.vk = 0x62, .scan = 0x50, .keypad = true},
    {.vk = 0x63, .scan = 0x51, .keypad = true},
    {.vk = 0x64, .scan = 0x4B, .keypad = true},
    {.vk = 0x65, .scan = 0x4C, .keypad = true},
    {.vk = 0x66, .scan = 0x4D, .keypad = true},
    {.vk = 0x67, .scan = 0x47, .keypad = true},
    {.vk = 0x68, .scan = 0x48, .keypad = true},
    {.vk = 0x69, .scan = 0x49, .keypad = true},
    {.vk = 0x6A, .scan = 0x37, .base = '*', .shift = '*', .keypad = true},
    {.vk = 0x6B, .scan = 0x4E, .base = '+', .shift = '+', .keypad = true},
    {.vk = 0x6C, .scan = 0x00, .base = '.', .keypad = true},
    {.vk = 0x6D, .scan = 0x4A, .base = '-', .shift = '-', .keypad = true},
    {.vk = 0x6F, .scan = 0x35, .base = '/', .shift = '/', .keypad = true},
};

constexpr Key kUsKeys[] = {
    {.vk = 'A', .scan = 0x1E, .base = 'a', .shift = 'A'},
    {.vk = 'B', .scan = 0x30, .base = 'b', .shift = 'B'},
    {.vk = 'C', .scan = 0x2E, .base = 'c', .shift = 'C'},
    {.vk = 'D', .scan = 0x20, .base = 'd', .shift = 'D'},
    {.vk = 'E', .scan = 0x12, .base = 'e', .shift = 'E'},
    {.vk = 'F', .scan = 0x21, .base = 'f', .shift = 'F'},
    {.vk = 'G', .scan = 0x22, .base = 'g', .shift = 'G'},
    {.vk = 'H', .scan = 0x23, .base = 'h', .shift = 'H'},
    {.vk = 'I', .scan = 0x17, .base = 'i', .shift = 'I'},
    {.vk = 'J', .scan = 0x24, .base = 'j', .shift = 'J'},
    {.vk = 'K', .scan = 0x25, .base = 'k', .shift = 'K'},
    {.vk = 'L', .scan = 0x26, .base = 'l', .shift = 'L'},
    {.vk = 'M', .scan = 0x32, .base = 'm', .shift = 'M'},
    {.vk = 'N', .scan = 0x31, .base = 'n', .shift = 'N'},
    {.vk = 'O', .scan = 0x18, .base = 'o', .shift = 'O'},
    {.vk = 'P', .scan = 0x19, .base = 'p', .shift = 'P'},
    {.vk = 'Q', .scan = 0x10, .base = 'q', .shift = 'Q'},
    {.vk = 'R', .scan = 0x13, .base = 'r', .shift = 'R'},
    {.vk = 'S', .scan = 0x1F, .base = 's', .shift = 'S'},
    {.vk = 'T', .scan = 0x14, .base = 't', .shift = 'T'},
    {.vk = 'U', .scan = 0x16, .base = 'u', .shift = 'U'},
    {.vk = 'V', .scan = 0x2F, .base = 'v', .shift = 'V'},
    {.vk = 'W', .scan = 0x11, .base = 'w', .shift = 'W'},
    {.vk = 'X', .scan = 0x2D, .base = 'x', .shift = 'X'},
    {.vk = 'Y', .scan = 0x15, .base = 'y', .shift = 'Y'},
    {.vk = 'Z', .scan = 0x2C, .base = 'z', .shift = 'Z'},
    {.vk = '1', .scan = 0x02, .base = '1', .shift = '!'},
    {.vk = '2', .scan = 0x03, .base = '2', .shift = '@'},
    {.vk = '3', .scan = 0x04, .base = '3', .shift = '#'},
    {.vk = '4', .scan = 0x05, .base = '4', .shift = '$'},
    {.vk = '5', .scan = 0x06, .base = '5', .shift = '%'},
    {.vk = '6', .scan = 0x07, .base = '6', .shift = '^'},
    {.vk = '7', .scan = 0x08, .base = '7', .shift = '&'},
    {.vk = '8', .scan = 0x09, .base = '8', .shift = '*'},
    {.vk = '9', .scan = 0x0A, .base = '9', .shift = '('},
    {.vk = '0', .scan = 0x0B, .base = '0', .shift = ')'},
    {.vk = 0xBD, .scan = 0x0C, .base = '-', .shift = '_'},
    {.vk = 0xBB, .scan = 0x0D, .base = '=', .shift = '+'},
    {.vk = 0xDB, .scan = 0x1A, .base = '[', .shift = '{'},
    {.vk = 0xDD, .scan = 0x1B, .base = ']', .shift = '}'},
    {.vk = 0xBA, .scan = 0x27, .base = ';', .shift = ':'},
    {.vk = 0xDE, .scan = 0x28, .base = '\'', .shift = '"'},
    {.vk = 0xC0, .scan = 0x29, .base = '`', .shift = '~'},
    {.vk = 0xDC, .scan = 0x2B, .base = '\\', .shift = '|'},
    {.vk = 0xBC, .scan = 0x33, .base = ',', .shift = '<'},
    {.vk = 0xBE, .scan = 0x34, .base = '.', .shift = '>'},
    {.vk = 0xBF, .scan = 0x35, .base = '/', .shift = '?'},
    // The extra key beside the left Shift of 102-key keyboards types the
    // same as the backslash key; VkKeyScanA finds the backslash key first.
    {.vk = 0xE2, .scan = 0x56, .base = '\\', .shift = '|'},
};
constexpr Key kUsDecimal[] = {{.vk = 0x6E, .scan = 0x53, .base = '.', .shift = '.', .keypad = true}};

constexpr unsigned char kSection = 0xA7;
constexpr unsigned char kSharpS = 0xDF;
constexpr unsigned char kEuro = 0x80;
constexpr unsigned char kAcute = 0xB4;
constexpr unsigned char kDegree = 0xB0;

// German: Y and Z swapped, the umlauts where the US layout has punctuation,
// and a third level on the right Alt key (AltGr).
constexpr Key kEuropeanKeys[] = {
    {.vk = 'A', .scan = 0x1E, .base = 'a', .shift = 'A'},
    {.vk = 'B', .scan = 0x30, .base = 'b', .shift = 'B'},
    {.vk = 'C', .scan = 0x2E, .base = 'c', .shift = 'C'},
    {.vk = 'D', .scan = 0x20, .base = 'd', .shift = 'D'},
    {.vk = 'E', .scan = 0x12, .base = 'e', .shift = 'E', .altGr = kEuro},
    {.vk = 'F', .scan = 0x21, .base = 'f', .shift = 'F'},
    {.vk = 'G', .scan = 0x22, .base = 'g', .shift = 'G'},
    {.vk = 'H', .scan = 0x23, .base = 'h', .shift = 'H'},
    {.vk = 'I', .scan = 0x17, .base = 'i', .shift = 'I'},
    {.vk = 'J', .scan = 0x24, .base = 'j', .shift = 'J'},
    {.vk = 'K', .scan = 0x25, .base = 'k', .shift = 'K'},
    {.vk = 'L', .scan = 0x26, .base = 'l', .shift = 'L'},
    {.vk = 'M', .scan = 0x32, .base = 'm', .shift = 'M', .altGr = 0xB5},  // micro sign
    {.vk = 'N', .scan = 0x31, .base = 'n', .shift = 'N'},
    {.vk = 'O', .scan = 0x18, .base = 'o', .shift = 'O'},
    {.vk = 'P', .scan = 0x19, .base = 'p', .shift = 'P'},
    {.vk = 'Q', .scan = 0x10, .base = 'q', .shift = 'Q', .altGr = '@'},
    {.vk = 'R', .scan = 0x13, .base = 'r', .shift = 'R'},
    {.vk = 'S', .scan = 0x1F, .base = 's', .shift = 'S'},
    {.vk = 'T', .scan = 0x14, .base = 't', .shift = 'T'},
    {.vk = 'U', .scan = 0x16, .base = 'u', .shift = 'U'},
    {.vk = 'V', .scan = 0x2F, .base = 'v', .shift = 'V'},
    {.vk = 'W', .scan = 0x11, .base = 'w', .shift = 'W'},
    {.vk = 'X', .scan = 0x2D, .base = 'x', .shift = 'X'},
    {.vk = 'Y', .scan = 0x2C, .base = 'y', .shift = 'Y'},
    {.vk = 'Z', .scan = 0x15, .base = 'z', .shift = 'Z'},
    {.vk = '1', .scan = 0x02, .base = '1', .shift = '!'},
    {.vk = '2', .scan = 0x03, .base = '2', .shift = '"', .altGr = 0xB2},
    {.vk = '3', .scan = 0x04, .base = '3', .shift = kSection, .altGr = 0xB3},
    {.vk = '4', .scan = 0x05, .base = '4', .shift = '$'},
    {.vk = '5', .scan = 0x06, .base = '5', .shift = '%'},
    {.vk = '6', .scan = 0x07, .base = '6', .shift = '&'},
    {.vk = '7', .scan = 0x08, .base = '7', .shift = '/', .altGr = '{'},
    {.vk = '8', .scan = 0x09, .base = '8', .shift = '(', .altGr = '['},
    {.vk = '9', .scan = 0x0A, .base = '9', .shift = ')', .altGr = ']'},
    {.vk = '0', .scan = 0x0B, .base = '0', .shift = '=', .altGr = '}'},
    {.vk = 0xDB, .scan = 0x0C, .base = kSharpS, .shift = '?', .altGr = '\\'},
    {.vk = 0xDD, .scan = 0x0D, .base = kAcute, .shift = '`', .baseDead = true},
    {.vk = 0xBA, .scan = 0x1A, .base = 0xFC, .shift = 0xDC},  // u umlaut
    {.vk = 0xBB, .scan = 0x1B, .base = '+', .shift = '*', .altGr = '~'},
    {.vk = 0xC0, .scan = 0x27, .base = 0xF6, .shift = 0xD6},  // o umlaut
    {.vk = 0xDE, .scan = 0x28, .base = 0xE4, .shift = 0xC4},  // a umlaut
    {.vk = 0xDC, .scan = 0x29, .base = '^', .shift = kDegree, .baseDead = true},
    {.vk = 0xBF, .scan = 0x2B, .base = '#', .shift = '\''},
    {.vk = 0xBC, .scan = 0x33, .base = ',', .shift = ';'},
    {.vk = 0xBE, .scan = 0x34, .base = '.', .shift = ':'},
    {.vk = 0xBD, .scan = 0x35, .base = '-', .shift = '_'},
    {.vk = 0xE2, .scan = 0x56, .base = '<', .shift = '>', .altGr = '|'},
};
constexpr Key kEuropeanDecimal[] = {{.vk = 0x6E, .scan = 0x53, .base = ',', .shift = ',', .keypad = true}};

fake::Layout activeLayout = fake::Layout::Us;
unsigned activeCodePage = 1252;
std::vector<fake::KeyEvent> keyEvents;

// The first key of the active layout that `matches`, searching the layout's
// own keys, then the shared ones, then the keypad.
template <typename Match>
const Key* FindKey(const Match& matches) {
    const bool us = activeLayout == fake::Layout::Us;
    const std::span<const Key> tables[] = {
        us ? std::span<const Key>(kUsKeys) : std::span<const Key>(kEuropeanKeys),
        kCommonKeys,
        kKeypad,
        us ? std::span<const Key>(kUsDecimal) : std::span<const Key>(kEuropeanDecimal),
    };
    for (std::span<const Key> table : tables) {
        for (const Key& key : table) {
            if (matches(key)) {
                return &key;
            }
        }
    }
    return nullptr;
}

// MapVirtualKeyA type 1 does not tell left from right.
win::UINT WithoutSide(win::UINT vk) {
    switch (vk) {
    case 0xA0:
    case 0xA1:
        return 0x10;
    case 0xA2:
    case 0xA3:
        return 0x11;
    case 0xA4:
    case 0xA5:
        return 0x12;
    default:
        return vk;
    }
}

}  // namespace

namespace fake {

void UseLayout(Layout layout) {
    activeLayout = layout;
}

void UseCodePage(unsigned codePage) { activeCodePage = codePage; }

const std::vector<KeyEvent>& KeyEvents() { return keyEvents; }
void ClearKeyEvents() { keyEvents.clear(); }

namespace detail {

void ResetKeyboard() {
    activeLayout = Layout::Us;
    activeCodePage = 1252;
    keyEvents.clear();
}

}  // namespace detail
}  // namespace fake

namespace win {

void keybd_event(BYTE virtualKey, BYTE scanCode, DWORD flags, ULONG_PTR extraInfo) {
    fake::detail::Count("keybd_event");
    keyEvents.push_back(fake::KeyEvent{virtualKey, scanCode, flags, extraInfo});
    fake::detail::InjectKey(virtualKey, scanCode, flags, extraInfo);
}

SHORT VkKeyScanA(char character) {
    fake::detail::Count("VkKeyScanA");
    const auto wanted = static_cast<unsigned char>(character);
    if (wanted == 0) {
        return -1;
    }
    int shiftState = 0;
    const Key* key = FindKey([&](const Key& k) {
        if (k.keypad) {
            return false;
        }
        // Per key, the shift states in the order the layout lists them.
        const struct {
            unsigned char ch;
            int state;
        } columns[] = {{k.base, 0}, {k.shift, kShift}, {k.ctrl, kCtrl}, {k.altGr, kAltGr}};
        for (const auto& column : columns) {
            if (column.ch == wanted) {
                shiftState = column.state;
                return true;
            }
        }
        return false;
    });
    if (key == nullptr) {
        return -1;
    }
    return static_cast<SHORT>((shiftState << 8) | key->vk);
}

UINT MapVirtualKeyA(UINT code, UINT mapType) {
    fake::detail::Count("MapVirtualKeyA");
    if (code > 0xFF) {
        return 0;
    }
    switch (mapType) {
    case MAPVK_VK_TO_VSC: {
        const Key* key = FindKey([&](const Key& k) { return k.vk == code; });
        return key != nullptr ? key->scan : 0;
    }
    case MAPVK_VSC_TO_VK: {
        if (code == 0) {
            return 0;
        }
        const Key* key = FindKey([&](const Key& k) { return k.scan == code; });
        return key != nullptr ? WithoutSide(key->vk) : 0;
    }
    case MAPVK_VK_TO_CHAR: {
        const Key* key = FindKey([&](const Key& k) { return k.vk == code; });
        if (key == nullptr || key->base == 0) {
            return 0;
        }
        // Letter keys answer with their capital, whatever the layout.
        if (code >= 'A' && code <= 'Z') {
            return code;
        }
        return (key->baseDead ? 0x80000000u : 0u) | key->base;
    }
    default:
        return 0;
    }
}

char* CharNextA(const char* text) {
    auto* at = const_cast<char*>(text);
    if (*at == '\0') return at;
    const auto lead = static_cast<unsigned char>(*at);
    const bool doubleByte = activeCodePage == 932 && ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC));
    // A lead byte at the end of the text is a character of its own.
    return at + (doubleByte && at[1] != '\0' ? 2 : 1);
}

}  // namespace win
