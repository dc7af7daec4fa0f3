#pragma once
#include <cstddef>
#include <cstdint>

namespace sorvane::fuzz {

// Reads the input as an executable's bytes for the company name of its version resource,
// once in one read and once through small windows; aborts when the answers differ or a
// promise of the reader is broken.
void FuzzCompanyName(const std::uint8_t* data, std::size_t size);

}  // namespace sorvane::fuzz
