#include <gtest/gtest.h>

#include "definitions/encoding.h"

namespace sorvane::definitions {
namespace {

std::string allCodes() {
    std::string s;
    for (int c = 0; c <= 255; ++c) s += static_cast<char>(c);
    return s;
}

TEST(LineEncoding, EveryCodeButTheLastComesBackAndTheLengthNeverChanges) {
    const auto clear = allCodes();
    const auto stored = EncodeLine(clear);
    ASSERT_EQ(stored.size(), clear.size());
    const auto back = DecodeLine(stored);
    ASSERT_EQ(back.size(), clear.size());
    for (int c = 0; c <= 254; ++c) EXPECT_EQ(static_cast<unsigned char>(back[c]), c) << "code " << c;
    // The wrap is by 255, so 255 is stored like 0 and read back as 0.
    EXPECT_EQ(stored[255], stored[0]);
    EXPECT_EQ(back[255], '\0');
}

TEST(LineEncoding, ShiftsByTheKeyAndWrapsBy255) {
    static_assert(DefinitionKey >= 1 && DefinitionKey <= 254);
    EXPECT_EQ(static_cast<unsigned char>(EncodeLine("A")[0]), 65 + DefinitionKey);
    // 255 - K + 1 is the first code that wraps: it lands on 1, not 0.
    const char wrapping = static_cast<char>(256 - DefinitionKey);
    EXPECT_EQ(EncodeLine(std::string(1, wrapping)), std::string(1, '\x01'));
    EXPECT_EQ(DecodeLine(std::string(1, '\x01')), std::string(1, wrapping));
    EXPECT_EQ(EncodeLine(""), "");
}

TEST(LineEncoding, CharactersOfTheAnsiPageNeverBecomeLineEnds) {
    // The bytes that code page 1252 leaves unassigned, and NUL, are the only ones allowed
    // to turn into CR or LF; otherwise an encoded line could split in two.
    const std::string unassigned{'\0', '\x81', '\x8D', '\x8F', '\x90', '\x9D'};
    for (int c = 0; c <= 254; ++c) {
        const auto stored = static_cast<unsigned char>(EncodeLine(std::string(1, static_cast<char>(c)))[0]);
        if (stored == '\r' || stored == '\n') {
            EXPECT_NE(unassigned.find(static_cast<char>(c)), std::string::npos) << "code " << c;
        }
    }
}

TEST(LineEncoding, WholeTextKeepsLineEndsInClear) {
    const std::string clear = "a.exe=Bad|[progfil]Bad\r\nsecond\nthird\rlast";
    const auto stored = EncodeText(clear);
    ASSERT_EQ(stored.size(), clear.size());
    for (std::size_t i = 0; i < clear.size(); ++i) {
        if (clear[i] == '\r' || clear[i] == '\n')
            EXPECT_EQ(stored[i], clear[i]);
        else
            EXPECT_EQ(stored[i], EncodeLine(clear.substr(i, 1))[0]);
    }
    EXPECT_EQ(DecodeText(stored), clear);
}

}  // namespace
}  // namespace sorvane::definitions
