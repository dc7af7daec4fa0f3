#include <gtest/gtest.h>

#include "tests/fakes/fake_file_system.h"

using namespace sorvane;
namespace attribute = platform::attribute;
namespace error = platform::error;

TEST(FakeFileSystem, LookupIgnoresCaseAndReturnsTheStoredName) {
    fakes::FakeFileSystem fs;
    fs.addFile("C:\\Windows\\System32\\Evil.EXE", "MZ");
    auto entry = fs.lookup("c:\\windows\\system32\\evil.exe");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->name, "Evil.EXE");
    EXPECT_EQ(entry->size, 2u);
    EXPECT_FALSE(fs.lookup("C:\\Windows\\System32\\*.exe").has_value());
    EXPECT_TRUE(fs.lookup("C:/WINDOWS/system32")->isFolder());
    std::vector<platform::DirectoryEntry> entries;
    ASSERT_TRUE(fs.listFolder("C:\\windows", entries).ok());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "System32");
}

TEST(FakeFileSystem, DeleteRefusesReadOnlyAndOpenFiles) {
    fakes::FakeFileSystem fs;
    fs.addFile("C:\\a\\ro.txt", "x", attribute::ReadOnly);
    fs.addFile("C:\\a\\open.txt", "x");
    fs.setInUse("C:\\a\\open.txt");
    EXPECT_TRUE(fs.deleteFile("C:\\a\\ro.txt").is(error::AccessDenied));
    EXPECT_TRUE(fs.deleteFile("C:\\a\\OPEN.txt").is(error::SharingViolation));
    EXPECT_TRUE(fs.moveFile("C:\\a\\open.txt", "C:\\a\\moved.txt").is(error::SharingViolation));
    std::string bytes;
    EXPECT_TRUE(fs.readFile("C:\\a\\open.txt", bytes).ok());
    EXPECT_TRUE(fs.deleteFile("C:\\a\\none.txt").is(error::FileNotFound));
    EXPECT_TRUE(fs.deleteFile("C:\\nowhere\\none.txt").is(error::PathNotFound));
    EXPECT_TRUE(fs.deleteFile("C:\\a").is(error::AccessDenied));
    ASSERT_TRUE(fs.setAttributes("C:\\a\\ro.txt", 0).ok());
    EXPECT_EQ(fs.attributes("C:\\a\\ro.txt"), attribute::Normal);
    EXPECT_TRUE(fs.deleteFile("C:\\a\\ro.txt").ok());
    EXPECT_FALSE(fs.exists("C:\\a\\ro.txt"));
}

TEST(FakeFileSystem, CopyAndMoveFollowWin32Rules) {
    fakes::FakeFileSystem fs;
    fs.addFile("C:\\src\\Data.bin", "new", attribute::Hidden | attribute::Archive);
    fs.addFile("C:\\dst\\DATA.BIN", "old");
    EXPECT_TRUE(fs.copyFile("C:\\src\\data.bin", "C:\\dst\\data.bin", true).is(error::FileExists));
    EXPECT_EQ(fs.content("C:\\dst\\data.bin"), "old");
    ASSERT_TRUE(fs.copyFile("C:\\src\\data.bin", "C:\\dst\\data.bin", false).ok());
    EXPECT_EQ(fs.content("C:\\dst\\data.bin"), "new");
    EXPECT_EQ(fs.storedPath("c:\\dst\\data.bin"), "C:\\dst\\DATA.BIN");
    EXPECT_EQ(fs.attributes("C:\\dst\\data.bin"), attribute::Hidden | attribute::Archive);

    fs.protectFolder("C:\\locked");
    EXPECT_TRUE(fs.copyFile("C:\\src\\Data.bin", "C:\\locked\\x", false).is(error::AccessDenied));
    EXPECT_TRUE(fs.createFolder("C:\\locked\\sub").is(error::AccessDenied));
    EXPECT_TRUE(fs.copyFile("C:\\src\\Data.bin", "C:\\nofolder\\x", false).is(error::PathNotFound));

    EXPECT_TRUE(fs.moveFile("C:\\src\\Data.bin", "C:\\dst\\Data.bin").is(error::AlreadyExists));
    ASSERT_TRUE(fs.moveFile("C:\\src", "C:\\moved").ok());
    EXPECT_EQ(fs.storedPath("C:\\MOVED\\data.bin"), "C:\\moved\\Data.bin");
    EXPECT_FALSE(fs.exists("C:\\src"));
}

TEST(FakeFileSystem, FoldersDrivesAndRanges) {
    fakes::FakeFileSystem fs;
    ASSERT_TRUE(fs.createFolder("C:\\q").ok());
    EXPECT_TRUE(fs.createFolder("C:\\Q").is(error::AlreadyExists));
    ASSERT_TRUE(fs.writeFile("C:\\q\\f.txt", "0123456789").ok());
    ASSERT_TRUE(fs.appendFile("C:\\q\\f.txt", "AB").ok());
    std::string bytes;
    ASSERT_TRUE(fs.readRange("C:\\q\\f.txt", 8, 10, bytes).ok());
    EXPECT_EQ(bytes, "89AB");
    EXPECT_TRUE(fs.removeFolder("C:\\q").is(error::DirNotEmpty));
    EXPECT_TRUE(fs.removeFolder("C:\\q\\f.txt").is(error::DirectoryInvalid));

    fs.addDrive("D:\\", platform::DriveType::CdRom, false);
    EXPECT_EQ(fs.drives(), (std::vector<std::string>{"C:\\", "D:\\"}));
    EXPECT_EQ(fs.driveType("d:\\"), platform::DriveType::CdRom);
    EXPECT_FALSE(fs.driveReady("D:\\"));
    EXPECT_TRUE(fs.writeFile("D:\\x.txt", "x").is(error::NotReady));
    EXPECT_EQ(fs.driveType("Q:\\"), platform::DriveType::NoRootDir);
    EXPECT_TRUE(fs.writeFile("Q:\\x.txt", "x").is(error::PathNotFound));

    fs.setCurrentFolder("C:\\q");
    EXPECT_EQ(fs.lookup("f.txt")->name, "f.txt");
}

TEST(FakeFileSystem, InjectedReadFailuresStartAtTheirOffsetAndOnlyForThatFile) {
    fakes::FakeFileSystem fs;
    fs.addFile("C:\\bad.dat", "0123456789");
    fs.addFile("C:\\good.dat", "0123456789");
    fs.failReadsFrom("C:\\BAD.dat", 4);
    std::string bytes;
    ASSERT_TRUE(fs.readRange("C:\\bad.dat", 0, 4, bytes).ok());
    EXPECT_EQ(bytes, "0123");
    EXPECT_FALSE(fs.readRange("C:\\bad.dat", 4, 4, bytes).ok());
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(fs.readRange("C:\\bad.dat", 9, 1, bytes).ok());
    EXPECT_TRUE(fs.readRange("C:\\good.dat", 4, 4, bytes).ok());
    fs.failReadsFrom("C:\\good.dat");
    EXPECT_FALSE(fs.readFile("C:\\good.dat", bytes).ok());
    EXPECT_TRUE(fs.exists("C:\\good.dat"));
}
