#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/fuzz/translation_target.h"

namespace sorvane::fuzz {
namespace {

// The translation fuzz target's seed inputs run on every build, not only in the fuzz step.
TEST(TranslationFuzzCorpus, EverySeedPassesTheReadersPromises) {
    const std::filesystem::path folder = SORVANE_SOURCE_DIR "/tests/fuzz/corpus_translation";
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string data = bytes.str();
        FuzzTranslation(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
        ++inputs;
    }
    EXPECT_GE(inputs, 3);
}

}  // namespace
}  // namespace sorvane::fuzz
