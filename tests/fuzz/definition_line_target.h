#pragma once
#include <cstddef>
#include <cstdint>

namespace sorvane::fuzz {

// Feeds one input through the line decoder, every record split and the list lookups,
// aborting when a promise of the encoding is broken.
void FuzzDefinitionLine(const std::uint8_t* data, std::size_t size);

}  // namespace sorvane::fuzz
