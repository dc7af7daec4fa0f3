#pragma once
#include <cstddef>
#include <cstdint>

namespace sorvane::fuzz {

// Reads the bytes as a quarantine index; whatever is read must write back to text that
// reads as the very same entries.
void FuzzQuarantineIndex(const std::uint8_t* data, std::size_t size);

}  // namespace sorvane::fuzz
