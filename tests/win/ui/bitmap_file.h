#pragma once
#include <cstdint>
#include <string>

// A 2 x 2 bitmap file, every pixel the given colour: what a banner page could be.
inline std::string bitmapFile(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    std::string bytes = "BM";
    auto put32 = [&bytes](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto put16 = [&bytes](std::uint16_t v) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>(v >> 8);
    };
    put32(14 + 40 + 16);
    put32(0);
    put32(14 + 40);
    put32(40);
    put32(2);
    put32(2);
    put16(1);
    put16(24);
    put32(0);
    put32(16);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            bytes += static_cast<char>(blue);
            bytes += static_cast<char>(green);
            bytes += static_cast<char>(red);
        }
        bytes += std::string(2, '\0');  // rows are padded to four bytes
    }
    return bytes;
}
