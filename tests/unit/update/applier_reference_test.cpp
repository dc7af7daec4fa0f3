// The applier against a plain model of the same rules, written for clarity and not for speed
// (a string per line, whole lines decoded, a node-based set), on random update texts and files
// whose names collide often. The fast applier must give the same bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "definitions/encoding.h"
#include "platform/text.h"
#include "tests/unit/update/update_records.h"
#include "update/applier.h"

namespace sorvane::update {
namespace {

std::string lowerName(std::string_view clear) {
    std::string out(clear.substr(0, clear.find('=')));
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) c = static_cast<char>(u + 0x20);
    }
    return out;
}

std::string modelStoredName(std::string_view stored) { return lowerName(definitions::DecodeLine(stored)); }

std::string modelPayloadName(std::string_view payload) {
    std::string clear;
    for (char c : payload) clear += (c == '|' || c == '=') ? c : definitions::DecodeLine(std::string(1, c))[0];
    return lowerName(clear);
}

FileUpdate model(std::size_t file, const std::string& old, const std::vector<UpdateRecord>& records, bool custom) {
    FileUpdate result;
    std::string additions;
    std::unordered_set<std::string> deletions;
    for (const UpdateRecord& r : records) {
        if (!SectionAccepted(file, r.section)) continue;
        if (r.action == "ADD") {
            const std::string line = WrittenLine(file, r);
            additions += line + "\r\n";
            ++result.added;
            deletions.erase(modelStoredName(line));
        } else if (r.action == "DEL") {
            deletions.insert(modelPayloadName(r.payload));
        }
    }
    if (custom) {
        result.content = additions;
        return result;
    }
    std::string content = old;
    if (!content.empty() && !additions.empty() && content.back() != '\n' && content.back() != '\r') content += "\r\n";
    content += additions;
    if (deletions.empty()) {
        result.content = content;
        return result;
    }
    result.deletionPass = true;
    for (const std::string& line : text::lines(content)) {
        if (line.empty() || line == " " || deletions.count(modelStoredName(line)) != 0) continue;
        result.content += line + "\r\n";
    }
    return result;
}

// Short names from a small alphabet with both letter cases, Latin-1 capitals and separators.
// 0x90 and 0x8D are stored as CR and LF: line ends inside payloads and lines. "s" names the
// lines of Safety's sections.
std::string randomText(std::mt19937& random, std::size_t maxLength) {
    static const std::string alphabet = "aAbB=|^ \xC0\xE0" "c\x90\x8Ds";
    std::string out(random() % (maxLength + 1), ' ');
    for (char& c : out) c = alphabet[random() % alphabet.size()];
    return out;
}

// Random files and update texts against the model; lines and payloads up to the lengths given.
void compareWithModel(unsigned seed, int rounds, std::size_t lineLength, std::size_t payloadLength) {
    // "S=a" and "s\x90" reach Safety with a name's end and a line end in the stored section.
    static const char* sections[] = {"FILE", "EXE", "DLL", "REG", "COOK", "DIR", "SFILE", "SREG", "X", "S=a", "s\x90"};
    static const char* actions[] = {"ADD", "DEL", "DEL", "add", ""};
    static const char* lineEnds[] = {"\r\n", "\n", "\r", ""};
    std::mt19937 random(seed);
    for (int round = 0; round < rounds; ++round) {
        std::string old;
        for (std::size_t i = random() % 12; i > 0; --i)
            old += definitions::EncodeLine(randomText(random, lineLength)) + lineEnds[random() % 4];
        std::string text;
        for (std::size_t i = random() % 16; i > 0; --i) {
            text += testing::record(sections[random() % std::size(sections)], actions[random() % 5],
                                    randomText(random, payloadLength));
            text += random() % 3 == 0 ? " [br] " : "[BR]";
        }
        const std::vector<UpdateRecord> records = ParseUpdateText(text);
        // The one pass over the text that routes records to their files, and the pass a file over the records.
        UpdateChanges changes(text);
        for (std::size_t file = 0; file < UpdateFileCount; ++file) {
            for (bool custom : {false, true}) {
                const FileUpdate expected = model(file, old, records, custom);
                for (const FileUpdate& got : {UpdateFileContent(file, old, records, custom), changes.apply(file, old, custom)}) {
                    ASSERT_EQ(got.content, expected.content) << "round " << round << " file " << file;
                    ASSERT_EQ(got.added, expected.added);
                    ASSERT_EQ(got.deletionPass, expected.deletionPass);
                }
            }
        }
    }
}

TEST(UpdateApplier, GivesTheBytesOfThePlainModelOnRandomUpdates) { compareWithModel(26, 400, 6, 8); }

// Names longer than the eight bytes the applier reads at a step, and of every length around it.
TEST(UpdateApplier, GivesTheBytesOfThePlainModelWithLongNames) { compareWithModel(29, 300, 40, 48); }

