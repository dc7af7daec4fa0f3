#pragma once
#include <cstddef>
#include <cstdint>

namespace sorvane::fuzz {

// One input as a browser's cookie database: read, one host's rows removed and put back.
void FuzzCookieStore(const std::uint8_t* data, std::size_t size);

}  // namespace sorvane::fuzz
