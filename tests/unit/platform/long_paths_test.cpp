#include "platform/long_paths.h"

#include <gtest/gtest.h>

#include <string>

namespace sorvane::platform {
namespace {

// A folder chain long enough to need the prefix: "\\seg00-xxxxxxxxxxxxxxxxxxxx" repeated.
std::string longTail(int folders = 12) {
    std::string tail;
    for (int i = 0; i < folders; ++i) tail += "\\folder-" + std::to_string(10 + i) + "-abcdefghijklmnop";
    return tail;
}

TEST(ExtendedLengthPath, ShortPathsAreLeftAsWindowsTakesThem) {
    for (const std::string path : {"C:\\Windows\\notepad.exe", "C:/x/../y", "\\\\server\\share\\a.txt", "C:\\",
                                   "file.txt", ""}) {
        EXPECT_EQ(ExtendedLengthPath(path), path);
    }
    // The threshold itself is the first length that is written long.
    const std::string below = "C:\\" + std::string(LongPathThreshold - 4, 'a');
    EXPECT_EQ(ExtendedLengthPath(below), below);
    EXPECT_EQ(ExtendedLengthPath(below + "b"), "\\\\?\\" + below + "b");
}

TEST(ExtendedLengthPath, ALongDrivePathGetsThePrefix) {
    const std::string path = "C:\\Users\\Ann" + longTail() + "\\setup.exe";
    ASSERT_GE(path.size(), LongPathThreshold);
    EXPECT_EQ(ExtendedLengthPath(path), "\\\\?\\" + path);
    EXPECT_EQ(ExtendedLengthPath("d:" + path.substr(2)), "\\\\?\\d:" + path.substr(2));
}

TEST(ExtendedLengthPath, TheLongFormIsNormalizedAsWindowsWouldHaveDone) {
    const std::string tail = longTail();
    // Forward slashes, doubled separators, "." and ".." (never above the root).
    EXPECT_EQ(ExtendedLengthPath("C:/Users//Ann/./Temp/.." + tail + "/setup.exe"),
              "\\\\?\\C:\\Users\\Ann" + tail + "\\setup.exe");
    EXPECT_EQ(ExtendedLengthPath("C:\\..\\..\\Users" + tail), "\\\\?\\C:\\Users" + tail);
    // The last name loses trailing dots and spaces; a trailing separator is kept.
    EXPECT_EQ(ExtendedLengthPath("C:\\Users" + tail + "\\readme.txt. . "), "\\\\?\\C:\\Users" + tail + "\\readme.txt");
    EXPECT_EQ(ExtendedLengthPath("C:\\Users" + tail + "\\"), "\\\\?\\C:\\Users" + tail + "\\");
    // A listing's wildcard is a name like any other.
    EXPECT_EQ(ExtendedLengthPath("C:\\Users" + tail + "\\*"), "\\\\?\\C:\\Users" + tail + "\\*");
}

TEST(ExtendedLengthPath, ANetworkPathKeepsItsServerAndShareAsRoot) {
    const std::string tail = longTail();
    EXPECT_EQ(ExtendedLengthPath("\\\\server\\share" + tail + "\\a.txt"), "\\\\?\\UNC\\server\\share" + tail + "\\a.txt");
    EXPECT_EQ(ExtendedLengthPath("//server/share/../.." + tail), "\\\\?\\UNC\\server\\share" + tail);
    // A server without a share names no file.
    const std::string noShare = "\\\\" + std::string(LongPathThreshold, 's');
    EXPECT_EQ(ExtendedLengthPath(noShare), noShare);
}

TEST(ExtendedLengthPath, PrefixedAndRelativePathsAreLeftAlone) {
    const std::string tail = longTail();
    for (const std::string& path : {"\\\\?\\C:" + tail, "\\\\?\\UNC\\server\\share" + tail, "\\\\.\\C:" + tail,
                                   "\\??\\C:" + tail, "relative" + tail, "\\rooted" + tail, "C:drive-relative" + tail}) {
        EXPECT_EQ(ExtendedLengthPath(path), path);
    }
}

TEST(ExtendedLengthPath, LengthIsCountedInUtf16Units) {
    EXPECT_EQ(Utf16Length("caf\xC3\xA9"), 4u);
    EXPECT_EQ(Utf16Length("\xE6\x97\xA5"), 1u);      // one CJK character
    EXPECT_EQ(Utf16Length("\xF0\x9F\x98\x80"), 2u);  // outside the BMP: a surrogate pair
    // 100 Japanese characters are 300 bytes but 100 units: short enough as they are.
    std::string japanese = "C:\\";
    for (int i = 0; i < 100; ++i) japanese += "\xE6\x97\xA5";
    EXPECT_EQ(ExtendedLengthPath(japanese), japanese);
    for (int i = 0; i < 150; ++i) japanese += "\xE6\x97\xA5";
    EXPECT_EQ(ExtendedLengthPath(japanese), "\\\\?\\" + japanese);
}

}  // namespace
}  // namespace sorvane::platform
