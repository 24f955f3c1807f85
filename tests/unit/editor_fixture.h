// The macro editor on the fake platform: its two list boxes, the keyboard's
// captions and the property dialogs answered from a script, beside the main
// window's lists of macro_fixture.h.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "editor/macro_editor.h"
#include "exec/clipboard_buffers.h"
#include "macro_fixture.h"
#include "test_lines.h"

// Each dialog answers with the values it is given here (or Cancel when
// none), and keeps what it was opened with.
struct ScriptedDialogs final : InstructionDialogs {
    template <typename Values>
    static bool Answer(std::optional<Values>& answer, Values* values, std::vector<Values>* opened) {
        opened->push_back(*values);
        if (!answer) return false;
        *values = *answer;
        return true;
    }
    bool Delay(DelayValues* v) override { return Answer(delay, v, &openedDelay); }
    bool CopyFromClipboard(BufferValues* v) override { return Answer(copy, v, &openedCopy); }
    bool PasteToClipboard(PasteValues* v) override { return Answer(paste, v, &openedPaste); }
    bool MessageBoxProperties(MessageBoxValues* v) override { return Answer(box, v, &openedBox); }
    bool Run(RunValues* v) override { return Answer(run, v, &openedRun); }
    bool SelectRecording(RecordingChoice* v) override { return Answer(recording, v, &openedRecording); }
    bool TypeText(TypeTextValues* v) override { return Answer(typeText, v, &openedTypeText); }

    std::optional<DelayValues> delay;
    std::optional<BufferValues> copy;
    std::optional<PasteValues> paste;
    std::optional<MessageBoxValues> box;
    std::optional<RunValues> run;
    std::optional<RecordingChoice> recording;
    std::optional<TypeTextValues> typeText;
    std::vector<DelayValues> openedDelay;
    std::vector<BufferValues> openedCopy;
    std::vector<PasteValues> openedPaste;
    std::vector<MessageBoxValues> openedBox;
    std::vector<RunValues> openedRun;
    std::vector<RecordingChoice> openedRecording;
    std::vector<TypeTextValues> openedTypeText;
};

class EditorTest : public RunnerTest {
protected:
    void SetUp() override {
        RunnerTest::SetUp();
        clipboardBuffers.clear();
        editorWindow = fake::AddWindow("Keyloom - Add Macro");
    }

    // A new editor over the main window's lists, opened for Add or for the
    // macro in row `editIndex`.
    MacroEditDialog& Open(bool isAdd = true, int editIndex = -1) {
        body = TestLines{};
        commands = TestLines{};
        captions = TestCaptions{};
        editor = std::make_unique<MacroEditDialog>(editorWindow, window, macroList, body, commands, captions, dialogs);
        editor->IsAdd = isAdd;
        editor->EditIndex = editIndex;
        editor->Initialize();
        return *editor;
    }

    // Selects command `code` in the command list and clicks "<---".
    void Command(std::int32_t code) {
        commands.selected = code - kind::FirstCommand;
        editor->InsertCommand();
    }

    // The codes and key flags of the body, line by line.
    std::vector<std::pair<std::int32_t, std::int32_t>> Body() const {
        std::vector<std::pair<std::int32_t, std::int32_t>> out;
        for (const Instruction& i : editor->InstructionList) out.emplace_back(i.id, i.KeyPressed);
        return out;
    }

    win::HWND editorWindow{};
    TestLines body;
    TestLines commands;
    TestCaptions captions;
    ScriptedDialogs dialogs;
    std::unique_ptr<MacroEditDialog> editor;
};
