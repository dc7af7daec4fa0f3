#include <gtest/gtest.h>

#include <algorithm>

#include "removal/quarantine.h"
#include "tests/fakes/fake_platform.h"

namespace sorvane::removal {
namespace {

constexpr const char* Folder = "C:\\Program Files\\Sorvane\\quarantine";
constexpr const char* LogPath = "C:\\Program Files\\Sorvane\\quarantine\\QuarantineLog.txt";

// Copies that come out damaged, as from a failing disk: verification must catch them.
class DamagingFiles : public fakes::FakeFileSystem {
public:
    bool damageCopies = false;
    int copies = 0;
    platform::Status copyFile(std::string_view from, std::string_view to, bool failIfExists) override {
        auto status = FakeFileSystem::copyFile(from, to, failIfExists);
        if (status.ok()) ++copies;
        if (status.ok() && damageCopies) {
            std::string bytes = content(to).value_or("");
            bytes.push_back('!');
            (void)writeFile(to, bytes);
        }
        return status;
    }
};

class QuarantineTest : public ::testing::Test {
protected:
    QuarantineTest() {
        files.addFolder("C:\\Program Files\\Sorvane");
        files.addFolder("C:\\Bad");
        files.addFolder("C:\\Other");
        locale.setNow({2006, 3, 16, 21, 5, 7});
        (void)quarantine.createFolder();
        log.setEnabled(true);
    }
    std::string logText() { return files.content(LogPath).value_or(""); }
    long lineCount() {
        const std::string text = logText();
        return std::count(text.begin(), text.end(), '\n');
    }
    static std::string kept(const std::string& name) { return std::string(Folder) + "\\" + name; }
    std::string bytesOf(const std::string& path) { return files.content(path).value_or("<missing>"); }