// Each file names an added line from a part of its payload where it can, without writing the
// line: a deletion of the very name the line has, before and after the addition, must meet it
// however the payload and section look (a "=" or a stored line end in the section, the key or
// the name; a "|" in a cookie pattern).
TEST(UpdateApplier, AnAdditionMeetsADeletionOfTheNameItsLineHas) {
    static const std::pair<const char*, const char*> cases[] = {
        {"FILE", "Ab.exe=x|y"}, {"FILE", "a\x90" "b=x"}, {"DIR", "c:\\x\x8D"}, {"EXE", "=x"},
        {"REG", "N=T|2^Soft\\Ab|note"}, {"REG", "N=T|2^Soft=a|note"}, {"REG", "N=T|2^S\x90" "a|n"}, {"REG", "N=T"},
        {"REG", "N=T|2^Sa=\x90|n"}, {"COOK", "Ab|c.example=x"}, {"COOK", "a\x8D" "b"}, {"COOK", "a=b|c"},
        {"SFILE", "Ab.exe=x"}, {"S=a", "Ab=x"}, {"s\x90", "Ab=x"}, {"SREG", "a\x90=x"}, {"sx", "\xC0" "b|c"}};
    for (const auto& [section, payload] : cases) {
        const std::string add = testing::record(section, "ADD", payload);
        const UpdateRecord addition = ParseUpdateText(add).at(0);
        for (std::size_t file = 0; file < UpdateFileCount; ++file) {
            if (!SectionAccepted(file, section)) continue;
            const std::string line = WrittenLine(file, addition);
            const std::string del = testing::record(section, "DEL", lowerName(definitions::DecodeLine(line)));
            const std::string old = line + "\r\n" + definitions::EncodeLine("other=1") + "\r\n";
            for (const std::string& text : {del + "[BR]" + add, add + "[BR]" + del}) {
                const FileUpdate expected = model(file, old, ParseUpdateText(text), false);
                const FileUpdate got = UpdateChanges(text).apply(file, old, false);
                EXPECT_EQ(got.content, expected.content) << section << " " << payload << " file " << file;
                EXPECT_EQ(got.deletionPass, expected.deletionPass) << section << " " << payload;
            }
        }
    }
}

// The update text split as its rules say, one character at a time.
std::vector<UpdateRecord> modelParse(std::string_view text) {
    std::vector<UpdateRecord> records;
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i + 4 <= text.size(); ++i) {
        if (text::equalsNoCase(text.substr(i, 4), "[BR]")) {
            pieces.push_back(text.substr(start, i - start));
            start = i + 4;
            i += 3;
        }
    }
    pieces.push_back(text.substr(start));
    for (std::string_view piece : pieces) {
        while (!piece.empty() && piece.front() == ' ') piece.remove_prefix(1);
        while (!piece.empty() && piece.back() == ' ') piece.remove_suffix(1);
        if (piece.empty()) continue;
        const std::size_t def = piece.find("[DEF]");
        const std::string_view header = piece.substr(0, def);
        const std::size_t bar = header.find('|');
        records.push_back({definitions::DecodeLine(header.substr(0, bar)),
                           bar == std::string_view::npos ? std::string_view() : header.substr(bar + 1),
                           def == std::string_view::npos ? std::string_view() : piece.substr(def + 5)});
    }
    return records;
}

// Texts thick with brackets, breaks in every letter case, spaces and "[DEF]", at lengths around
// the sixteen bytes the reader looks at a time.
TEST(UpdateText, SplitsAsThePlainRulesDo) {
    static const char* pieces[] = {"[", "]", "[BR]", "[bR]", "[br", "[DEF]", "[DEF", "[def]", " ", "|", "a", "ADD",
                                   "DEL", "[[", "xxxxxxxxxxxxxxx", "\xFF"};
    std::mt19937 random(16);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (std::size_t i = random() % 24; i > 0; --i) text += pieces[random() % std::size(pieces)];
        const std::vector<UpdateRecord> expected = modelParse(text);
        const std::vector<UpdateRecord> got = ParseUpdateText(text);
        ASSERT_EQ(got.size(), expected.size()) << text;
        for (std::size_t i = 0; i < got.size(); ++i) {
            ASSERT_EQ(got[i].section, expected[i].section) << text;
            ASSERT_EQ(got[i].action, expected[i].action) << text;
            ASSERT_EQ(got[i].payload, expected[i].payload) << text;
            ASSERT_EQ(got[i].payload.data(), expected[i].payload.data()) << text;
        }
    }
}

TEST(UpdateApplier, NamesFromThePayloadAndFromTheStoredLineAgree) {
    std::mt19937 random(29);
    for (int i = 0; i < 2000; ++i) {
        std::string payload = randomText(random, 10);
        payload += static_cast<char>(random() % 256);
        std::string encoded;
        for (char c : payload) encoded += (c == '|' || c == '=') ? std::string(1, c) : definitions::EncodeLine(std::string(1, c));
        EXPECT_EQ(PayloadName(encoded), modelPayloadName(encoded));
        EXPECT_EQ(StoredLineName(encoded), modelStoredName(encoded));
        EXPECT_EQ(ClearLineName(payload), lowerName(payload));
    }
}

// Every byte, in names long enough to be named many bytes a step and with a tail named one by one.
TEST(UpdateApplier, NamesEveryByteAsThePlainRulesDo) {
    for (int code = 0; code < 256; ++code) {
        for (std::size_t length : {1u, 7u, 8u, 17u, 33u}) {
            const std::string name(length, static_cast<char>(code));
            EXPECT_EQ(PayloadName(name), modelPayloadName(name)) << code << " " << length;
            EXPECT_EQ(StoredLineName(name), modelStoredName(name)) << code << " " << length;
            EXPECT_EQ(PayloadName("ab" + name + "=x"), modelPayloadName("ab" + name + "=x")) << code;
        }
    }
}

}  // namespace
}  // namespace sorvane::update
