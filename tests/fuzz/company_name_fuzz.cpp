#include "tests/fuzz/company_name_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sorvane::fuzz::FuzzCompanyName(data, size);
    return 0;
}
