#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/fuzz/definition_line_target.h"

namespace sorvane::definitions {
namespace {

// Every kept fuzz input, and the seeds, run through the fuzz target once more.
TEST(FuzzRegressions, KeptInputsRunCleanly) {
    std::size_t replayed = 0;
    for (const char* folder : {"regressions", "corpus"}) {
        const auto dir = std::filesystem::path(SORVANE_SOURCE_DIR) / "tests" / "fuzz" / folder;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            const auto input = bytes.str();
            fuzz::FuzzDefinitionLine(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
            ++replayed;
        }
    }
    EXPECT_GE(replayed, 7u);
}

}  // namespace
}  // namespace sorvane::definitions
