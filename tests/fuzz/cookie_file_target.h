#pragma once
#include <cstddef>
#include <cstdint>

namespace sorvane::fuzz {

// The first line of the input names a cookie file, the rest is its content: reads the host
// it belongs to and matches it against the lines as a blocked list; aborts when a promise of
// the cookie reader is broken.
void FuzzCookieFile(const std::uint8_t* data, std::size_t size);

}  // namespace sorvane::fuzz
