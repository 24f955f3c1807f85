#include "exec/runner.h"

#include <algorithm>
#include <vector>

#include "exec/clipboard_buffers.h"
#include "exec/keystrokes.h"
#include "exec/system_actions.h"
#include "store/registry_store.h"

std::int32_t hotKeyCounter = -1;

namespace {

// Few entries, and only after a store fault at start-up.
std::vector<std::string> staleIds;

}  // namespace

void MarkStaleId(const std::string& macroName) {
    if (!HasStaleId(macroName)) staleIds.push_back(macroName);
}

bool HasStaleId(const std::string& macroName) {
    return std::find(staleIds.begin(), staleIds.end(), macroName) != staleIds.end();
}

void ForgetStaleId(const std::string& macroName) { std::erase(staleIds, macroName); }

void ForgetAllStaleIds() { staleIds.clear(); }

bool ExecuteInstruction(RegistryStore::InstructionKey& instruction, std::int32_t code) {
    switch (code) {
    case kind::Delay: DelayAction(instruction); break;
    case kind::Reboot: RebootAction(); break;
    case kind::Shutdown: ShutdownAction(); break;
    case kind::CopyFromClipboard: CopyFromClipboard(instruction); break;
    case kind::PasteToClipboard: PasteToClipboard(instruction); break;
    case kind::Time: TypeTime(); break;
    case kind::Date: TypeDate(); break;
    case kind::MessageBox: MessageBoxAction(instruction); break;
    case kind::Run: RunAction(instruction); break;
    case kind::TypeText: return TypeTextAction(instruction);
    default: PressKey(instruction, code); break;
    }
    return true;
}