    DamagingFiles files;
    fakes::FakeLocale locale;
    QuarantineLog log{files, locale, LogPath};
    fakes::FakeSignatures signatures;
    int yields = 0;
    Quarantine quarantine{files, signatures, log, Folder, [this] { ++yields; }};
};

TEST_F(QuarantineTest, LogEntriesAreFourAnsiLinesWithCrLf) {
    log.logQuarantinedFile("C:\\Bad\\caf\xC3\xA9.exe", "caf\xC3\xA9.exe");
    log.logRemovedRegistryEntry("HKEY_LOCAL_MACHINE\\Software\\Example", "");
    log.logRemovedRegistryEntry("HKEY_CURRENT_USER\\Software\\Example", "All Values");
    EXPECT_EQ(logText(),
              "3/16/2006 9:05:07 PM - File: caf\xE9.exe\r\n - Location: C:\\Bad\\caf\xE9.exe\r\n\r\n\r\n"
              "3/16/2006 9:05:07 PM - Key: HKEY_LOCAL_MACHINE\\Software\\Example\r\nValue: \r\n\r\n\r\n"
              "3/16/2006 9:05:07 PM - Key: HKEY_CURRENT_USER\\Software\\Example\r\nValue: All Values\r\n\r\n\r\n");

    log.setEnabled(false);
    log.logQuarantinedFile("C:\\Bad\\x.exe", "x.exe");
    log.logRemovedRegistryEntry("HKEY_USERS\\x", "y");
    EXPECT_EQ(lineCount(), 12);
}

TEST(QuarantineNames, CandidatesKeepTheExtension) {
    EXPECT_EQ(candidateFileName("setup.exe", 1), "setup.exe");
    EXPECT_EQ(candidateFileName("setup.exe", 2), "setup (2).exe");
    EXPECT_EQ(candidateFileName("archive.tar.gz", 3), "archive.tar (3).gz");
    EXPECT_EQ(candidateFileName("README", 2), "README (2)");
    EXPECT_EQ(candidateFileName(".profile", 2), ".profile (2)");
    EXPECT_EQ(fileNamePart("C:\\a\\b.dll"), "b.dll");
    EXPECT_EQ(fileNamePart("nobackslash"), "nobackslash");
}

TEST_F(QuarantineTest, SameNamedFilesAreAllKeptAndIdenticalOnesOnlyOnce) {
    files.addFile("C:\\Bad\\setup.exe", "first");
    files.addFile("C:\\Other\\setup.exe", "second, longer");
    files.addFile("C:\\Other\\SETUP.EXE.copy", "x");
    EXPECT_EQ(quarantine.storeFile("C:\\Bad\\setup.exe"), "setup.exe");
    EXPECT_EQ(quarantine.storeFile("C:\\Other\\setup.exe"), "setup (2).exe");
    EXPECT_EQ(files.copies, 2);

    // The same bytes again, under either name, are already kept.
    files.addFile("C:\\Bad\\again\\setup.exe", "second, longer");
    files.addFolder("C:\\Bad\\again");
    files.addFile("C:\\Bad\\again\\setup.exe", "second, longer");
    EXPECT_EQ(quarantine.storeFile("C:\\Bad\\again\\setup.exe"), "setup (2).exe");
    EXPECT_EQ(quarantine.storeFile("C:\\Bad\\setup.exe"), "setup.exe");
    EXPECT_EQ(files.copies, 2);

    // Same size, different bytes: a third name.
    files.addFile("C:\\Bad\\again\\setup.exe", "third");
    EXPECT_EQ(quarantine.storeFile("C:\\Bad\\again\\setup.exe"), "setup (3).exe");
    EXPECT_EQ(bytesOf(kept("setup.exe")), "first");
    EXPECT_EQ(bytesOf(kept("setup (2).exe")), "second, longer");
    EXPECT_EQ(bytesOf(kept("setup (3).exe")), "third");
}

TEST_F(QuarantineTest, LargeFilesAreComparedAcrossChunks) {
    std::string big(3 * 1024 * 1024 + 17, 'a');
    files.addFile("C:\\Bad\\big.bin", big);
    EXPECT_EQ(quarantine.storeFile("C:\\Bad\\big.bin"), "big.bin");
    big[2 * 1024 * 1024 + 5] = 'b';
    files.addFile("C:\\Other\\big.bin", big);
    EXPECT_EQ(quarantine.storeFile("C:\\Other\\big.bin"), "big (2).bin");
}

TEST_F(QuarantineTest, FileIsDeletedOnlyAfterAVerifiedCopyAndLoggedUnderItsKeptName) {
    files.addFile("C:\\Bad\\setup.exe", "first");
    files.addFile("C:\\Other\\setup.exe", "second");
    EXPECT_TRUE(quarantine.quarantineFile("C:\\Bad\\setup.exe"));
    EXPECT_TRUE(quarantine.quarantinePath("C:\\Other\\setup.exe"));
    EXPECT_FALSE(files.exists("C:\\Bad\\setup.exe"));
    EXPECT_FALSE(files.exists("C:\\Other\\setup.exe"));
    EXPECT_EQ(logText(),
              "3/16/2006 9:05:07 PM - File: setup.exe\r\n - Location: C:\\Bad\\setup.exe\r\n\r\n\r\n"
              "3/16/2006 9:05:07 PM - File: setup (2).exe\r\n - Location: C:\\Other\\setup.exe\r\n\r\n\r\n");
    EXPECT_EQ(yields, 16);

    EXPECT_FALSE(quarantine.quarantineFile("C:\\Bad\\setup.exe"));
    EXPECT_FALSE(quarantine.quarantinePath("C:\\Bad\\setup.exe"));
    EXPECT_FALSE(quarantine.quarantinePath("setup.exe"));
}

TEST_F(QuarantineTest, FileWhoseCopyFailsStaysWhereItIs) {
    files.addFile("C:\\Bad\\a.exe", "aaa");
    files.addFile("C:\\Bad\\b.txt", "bbb");
    files.addFile("C:\\Bad\\c.txt", "ccc");

    // A copy that does not match the original is thrown away, and the original kept.
    files.damageCopies = true;
    EXPECT_FALSE(quarantine.quarantineFile("C:\\Bad\\a.exe"));
    EXPECT_TRUE(quarantine.quarantinePath("C:\\Bad\\b.txt"));
    EXPECT_TRUE(files.exists("C:\\Bad\\a.exe"));
    EXPECT_TRUE(files.exists("C:\\Bad\\b.txt"));
    EXPECT_FALSE(files.exists(kept("a.exe")));
    EXPECT_FALSE(files.exists(kept("b.txt")));

    // A quarantine folder that takes no files.
    files.damageCopies = false;
    files.protectFolder(Folder);
    EXPECT_FALSE(quarantine.quarantineFile("C:\\Bad\\a.exe"));
    EXPECT_TRUE(quarantine.quarantinePath("C:\\Bad\\b.txt"));
    quarantine.quarantineCookieFile("C:\\Bad\\c.txt");
    EXPECT_TRUE(files.exists("C:\\Bad\\a.exe"));
    EXPECT_TRUE(files.exists("C:\\Bad\\b.txt"));
    EXPECT_TRUE(files.exists("C:\\Bad\\c.txt"));
    EXPECT_EQ(logText(), "");
}

TEST_F(QuarantineTest, UndeletableFileIsCopiedAndLoggedOnce) {
    files.addFile("C:\\Bad\\held.exe", "held");
    files.setInUse("C:\\Bad\\held.exe");
    EXPECT_TRUE(quarantine.quarantineFile("C:\\Bad\\held.exe"));
    EXPECT_TRUE(files.exists("C:\\Bad\\held.exe"));
    EXPECT_EQ(files.copies, 1);
    log.setEnabled(false);
    EXPECT_TRUE(quarantine.quarantinePath("C:\\Bad\\held.exe"));
    EXPECT_EQ(files.copies, 1);
    EXPECT_EQ(lineCount(), 4);
    EXPECT_EQ(files.pathsUnder(Folder).size(), 2u);  // the copy and the log
}

TEST_F(QuarantineTest, FolderIsCopiedWholeUnderAFreeNameThenDeleted) {
    files.addFolder("C:\\Bad\\Toolbar");
    files.addFolder("C:\\Bad\\Toolbar\\bin");
    files.addFile("C:\\Bad\\Toolbar\\readme.txt", "r", platform::attribute::ReadOnly);
    files.addFile("C:\\Bad\\Toolbar\\bin\\tb.dll", "dll");
    files.addFolder("C:\\Other\\Toolbar");
    files.addFile("C:\\Other\\Toolbar\\readme.txt", "other");

    EXPECT_TRUE(quarantine.quarantinePath("C:\\Bad\\Toolbar\\"));
    EXPECT_TRUE(quarantine.quarantinePath("C:\\Other\\Toolbar"));
    EXPECT_FALSE(files.exists("C:\\Bad\\Toolbar"));
    EXPECT_FALSE(files.exists("C:\\Other\\Toolbar"));
    EXPECT_EQ(bytesOf(kept("Toolbar\\readme.txt")), "r");
    EXPECT_EQ(bytesOf(kept("Toolbar\\bin\\tb.dll")), "dll");
    EXPECT_EQ(bytesOf(kept("Toolbar (2)\\readme.txt")), "other");
    EXPECT_EQ(logText(), "");
}

TEST_F(QuarantineTest, FolderWhoseCopyFailsIsLeftAloneAndThePartialCopyRemoved) {
    files.addFolder("C:\\Bad\\Toolbar");
    files.addFile("C:\\Bad\\Toolbar\\a.txt", "a");
    files.addFile("C:\\Bad\\Toolbar\\b.txt", "b");
    files.damageCopies = true;
    EXPECT_TRUE(quarantine.quarantinePath("C:\\Bad\\Toolbar"));
    EXPECT_TRUE(files.exists("C:\\Bad\\Toolbar\\a.txt"));
    EXPECT_TRUE(files.exists("C:\\Bad\\Toolbar\\b.txt"));
    EXPECT_FALSE(files.exists(kept("Toolbar")));

    files.damageCopies = false;
    files.protectFolder(Folder);
    EXPECT_TRUE(quarantine.quarantinePath("C:\\Bad\\Toolbar"));
    EXPECT_EQ(files.pathsUnder("C:\\Bad\\Toolbar").size(), 2u);
}

TEST_F(QuarantineTest, NothingInsideTheQuarantineOrHoldingItIsRemoved) {
    files.addFile("C:\\Bad\\bad.exe", "bad");
    ASSERT_TRUE(quarantine.quarantineFile("C:\\Bad\\bad.exe"));
    // A later scan that finds the kept copy by its name must not take it for a threat.
    EXPECT_FALSE(quarantine.quarantineFile(kept("BAD.EXE")));
    EXPECT_TRUE(quarantine.quarantinePath(kept("bad.exe")));
    quarantine.quarantineCookieFile(kept("bad.exe"));
    EXPECT_EQ(bytesOf(kept("bad.exe")), "bad");
    EXPECT_TRUE(quarantine.quarantinePath(Folder));
    EXPECT_TRUE(quarantine.quarantinePath("C:\\Program Files\\Sorvane"));
    EXPECT_EQ(bytesOf(kept("bad.exe")), "bad");
    EXPECT_TRUE(files.exists("C:\\Program Files\\Sorvane\\quarantine\\QuarantineLog.txt"));
    EXPECT_FALSE(files.exists(kept("Sorvane")));
    // A sibling whose name merely starts the same is an ordinary folder.
    files.addFile("C:\\Program Files\\Sorvane\\quarantine2\\x.txt", "x");
    EXPECT_TRUE(quarantine.quarantinePath("C:\\Program Files\\Sorvane\\quarantine2"));
    EXPECT_FALSE(files.exists("C:\\Program Files\\Sorvane\\quarantine2"));
}

TEST_F(QuarantineTest, CookieIsKeptLoggedAndDeleted) {
    files.addFile("C:\\Bad\\user@ads[1].txt", "cookie");
    quarantine.quarantineCookieFile("C:\\Bad\\user@ads[1].txt");
    EXPECT_FALSE(files.exists("C:\\Bad\\user@ads[1].txt"));
    EXPECT_EQ(bytesOf(kept("user@ads[1].txt")), "cookie");
    EXPECT_EQ(logText(),
              "3/16/2006 9:05:07 PM - File: user@ads[1].txt\r\n - Location: C:\\Bad\\user@ads[1].txt\r\n\r\n\r\n");
}

TEST_F(QuarantineTest, ViewQuarantineCreatesTheFolderAndOpensIt) {
    fakes::FakeFileSystem fresh;
    fresh.addFolder("C:\\Program Files\\Sorvane");
    QuarantineLog freshLog{fresh, locale, LogPath};
    Quarantine freshQuarantine{fresh, signatures, freshLog, Folder, nullptr};
    fakes::FakeShell shell;
    openQuarantineFolder(freshQuarantine, shell);
    EXPECT_TRUE(fresh.isFolder(Folder));
    ASSERT_EQ(shell.started.size(), 1u);
    EXPECT_EQ(shell.started[0].first, "explorer C:\\Program Files\\Sorvane\\quarantine");
    EXPECT_EQ(shell.started[0].second, platform::ShowWindow::Normal);
}

}  // namespace
}  // namespace sorvane::removal
