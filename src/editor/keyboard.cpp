#include "editor/keyboard.h"

#include <algorithm>
#include <array>

#include "platform/win.h"

namespace {

using namespace win;

// Rows start at 121, 138, 155, 172, 189, 206 and 223; the main block at 8,
// the navigation block's columns at 288, 315 and 342, the keypad's at 376,
// 395, 414 and 433.
constexpr std::array<KeyButton, 113> kButtons{{
    {1005, "Esc", nullptr, VK_ESCAPE, 0, 8, 121, 15, 13},
    {1016, "F1", nullptr, VK_F1, 0, 32, 121, 15, 13},
    {1017, "F2", nullptr, VK_F1 + 1, 0, 48, 121, 15, 13},
    {1018, "F3", nullptr, VK_F1 + 2, 0, 64, 121, 15, 13},
    {1019, "F4", nullptr, VK_F1 + 3, 0, 80, 121, 15, 13},
    {1020, "F5", nullptr, VK_F1 + 4, 0, 102, 121, 15, 13},
    {1021, "F6", nullptr, VK_F1 + 5, 0, 118, 121, 15, 13},
    {1022, "F7", nullptr, VK_F1 + 6, 0, 134, 121, 15, 13},
    {1023, "F8", nullptr, VK_F1 + 7, 0, 150, 121, 15, 13},
    {1024, "F9", nullptr, VK_F1 + 8, 0, 172, 121, 15, 13},
    {1026, "F10", nullptr, VK_F1 + 9, 0, 188, 121, 15, 13},
    {1027, "F11", nullptr, VK_F1 + 10, 0, 204, 121, 15, 13},
    {1028, "F12", nullptr, VK_F1 + 11, 0, 220, 121, 15, 13},
    {1046, "PrtSc", nullptr, VK_SNAPSHOT, 0, 288, 121, 26, 13},
    {1089, "ScrLk", nullptr, VK_SCROLL, 0, 315, 121, 26, 13},
    {1090, "Pause", nullptr, VK_PAUSE, 0, 342, 121, 26, 13},
    {1029, "F13", nullptr, VK_F1 + 12, 0, 32, 138, 15, 13},
    {1030, "F14", nullptr, VK_F1 + 13, 0, 48, 138, 15, 13},
    {1031, "F15", nullptr, VK_F1 + 14, 0, 64, 138, 15, 13},
    {1032, "F16", nullptr, VK_F1 + 15, 0, 80, 138, 15, 13},
    {1033, "F17", nullptr, VK_F1 + 16, 0, 102, 138, 15, 13},
    {1034, "F18", nullptr, VK_F1 + 17, 0, 118, 138, 15, 13},
    {1025, "F19", nullptr, VK_F1 + 18, 0, 134, 138, 15, 13},
    {1035, "F20", nullptr, VK_F1 + 19, 0, 150, 138, 15, 13},
    {1036, "F21", nullptr, VK_F1 + 20, 0, 172, 138, 15, 13},
    {1037, "F22", nullptr, VK_F1 + 21, 0, 188, 138, 15, 13},
    {1038, "F23", nullptr, VK_F1 + 22, 0, 204, 138, 15, 13},
    {1039, "F24", nullptr, VK_F1 + 23, 0, 220, 138, 15, 13},
    {1043, "`", "~", 0, '`', 8, 155, 15, 13},
    {1006, "1", "!", '1', 0, 24, 155, 15, 13},
    {1007, "2", "@", '2', 0, 40, 155, 15, 13},
    {1008, "3", "#", '3', 0, 56, 155, 15, 13},
    {1009, "4", "$", '4', 0, 72, 155, 15, 13},
    {1010, "5", "%", '5', 0, 88, 155, 15, 13},
    {1011, "6", "^", '6', 0, 104, 155, 15, 13},
    {1012, "7", "&", '7', 0, 120, 155, 15, 13},
    {1013, "8", "*", '8', 0, 136, 155, 15, 13},
    {1014, "9", "(", '9', 0, 152, 155, 15, 13},
    {1015, "0", ")", '0', 0, 168, 155, 15, 13},
    {1040, "-", "_", 0, '-', 184, 155, 15, 13},
    {1041, "=", "+", 0, '=', 200, 155, 15, 13},
    {1042, "Backspace", nullptr, VK_BACK, 0, 216, 155, 41, 13},
    {1091, "Insert", nullptr, VK_INSERT, 0, 288, 155, 26, 13},
    {1092, "Home", nullptr, VK_HOME, 0, 315, 155, 26, 13},
    {1093, "PgUp", nullptr, VK_PRIOR, 0, 342, 155, 26, 13},
    {1101, "Num", nullptr, VK_NUMLOCK, 0, 376, 155, 17, 13},
    {1102, "/", nullptr, VK_DIVIDE, 0, 395, 155, 17, 13},
    {1103, "*", nullptr, VK_MULTIPLY, 0, 414, 155, 17, 13},
    {1104, "-", nullptr, VK_SUBTRACT, 0, 433, 155, 17, 13},
    {1048, "Tab", nullptr, VK_TAB, 0, 8, 172, 28, 13},
    {1044, "q", "Q", 'Q', 0, 37, 172, 15, 13},
    {1050, "w", "W", 'W', 0, 53, 172, 15, 13},
    {1051, "e", "E", 'E', 0, 69, 172, 15, 13},
    {1052, "r", "R", 'R', 0, 85, 172, 15, 13},
    {1053, "t", "T", 'T', 0, 101, 172, 15, 13},
    {1054, "y", "Y", 'Y', 0, 117, 172, 15, 13},
    {1055, "u", "U", 'U', 0, 133, 172, 15, 13},
    {1056, "i", "I", 'I', 0, 149, 172, 15, 13},
    {1057, "o", "O", 'O', 0, 165, 172, 15, 13},
    {1058, "p", "P", 'P', 0, 181, 172, 15, 13},
    {1059, "[", "{", 0, '[', 197, 172, 15, 13},
    {1060, "]", "}", 0, ']', 213, 172, 15, 13},
    {1049, "\\", "|", 0, '\\', 229, 172, 28, 13},
    {1094, "Del", nullptr, VK_DELETE, 0, 288, 172, 26, 13},
    {1095, "End", nullptr, VK_END, 0, 315, 172, 26, 13},
    {1096, "PgDn", nullptr, VK_NEXT, 0, 342, 172, 26, 13},
    {1105, "7", nullptr, VK_NUMPAD0 + 7, 0, 376, 172, 17, 13},
    {1106, "8", nullptr, VK_NUMPAD0 + 8, 0, 395, 172, 17, 13},
    {1107, "9", nullptr, VK_NUMPAD9, 0, 414, 172, 17, 13},
    {1108, "+", nullptr, VK_ADD, 0, 433, 172, 17, 30},
    {1061, "Caps Lock", nullptr, VK_CAPITAL, 0, 8, 189, 38, 13},
    {1045, "a", "A", 'A', 0, 47, 189, 15, 13},
    {1063, "s", "S", 'S', 0, 63, 189, 15, 13},
    {1064, "d", "D", 'D', 0, 79, 189, 15, 13},
    {1065, "f", "F", 'F', 0, 95, 189, 15, 13},
    {1066, "g", "G", 'G', 0, 111, 189, 15, 13},
    {1067, "h", "H", 'H', 0, 127, 189, 15, 13},
    {1068, "j", "J", 'J', 0, 143, 189, 15, 13},
    {1069, "k", "K", 'K', 0, 159, 189, 15, 13},
    {1070, "l", "L", 'L', 0, 175, 189, 15, 13},
    {1071, ";", ":", 0, ';', 191, 189, 15, 13},
    {1072, "'", "\"", 0, '\'', 207, 189, 15, 13},
    {1062, "Enter", nullptr, VK_RETURN, 0, 223, 189, 37, 13},
    {1109, "4", nullptr, VK_NUMPAD0 + 4, 0, 376, 189, 17, 13},
    {1110, "5", nullptr, VK_NUMPAD0 + 5, 0, 395, 189, 17, 13},
    {1111, "6", nullptr, VK_NUMPAD0 + 6, 0, 414, 189, 17, 13},
    {1073, "Shift", nullptr, VK_SHIFT, 0, 8, 206, 45, 13},
    {1047, "z", "Z", 'Z', 0, 54, 206, 15, 13},
    {1075, "x", "X", 'X', 0, 70, 206, 15, 13},
    {1076, "c", "C", 'C', 0, 86, 206, 15, 13},
    {1077, "v", "V", 'V', 0, 102, 206, 15, 13},
    {1078, "b", "B", 'B', 0, 118, 206, 15, 13},
    {1079, "n", "N", 'N', 0, 134, 206, 15, 13},
    {1080, "m", "M", 'M', 0, 150, 206, 15, 13},
    {1081, ",", "<", 0, ',', 166, 206, 15, 13},
    {1082, ".", ">", 0, '.', 182, 206, 15, 13},
    {1083, "/", "?", 0, '/', 198, 206, 15, 13},
    {1074, "Shift", nullptr, VK_SHIFT, 0, 214, 206, 45, 13},
    {1100, "^", nullptr, VK_UP, 0, 315, 206, 26, 13},
    {1112, "1", nullptr, VK_NUMPAD0 + 1, 0, 376, 206, 17, 13},
    {1113, "2", nullptr, VK_NUMPAD0 + 2, 0, 395, 206, 17, 13},
    {1114, "3", nullptr, VK_NUMPAD0 + 3, 0, 414, 206, 17, 13},
    {1117, "Ent.", nullptr, VK_RETURN, 0, 433, 206, 17, 30},
    {1084, "Ctrl", nullptr, VK_CONTROL, 0, 8, 223, 28, 13},
    {1086, "Alt", nullptr, VK_MENU, 0, 37, 223, 28, 13},
    {1088, "Space", nullptr, VK_SPACE, 0, 66, 223, 156, 13},
    {1087, "Alt", nullptr, VK_MENU, 0, 223, 223, 28, 13},
    {1085, "Ctrl", nullptr, VK_CONTROL, 0, 252, 223, 28, 13},
    {1097, "<", nullptr, VK_LEFT, 0, 288, 223, 26, 13},
    {1098, "v", nullptr, VK_DOWN, 0, 315, 223, 26, 13},
    {1099, ">", nullptr, VK_RIGHT, 0, 342, 223, 26, 13},
    {1115, "0", nullptr, VK_NUMPAD0, 0, 376, 223, 37, 13},
    {1116, ".", nullptr, VK_DECIMAL, 0, 414, 223, 17, 13},
}};

}  // namespace

std::span<const KeyButton> KeyboardButtons() { return kButtons; }

const KeyButton* FindKeyButton(int id) {
    const auto it = std::find_if(kButtons.begin(), kButtons.end(), [&](const KeyButton& b) { return b.id == id; });
    return it == kButtons.end() ? nullptr : &*it;
}

std::int32_t KeyCodeOf(const KeyButton& button) {
    if (button.layoutCharacter == 0) return button.code;
    return static_cast<std::int32_t>(static_cast<win::WORD>(win::VkKeyScanA(button.layoutCharacter)) & 0xFFu);
}

bool IsShiftButton(const KeyButton& button) { return button.code == win::VK_SHIFT; }
