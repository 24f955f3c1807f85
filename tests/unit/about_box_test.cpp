#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/about_box.h"

namespace {

// The edit control is 334 dialog units wide and does not wrap; with the
// dialog font's average character of 4 units, 75 characters still fit.
constexpr std::size_t kMaxLineLength = 75;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

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

TEST(AboutBoxTest, LinesFitTheBoxWidth) {
    for (const std::string& line : Lines(AboutDisclaimerText())) {
        EXPECT_LE(line.size(), kMaxLineLength) << line;
    }
}

TEST(AboutBoxTest, LengthIsAboutSevenHundredSeventy) {
    const std::string text = AboutDisclaimerText();
    EXPECT_GE(text.size(), 700u);
    EXPECT_LE(text.size(), 850u);
}

TEST(AboutBoxTest, ParagraphsRunInOrderSeparatedByOneEmptyLine) {
    // Split into paragraphs at empty lines; two empty lines in a row would
    // leave an empty paragraph.
    std::vector<std::vector<std::string>> paragraphs(1);
    for (const std::string& line : Lines(AboutDisclaimerText())) {
        if (line.empty()) {
            paragraphs.emplace_back();
        } else {
            paragraphs.back().push_back(line);
        }
    }
    for (const auto& paragraph : paragraphs) ASSERT_FALSE(paragraph.empty());
    ASSERT_EQ(paragraphs.size(), 5u);

    EXPECT_EQ(paragraphs[0], std::vector<std::string>{"DISCLAIMER - AGREEMENT"});

    ASSERT_EQ(paragraphs[1].size(), 1u);
    EXPECT_NE(paragraphs[1][0].find("must accept the following disclaimer of warranty"), std::string::npos);

    const auto& warranty = paragraphs[2];
    EXPECT_EQ(warranty.front().front(), '"');
    EXPECT_EQ(warranty.back().back(), '"');
    std::string joined;
    for (const std::string& line : warranty) joined += line + " ";
    std::size_t asIs = joined.find("supplied as is");
    std::size_t warranties = joined.find("disclaims all warranties");
    std::size_t fitness = joined.find("fitness for any purpose");
    std::size_t liability = joined.find("assumes no liability for damages, direct or consequential");
    ASSERT_NE(asIs, std::string::npos);
    ASSERT_NE(warranties, std::string::npos);
    ASSERT_NE(fitness, std::string::npos);
    ASSERT_NE(liability, std::string::npos);
    EXPECT_LT(asIs, warranties);
    EXPECT_LT(warranties, fitness);
    EXPECT_LT(fitness, liability);

    const auto& contacts = paragraphs[4];
    ASSERT_EQ(contacts.size(), 2u);
    EXPECT_NE(contacts[0].find('@'), std::string::npos);
    EXPECT_NE(contacts[1].find("http://"), std::string::npos);
}

}  // namespace
