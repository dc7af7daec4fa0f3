#pragma once
#include <cstddef>
#include <cstdint>

namespace sorvane::fuzz {

// One fuzz input through the update text reader, each file's applier and the server-date
// cleaning; aborts when a promise of theirs is broken.
void FuzzUpdateText(const std::uint8_t* data, std::size_t size);

}  // namespace sorvane::fuzz
