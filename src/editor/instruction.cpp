#include "editor/instruction.h"

#include "editor/key_names.h"

std::int32_t* Instruction::Number(layout::Field field) {
    using layout::Field;
    switch (field) {
    case Field::KeyPressed: return &KeyPressed;
    case Field::DelayInterval: return &DelayInterval;
    case Field::BufIndex: return &BufIndex;
    case Field::PlayBackSpeed: return &PlayBackSpeed;
    case Field::PlayBackEvent: return &PlayBackEvent;
    case Field::ShowStyle: return &ShowStyle;
    case Field::Unelevated: return &Unelevated;
    default: return nullptr;
    }
}

std::string* Instruction::Text(layout::Field field) {
    using layout::Field;
    switch (field) {
    case Field::WindowTitle:
    case Field::FileName: return &Texts[0];
    case Field::MessageBody:
    case Field::Arguments: return &Texts[1];
    case Field::DirName: return &Texts[2];
    case Field::JournalName: return &JournalName;
    case Field::DefPasteString: return &DefPasteString;
    default: return nullptr;
    }
}

std::string InstructionText(const Instruction& instruction, bool fromInsertion) {
    // Properties are appended as they are, never used as a format: a "%"
    // in a name stays a "%".
    const std::string name = InstructionCodeName(instruction.id);
    switch (instruction.id) {
    case kind::Delay: return name + " " + std::to_string(instruction.DelayInterval) + " millisecond(s)";
    case kind::CopyFromClipboard:
    case kind::PasteToClipboard: return name + " ID: " + std::to_string(instruction.BufIndex);
    case kind::PlaybackRecording: return name + (fromInsertion ? ": " : " : ") + instruction.JournalName;
    case kind::Run: return name + " (" + instruction.Texts[0] + ")";
    case kind::Reboot:
    case kind::Shutdown:
    case kind::Pause:
    case kind::Time:
    case kind::Date:
    case kind::MessageBox: return name;
    default: return name + (instruction.KeyPressed == 0 ? " (Down)" : " (Up)");
    }
}
