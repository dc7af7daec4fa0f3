#include "tests/fuzz/cookie_file_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sorvane::fuzz::FuzzCookieFile(data, size);
    return 0;
}
