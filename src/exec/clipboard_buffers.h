// Numbered text buffers that macros fill from the clipboard and put back on
// it. They live in memory only and are shared by every macro.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ClipboardBuffer {
    std::int32_t bufferIndex;
    std::string bufferText;
};

// In order of first use; entries are never removed while the program runs.
extern std::vector<ClipboardBuffer> clipboardBuffers;

// The buffer with that number, appended empty when there is none yet.
// `created` tells which of the two happened.
ClipboardBuffer& FindClipboardBuffer(std::int32_t index, bool* created = nullptr);

void CopyFromClipboard(const std::string& macroPath);
void PasteToClipboard(const std::string& macroPath);
