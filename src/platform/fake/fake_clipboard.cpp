// The fake's clipboard and global memory: blocks the program allocates,
// locks and frees, and a clipboard that owns the blocks it is given.
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/fake/fake.h"
#include "platform/fake/fake_state.h"

namespace {

using win::BOOL;
using win::DWORD;
using win::HANDLE;
using win::HGLOBAL;
using win::HWND;
using win::UINT;
using fake::detail::Fails;
using fake::detail::SetError;
using fake::detail::Value;

struct Block {
    std::unique_ptr<unsigned char[]> bytes;
    std::size_t size;
    UINT flags;
    int locks = 0;
};

struct State {
    std::map<std::uintptr_t, Block> blocks;
    bool held = false;  // by another program
    bool open = false;
    HWND owner = nullptr;
    std::map<UINT, HGLOBAL> data;  // format -> block the clipboard owns
};

State state;

void FreeBlock(HGLOBAL memory) { state.blocks.erase(Value(memory)); }

HGLOBAL NewBlock(UINT flags, std::size_t bytes) {
    Block block;
    block.size = bytes;
    // Fresh global memory holds whatever was there before; a recognisable
    // filler makes a missing terminator show.
    block.bytes = std::make_unique<unsigned char[]>(bytes == 0 ? 1 : bytes);
    std::memset(block.bytes.get(), 0xCD, bytes == 0 ? 1 : bytes);
    block.flags = flags;
    const std::uintptr_t value = fake::detail::NewHandleValue();
    state.blocks.emplace(value, std::move(block));
    return reinterpret_cast<HGLOBAL>(value);
}

Block* FindBlock(HGLOBAL memory) {
    auto it = state.blocks.find(Value(memory));
    return it == state.blocks.end() ? nullptr : &it->second;
}

// Replaces what the clipboard holds in `format`, freeing the old block.
void PutOnClipboard(UINT format, HGLOBAL memory) {
    auto it = state.data.find(format);
    if (it != state.data.end()) {
        if (it->second != memory) FreeBlock(it->second);
        state.data.erase(it);
    }
    state.data[format] = memory;
}

// The calls that need the clipboard open by this program.
bool NotOpen() {
    if (state.open) return false;
    SetError(win::ERROR_CLIPBOARD_NOT_OPEN);
    return true;
}

}  // namespace

namespace fake::detail {
void ResetClipboard() { state = State{}; }
}  // namespace fake::detail

namespace fake {

void SetClipboardText(const std::string& text) {
    HGLOBAL memory = NewBlock(win::GMEM_DDESHARE, text.size() + 1);
    std::memcpy(FindBlock(memory)->bytes.get(), text.c_str(), text.size() + 1);
    PutOnClipboard(win::CF_TEXT, memory);
}

bool ClipboardText(std::string* text) {
    auto it = state.data.find(win::CF_TEXT);
    if (it == state.data.end()) return false;
    const Block* block = FindBlock(it->second);
    if (block == nullptr) return false;
    const char* bytes = reinterpret_cast<const char*>(block->bytes.get());
    if (text != nullptr) text->assign(bytes, strnlen(bytes, block->size));
    return true;
}

void HoldClipboard(bool held) { state.held = held; }
bool ClipboardIsOpen() { return state.open; }
int LiveGlobalBlocks() { return static_cast<int>(state.blocks.size()); }

}  // namespace fake

namespace win {

BOOL OpenClipboard(HWND owner) {
    if (Fails("OpenClipboard")) return FALSE;
    // Another program holding it, or another window of ours, keeps it closed
    // to us; the window that has it open may open it again.
    if (state.held || (state.open && state.owner != owner)) {
        SetError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    state.open = true;
    state.owner = owner;
    return TRUE;
}

BOOL CloseClipboard() {
    if (Fails("CloseClipboard") || NotOpen()) return FALSE;
    state.open = false;
    state.owner = nullptr;
    return TRUE;
}

BOOL EmptyClipboard() {
    if (Fails("EmptyClipboard") || NotOpen()) return FALSE;
    for (auto& [format, memory] : state.data) FreeBlock(memory);
    state.data.clear();
    return TRUE;
}

HANDLE GetClipboardData(UINT format) {
    if (Fails("GetClipboardData") || NotOpen()) return nullptr;
    auto it = state.data.find(format);
    return it == state.data.end() ? nullptr : it->second;
}

HANDLE SetClipboardData(UINT format, HANDLE memory) {
    if (Fails("SetClipboardData") || NotOpen()) return nullptr;
    if (FindBlock(memory) == nullptr) {
        SetError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    PutOnClipboard(format, memory);
    return memory;
}

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
    if (Fails("GlobalAlloc")) return nullptr;
    return NewBlock(flags, bytes);
}

void* GlobalLock(HGLOBAL memory) {
    if (Fails("GlobalLock")) return nullptr;
    Block* block = FindBlock(memory);
    if (block == nullptr) {
        SetError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if ((block->flags & GMEM_MOVEABLE) != 0) ++block->locks;
    return block->bytes.get();
}

BOOL GlobalUnlock(HGLOBAL memory) {
    if (Fails("GlobalUnlock")) return FALSE;
    Block* block = FindBlock(memory);
    if (block == nullptr) {
        SetError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A fixed block has no lock count: unlocking it succeeds and leaves the
    // last error alone. A movable one answers FALSE with NO_ERROR when its
    // last lock goes, and FALSE with ERROR_NOT_LOCKED when it had none.
    if ((block->flags & GMEM_MOVEABLE) == 0) return TRUE;
    if (block->locks == 0) {
        SetError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--block->locks > 0) return TRUE;
    SetError(DWORD{0});
    return FALSE;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    if (Fails("GlobalFree")) return memory;
    if (FindBlock(memory) == nullptr) {
        SetError(ERROR_INVALID_HANDLE);
        return memory;
    }
    for (auto it = state.data.begin(); it != state.data.end(); ++it) {
        if (it->second == memory) {
            state.data.erase(it);
            break;
        }
    }
    FreeBlock(memory);
    return nullptr;
}

}  // namespace win
