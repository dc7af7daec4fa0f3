#pragma once
#include <cstddef>
#include <cstdint>

namespace sorvane::fuzz {

// Reads the input as a skin file; aborts when a colour outside 24 bits comes out or a line
// that names no colour changes the skin.
void FuzzSkinFile(const std::uint8_t* data, std::size_t size);

}  // namespace sorvane::fuzz
