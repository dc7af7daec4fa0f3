#include "scan/company_name.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/fakes/fake_file_system.h"
#include "tests/unit/scan/scan_fixture.h"

namespace sorvane::scan {
namespace {

TEST(CompanyNameTest, ReadsWideAndSingleByteFormsAndEmptyEntries) {
    fakes::FakeFileSystem files;
    files.addFile("C:\\wide.exe", testing::versionResource("Acme Ltd"));
    EXPECT_EQ(CompanyNameOf(files, "C:\\wide.exe"), "Acme Ltd");

    std::string narrow = "MZ....StringFileInfo....CompanyName" + std::string(1, '\0') + "Narrow Inc" +
                         std::string(3, '\0') + "more";
    // The value starts 12 bytes after the single-byte key.
    narrow.insert(narrow.find("Narrow"), "pad");
    files.addFile("C:\\narrow.exe", narrow);
    EXPECT_EQ(CompanyNameOf(files, "C:\\narrow.exe"), "padNarrow Inc");

    // A company value of zero length as a fake writes it: three zero bytes end it at once.
    files.addFile("C:\\empty.exe", testing::versionResource(""));
    EXPECT_EQ(CompanyNameOf(files, "C:\\empty.exe"), "");

    files.addFile("C:\\none.exe", "MZ no resource here");
    EXPECT_EQ(CompanyNameOf(files, "C:\\none.exe"), "");
    EXPECT_EQ(CompanyNameOf(files, "C:\\missing.exe"), "");
}

// One String entry of a version resource as linkers write it: length, value length and
// type words, the key with its terminator, padding to four bytes, then the value.
std::string stringEntry(std::string_view key, std::string_view value) {
    auto wide = [](std::string_view text) {
        std::string out;
        for (char c : text) out += {c, '\0'};
        return out + std::string(2, '\0');
    };
    std::string body = wide(key);
    std::string entry(6, '\0');
    entry += body;
    while (entry.size() % 4 != 0) entry += '\0';
    if (!value.empty()) entry += wide(value);
    entry[0] = static_cast<char>(entry.size());
    entry[2] = static_cast<char>(value.empty() ? 0 : value.size() + 1);
    entry[4] = 1;
    while (entry.size() % 4 != 0) entry += '\0';
    return entry;
}

TEST(CompanyNameTest, AnEmptyCompanyEntryThatRunsIntoTheNextKeyIsCutAtTheFirstControlByte) {
    fakes::FakeFileSystem files;
    auto wide = [](std::string_view text) {
        std::string out;
        for (char c : text) out += {c, '\0'};
        return out;
    };
    const std::string table = std::string(6, '\0') + wide("040904b0") + std::string(2, '\0') +
                              stringEntry("CompanyName", "") + stringEntry("FileDescription", "Tool") +
                              stringEntry("FileVersion", "1.0");
    const std::string resource = "MZ" + std::string(62, 'x') + wide("StringFileInfo") + std::string(4, '\0') + table;
    files.addFile("C:\\empty.exe", resource);
    // The company value starts at the next entry's length word: only the text before the
    // first control byte is kept, never the next entry's key.
    const auto next = stringEntry("FileDescription", "Tool");
    EXPECT_EQ(CompanyNameOf(files, "C:\\empty.exe"), std::string(1, next[0]));

    files.addFile("C:\\named.exe", "MZ" + std::string(62, 'x') + wide("StringFileInfo") + std::string(4, '\0') +
                                         std::string(6, '\0') + wide("040904b0") + std::string(2, '\0') +
                                         stringEntry("CompanyName", "Acme Ltd") +
                                         stringEntry("FileDescription", "Tool"));
    EXPECT_EQ(CompanyNameOf(files, "C:\\named.exe"), "Acme Ltd");
}

TEST(CompanyNameTest, KeysAcrossTheReadWindowBorderAreFound) {
    fakes::FakeFileSystem files;
    // Place the key so that it straddles the first 1 MiB window.
    const std::size_t border = 1024 * 1024;
    auto bytes = testing::versionResource("Border Co", 0);
    std::size_t keyOffset = bytes.find(std::string("C\0o\0m", 5));
    std::string file(border - keyOffset - 7, 'z');
    files.addFile("C:\\big.exe", file + bytes);
    EXPECT_EQ(CompanyNameOf(files, "C:\\big.exe"), "Border Co");
}

// The company as the four searches of the resource's description find it, over bytes in memory.
std::string companyBySearches(const std::string& bytes) {
    auto wide = [](std::string_view text) {
        std::string out;
        for (char c : text) out += {c, '\0'};
        return out;
    };
    auto find = [&](const std::string& needle, std::size_t from) { return bytes.find(needle, from); };
    std::size_t key = std::string::npos;
    std::size_t start = 0;
    bool wideForm = true;
    if (auto section = find(wide("StringFileInfo"), 0); section != std::string::npos)
        key = find(wide("CompanyName"), section);
    if (key != std::string::npos) {
        start = key + 26;
    } else {
        wideForm = false;
        auto section = find("StringFileInfo", 0);
        key = find("CompanyName", section == std::string::npos ? 0 : section);
        if (key == std::string::npos) return {};
        start = key + 12;
    }
    std::string_view rest = start < bytes.size() ? std::string_view(bytes).substr(start) : std::string_view();
    std::string_view value = rest.substr(0, rest.find(std::string_view("\0\0\0", 3)));
    std::string next = wideForm ? wide("FileDescription") : std::string("FileDescription");
    if (wideForm) next.pop_back();
    if (value.find(next) != std::string_view::npos) {
        auto ahead = rest.substr(0, 255);
        std::size_t cut = 0;
        while (cut < ahead.size() && static_cast<unsigned char>(ahead[cut]) >= 32) ++cut;
        value = ahead.substr(0, cut);
    }
    std::string company;
    for (char c : value)
        if (c != '\0') company += c;
    return company;
}

TEST(CompanyNameTest, OneReadOfEachByteGivesWhatTheSearchesOneByOneGive) {
    std::mt19937 random(15);
    auto wide = [](std::string_view text) {
        std::string out;
        for (char c : text) out += {c, '\0'};
        return out;
    };
    const std::vector<std::string> pieces{wide("StringFileInfo"), "StringFileInfo", wide("CompanyName"), "CompanyName",
                                          wide("FileDescription"), "FileDescription", wide("Acme"), "Acme",
                                          std::string(3, '\0'), std::string(1, '\0'), "\x01", "xyz"};
    for (int round = 0; round < 2000; ++round) {
        fakes::FakeFileSystem files;
        std::string bytes;
        const int count = static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i) bytes += pieces[random() % pieces.size()];
        files.addFile("C:\\t.exe", bytes);
        EXPECT_EQ(CompanyNameOf(files, "C:\\t.exe"), companyBySearches(bytes)) << "round " << round;
        EXPECT_LE(files.bytesRead("C:\\t.exe"), bytes.size()) << "round " << round;
    }
}

TEST(CompanyNameTest, ALargeFileIsReadOnceWhateverItHolds) {
    fakes::FakeFileSystem files;
    const std::size_t size = 3 * 1024 * 1024 + 17;
    // Nothing to find: every search runs to the end of the file.
    files.addFile("C:\\plain.exe", std::string(size, 'q'));
    EXPECT_EQ(CompanyNameOf(files, "C:\\plain.exe"), "");
    EXPECT_EQ(files.bytesRead("C:\\plain.exe"), size);
    // Only the single-byte form, past the first window: found from the one pass.
    std::string narrow(size, 'q');
    narrow += "StringFileInfo....CompanyName" + std::string(1, '\0') + "padNarrow Inc" + std::string(3, '\0');
    files.addFile("C:\\narrow.exe", narrow);
    EXPECT_EQ(CompanyNameOf(files, "C:\\narrow.exe"), "padNarrow Inc");
    EXPECT_EQ(files.bytesRead("C:\\narrow.exe"), narrow.size());
}

TEST(CompanyNameTest, MicrosoftIgnoresCaseAndBlanks) {
    EXPECT_TRUE(IsMicrosoftCompany("  MICROSOFT Corporation "));
    EXPECT_FALSE(IsMicrosoftCompany("Microsoft Corp."));
}

}  // namespace
}  // namespace sorvane::scan
