// One instruction of a macro body as the editor holds it: a value with one
// field per stored value, named as the values are (store/layout.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "store/layout.h"

struct Instruction {
    explicit Instruction(std::int32_t code = 0) : id(code) {}

    // MESSAGE BOX: "WindowTitle", "MessageBody". RUN: "FileName",
    // "Arguments", "DirName".
    std::array<std::string, 3> Texts;
    std::int32_t ShowStyle = 0;
    std::int32_t Unelevated = 0;  // RUN: 1 starts the program with the user's normal rights
    std::int32_t PlayBackEvent = 0;
    std::int32_t PlayBackSpeed = 0;
    std::string JournalName;
    std::int32_t BufIndex = 0;
    std::int32_t DelayInterval = 0;
    std::string DefPasteString;
    std::int32_t KeyPressed = 0;  // 0 press, 2 release
    std::u16string TypedText;     // TYPE TEXT: "Text", line breaks as CR LF
    std::int32_t id;

    // The field that holds a stored value; null when the value is of the
    // other type.
    std::int32_t* Number(layout::Field field);
    std::string* Text(layout::Field field);
    const std::int32_t* Number(layout::Field field) const { return const_cast<Instruction*>(this)->Number(field); }
    const std::string* Text(layout::Field field) const { return const_cast<Instruction*>(this)->Text(field); }
    std::u16string* UnicodeText(layout::Field field) { return field == layout::Field::Text ? &TypedText : nullptr; }
    const std::u16string* UnicodeText(layout::Field field) const {
        return const_cast<Instruction*>(this)->UnicodeText(field);
    }

    bool operator==(const Instruction&) const = default;
};

inline constexpr std::int32_t kKeyDown = 0;
inline constexpr std::int32_t kKeyUp = 2;  // KEYEVENTF_KEYUP

// The text of an instruction's line in the macro body. A PLAYBACK RECORDING
// just inserted reads "PLAYBACK RECORDING: name"; once its properties have
// been changed, or when it is loaded, "PLAYBACK RECORDING : name". A TYPE
// TEXT line shows the text's first characters in the ANSI code page.
std::string InstructionText(const Instruction& instruction, bool fromInsertion);
