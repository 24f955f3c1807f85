// Numbered text buffers that macros fill from the clipboard and put back on
// it. They live in memory only and are shared by every macro.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/registry_store.h"

struct ClipboardBuffer {
    std::int32_t bufferIndex;
    std::string bufferText;
};

// In order of first use; entries are never removed while the program runs.
extern std::vector<ClipboardBuffer> clipboardBuffers;

// The buffer with that number, appended empty when there is none yet.
// `created` tells which of the two happened.
ClipboardBuffer& FindClipboardBuffer(std::int32_t index, bool* created = nullptr);

// Executors of the two clipboard instructions, reading through the key the
// runner opened.
void CopyFromClipboard(RegistryStore::InstructionKey& instruction);
void PasteToClipboard(RegistryStore::InstructionKey& instruction);
