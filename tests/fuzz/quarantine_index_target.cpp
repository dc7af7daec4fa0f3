#include "tests/fuzz/quarantine_index_target.h"

#include <cstdlib>
#include <string_view>

#include "removal/quarantine_index.h"

namespace sorvane::fuzz {

void FuzzQuarantineIndex(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto entries = removal::ParseQuarantineIndex(text);
    if (!entries) return;
    const auto again = removal::ParseQuarantineIndex(removal::SerializeQuarantineIndex(*entries));
    if (!again || *again != *entries) std::abort();
}

}  // namespace sorvane::fuzz
