#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "localization/messages.h"
#include "localization/translation_file.h"
#include "platform/text.h"

namespace sorvane::localization {
namespace {

std::string shippedFile() {
    std::ifstream in(SORVANE_SOURCE_DIR "/data/localization/Localization.xml", std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// The key of an item line, or empty for a line that is none.
std::string keyOf(const std::string& line) {
    const std::size_t open = line.find('<');
    const std::size_t close = line.find('>');
    if (open == std::string::npos || close == std::string::npos || close <= open + 1) return {};
    return line.substr(open + 1, close - open - 1);
}

// Square-bracketed placeholders of a text, in order.
std::vector<std::string> placeholders(const std::string& text) {
    std::vector<std::string> found;
    for (std::size_t at = text.find("[Program"); at != std::string::npos; at = text.find("[Program", at + 1))
        found.push_back("[ProgramName]");
    for (std::size_t at = text.find("[Website]"); at != std::string::npos; at = text.find("[Website]", at + 1))
        found.push_back("[Website]");
    return found;
}

TEST(ShippedTranslations, FourLanguagesEachCoveringEveryItemOnOneLine) {
    const std::string file = shippedFile();
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(DecodeUtf8(file), file);  // valid UTF-8 throughout
    const auto groups = ReadLanguageGroups(file);
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[0].name, "English");
    EXPECT_EQ(groups[1].name, "German");
    EXPECT_EQ(groups[2].name, "French");
    EXPECT_EQ(groups[3].name, "Spanish");

    std::vector<std::string> englishKeys;
    std::map<std::string, std::string> english;
    for (const auto& line : SplitItemLines(groups[0].items)) {
        const std::string key = keyOf(line);
        if (key.empty()) continue;
        englishKeys.push_back(key);
        english[key] = ItemText(line, key);
    }
    // Every message of the catalogue is there.
    Languages catalogue;
    LoadDefaultMessages(catalogue);
    for (const auto& entry : catalogue.entries())
        if (entry.used) {
            EXPECT_TRUE(english.count(entry.name)) << entry.name;
        }

    for (const auto& group : groups) {
        std::vector<std::string> keys;
        for (const auto& line : SplitItemLines(group.items)) {
            const std::string key = keyOf(line);
            if (key.empty()) continue;
            keys.push_back(key);
            // Tags on one line, keys in capitals, a text in every item.
            const std::string text = ItemText(line, key);
            EXPECT_FALSE(text.empty()) << group.name << " " << key;
            EXPECT_EQ(key, text::toUpper(key));
            // The pieces that wrap a caller's name keep their brackets, and placeholders survive.
            EXPECT_EQ(placeholders(text), placeholders(english[key])) << group.name << " " << key;
            EXPECT_EQ(text.find('&'), std::string::npos) << group.name << " " << key;
        }
        EXPECT_EQ(keys, englishKeys) << group.name;
    }
}

}  // namespace
}  // namespace sorvane::localization
