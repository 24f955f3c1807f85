#include "editor/instruction.h"

#include "editor/key_names.h"
#include "platform/win.h"

namespace {

// The text's first 40 characters (a surrogate pair is one), each line
// break (CR LF, or a CR or LF alone) one space, and "..." when cut.
std::u16string TypedTextShown(const std::u16string& text) {
    constexpr int kShown = 40;
    std::u16string shown;
    std::size_t i = 0;
    for (int characters = 0; i < text.size() && characters < kShown; ++characters) {
        const char16_t unit = text[i];
        if (unit == u'\r' || unit == u'\n') {
            shown.push_back(u' ');
            i += unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
            continue;
        }
        shown.push_back(unit);
        ++i;
        if (unit >= 0xD800 && unit <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
            shown.push_back(text[i++]);
    }
    if (i < text.size()) shown += u"...";
    return shown;
}

// The list box shows ANSI text: a character the code page lacks shows as
// "?".
std::string Ansi(const std::u16string& text) {
    if (text.empty()) return {};
    const std::wstring wide(text.begin(), text.end());
    const int length = win::WideCharToMultiByte(win::CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr,
                                                0, nullptr, nullptr);
    if (length <= 0) return std::string(text.size(), '?');
    std::string out(static_cast<std::size_t>(length), '\0');
    if (win::WideCharToMultiByte(win::CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), out.data(), length,
                                 nullptr, nullptr) != length)
        return std::string(text.size(), '?');
    return out;
}

}  // namespace

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
    case kind::TypeText: return name + ": " + Ansi(TypedTextShown(instruction.TypedText));
    case kind::Reboot:
    case kind::Shutdown:
    case kind::Pause:
    case kind::Time:
    case kind::Date:
    case kind::MessageBox: return name;
    default: return name + (instruction.KeyPressed == 0 ? " (Down)" : " (Up)");
    }
}
