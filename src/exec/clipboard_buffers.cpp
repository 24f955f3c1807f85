#include "exec/clipboard_buffers.h"

#include <cstring>

#include "platform/win.h"
#include "store/registry_store.h"

std::vector<ClipboardBuffer> clipboardBuffers;

namespace {

void Report(const char* text) { win::MessageBoxA(nullptr, text, "Keyloom", win::MB_OK | win::MB_ICONWARNING); }

}  // namespace

ClipboardBuffer& FindClipboardBuffer(std::int32_t index, bool* created) {
    for (ClipboardBuffer& buffer : clipboardBuffers) {
        if (buffer.bufferIndex == index) {
            if (created) *created = false;
            return buffer;
        }
    }
    if (created) *created = true;
    return clipboardBuffers.emplace_back(ClipboardBuffer{index, std::string()});
}

void CopyFromClipboard(const std::string& macroPath) {
    std::int32_t index = 0;
    if (!RegistryStore::ReadDword("\\Macros\\" + macroPath, "BufIndex", &index)) return;
    // Another program may hold the clipboard; then there is nothing to do.
    if (!win::OpenClipboard(nullptr)) return;
    ClipboardBuffer& buffer = FindClipboardBuffer(index);
    if (win::HANDLE data = win::GetClipboardData(win::CF_TEXT); !data) {
        Report("Error retrieving data from Clip Board!");
    } else if (const void* text = win::GlobalLock(data); !text) {
        Report("Error locking data retrieved from Clip Board!");
    } else {
        buffer.bufferText = static_cast<const char*>(text);
        // GlobalUnlock leaves the last error alone when it succeeds, so an
        // older error must not be taken for its failure.
        win::SetLastError(0);
        win::GlobalUnlock(data);
        if (win::GetLastError() != 0) Report("Error unlocking data retrieved from Clip Board!");
    }
    win::CloseClipboard();
}

void PasteToClipboard(const std::string& macroPath) {
    std::int32_t index = 0;
    if (!RegistryStore::ReadDword("\\Macros\\" + macroPath, "BufIndex", &index)) return;
    if (!win::OpenClipboard(nullptr)) return;
    if (!win::EmptyClipboard()) {
        Report("Error removing previous contents of Clip Board!");
        win::CloseClipboard();
        return;
    }
    bool created = false;
    ClipboardBuffer& buffer = FindClipboardBuffer(index, &created);
    // Only a buffer's first use takes the instruction's default text.
    if (created) RegistryStore::ReadMacroString(macroPath, "DefPasteString", &buffer.bufferText);

    const std::size_t size = buffer.bufferText.size() + 1;
    win::HGLOBAL memory = win::GlobalAlloc(win::GMEM_DDESHARE, size);
    if (!memory) {
        Report("Error allocating shared memory!");
        win::CloseClipboard();
        return;
    }
    void* target = win::GlobalLock(memory);
    if (!target) {
        Report("Error locking shared memory!");
        win::GlobalFree(memory);
        win::CloseClipboard();
        return;
    }
    std::memcpy(target, buffer.bufferText.c_str(), size);
    win::SetLastError(0);
    win::GlobalUnlock(memory);
    if (win::GetLastError() != 0) {
        Report("Error unlocking shared memory!");
        win::GlobalFree(memory);
        win::CloseClipboard();
        return;
    }
    // The system owns the memory only once it has taken it.
    if (!win::SetClipboardData(win::CF_TEXT, memory)) win::GlobalFree(memory);
    win::CloseClipboard();
}
