#pragma once
#include <cstddef>
#include <cstdint>

namespace sorvane::fuzz {

// Compares the grouped existence tests with the tests of single lines over the paths of
// arbitrary definition lines.
void FuzzGroupedLookups(const std::uint8_t* data, std::size_t size);

}  // namespace sorvane::fuzz
