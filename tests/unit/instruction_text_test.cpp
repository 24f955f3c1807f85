#include <gtest/gtest.h>

#include "editor/instruction.h"
#include "platform/fake/fake.h"

namespace {

Instruction Of(std::int32_t code) { return Instruction(code); }

TEST(InstructionTextTest, EachKindShowsItsNameAndOneProperty) {
    fake::UseLayout(fake::Layout::Us);
    Instruction release('A');
    release.KeyPressed = 1;  // not written by the editor: a release all the same
    Instruction delay(kind::Delay);
    Instruction paste(kind::PasteToClipboard);
    paste.BufIndex = -1;
    Instruction playback(kind::PlaybackRecording);
    playback.JournalName = "100% login";
    Instruction run(kind::Run);
    Instruction box(kind::MessageBox);
    box.Texts = {"title", "body", ""};
    const std::pair<Instruction, std::string> cases[] = {
        {Of('A'), "aA (Down)"},  {release, "aA (Up)"},         {Of(0x88), " (Down)"},
        {Of(0x13), "PAUSE (Down)"}, {Of(kind::Pause), "PAUSE"}, {delay, "DELAY 0 millisecond(s)"},
        {paste, "PASTE TO CLIP BOARD ID: -1"}, {run, "RUN ()"}, {box, "MESSAGE BOX"}, {Of(kind::Date), "DATE"},
    };
    for (const auto& [instruction, text] : cases) EXPECT_EQ(InstructionText(instruction, true), text);
    EXPECT_EQ(InstructionText(playback, true), "PLAYBACK RECORDING: 100% login");
    EXPECT_EQ(InstructionText(playback, false), "PLAYBACK RECORDING : 100% login");
}

}  // namespace
