#include "exec/clipboard_buffers.h"

#include <cstring>

#include "platform/unique_handle.h"
#include "platform/win.h"
#include "store/registry_store.h"

std::vector<ClipboardBuffer> clipboardBuffers;

namespace {

using layout::Field;

// Shown while the clipboard is still open; it is closed after the box.
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

void CopyFromClipboard(RegistryStore::InstructionKey& instruction) {
    std::int32_t index = 0;
    if (!instruction.Read(Field::BufIndex, &index)) return;
    // Another program may hold the clipboard; then there is nothing to do.
    ClipboardScope clipboard(nullptr);
    if (!clipboard.IsOpen()) return;
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
}

void PasteToClipboard(RegistryStore::InstructionKey& instruction) {
    std::int32_t index = 0;
    if (!instruction.Read(Field::BufIndex, &index)) return;
    ClipboardScope clipboard(nullptr);
    if (!clipboard.IsOpen()) return;
    if (!win::EmptyClipboard()) {
        Report("Error removing previous contents of Clip Board!");
        return;
    }
    bool created = false;
    ClipboardBuffer& buffer = FindClipboardBuffer(index, &created);
    // Only a buffer's first use takes the instruction's default text.
    if (created) instruction.Read(Field::DefPasteString, &buffer.bufferText);

    const std::size_t size = buffer.bufferText.size() + 1;
    UniqueGlobal memory(win::GlobalAlloc(win::GMEM_DDESHARE, size));
    if (!memory) {
        Report("Error allocating shared memory!");
        return;
    }
    void* target = win::GlobalLock(memory.get());
    if (!target) {
        Report("Error locking shared memory!");
        return;
    }
    std::memcpy(target, buffer.bufferText.c_str(), size);
    win::SetLastError(0);
    win::GlobalUnlock(memory.get());
    if (win::GetLastError() != 0) {
        Report("Error unlocking shared memory!");
        return;
    }
    // The system owns the memory only once it has taken it.
    if (win::SetClipboardData(win::CF_TEXT, memory.get())) memory.release();
}
