#include <gtest/gtest.h>

#include <sstream>

#include "definitions/encoding.h"
#include "definitions/toolkit.h"
#include "platform/limits.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_locale.h"
#include "tests/fakes/fake_shell.h"

namespace sorvane::definitions {
namespace {

TEST(Toolkit, KindsFromNamesAndFiles) {
    EXPECT_EQ(RecordKindOfFile("C:\\app\\RegistryDefinition.dat"), RecordKind::Registry);
    EXPECT_EQ(RecordKindOfFile("data/DirectoryDefinition.txt"), RecordKind::Folder);
    EXPECT_EQ(RecordKindOfFile("FileDefinition.dat"), RecordKind::File);
    EXPECT_EQ(RecordKindOfFile("ExeDefinition.dat"), RecordKind::Process);
    EXPECT_EQ(RecordKindOfFile("BlockedCookies.dat"), RecordKind::Cookie);
    EXPECT_EQ(RecordKindOfFile("Safety.dat"), RecordKind::Safe);
    EXPECT_FALSE(RecordKindOfFile("Exe\\notes.txt"));
    EXPECT_EQ(RecordKindFromName("folder"), RecordKind::Folder);
    EXPECT_FALSE(RecordKindFromName("Folder"));
}

TEST(Toolkit, LintReportsEveryLineWithItsNumber) {
    fakes::FakeFileSystem files;
    fakes::FakeLocale locale;
    fakes::FakeShell shell{fakes::FakeShell::Layout::WindowsXp};
    const PathMacros macros(shell);
    files.addFile("RegistryDefinition.dat",
              EncodeText("2^Software\\Foo^Path=C:\\x=Bad\r\n7^Software\\Foo^=Bad\r\n" +
                         std::string(limits::MaxDefinitionLine + 1, 'x') + "\r\n1^Software\\Bad^=BadBar|Hijacker\r\n"));
    std::ostringstream out;
    const auto summary = LintDefinitionFile(files, locale, macros, "RegistryDefinition.dat", RecordKind::Registry, true, out);
    EXPECT_EQ(summary.outcome, ReadOutcome::Finished);
    EXPECT_EQ(summary.lines, 4u);
    EXPECT_EQ(summary.skipped, 2u);
    EXPECT_EQ(out.str(),
              "1: registry value hive=HKEY_LOCAL_MACHINE key=\"Software\\Foo\" value=\"Path=C:\\x\" threat=\"Bad\" "
              "note=\"\" item=\"HKEY_LOCAL_MACHINE\\Software\\FooPath=C:\\x\"\n"
              "2: skipped: hive code \"7\" is not 0 to 5\n"
              "3: skipped: longer than 65536 bytes\n"
              "4: registry key hive=HKEY_CURRENT_USER key=\"Software\\Bad\" value=\"\" threat=\"BadBar\" "
              "note=\"Hijacker\" item=\"HKEY_CURRENT_USER\\Software\\Bad\"\n"
              "4 lines, 2 skipped\n");
    std::ostringstream none;
    EXPECT_EQ(LintDefinitionFile(files, locale, macros, "gone.dat", RecordKind::File, true, none).outcome,
              ReadOutcome::Missing);
}

TEST(Toolkit, DescriptionsOfEachKind) {
    fakes::FakeShell shell{fakes::FakeShell::Layout::WindowsXp};
    const PathMacros macros(shell);
    const auto describe = [&](RecordKind kind, const std::string& line) {
        std::ostringstream out;
        const bool used = DescribeDefinitionLine(kind, line, macros, out);
        return std::pair{used, out.str()};
    };
    EXPECT_EQ(describe(RecordKind::File, "a.exe=Adw"),
              std::pair(true, std::string("file name=\"a.exe\" threat=\"Adw\" note=\"\" path=\"a.exe\" "
                                          "(no folder: looked up in the current folder)")));
    EXPECT_EQ(describe(RecordKind::Folder, "x=T|[progfil]T").second,
              "folder label=\"x\" threat=\"T\" note=\"\" path=\"C:\\Program Files\\T\"");
    EXPECT_EQ(describe(RecordKind::Process, "a.exe=T|[system]").second,
              "process name=\"a.exe\" threat=\"T\" folder=\"[system]\" path=\"C:\\WINDOWS\\system32\\a.exe\"");
    EXPECT_EQ(describe(RecordKind::Safe, "SDIR|w|[windir]").second, "safe entry=\"C:\\WINDOWS\\\"");
    EXPECT_EQ(describe(RecordKind::Cookie, "*.ads.example").first, false);
    EXPECT_EQ(describe(RecordKind::Cookie, "").first, false);
    EXPECT_EQ(describe(RecordKind::Cookie, "*ads.example").first, true);
    EXPECT_EQ(describe(RecordKind::Folder, "no bar").second, "skipped: no \"|\" before the folder");
}

}  // namespace
}  // namespace sorvane::definitions
