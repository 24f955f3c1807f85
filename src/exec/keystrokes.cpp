#include "exec/keystrokes.h"

#include "exec/message_wait.h"
#include "input/held_input.h"
#include "input/unicode_text.h"
#include "platform/win.h"
#include "store/message_text.h"
#include "store/registry_store.h"

namespace {

// keybd_event takes the key as a byte: a larger code goes out as its low
// byte, with the scan code the layout gives for the whole code.
void SendKey(win::UINT code, win::DWORD flags) {
    const auto scanCode = static_cast<win::BYTE>(win::MapVirtualKeyA(code, win::MAPVK_VK_TO_VSC));
    input::SendKeyEvent(static_cast<win::BYTE>(code & 0xFFu), scanCode, flags, input::Owner::Macro);
}

}  // namespace

void PressKey(RegistryStore::InstructionKey& instruction, std::int32_t code) {
    std::int32_t flags = 0;
    if (!instruction.Read(layout::Field::KeyPressed, &flags)) return;
    SendKey(static_cast<win::UINT>(code), static_cast<win::DWORD>(flags));
}

bool TypeTextAction(RegistryStore::InstructionKey& instruction) {
    std::u16string text;
    if (!instruction.Read(layout::Field::Text, &text)) return false;
    // Typing can take a while; the macro's key is not held open meanwhile.
    instruction.Close();
    // Messages are served between batches, so that the stop key, keyloomc
    // stop and Shutdown end a long text there; the run then ends as they
    // say, without a word from here.
    if (input::TypeUnicodeText(text, input::Owner::Macro, &exec::ServeMessagesNow) != input::Typed::Cut) return true;
    ShowWarning(nullptr, "Unable to type the whole text: the system stopped taking input.");
    return false;
}

void TypeText(const std::string& text) {
    for (char character : text) {
        const auto scan = static_cast<win::WORD>(win::VkKeyScanA(character));
        const win::UINT virtualKey = scan & 0xFFu;
        const bool shift = (scan >> 8) & 1u;
        if (shift) SendKey(win::VK_SHIFT, 0);
        SendKey(virtualKey, 0);
        SendKey(virtualKey, win::KEYEVENTF_KEYUP);
        if (shift) SendKey(win::VK_SHIFT, win::KEYEVENTF_KEYUP);
    }
}
