#include "tests/fuzz/translation_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sorvane::fuzz::FuzzTranslation(data, size);
    return 0;
}
