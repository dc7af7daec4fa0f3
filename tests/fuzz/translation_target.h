#pragma once
#include <cstddef>
#include <cstdint>

namespace sorvane::fuzz {

// Reads arbitrary bytes as a translation file and as a skin file, looks translations up and
// refreshes a catalogue from them; aborts when a promise of the reader is broken.
void FuzzTranslation(const std::uint8_t* data, std::size_t size);

}  // namespace sorvane::fuzz
