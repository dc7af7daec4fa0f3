#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/text.h"

using namespace sorvane;

TEST(Text, TrimRemovesBlanksButNotTabs) {
    EXPECT_EQ(text::trim("  a b  "), "a b");
    EXPECT_EQ(text::trim("\ta\t"), "\ta\t");
    EXPECT_EQ(text::trim("   "), "");
}

TEST(Text, CaseFoldingCoversLatin1Letters) {
    EXPECT_TRUE(text::equalsNoCase("C:\\PROGRAM FILES\\Ä", "c:\\program files\\ä"));
    EXPECT_EQ(text::toUpper("straße ×"), "STRAßE ×");
    EXPECT_EQ(text::findNoCase("abcDEF", "cd"), 2u);
    EXPECT_EQ(text::replaceAllNoCase("xAbyaBz", "ab", "-"), "x-y-z");
}

TEST(Text, SplitKeepsEmptyPieces) {
    EXPECT_EQ(text::split("a||b|", "|"), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(text::split("", "|"), (std::vector<std::string>{""}));
    EXPECT_EQ(text::lines("a\r\nb\nc\r\n"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(text::lines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
}

TEST(Text, NumericAndBooleanValuesReadLikeTheClassicRuntime) {
    EXPECT_EQ(text::numericValue(" 12abc"), 12);
    EXPECT_EQ(text::numericValue("-3"), -3);
    EXPECT_EQ(text::numericValue("x1"), 0);
    EXPECT_TRUE(text::booleanValue("TRUE"));
    EXPECT_FALSE(text::booleanValue("False", true));
    EXPECT_TRUE(text::booleanValue("2"));
    EXPECT_FALSE(text::booleanValue("0", true));
    EXPECT_TRUE(text::booleanValue("maybe", true));
}

TEST(Paths, JoinPathPutsOneBackslashBetweenFolderAndName) {
    EXPECT_EQ(platform::JoinPath("C:\\Program Files\\Sorvane", "Safety.dat"), "C:\\Program Files\\Sorvane\\Safety.dat");
    EXPECT_EQ(platform::JoinPath("C:\\", "Safety.dat"), "C:\\Safety.dat");
    EXPECT_EQ(platform::JoinPath("C:\\app\\", "date.dat"), "C:\\app\\date.dat");
    EXPECT_EQ(platform::JoinPath("", "Localization.xml"), "Localization.xml");
}

TEST(Text, HexadecimalGoesBothWaysAndRefusesWhatIsNoHex) {
    EXPECT_EQ(text::toHex(std::string("\x00\x7f\x80\xff", 4)), "007f80ff");
    EXPECT_EQ(text::fromHex("007F80ff"), std::string("\x00\x7f\x80\xff", 4));
    EXPECT_EQ(text::fromHex(""), std::string());
    for (const char* wrong : {"0", "0g", "abc", " 00", "0x00"}) EXPECT_FALSE(text::fromHex(wrong)) << wrong;
}
