#include <gtest/gtest.h>

#include <string>

#include "editor/about_box.h"

namespace {

// A multi-line edit control breaks lines only at CR LF; a lone LF or CR
// shows as a box in the text.
TEST(AboutBoxTest, EveryLineBreakIsCrLf) {
    const std::string text = AboutDisclaimerText();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(text[i - 1], '\r') << "lone LF at " << i;
        }
        if (text[i] == '\r') {
            ASSERT_LT(i + 1, text.size());
            EXPECT_EQ(text[i + 1], '\n') << "lone CR at " << i;
        }
    }
}

}  // namespace
