#include "tests/fuzz/update_text_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sorvane::fuzz::FuzzUpdateText(data, size);
    return 0;
}
