#include <gtest/gtest.h>

#include "app/definition_files.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_locale.h"

namespace sorvane::app {
namespace {

constexpr const char* Folder = "C:\\Program Files\\Sorvane";

std::string at(const char* name) { return platform::JoinPath(Folder, name); }

TEST(DefinitionFiles, DownloadedCopiesReplaceTheLiveFilesExceptTheFolderList) {
    fakes::FakeFileSystem files;
    files.addFile(at("FileDefinition.dat"), "old\r\n");
    files.addFile(at("DLFileDefinition.dat"), "new1\r\nnew2\r\n");
    files.addFile(at("DLRegistryDefinition.dat"), "reg\r\n");  // no live file yet
    files.addFile(at("DirectoryDefinition.dat"), "dir\r\n");
    files.addFile(at("DLDirectoryDefinition.dat"), "waiting\r\n");
    // A live file that cannot be deleted keeps its copy waiting; the others go on.
    files.addFile(at("ExeDefinition.dat"), "exe\r\n");
    files.addFile(at("DLExeDefinition.dat"), "newexe\r\n");
    files.setInUse(at("ExeDefinition.dat"));
    files.addFile(at("DLBlockedCookies.dat"), "cookie\r\n");

    InstallDownloadedDefinitions(files, Folder);

    EXPECT_EQ(files.content(at("FileDefinition.dat")), "new1\r\nnew2\r\n");
    EXPECT_FALSE(files.exists(at("DLFileDefinition.dat")));
    EXPECT_EQ(files.content(at("RegistryDefinition.dat")), "reg\r\n");
    EXPECT_EQ(files.content(at("BlockedCookies.dat")), "cookie\r\n");
    EXPECT_EQ(files.content(at("DirectoryDefinition.dat")), "dir\r\n");
    EXPECT_TRUE(files.exists(at("DLDirectoryDefinition.dat")));
    EXPECT_EQ(files.content(at("ExeDefinition.dat")), "exe\r\n");
    EXPECT_TRUE(files.exists(at("DLExeDefinition.dat")));
}

TEST(DefinitionFiles, LineCountsFollowTheLineEnds) {
    fakes::FakeFileSystem files;
    files.addFile(at("empty.txt"), "");
    files.addFile(at("crlf.txt"), "a\r\nb\r\n");
    files.addFile(at("open.txt"), "a\r\nb");
    files.addFile(at("mixed.txt"), "a\nb\rc\r\n\r\n");
    EXPECT_EQ(CountFileLines(files, at("empty.txt")), 0);
    EXPECT_EQ(CountFileLines(files, at("crlf.txt")), 2);
    EXPECT_EQ(CountFileLines(files, at("open.txt")), 2);
    EXPECT_EQ(CountFileLines(files, at("mixed.txt")), 4);
    EXPECT_EQ(CountFileLines(files, at("missing.txt")), 0);

    // A CR LF pair split across two read pieces still counts once.
    std::string big(1 << 20, 'x');
    big.back() = '\r';
    files.addFile(at("split.txt"), big + "\nlast");
    EXPECT_EQ(CountFileLines(files, at("split.txt")), 2);
}

TEST(DefinitionFiles, CountsSkipMissingFiles) {
    fakes::FakeFileSystem files;
    files.addFile(at("BlockedCookies.dat"), "1\r\n2\r\n3\r\n");
    files.addFile(at("ExeDefinition.dat"), "1\r\n");
    files.addFile(at("DirectoryDefinition.dat"), "1\r\n2\r\n");
    const DefinitionCounts counts = CountDefinitions(files, Folder);
    EXPECT_EQ(counts.cookies, 3);
    EXPECT_EQ(counts.exe, 1);
    EXPECT_EQ(counts.registry, 0);
    EXPECT_EQ(counts.file, 0);
    EXPECT_EQ(counts.directory, 2);
    EXPECT_EQ(counts.total(), 6);
}

TEST(DefinitionFiles, MissingFileAndDeletion) {
    fakes::FakeFileSystem files;
    for (const char* name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat", "BlockedCookies.dat",
                             "DirectoryDefinition.dat", "date.dat", "Safety.dat"})
        files.addFile(at(name), "x\r\n");
    EXPECT_EQ(FirstMissingDefinitionFile(files, Folder), "");
    ASSERT_TRUE(files.deleteFile(at("BlockedCookies.dat")).ok());
    ASSERT_TRUE(files.deleteFile(at("ExeDefinition.dat")).ok());
    EXPECT_EQ(FirstMissingDefinitionFile(files, Folder), "ExeDefinition.dat");

    DeleteDefinitionFiles(files, Folder);
    for (const char* name : {"FileDefinition.dat", "RegistryDefinition.dat", "DirectoryDefinition.dat", "date.dat"})
        EXPECT_FALSE(files.exists(at(name))) << name;
    EXPECT_TRUE(files.exists(at("Safety.dat")));
}

TEST(DefinitionFiles, DefinitionsDate) {
    fakes::FakeFileSystem files;
    fakes::FakeLocale locale;
    EXPECT_EQ(ReadDefinitionsDate(files, locale, Folder), "3/16/2006 12:00:00 AM");
    files.addFile(at("date.dat"), "5/1/2024 10:00:00 AM\r\n");
    EXPECT_EQ(ReadDefinitionsDate(files, locale, Folder), "5/1/2024 10:00:00 AM");
    // Written in the code page, read back in it: a marker outside ASCII stays readable.
    files.addFile(at("date.dat"), "1.5.2024 10:00:00 a.\xE9.\r\n");
    EXPECT_EQ(ReadDefinitionsDate(files, locale, Folder), "1.5.2024 10:00:00 a.\xC3\xA9.");
}

}  // namespace
}  // namespace sorvane::app
