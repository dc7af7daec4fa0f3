#include "tests/fuzz/quarantine_index_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sorvane::fuzz::FuzzQuarantineIndex(data, size);
    return 0;
}
