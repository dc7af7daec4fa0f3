#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "platform/win32/handles.h"
#include "platform/win32/win32_file_system.h"
#include "tests/win/platform/win_test_support.h"

using namespace sorvane;
using platform::win32::narrow;
using platform::win32::widen;
namespace attribute = platform::attribute;
namespace error = platform::error;

namespace {

// Each test works in its own folder below the prefix's temp folder and removes only what it made.
class Win32FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        root = narrow(temp) + wintest::uniqueName("fs");
        ASSERT_TRUE(fs.createFolder(root).ok());
    }
    void TearDown() override { removeTree(root); }
    void removeTree(const std::string& folder) {
        std::vector<platform::DirectoryEntry> entries;
        if (fs.listFolder(folder, entries).ok()) {
            for (const auto& e : entries) {
                const std::string path = folder + "\\" + e.name;
                (void)fs.setAttributes(path, attribute::Normal);
                if (e.isFolder()) {
                    removeTree(path);
                } else {
                    EXPECT_TRUE(fs.deleteFile(path).ok()) << path;
                }
            }
        }
        EXPECT_TRUE(fs.removeFolder(folder).ok()) << folder;
    }
    std::string at(const std::string& name) const { return root + "\\" + name; }

    platform::win32::Win32FileSystem fs;
    std::string root;
};

}  // namespace

TEST_F(Win32FileSystemTest, LookupReturnsTheStoredNameAndAttributes) {
    ASSERT_TRUE(fs.writeFile(at("MixedCase.Txt"), "hello").ok());
    auto entry = fs.lookup(at("mixedcase.txt"));
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->name, "MixedCase.Txt");
    EXPECT_EQ(entry->size, 5u);
    EXPECT_FALSE(entry->isFolder());
    EXPECT_FALSE(fs.lookup(at("absent.txt")).has_value());
    EXPECT_FALSE(fs.lookup(at("*.txt")).has_value());

    ASSERT_TRUE(fs.setAttributes(at("MixedCase.Txt"), attribute::Hidden | attribute::System).ok());
    entry = fs.lookup(at("MIXEDCASE.TXT"));
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->attributes & (attribute::Hidden | attribute::System), attribute::Hidden | attribute::System);
    // A hidden file can still be rewritten in place.
    EXPECT_TRUE(fs.writeFile(at("MixedCase.Txt"), "again").ok());

    ASSERT_TRUE(fs.createFolder(at("Sub")).ok());
    EXPECT_TRUE(fs.createFolder(at("sub")).is(error::AlreadyExists));
    EXPECT_TRUE(fs.lookup(at("SUB"))->isFolder());
    std::vector<platform::DirectoryEntry> entries;
    ASSERT_TRUE(fs.listFolder(root, entries).ok());
    EXPECT_EQ(entries.size(), 2u);
}

