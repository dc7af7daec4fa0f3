#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/fuzz/update_text_target.h"

namespace sorvane::update {
namespace {

// The seeds and every kept crash input of the update fuzz target, once more.
TEST(UpdateFuzzRegressions, KeptInputsRunCleanly) {
    std::size_t replayed = 0;
    for (const char* folder : {"update_corpus", "update_regressions"}) {
        const auto dir = std::filesystem::path(SORVANE_SOURCE_DIR) / "tests" / "fuzz" / folder;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            const std::string input = bytes.str();
            fuzz::FuzzUpdateText(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
            ++replayed;
        }
    }
    EXPECT_GE(replayed, 5u);
}

}  // namespace
}  // namespace sorvane::update
