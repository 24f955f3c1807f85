#include "exec/runner.h"

#include "exec/clipboard_buffers.h"
#include "exec/keystrokes.h"
#include "exec/system_actions.h"
#include "store/registry_store.h"

std::int32_t hotKeyCounter = -1;

void ExecuteInstruction(const std::string& macroPath, std::int32_t code) {
    switch (code) {
    case kind::Delay: DelayAction(macroPath); break;
    case kind::Reboot: RebootAction(); break;
    case kind::Shutdown: ShutdownAction(); break;
    case kind::CopyFromClipboard: CopyFromClipboard(macroPath); break;
    case kind::PasteToClipboard: PasteToClipboard(macroPath); break;
    case kind::Time: TypeTime(); break;
    case kind::Date: TypeDate(); break;
    case kind::MessageBox: MessageBoxAction(macroPath); break;
    case kind::Run: RunAction(macroPath); break;
    default: PressKey(macroPath, code); break;
    }
}
