#include "tests/fuzz/definition_line_target.h"
#include "tests/fuzz/grouped_lookups_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sorvane::fuzz::FuzzDefinitionLine(data, size);
    sorvane::fuzz::FuzzGroupedLookups(data, size);
    return 0;
}