// The sweep reads every name of a drive through one reused buffer: a short name after a long
// one, or an ASCII name after one in other scripts, must come out whole and alone.
TEST_F(Win32FileSystemTest, VisitingAFolderMeetsWhatListingItGivesNameByName) {
    const std::vector<std::string> names = {"a-rather-long-file-name-of-forty-chars.txt", "b.txt",
                                            "c-\xC3\xA9t\xC3\xA9-\xE6\x97\xA5\xE6\x9C\xAC.dat", "d", "Sub"};
    for (const auto& name : names) {
        if (name == "Sub") {
            ASSERT_TRUE(fs.createFolder(at(name)).ok());
        } else {
            ASSERT_TRUE(fs.writeFile(at(name), name).ok()) << name;
        }
    }
    std::vector<platform::DirectoryEntry> listed;
    ASSERT_TRUE(fs.listFolder(root, listed).ok());
    std::vector<std::string> visited;
    ASSERT_TRUE(fs.visitFolder(root, [&](const platform::ListedEntry& entry) {
                      const auto& same = listed.at(visited.size());
                      EXPECT_EQ(entry.name, same.name);
                      EXPECT_EQ(entry.attributes, same.attributes);
                      EXPECT_EQ(entry.size, same.isFolder() ? 0u : same.name.size());
                      EXPECT_EQ(entry.lastWriteTime, same.lastWriteTime);
                      visited.emplace_back(entry.name);
                      return true;
                  }).ok());
    std::vector<std::string> expected = names;
    std::sort(visited.begin(), visited.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(visited, expected);

    // Ended by the caller, the listing stops there and still succeeds.
    int met = 0;
    EXPECT_TRUE(fs.visitFolder(root, [&](const platform::ListedEntry&) { return ++met < 2; }).ok());
    EXPECT_EQ(met, 2);
    // An empty folder has nothing to meet; a missing one fails as listing it does.
    EXPECT_TRUE(fs.visitFolder(at("Sub"), [&](const platform::ListedEntry&) { return ++met, true; }).ok());
    EXPECT_EQ(met, 2);
    EXPECT_TRUE(fs.visitFolder(at("absent"), [](const platform::ListedEntry&) { return true; }).is(error::PathNotFound));
}

TEST_F(Win32FileSystemTest, ReadWriteAppendAndRanges) {
    std::string binary("a\0b\r\n\xFF", 6);
    ASSERT_TRUE(fs.writeFile(at("f.bin"), binary).ok());
    ASSERT_TRUE(fs.appendFile(at("f.bin"), "XYZ").ok());
    std::string bytes;
    ASSERT_TRUE(fs.readFile(at("f.bin"), bytes).ok());
    EXPECT_EQ(bytes, binary + "XYZ");
    ASSERT_TRUE(fs.readRange(at("f.bin"), 5, 100, bytes).ok());
    EXPECT_EQ(bytes, "\xFFXYZ");
    ASSERT_TRUE(fs.readRange(at("f.bin"), 100, 4, bytes).ok());
    EXPECT_TRUE(bytes.empty());
    ASSERT_TRUE(fs.writeFile(at("f.bin"), "short").ok());
    ASSERT_TRUE(fs.readFile(at("f.bin"), bytes).ok());
    EXPECT_EQ(bytes, "short");
    EXPECT_TRUE(fs.readFile(at("none.bin"), bytes).is(error::FileNotFound));
    EXPECT_TRUE(fs.writeFile(at("nofolder\\x.bin"), "x").is(error::PathNotFound));
}

TEST_F(Win32FileSystemTest, CopyMoveAndDeleteFollowWin32Rules) {
    ASSERT_TRUE(fs.writeFile(at("src.txt"), "new").ok());
    ASSERT_TRUE(fs.writeFile(at("dst.txt"), "old").ok());
    EXPECT_TRUE(fs.copyFile(at("src.txt"), at("dst.txt"), true).is(error::FileExists));
    ASSERT_TRUE(fs.copyFile(at("src.txt"), at("dst.txt"), false).ok());
    std::string bytes;
    ASSERT_TRUE(fs.readFile(at("dst.txt"), bytes).ok());
    EXPECT_EQ(bytes, "new");
    EXPECT_TRUE(fs.copyFile(at("none.txt"), at("x.txt"), false).is(error::FileNotFound));

    EXPECT_TRUE(fs.moveFile(at("src.txt"), at("dst.txt")).is(error::AlreadyExists));
    ASSERT_TRUE(fs.moveFile(at("src.txt"), at("moved.txt")).ok());
    EXPECT_FALSE(fs.lookup(at("src.txt")).has_value());

    ASSERT_TRUE(fs.setAttributes(at("moved.txt"), attribute::ReadOnly).ok());
    EXPECT_TRUE(fs.deleteFile(at("moved.txt")).is(error::AccessDenied));
    ASSERT_TRUE(fs.setAttributes(at("moved.txt"), 0).ok());
    EXPECT_TRUE(fs.deleteFile(at("moved.txt")).ok());
    EXPECT_TRUE(fs.deleteFile(at("moved.txt")).is(error::FileNotFound));

    ASSERT_TRUE(fs.createFolder(at("full")).ok());
    ASSERT_TRUE(fs.writeFile(at("full\\f"), "x").ok());
    EXPECT_TRUE(fs.removeFolder(at("full")).is(error::DirNotEmpty));
}

TEST_F(Win32FileSystemTest, FileHeldOpenWithoutDeleteSharingCannotBeDeleted) {
    ASSERT_TRUE(fs.writeFile(at("held.dat"), "x").ok());
    platform::win32::FileHandle held(CreateFileW(widen(at("held.dat")).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_TRUE(fs.deleteFile(at("held.dat")).is(error::SharingViolation));
    std::string bytes;
    EXPECT_TRUE(fs.readFile(at("held.dat"), bytes).ok());  // readers share
    held.reset();
    EXPECT_TRUE(fs.deleteFile(at("held.dat")).ok());
}

TEST_F(Win32FileSystemTest, APrivateFolderIsMadeOnceWithAProtectedListForSystemAndAdministrators) {
    const std::string folder = at("quarantine");
    ASSERT_TRUE(fs.createPrivateFolder(folder).ok());
    EXPECT_TRUE(fs.lookup(folder) && fs.lookup(folder)->isFolder());
    EXPECT_TRUE(fs.createPrivateFolder(folder).is(error::AlreadyExists));
    // The list the folder is made with, as the system reads it. (Wine keeps no access list on
    // its folders and reports one of its own for them, so the folder's own is not read back.)
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(platform::win32::PrivateFolderSddl,
                                                                     SDDL_REVISION_1, &descriptor, nullptr));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_NE(control & SE_DACL_PROTECTED, 0);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl);
    ASSERT_EQ(dacl->AceCount, 2);
    const WELL_KNOWN_SID_TYPE expected[] = {WinLocalSystemSid, WinBuiltinAdministratorsSid};
    for (WORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        EXPECT_EQ(ace->Mask, static_cast<DWORD>(FILE_ALL_ACCESS));
        EXPECT_TRUE(IsWellKnownSid(&ace->SidStart, expected[i])) << i;
    }
    LocalFree(descriptor);
}

TEST_F(Win32FileSystemTest, DrivesAndCurrentFolder) {
    const auto drives = fs.drives();
    ASSERT_FALSE(drives.empty());
    EXPECT_NE(std::find(drives.begin(), drives.end(), "C:\\"), drives.end());
    EXPECT_EQ(fs.driveType("C:\\"), platform::DriveType::Fixed);
    EXPECT_TRUE(fs.driveReady("C:\\"));
    for (const auto& drive : drives) RecordProperty(drive.substr(0, 1), static_cast<int>(fs.driveType(drive)));
    EXPECT_FALSE(fs.currentFolder().empty());
}
