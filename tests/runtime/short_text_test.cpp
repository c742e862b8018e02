#include "runtime/short_text.h"

#include <gtest/gtest.h>

#include <string>

#include "runtime/text.h"

TEST(ShortText, KeepsAtMost255Characters) {
    std::string long300(300, 'x');
    EXPECT_EQ(ShortText(long300).size(), 255);
    EXPECT_EQ(ShortText(std::string(255, 'y')).size(), 255);
    EXPECT_EQ(ShortText(std::string(254, 'y')).size(), 254);
}

TEST(ShortText, JoiningCutsAfter255) {
    ShortText text(std::string(250, 'a'));
    text += "0123456789";
    EXPECT_EQ(text.size(), 255);
    EXPECT_EQ(text.view().substr(250), "01234");
    EXPECT_EQ(text.c_str()[255], '\0');  // the platform gets a zero byte after it
    ShortText joined = ShortText("abc") + std::string(300, 'z');
    EXPECT_EQ(joined.size(), 255);
    EXPECT_EQ(joined.view().substr(0, 4), "abcz");
}

TEST(ShortText, CopiesAreIndependent) {
    ShortText a("first");
    ShortText b = a;
    b += " second";
    EXPECT_EQ(a, "first");
    EXPECT_EQ(b, "first second");
}

TEST(TextHelpers, DaySuffixes) {
    struct Row {
        uint32_t day;
        const char* suffix;
    } rows[] = {{1, "st"},  {2, "nd"},  {3, "rd"},  {4, "th"},  {11, "th"}, {12, "th"},
                {13, "th"}, {21, "st"}, {22, "nd"}, {23, "rd"}, {31, "st"}, {30, "th"}};
    for (const Row& row : rows) EXPECT_STREQ(rt::DaySuffix(row.day), row.suffix) << row.day;
}

TEST(TextHelpers, NumbersAndMonths) {
    EXPECT_EQ(rt::NumberText(0), "0");
    EXPECT_EQ(rt::NumberText(1234), "1234");
    EXPECT_EQ(rt::NumberText(4294967306LL), "4294967306");  // 4 GiB + 10 is not cut to 10
    EXPECT_EQ(rt::TwoDigits(7), "07");
    EXPECT_EQ(rt::TwoDigits(59), "59");
    EXPECT_STREQ(rt::MonthName(1), "January");
    EXPECT_STREQ(rt::MonthName(12), "December");
    EXPECT_STREQ(rt::MonthName(13), "");
    EXPECT_EQ(rt::HexText(0x401A2B, 8), "00401A2B");
}
