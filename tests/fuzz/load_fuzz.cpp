// The editor's load over any stored macro tree: every body line shows the
// instruction kept beside it, and no key is left open.
#include "editor/macro_editor.h"
#include "exec/clipboard_buffers.h"
#include "test_lines.h"
#include "test_rows.h"
#include "fuzz_input.h"
#include "store/registry_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FreshFakeStore();
    FuzzInput in(data, size);
    StoreFuzzedTree(in);
    clipboardBuffers.clear();
    const win::HWND window = fake::AddWindow("Keyloom");
    TestRows macros;
    macros.AppendRow("F");
    TestLines body, commands;
    TestCaptions captions;
    CancelledDialogs dialogs;
    MacroEditDialog editor(window, window, macros, body, commands, captions, dialogs);
    editor.IsAdd = false;
    editor.EditIndex = 0;
    editor.Initialize();
    if (body.lines.size() != editor.InstructionList.size()) __builtin_trap();
    for (std::size_t i = 0; i < body.lines.size(); ++i)
        if (body.lines[i] != InstructionText(editor.InstructionList[i], false)) __builtin_trap();
    if (fake::OpenKeyCount() != 0) __builtin_trap();
    return 0;
}
