#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane::removal {

// SHA-256 over data fed in pieces, so that large files never sit in memory whole.
class Sha256 {
public:
    Sha256();
    void update(std::string_view bytes);
    // The digest as 64 lower-case hex digits; the object is spent afterwards.
    std::string hexDigest();

private:
    void block(const std::uint8_t* data);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;
};

// The SHA-256 of a text, as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

}  // namespace sorvane::removal
