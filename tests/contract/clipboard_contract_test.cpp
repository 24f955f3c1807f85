// Clipboard and global-memory behaviour the clipboard buffers rely on,
// checked through the seam alone on the in-memory clipboard and on the real
// one.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win.h"

namespace {

using namespace win;

// Text put on the clipboard as the buffers put it: fixed shared memory.
HGLOBAL TextBlock(const std::string& text) {
    HGLOBAL memory = GlobalAlloc(GMEM_DDESHARE, text.size() + 1);
    if (memory == nullptr) return nullptr;
    void* target = GlobalLock(memory);
    if (target != nullptr) std::memcpy(target, text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    return memory;
}

std::string ClipboardText() {
    if (!OpenClipboard(nullptr)) return "<not opened>";
    std::string text = "<no text>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const void* bytes = GlobalLock(data)) text = static_cast<const char*>(bytes);
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

class ClipboardContract : public testing::Test {
protected:
    void TearDown() override {
        // Whatever a case did, the clipboard is left closed.
        CloseClipboard();
    }
};

TEST_F(ClipboardContract, TextSetOnTheClipboardIsReadBackAfterItIsClosed) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    HGLOBAL block = TextBlock("from buffer seven");
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), block) << "the clipboard takes the block it is given";
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(ClipboardText(), "from buffer seven");

    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(ClipboardText(), "<no text>") << "emptied, it holds no text";
}

TEST_F(ClipboardContract, CallsThatNeedTheClipboardOpenFailWhenItIsClosed) {
    EXPECT_FALSE(CloseClipboard());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));

    HGLOBAL block = TextBlock("kept by the caller");
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), nullptr);
    EXPECT_EQ(GlobalFree(block), nullptr) << "a refused block is still the caller's to free";
}

TEST_F(ClipboardContract, UnlockingAFixedBlockLeavesTheLastErrorAlone) {
    HGLOBAL block = GlobalAlloc(GMEM_DDESHARE, 8);
    ASSERT_NE(block, nullptr);
    ASSERT_NE(GlobalLock(block), nullptr);
    SetLastError(0);
    GlobalUnlock(block);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(GlobalFree(block), nullptr);
}

}  // namespace
