#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/win32/win32_signatures.h"

using namespace sorvane;

namespace {

std::string bytesOf(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

std::string base64Decoded(std::string_view text) {
    static constexpr std::string_view Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=') break;
        bits = (bits << 6) | static_cast<unsigned>(Alphabet.find(c));
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

// The public key of cmake/dev-signing-key.pem, and a statement it signed (the signed lines and
// the raw r||s signature), made with the development key as the reference server makes them.
const std::string DevelopmentKey = bytesOf(
    "90bfb0d24e521ae2d67fe01430bc79d25c0e3113d4415ba1309fad78a10f1888431811198af597220c47b26df5d1eeef36f298d792ca239247931b98be8c5920");
const std::string SignedBody = "ANY|ADD[DEF]signed by the development key\r\n";
const std::string StatementLines =
    "for=/asp/getDefsNEW.asp\nfrom=2006-03-16T00:00:00\nto=2024-05-14T09:00:00\nexpires=2099-12-31T00:00:00Z\n"
    "sha256=f721be4b619181b801bae302c8650ba743041f08269c1437f0653f6667650432\n";
const std::string Signature =
    base64Decoded("zKNS5MP9l/wyni+drCeOVf5LXtS1H2jiaO7m+w+BCuNgpVTAZeaiWWtEO01B0opPQBmWl4ozFv/EHG5gvVzgPw==");

}  // namespace

TEST(Win32Signatures, Sha256IsTheSystemsAndMatchesTheKnownAnswers) {
    platform::win32::Win32Signatures signatures;
    EXPECT_EQ(signatures.sha256("abc"), bytesOf("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    EXPECT_EQ(signatures.sha256(""), bytesOf("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
    EXPECT_EQ(signatures.sha256(SignedBody), bytesOf("f721be4b619181b801bae302c8650ba743041f08269c1437f0653f6667650432"));

    // Pieces of a length that straddles the 64-byte blocks give the digest of the whole.
    const auto pieces = signatures.startSha256();
    const std::string million(1'000'000, 'a');
    for (std::size_t at = 0; at < million.size(); at += 777) pieces->add(std::string_view(million).substr(at, 777));
    EXPECT_EQ(pieces->finish(), bytesOf("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"));
    EXPECT_EQ(pieces->finish(), std::nullopt) << "a finished digest gives nothing more";
}

TEST(Win32Signatures, TheDevelopmentKeysSignatureVerifiesAndNoChangedByteDoes) {
    platform::win32::Win32Signatures signatures;
    ASSERT_EQ(Signature.size(), 64u);
    EXPECT_TRUE(signatures.verify(DevelopmentKey, StatementLines, Signature).ok());

    std::string changedLines = StatementLines;
    changedLines[changedLines.find("to=2024") + 6] = '5';  // a later target date
    EXPECT_EQ(signatures.verify(DevelopmentKey, changedLines, Signature).code(), platform::error::InvalidSignature);
    std::string flipped = Signature;
    flipped[10] = static_cast<char>(flipped[10] ^ 0x01);
    EXPECT_EQ(signatures.verify(DevelopmentKey, StatementLines, flipped).code(), platform::error::InvalidSignature);
    // Another key, and keys and signatures of the wrong size, verify nothing.
    std::string otherKey = DevelopmentKey;
    otherKey[63] = static_cast<char>(otherKey[63] ^ 0x01);  // no longer a point on the curve
    EXPECT_FALSE(signatures.verify(otherKey, StatementLines, Signature).ok());
    EXPECT_FALSE(signatures.verify(DevelopmentKey.substr(0, 32), StatementLines, Signature).ok());
    EXPECT_FALSE(signatures.verify(DevelopmentKey, StatementLines, Signature.substr(0, 63)).ok());
}

TEST(Win32Signatures, TheClockIsUtc) {
    platform::win32::Win32Signatures signatures;
    SYSTEMTIME before{};
    GetSystemTime(&before);
    const platform::DateTime now = signatures.utcNow();
    EXPECT_EQ(now.year, before.wYear);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
}
