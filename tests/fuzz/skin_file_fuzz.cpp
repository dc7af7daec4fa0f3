#include "tests/fuzz/skin_file_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sorvane::fuzz::FuzzSkinFile(data, size);
    return 0;
}
