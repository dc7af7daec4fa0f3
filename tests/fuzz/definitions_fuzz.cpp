#include "tests/fuzz/definition_line_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sorvane::fuzz::FuzzDefinitionLine(data, size);
    return 0;
}
