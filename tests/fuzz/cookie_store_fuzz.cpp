#include "tests/fuzz/cookie_store_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sorvane::fuzz::FuzzCookieStore(data, size);
    return 0;
}
