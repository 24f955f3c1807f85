// The number fields of the property dialogs and the checks of their OK.
#include <gtest/gtest.h>

#include "editor/property_dialogs.h"
#include "platform/fake/fake.h"

namespace {

TEST(NumberFieldTest, ReadsAsTheDialogsTakeNumbers) {
    const struct {
        std::string text;
        NumberKind kind;
        bool read;
        std::int64_t value;
    } cases[] = {
        {"0", NumberKind::Signed, true, 0},
        {"  \t42 \t", NumberKind::Signed, true, 42},
        {"007", NumberKind::Signed, true, 7},
        {"-5", NumberKind::Signed, true, -5},
        {"+5", NumberKind::Signed, true, 5},
        {"2147483647", NumberKind::Signed, true, 2147483647},
        {"-2147483648", NumberKind::Signed, true, -2147483648LL},
        {"4294967295", NumberKind::Unsigned, true, 4294967295LL},
        {"", NumberKind::Signed, false, 0},
        {"   ", NumberKind::Signed, false, 0},
        {"+", NumberKind::Signed, false, 0},
        {"-0", NumberKind::Signed, false, 0},  // zero only from a typed digit 0
        {"abc", NumberKind::Signed, false, 0},
        {"12ab", NumberKind::Signed, false, 0},
        {"1 2", NumberKind::Signed, false, 0},
        {"2147483648", NumberKind::Signed, false, 0},
        {"-2147483649", NumberKind::Signed, false, 0},
        {"-1", NumberKind::Unsigned, false, 0},
        {"+1", NumberKind::Unsigned, false, 0},
        {"4294967296", NumberKind::Unsigned, false, 0},
        {"1234567890123456789012345678901", NumberKind::Unsigned, false, 0},    // 31 digits
        {"12345678901234567890123456789012", NumberKind::Unsigned, false, 0},   // 32
        // More than 31 characters are refused, never read as another number.
        {std::string(30, ' ') + "7", NumberKind::Signed, true, 7},      // 31 characters
        {std::string(31, ' ') + "7", NumberKind::Signed, false, 0},     // the 7 is the 32nd character
        {std::string(30, ' ') + "17x", NumberKind::Signed, false, 0},   // not 1
        {std::string(31, '0') + "1", NumberKind::Unsigned, false, 0},   // not 0
        {std::string(30, '0') + "1", NumberKind::Unsigned, true, 1},
        {"5" + std::string(30, ' ') + "x", NumberKind::Signed, false, 0},  // not 5
        {"5" + std::string(30, ' '), NumberKind::Signed, true, 5},
    };
    for (const auto& c : cases) {
        std::int64_t value = -99;
        EXPECT_EQ(ParseNumber(c.text, c.kind, &value), c.read) << '"' << c.text << '"';
        if (c.read) EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
}

TEST(NumberFieldTest, RefusalsAndTheDelaysRangeAreToldInTheirWords) {
    fake::Reset();
    const win::HWND dialog = fake::AddWindow("Keyloom - DELAY");
    std::int32_t delay = 7;
    std::uint32_t id = 7;
    EXPECT_FALSE(AcceptDelay(dialog, "12ab", &delay));
    EXPECT_FALSE(AcceptDelay(dialog, "-1", &delay));
    EXPECT_FALSE(AcceptDelay(dialog, "2000000001", &delay));
    EXPECT_FALSE(AcceptBufferId(dialog, "-1", &id));
    EXPECT_EQ(delay, 7);
    EXPECT_EQ(id, 7u);
    std::vector<std::string> texts;
    for (const auto& box : fake::MessageBoxes()) {
        texts.push_back(box.text);
        EXPECT_EQ(box.owner, dialog);
        EXPECT_EQ(box.type, win::MB_OK | win::MB_ICONWARNING);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Please enter an integer.", "Please enter an integer between 0 and 2000000000.",
                                               "Please enter an integer between 0 and 2000000000.",
                                               "Please enter a positive integer."}));
    EXPECT_TRUE(AcceptDelay(dialog, "0", &delay));
    EXPECT_EQ(delay, 0);
    EXPECT_TRUE(AcceptDelay(dialog, "2000000000", &delay));
    EXPECT_EQ(delay, 2000000000);
}

TEST(NumberFieldTest, TheRepeatFieldTakesZeroToAMillion) {
    fake::Reset();
    const win::HWND dialog = fake::AddWindow("Keyloom - Add Macro");
    std::int32_t repeat = 7;
    for (const char* refused : {"", "x", "-1", "1000001", "1.5"}) EXPECT_FALSE(AcceptRepeat(dialog, refused, &repeat)) << refused;
    EXPECT_EQ(repeat, 7);
    std::vector<std::string> texts;
    for (const auto& box : fake::MessageBoxes()) texts.push_back(box.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Please enter an integer.", "Please enter an integer.",
                                               "Please enter an integer between 0 and 1000000.",
                                               "Please enter an integer between 0 and 1000000.",
                                               "Please enter an integer."}));
    EXPECT_TRUE(AcceptRepeat(dialog, " 0 ", &repeat));
    EXPECT_EQ(repeat, 0);
    EXPECT_TRUE(AcceptRepeat(dialog, "1000000", &repeat));
    EXPECT_EQ(repeat, 1000000);
}


}  // namespace
