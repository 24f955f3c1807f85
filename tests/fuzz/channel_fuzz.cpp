// The main window's end of the channel for Export and Import over any
// bytes: an export of any name, an import of any file (valid ones mutated
// from the kept corpus) whole or in pieces that may be spoiled, and raw
// blocks of those kinds. Nothing crashes, no box is shown, no key is left
// open, every answer sent parses, an import that is not carried out writes
// nothing, pieces as keyloomc sends them are all taken, and nothing of a
// file is held after its Import.
#include <algorithm>

#include "app/main_dialog.h"
#include "common/command_channel.h"
#include "fuzz_input.h"
#include "platform/fake/fake_windows.h"
#include "test_rows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FreshFakeStore();
    fake::SetDword(kFuzzMacros + "Base", "vk", 'B');
    fake::SetDword(kFuzzMacros + "Base", "fsModifiers", 2);
    fake::CreateKey(kFuzzMacros + "Base\\Commands");
    fake::SetDword(kFuzzJournals + "Take", "Count", 0);
    fake::SetDword(kFuzzJournals + "Take", "Type", 1);
    const win::HWND window = fake::AddWindow("Keyloom");
    const win::HWND answerWindow = fake::AddOtherWindow("", 0x77);
    fake::SetWindowClass(answerWindow, channel::kAnswerWindowClass);
    TestRows macros, recordings;
    MainDialog dialog(window, macros, recordings);
    dialog.InitializeContent();
    fake::ClearMessageBoxes();

    FuzzInput in(data, size);
    const std::uint8_t mode = in.Byte() % 4;
    std::vector<std::uint8_t> block;
    std::vector<std::vector<std::uint8_t>> pieces;
    bool spoiled = false;
    channel::Request request;
    request.answerWindow = reinterpret_cast<std::uintptr_t>(answerWindow);
    if (mode == 0) {
        request.command = channel::Command::Export;
        for (std::uint8_t byte : in.Bytes(in.Byte() % 8)) request.name.push_back(static_cast<char16_t>(byte));
        block = channel::EncodeRequest(request);
    } else if (mode == 1) {
        request.command = channel::Command::Import;
        request.payload = in.Rest();
        block = channel::EncodeRequest(request);
    } else if (mode == 2) {
        // A block as any program may send it, of one of the three kinds.
        block = in.Rest();
        if (block.size() >= 8) block[6] = static_cast<std::uint8_t>(4 + block[6] % 3);
    } else {
        // Pieces of a size the input picks; the input may number one wrong,
        // declare another total in one or drop the last.
        const std::size_t step = 1 + in.Byte() % 64;
        const std::uint8_t spoil = in.Byte();
        const std::size_t spoiledAt = in.Byte() % 8;
        const std::vector<std::uint8_t> file = in.Rest();
        const std::size_t count = file.empty() ? 1 : (file.size() + step - 1) / step;
        spoiled = (spoil & 7) != 0 && spoiledAt < count;
        request.command = channel::Command::ImportPiece;
        for (std::size_t sequence = 0; sequence < count; ++sequence) {
            const std::size_t from = sequence * step, to = std::min(file.size(), from + step);
            std::uint32_t number = static_cast<std::uint32_t>(sequence);
            std::uint32_t total = static_cast<std::uint32_t>(file.size());
            if (spoiled && sequence == spoiledAt) {
                if (spoil & 1) number += 1 + spoil % 3;
                if (spoil & 2) total += 1;
                if (spoil & 4) break;
            }
            request.payload.clear();
            for (int i = 0; i < 4; ++i) request.payload.push_back(static_cast<std::uint8_t>(number >> (8 * i)));
            for (int i = 0; i < 4; ++i) request.payload.push_back(static_cast<std::uint8_t>(total >> (8 * i)));
            request.payload.insert(request.payload.end(), file.begin() + static_cast<std::ptrdiff_t>(std::min(from, to)),
                                   file.begin() + static_cast<std::ptrdiff_t>(to));
            pieces.push_back(channel::EncodeRequest(request));
        }
        request.command = channel::Command::Import;
        request.payload.clear();
        block = channel::EncodeRequest(request);
    }
    const auto before = fake::Tree("Software\\Tallow Labs\\Keyloom");
    for (std::vector<std::uint8_t>& piece : pieces) {
        win::COPYDATASTRUCT copy{channel::kCopyDataTag, static_cast<win::DWORD>(piece.size()), piece.data()};
        channel::Status taken{};
        if (!channel::StatusFromResult(dialog.OnCopyData(&copy), &taken)) __builtin_trap();
        if (!spoiled && taken != channel::Status::Ok) __builtin_trap();
    }
    if (fake::Tree("Software\\Tallow Labs\\Keyloom") != before) __builtin_trap();
    win::COPYDATASTRUCT copy{channel::kCopyDataTag, static_cast<win::DWORD>(block.size()), block.data()};
    channel::Status status{};
    if (!channel::StatusFromResult(dialog.OnCopyData(&copy), &status)) __builtin_trap();
    if (dialog.HeldImportBytes() != 0 && mode == 3) __builtin_trap();
    const bool imported = (mode == 1 || mode == 3) && (status == channel::Status::Ok || status == channel::Status::Failed);
    if (!imported && fake::Tree("Software\\Tallow Labs\\Keyloom") != before) __builtin_trap();
    if (!fake::MessageBoxes().empty() || fake::OpenKeyCount() != 0) __builtin_trap();
    for (const fake::SentMessage& sent : fake::SentMessages()) {
        channel::Answer answer;
        if (!channel::ParseAnswer(sent.copyData.data(), sent.copyData.size(), &answer)) __builtin_trap();
        std::vector<channel::ReportLine> report;
        if ((mode == 1 || mode == 3) && !channel::ParseReport(answer.payload, &report)) __builtin_trap();
    }
    return 0;
}
