#include "scan/company_name.h"

#include <gtest/gtest.h>

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

    // An empty company entry runs into the next key: cut at the first control byte.
    files.addFile("C:\\empty.exe", testing::versionResource(""));
    EXPECT_EQ(CompanyNameOf(files, "C:\\empty.exe"), "");

    files.addFile("C:\\none.exe", "MZ no resource here");
    EXPECT_EQ(CompanyNameOf(files, "C:\\none.exe"), "");
    EXPECT_EQ(CompanyNameOf(files, "C:\\missing.exe"), "");
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

TEST(CompanyNameTest, MicrosoftIgnoresCaseAndBlanks) {
    EXPECT_TRUE(IsMicrosoftCompany("  MICROSOFT Corporation "));
    EXPECT_FALSE(IsMicrosoftCompany("Microsoft Corp."));
}

}  // namespace
}  // namespace sorvane::scan
