// Reading a fuzzer's bytes as the values a target needs, and the stored
// trees that the runner and the editor's load are fuzzed over: a macro
// with gaps between its instructions, codes of every kind and of none, and
// values missing, of the wrong type or of any size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/fake/fake.h"
#include "store/layout.h"
#include "store/registry_store.h"

// Each case starts on a fresh fake system with the store's tree, and every
// box the program shows is answered OK.
inline void FreshFakeStore() {
    fake::Reset();
    fake::OnMessageBox([](const fake::MessageBoxRecord&) { return win::IDOK; });
    RegistryStore::EnsureStoreTree();
}

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t Word() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return value;
    }
    std::vector<std::uint8_t> Bytes(std::size_t count) {
        std::vector<std::uint8_t> out;
        while (count-- > 0 && !Empty()) out.push_back(Byte());
        return out;
    }
    std::string Text(std::size_t longest) {
        const auto bytes = Bytes(Byte() % (longest + 1));
        return std::string(bytes.begin(), bytes.end());
    }
    // The rest of the input.
    std::vector<std::uint8_t> Rest() { return Bytes(size_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

inline const std::string kFuzzMacros = layout::MacrosFullPath() + "\\";
inline const std::string kFuzzJournals = layout::JournalsFullPath() + "\\";

// A value as it may be found: missing, a DWORD, a text, or bytes of any
// size and type.
inline void StoreAnyValue(FuzzInput& in, const std::string& key, const std::string& name) {
    switch (in.Byte() % 5) {
    case 0: break;
    case 1:
    case 2: fake::SetDword(key, name, in.Word()); break;
    case 3: fake::SetString(key, name, in.Text(12)); break;
    default: fake::SetValue(key, name, in.Byte() % 8, in.Bytes(in.Byte() % 9)); break;
    }
}

// Macro "F" (hot key Ctrl+F) and recording "R" made from the input.
inline void StoreFuzzedTree(FuzzInput& in) {
    const std::string macro = kFuzzMacros + "F";
    fake::SetDword(macro, layout::kHotKeyVk, 'F');
    fake::SetDword(macro, layout::kHotKeyModifiers, 2);
    fake::CreateKey(macro + "\\Commands");
    static constexpr std::int32_t kCodes[] = {
        'A', 0x10, 0x13, 0x88, 0xFF, 0, -1, 0x2000, kind::Delay, kind::Reboot, kind::Shutdown,
        kind::CopyFromClipboard, kind::PasteToClipboard, kind::PlaybackRecording, kind::Pause, kind::Time,
        kind::Date, kind::MessageBox, kind::Run, kind::TypeText};
    static constexpr layout::Field kFields[] = {
        layout::Field::KeyPressed,  layout::Field::DelayInterval, layout::Field::BufIndex,
        layout::Field::DefPasteString, layout::Field::JournalName, layout::Field::PlayBackSpeed,
        layout::Field::PlayBackEvent, layout::Field::WindowTitle, layout::Field::MessageBody,
        layout::Field::FileName,   layout::Field::Arguments,     layout::Field::DirName,
        layout::Field::ShowStyle,  layout::Field::Text};
    const int count = in.Byte() % 24;
    for (int n = 0; n < count && !in.Empty(); ++n) {
        const std::string key = macro + "\\Commands\\" + std::to_string(n + (in.Byte() % 8 == 0 ? 1 : 0));
        const std::uint8_t choice = in.Byte();
        const auto code = choice < 240 ? kCodes[choice % std::size(kCodes)] : static_cast<std::int32_t>(in.Word());
        if (in.Byte() % 16 == 0)
            StoreAnyValue(in, key, layout::kId);  // a code of the wrong type or size
        else
            fake::SetDword(key, layout::kId, static_cast<std::uint32_t>(code));
        for (layout::Field field : kFields) {
            // Mostly a value of its own type, sometimes anything.
            if (in.Byte() % 4 == 0) {
                StoreAnyValue(in, key, layout::NameOf(field));
            } else if (layout::TypeOf(field) == layout::ValueType::UnicodeText) {
                // UTF-16 bytes as a program may have written them: any
                // units, an odd count, no NUL.
                fake::SetWideValue(key, layout::NameOf(field), win::REG_SZ, in.Bytes(in.Byte()));
            } else if (layout::TypeOf(field) == layout::ValueType::Dword) {
                // Delays stay short enough for the fake's clock alone.
                const std::uint32_t value = in.Word();
                fake::SetDword(key, layout::NameOf(field), field == layout::Field::DelayInterval ? value % 5000 : value);
            } else {
                fake::SetString(key, layout::NameOf(field), field == layout::Field::JournalName && in.Byte() % 2 ? "R"
                                                                                                          : in.Text(8));
            }
        }
    }
    const std::string recording = kFuzzJournals + "R";
    StoreAnyValue(in, recording, layout::kChunkCount);
    fake::SetDword(recording, layout::kRecordingType, in.Byte() % 5);
    for (int chunk = 0; chunk < 3; ++chunk)
        if (in.Byte() % 2) fake::SetValue(recording, layout::ChunkName(chunk), 3, in.Bytes(in.Byte() * 2));
}
