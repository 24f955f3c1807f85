// The main window's end of the channel for Export and Import over any
// bytes: an export of any name, an import of any file (valid ones mutated
// from the kept corpus), and raw blocks of those kinds. Nothing crashes, no
// box is shown, no key is left open, every answer sent parses, and an
// import that is not carried out writes nothing.
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
    const std::uint8_t mode = in.Byte() % 3;
    std::vector<std::uint8_t> block;
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
    } else {
        // A block as any program may send it, of one of the two kinds.
        block = in.Rest();
        if (block.size() >= 8) block[6] = static_cast<std::uint8_t>(4 + (block[6] & 1));
    }
    const auto before = fake::Tree("Software\\Tallow Labs\\Keyloom");
    win::COPYDATASTRUCT copy{channel::kCopyDataTag, static_cast<win::DWORD>(block.size()), block.data()};
    channel::Status status{};
    if (!channel::StatusFromResult(dialog.OnCopyData(&copy), &status)) __builtin_trap();
    const bool imported = mode == 1 && (status == channel::Status::Ok || status == channel::Status::Failed);
    if (!imported && fake::Tree("Software\\Tallow Labs\\Keyloom") != before) __builtin_trap();
    if (!fake::MessageBoxes().empty() || fake::OpenKeyCount() != 0) __builtin_trap();
    for (const fake::SentMessage& sent : fake::SentMessages()) {
        channel::Answer answer;
        if (!channel::ParseAnswer(sent.copyData.data(), sent.copyData.size(), &answer)) __builtin_trap();
        std::vector<channel::ReportLine> report;
        if (mode == 1 && !channel::ParseReport(answer.payload, &report)) __builtin_trap();
    }
    return 0;
}
