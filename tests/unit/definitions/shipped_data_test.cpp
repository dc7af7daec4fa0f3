#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "definitions/encoding.h"
#include "definitions/safe_list.h"
#include "definitions/toolkit.h"
#include "platform/text.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_locale.h"
#include "tests/fakes/fake_shell.h"

namespace sorvane::definitions {
namespace {

const char* const names[] = {"ExeDefinition", "RegistryDefinition", "FileDefinition",
                             "DirectoryDefinition", "BlockedCookies", "Safety"};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string source(const std::string& name) {
    return slurp(std::string(SORVANE_SOURCE_DIR) + "/data/definitions/" + name + ".txt");
}

TEST(ShippedDefinitions, BuiltFilesDecodeToTheirSourcesByteForByte) {
    for (const std::string name : names) {
        const auto clear = source(name);
        ASSERT_FALSE(clear.empty()) << name;
        const auto built = slurp(std::string(SORVANE_DEFINITIONS_DIR) + "/" + name + ".dat");
        EXPECT_EQ(built, EncodeText(clear)) << name;
        EXPECT_EQ(DecodeText(built), clear) << name;
    }
}

TEST(ShippedDefinitions, SourcesAreAsciiLinesEndingInCrLf) {
    for (const std::string name : names) {
        const auto clear = source(name);
        ASSERT_GE(clear.size(), 2u);
        EXPECT_EQ(clear.substr(clear.size() - 2), "\r\n") << name;
        for (std::size_t i = 0; i < clear.size(); ++i) {
            const auto c = static_cast<unsigned char>(clear[i]);
            ASSERT_TRUE((c >= 0x20 && c < 0x7F) || (c == '\r' && clear[i + 1] == '\n') || (c == '\n' && clear[i - 1] == '\r'))
                << name << " byte " << i;
        }
    }
}

TEST(ShippedDefinitions, EveryLineIsReadAsIntendedAndTheTestThreatIsEverywhere) {
    fakes::FakeFileSystem files;
    fakes::FakeLocale locale;
    fakes::FakeShell shell{fakes::FakeShell::Layout::WindowsXp};
    const PathMacros macros(shell);
    std::size_t total = 0;
    for (const std::string name : names) {
        files.addFile(name + ".txt", source(name));
        std::ostringstream out;
        const auto summary = LintDefinitionFile(files, locale, macros, name + ".txt", *RecordKindOfFile(name), false, out);
        EXPECT_EQ(summary.outcome, ReadOutcome::Finished);
        EXPECT_EQ(summary.skipped, 0u) << out.str();
        if (name != "Safety") {
            EXPECT_TRUE(text::containsNoCase(out.str(), "Sorvane-Test-Threat")) << name;
        }
        for (const auto& line : text::lines(out.str())) {
            auto located = line.find(" path=");
            if (located == std::string::npos) located = line.find(" entry=");
            if (located == std::string::npos) continue;
            EXPECT_EQ(line.find('[', located), std::string::npos) << line;
        }
        total += summary.lines;
    }
    EXPECT_GE(total, 150u);
}

TEST(ShippedDefinitions, SafetyKeepsSystemFoldersButNotTheTestThreat) {
    fakes::FakeFileSystem files;
    fakes::FakeLocale locale;
    fakes::FakeShell shell{fakes::FakeShell::Layout::WindowsXp};
    const PathMacros macros(shell);
    files.addFile("Safety.dat", EncodeText(source("Safety")));
    SafeList safe;
    safe.LoadSafeList(files, locale, "Safety.dat", macros);
    for (const char* item : {"C:\\WINDOWS", "c:\\windows\\system32\\", "C:\\Program Files", "C:\\",
                             "C:\\WINDOWS\\explorer.exe", "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                             "HKEY_CURRENT_USER\\Software", "Sorvane.exe", "C:\\Program Files\\Sorvane\\SorvaneCmd.exe"})
        EXPECT_TRUE(safe.IsSafe(item)) << item;
    for (const char* item : {"C:\\Program Files\\Sorvane-Test-Threat", "C:\\Program Files\\Sorvane-Test-Threat\\sorvane-test-threat.exe",
                             "HKEY_CURRENT_USER\\Software\\Sorvane-Test-Threat",
                             "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunSorvane-Test-Threat",
                             "C:\\Program Files\\Gator"})
        EXPECT_FALSE(safe.IsSafe(item)) << item;
}

}  // namespace
}  // namespace sorvane::definitions
