#include "scan/cookie_scan.h"
#include "scan/drive_list.h"
#include "scan/known_files_scan.h"
#include "scan/registry_scan.h"
#include "scan/scan_driver.h"
#include "scan/file_tests.h"
#include "platform/limits.h"
#include "scan/registry_tools.h"
#include "tests/unit/scan/scan_fixture.h"

namespace sorvane::scan::testing {
namespace {

using platform::RootKey;
using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

class RegistryScanTest : public ScanFixture {};

TEST_F(RegistryScanTest, ReportsKeysAndStringValuesButNotBinaryOnes) {
    fake.registry.addKey(RootKey::CurrentUser, "Software\\Bad");
    fake.registry.putString(RootKey::LocalMachine, "Software\\Run", "bad", "c:\\bad.exe");
    fake.registry.putBinary(RootKey::LocalMachine, "Software\\Run", "binary", {1, 2});
    fake.registry.putMultiString(RootKey::LocalMachine, "Software\\Run", "multi", {"a"});
    fake.registry.putDword(RootKey::LocalMachine, "Software\\Run", "number", 7);
    fake.registry.makeReadOnly(RootKey::CurrentUser, "Software\\Locked");
    definitions("RegistryDefinition.dat",
                {"1^Software\\Bad^=BadBar", "2^Software\\Run^bad=RunBar|Starts with Windows",
                 "2^Software\\Run^binary=BinBar", "2^Software\\Run^multi=MultiBar", "2^Software\\Run^number=NumBar",
                 "1^Software\\Locked^=LockBar", "7^Software\\Bad^=Skipped", "x^Software\\Bad^=Skipped"});
    ScanRegistry(session);

    // A key that can be read but not changed is there all the same.
    EXPECT_THAT(texts(summary()), ElementsAre("BadBar - Found", "RunBar - Found", "NumBar - Found", "LockBar - Found"));
    EXPECT_EQ(session.state.registryInspected, 6);
    EXPECT_EQ(session.state.threatsFound, 4);
    const auto& work = view.lvwRegistryToBeDeleted;
    ASSERT_EQ(work.count(), 4u);
    EXPECT_EQ(work.item(0).text, "-2147483647");
    EXPECT_EQ(work.item(1).text, "-2147483646");
    EXPECT_EQ(work.item(1).subItem(2), "bad");
    EXPECT_EQ(work.item(1).subItem(3), "RunBar");
    EXPECT_EQ(detail().item(0).subItem(1), "HKEY_CURRENT_USER\\Software\\Bad");
    EXPECT_EQ(detail().item(1).subItem(1), "HKEY_LOCAL_MACHINE\\Software\\Runbad");
    EXPECT_EQ(detail().item(1).subItem(2), "Starts with Windows");
    EXPECT_EQ(detail().item(2).subItem(2), "");
}

TEST_F(RegistryScanTest, MachineWideTracesAStandardUserCannotRemoveAreListedAsNeedingAnAdministrator) {
    messages["MSG_NEEDS_ADMIN"] = "Needs an administrator to remove";
    fake.registry.addKey(RootKey::LocalMachine, "Software\\AdBar");
    fake.registry.putString(RootKey::LocalMachine, "Software\\Run", "adbar", "c:\\adbar.exe");
    fake.registry.makeTreeReadOnly(RootKey::LocalMachine);
    fake.registry.addKey(RootKey::CurrentUser, "Software\\UserBar");
    definitions("RegistryDefinition.dat", {"2^Software\\AdBar^=AdBar", "2^Software\\Run^adbar=RunBar|Starts with Windows",
                                           "1^Software\\UserBar^=UserBar", "2^Software\\Gone^=GoneBar"});
    ScanRegistry(session);

    // Never clean while adware is there, even when this account may not remove it.
    EXPECT_THAT(texts(summary()), ElementsAre("AdBar - Found", "RunBar - Found", "UserBar - Found"));
    EXPECT_EQ(session.state.threatsFound, 3);
    EXPECT_EQ(view.lvwRegistryToBeDeleted.count(), 3u);
    ASSERT_EQ(detail().count(), 3u);
    EXPECT_EQ(detail().item(0).subItem(2), "Needs an administrator to remove");
    EXPECT_EQ(detail().item(1).subItem(2), "Starts with Windows - Needs an administrator to remove");
    EXPECT_EQ(detail().item(2).subItem(2), "");
    EXPECT_EQ(detail().item(0).subItem(RefusalColumn), "Needs an administrator to remove");
    EXPECT_EQ(detail().item(2).subItem(RefusalColumn), "");

    // Select All checks only what this account can remove.
    cmdSelectAll_Click(view);
    EXPECT_FALSE(detail().item(0).checked);
    EXPECT_FALSE(detail().item(1).checked);
    EXPECT_TRUE(detail().item(2).checked);
    const auto& work = view.lvwRegistryToBeDeleted;
    EXPECT_FALSE(work.item(0).checked);
    EXPECT_FALSE(work.item(1).checked);
    EXPECT_TRUE(work.item(2).checked);
}

TEST_F(RegistryScanTest, DuplicateThreatsAddWorkRowsOnlyAndNotesStayOnTheirOwnLine) {
    fake.registry.putString(RootKey::CurrentUser, "Software\\A", "one", "1");
    fake.registry.putString(RootKey::CurrentUser, "Software\\A", "two", "2");
    fake.registry.addKey(RootKey::CurrentUser, "Software\\Blank");
    definitions("RegistryDefinition.dat",
                {"1^Software\\A^one=Dup", "1^Software\\A^two=Dup|Second note", "1^Software\\Blank^="});
    ScanRegistry(session);

    EXPECT_THAT(texts(summary()), ElementsAre("Dup - Found", "RegKey Software\\Blank - Found"));
    EXPECT_EQ(summary().item(1).smallIcon, icon::None);
    EXPECT_EQ(view.lvwRegistryToBeDeleted.count(), 3u);
    EXPECT_EQ(view.lbltracesFound.caption(), "3");
    EXPECT_EQ(session.state.threatsFound, 2);
    ASSERT_EQ(detail().count(), 2u);
    EXPECT_EQ(detail().item(0).subItem(2), "");  // the second line's note is not shown on the first's row
    EXPECT_EQ(detail().item(1).text, "Software\\Blank");
}

TEST_F(RegistryScanTest, ExcludedKeySilencesItsValuesAndSafeItemsAreSkipped) {
    fake.registry.putString(RootKey::CurrentUser, "Software\\Ex", "v", "1");
    fake.registry.putString(RootKey::CurrentUser, "Software\\Safe", "v", "1");
    exclude("HKEY_CURRENT_USER\\Software\\Ex");
    session.safeList.assign({"HKEY_CURRENT_USER\\Software\\Safev"});
    definitions("RegistryDefinition.dat", {"1^Software\\Ex^v=ExBar", "1^Software\\Safe^v=SafeBar"});
    ScanRegistry(session);

    EXPECT_THAT(texts(summary()), ElementsAre("EXCLUDED: HKEY_CURRENT_USER\\Software\\Exv"));
    EXPECT_EQ(summary().item(0).smallIcon, icon::Excluded);
    EXPECT_TRUE(detail().empty());
    EXPECT_TRUE(view.lvwRegistryToBeDeleted.empty());
}

TEST(RegistryToolsTest, ValuesReadBackAndStoreAsTheirTypes) {
    fakes::FakeRegistry registry;
    SetRegistryValue(registry, RootKey::CurrentUser, "Software\\T", "n", RegistryData{std::uint32_t{5}});
    SetRegistryValue(registry, RootKey::CurrentUser, "Software\\T", "s", RegistryData{std::string("  text  ")});
    EXPECT_EQ(registry.dwordValue(RootKey::CurrentUser, "Software\\T", "n"), 5u);
    EXPECT_EQ(registry.stringValue(RootKey::CurrentUser, "Software\\T", "s"), "text");
    RegistryData data;
    ASSERT_TRUE(RegistryValueExists(registry, RootKey::CurrentUser, "Software\\T", "n", &data));
    EXPECT_EQ(RegistryDataText(data), "5");
    EXPECT_FALSE(RegistryRemovalDenied(registry, RootKey::CurrentUser, "Software\\T", ""));
    EXPECT_FALSE(RegistryRemovalDenied(registry, RootKey::CurrentUser, "Software\\T", "s"));
    // Read-only: found, and refused for removal, both for the key and for its values.
    registry.makeReadOnly(RootKey::CurrentUser, "Software\\T");
    EXPECT_TRUE(RegistryKeyExists(registry, RootKey::CurrentUser, "Software\\T"));
    EXPECT_TRUE(RegistryValueExists(registry, RootKey::CurrentUser, "Software\\T", "s"));
    EXPECT_TRUE(RegistryRemovalDenied(registry, RootKey::CurrentUser, "Software\\T", ""));
    EXPECT_TRUE(RegistryRemovalDenied(registry, RootKey::CurrentUser, "Software\\T", "s"));
    // A missing key is no refusal; an unreadable one cannot be found.
    EXPECT_FALSE(RegistryRemovalDenied(registry, RootKey::CurrentUser, "Software\\Gone", ""));
    registry.makeUnreadable(RootKey::CurrentUser, "Software\\U");
    EXPECT_FALSE(RegistryKeyExists(registry, RootKey::CurrentUser, "Software\\U"));
}

class FilesScanTest : public ScanFixture {};

TEST_F(FilesScanTest, ExistingFilesAreReportedOncePerThreatExceptHiddenAndMicrosoftOnes) {
    fake.files.addFile("C:\\Windows\\system32\\bad.dll", "plain");
    fake.files.addFile("C:\\Windows\\system32\\bad2.dll", "plain");
    fake.files.addFile("C:\\Windows\\system32\\hidden.dll", "", platform::attribute::Hidden);
    fake.files.addFile("C:\\Windows\\system32\\system.dll", "", platform::attribute::System);
    fake.files.addFile("C:\\Windows\\system32\\ms.dll", versionResource(" microsoft corporation "));
    definitions("FileDefinition.dat",
                {"bad.dll=BadBar|[system]", "bad2.dll=BadBar|[system]|Second", "hidden.dll=Hid|[system]",
                 "system.dll=Sys|[system]", "ms.dll=Ms|[system]", "gone.exe=Gone|[progfil]Gone|Note"});
    ScanKnownFiles(session);

    EXPECT_THAT(texts(summary()), ElementsAre("BadBar - Found"));
    EXPECT_EQ(summary().item(0).smallIcon, icon::File);
    EXPECT_EQ(view.lvwFilesToBeDeleted.count(), 2u);
    EXPECT_EQ(view.lbltracesFound.caption(), "2");
    EXPECT_EQ(session.state.threatsFound, 1);
    EXPECT_EQ(session.state.filesFoldersInspected, 6);
    ASSERT_EQ(detail().count(), 1u);
    EXPECT_EQ(detail().item(0).subItem(1), "C:\\Windows\\system32\\bad.dll");
    EXPECT_EQ(detail().item(0).subItem(2), "");
    // Files not at their place wait for the drive sweep, hidden ones included.
    EXPECT_THAT(texts(view.lvwFileNotFounds), ElementsAre("hidden.dll", "system.dll", "gone.exe"));
}

TEST_F(FilesScanTest, FoldersAreReportedWithTheirOwnIconAndExcludedThroughEntriesInside) {
    fake.files.addFolder("C:\\Program Files\\BadBar");
    fake.files.addFolder("C:\\Program Files\\Kept");
    exclude("C:\\Program Files\\Kept\\tool.exe");
    definitions("DirectoryDefinition.dat",
                {"x=BadBar|[progfil]BadBar|Toolbar", "y=Kept|[progfil]Kept", "no folder line"});
    ScanKnownFolders(session);

    EXPECT_THAT(texts(summary()), ElementsAre("BadBar - Found", "EXCLUDED: C:\\Program Files\\Kept"));
    EXPECT_EQ(summary().item(0).smallIcon, icon::Folder);
    EXPECT_EQ(detail().item(0).subItem(2), "Toolbar");
    EXPECT_EQ(view.lvwFilesToBeDeleted.item(0).text, "C:\\Program Files\\BadBar");
    EXPECT_EQ(view.lvwFilesToBeDeleted.item(0).subItem(1), "BadBar");
}

TEST(FileTestsTest, ExactNamesOnlyAndFoldersIncludeDriveRoots) {
    fakes::FakeFileSystem files;
    files.addFile("C:\\a\\File.txt");
    files.addFolder("C:\\a\\dir");
    EXPECT_TRUE(FileExists(files, "c:\\A\\file.TXT"));
    EXPECT_FALSE(FileExists(files, "C:\\a\\*.txt"));
    EXPECT_FALSE(FileExists(files, "C:\\a\\dir"));
    EXPECT_TRUE(FolderExists(files, "C:\\a\\dir\\"));
    EXPECT_FALSE(FolderExists(files, "C:\\a\\File.txt"));
    EXPECT_TRUE(FolderExists(files, "C:\\"));
    EXPECT_FALSE(FolderExists(files, "Q:\\"));
}

class CookieScanTest : public ScanFixture {
protected:
    const std::string folder = "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Cookies";
    void cookie(const std::string& name, const std::string& site) {
        fake.files.addFile(folder + "\\" + name, "id\n42\n" + site + "/\n1536\n");
    }
};

TEST_F(CookieScanTest, BlockedHostsAreListedAsTrackingCookies) {
    cookie("user@tracker[1].txt", "www.tracker.com");
    cookie("user@other[1].txt", "other.net");
    cookie("user@ads.star[2].txt", "ads.star.org");
    cookie("user@dotted[1].txt", "dotted.com");
    exclude(folder + "\\user@other[1].txt");
    definitions("BlockedCookies.dat", {"tracker.com", "other.net", "*ads.star.org", "*.dotted.com"});
    ScanCookies(session);

    // In the order the folder lists them.
    EXPECT_THAT(texts(summary()), ElementsAre("Cookie Found: user@ads.star[2].txt",
                                              "EXCLUDED: " + folder + "\\user@other[1].txt",
                                              "Cookie Found: user@tracker[1].txt"));
    EXPECT_EQ(detail().item(1).text, "Cookie: user@tracker[1].txt");
    EXPECT_EQ(detail().item(0).subItem(2), "Tracking Cookie");
    EXPECT_EQ(detail().item(0).smallIcon, icon::Cookie);
    EXPECT_EQ(view.lvwCookiesToDelete.count(), 2u);
    EXPECT_EQ(session.state.cookieCounter, 4);
}

TEST_F(CookieScanTest, EveryFileYieldsAndStopIsNoticedBeforeTheNext) {
    for (int i = 0; i < 60; ++i) cookie("user@site" + std::to_string(i) + "[1].txt", "site" + std::to_string(i) + ".com");
    definitions("BlockedCookies.dat", {"tracker.com"});
    host.yieldHook = [this] {
        if (host.yieldCount() == 5) session.state.stopRequested = true;
    };
    ScanCookies(session);
    EXPECT_EQ(host.yieldCount(), 5u) << "no blocked cookie, yet every file let the window run";
    EXPECT_EQ(session.state.cookieCounter, 5) << "the stop ended the phase before the sixth file";
    EXPECT_TRUE(summary().empty());
}

TEST_F(CookieScanTest, ThePhaseBarShowsTheInspectedCountOverTheFiles) {
    for (int i = 0; i < 60; ++i) cookie("user@site" + std::to_string(i) + "[1].txt", "site" + std::to_string(i) + ".com");
    std::vector<std::string> patterns;
    for (int i = 0; i < 120; ++i) patterns.push_back("blocked" + std::to_string(i) + ".com");
    definitions("BlockedCookies.dat", patterns);
    ScanCookies(session);
    // The 100th progress call (the second of file 50) shows 120 / 60 * 50 = 100 inspected,
    // and 100 / 60 files rounds to 2: a figure, not a percentage.
    EXPECT_EQ(session.state.memoryInspected, 120);
    EXPECT_EQ(view.pb1.value(), 2);
    EXPECT_EQ(view.lblMemoryInspected.caption(), "100");
}

TEST(CookieHelpersTest, HostsComeFromTheFileAndPatternsMatchByTheRule) {
    fakes::FakeFileSystem files;
    files.addFile("C:\\c\\me@site[1].txt", "a,b\nsite.com/path\n");
    EXPECT_EQ(CookieHost(files, "C:\\c\\me@site[1].txt"), "site.com");
    EXPECT_EQ(CookieHost(files, "C:\\c\\nohint.txt"), "False");
    EXPECT_EQ(CookieNamePart("C:\\c\\me@site(2).txt"), "site");
    EXPECT_TRUE(CookieBlocked({"False.x", ""}, "False"));
    // The first filter needs the host's letter case inside the pattern.
    EXPECT_FALSE(CookieBlocked({"SITE.com"}, "site"));
    EXPECT_TRUE(CookieBlocked({"site.COM"}, "site"));
}

class SweepTest : public ScanFixture {};

TEST_F(SweepTest, FindsMissingKnownFilesElsewhereOnTickedDrivesOnly) {
    fake.files.addDrive("D:\\", platform::DriveType::Fixed);
    fake.files.addFile("C:\\Elsewhere\\deep\\gone.exe", "plain");
    fake.files.addFile("C:\\Elsewhere\\hidden\\gone.exe", "plain", platform::attribute::Hidden);
    fake.files.addFile("D:\\gone.exe", "plain");
    definitions("FileDefinition.dat", {"gone.exe=Gone|[progfil]Gone|Moved"});
    FillDriveList(*view.lvwHardDrives, fake.files);
    LoadDriveTicks(*view.lvwHardDrives, session.app.readSetting);
    view.lvwHardDrives->setChecked(1, false);
    session.choices.drives = TickedDrives(*view.lvwHardDrives);
    ScanKnownFiles(session);
    SweepDrives(session);

    EXPECT_THAT(texts(view.lvwFilesToBeDeleted), ElementsAre("C:\\Elsewhere\\deep\\gone.exe"));
    EXPECT_THAT(texts(summary()), ElementsAre("Gone - Found"));
    EXPECT_EQ(detail().item(0).subItem(2), "Moved");
    EXPECT_FALSE(view.pbgMain.visible());
}

TEST_F(SweepTest, NeverReportsTheCopiesKeptInTheProgramsOwnQuarantine) {
    fake.files.addFile("C:\\Elsewhere\\gone.exe", "plain");
    fake.files.addFile(AppFolder + "\\quarantine\\gone.exe", "kept");
    fake.files.addFile(AppFolder + "\\QUARANTINE\\older\\gone.exe", "kept too");
    // Only the folder itself is ours: a neighbour whose name merely begins the same is swept.
    fake.files.addFile(AppFolder + "\\quarantine-old\\gone.exe", "plain");
    definitions("FileDefinition.dat", {"gone.exe=Gone|[progfil]Gone"});
    FillDriveList(*view.lvwHardDrives, fake.files);
    LoadDriveTicks(*view.lvwHardDrives, session.app.readSetting);
    session.choices.drives = TickedDrives(*view.lvwHardDrives);
    ScanKnownFiles(session);
    SweepDrives(session);

    EXPECT_THAT(texts(view.lvwFilesToBeDeleted),
                UnorderedElementsAre("C:\\Elsewhere\\gone.exe", AppFolder + "\\quarantine-old\\gone.exe"));
}

// A stop asked for while a folder is being read ends the sweep there: nothing later in the
// folder, nor any folder below or after it, is looked at.
TEST_F(SweepTest, AStopInTheMiddleOfAFolderEndsTheSweepThere) {
    // The fake lists in name order: 200 plain files, then the listed one, then a sub-folder.
    for (int i = 0; i < 200; ++i) fake.files.addFile("C:\\Big\\a" + std::to_string(1000 + i) + ".txt", "plain");
    fake.files.addFile("C:\\Big\\gone.exe", "plain");
    fake.files.addFile("C:\\Big\\inner\\gone.exe", "plain");
    fake.files.addFile("C:\\Later\\gone.exe", "plain");
    definitions("FileDefinition.dat", {"gone.exe=Gone|[progfil]Gone"});
    FillDriveList(*view.lvwHardDrives, fake.files);
    LoadDriveTicks(*view.lvwHardDrives, session.app.readSetting);
    session.choices.drives = TickedDrives(*view.lvwHardDrives);
    ScanKnownFiles(session);
    // The second yield comes 128 entries in, amid the plain files of C:\\Big.
    const auto before = host.itemYieldCount();
    host.yieldHook = [&] {
        if (host.itemYieldCount() == before + 2) session.state.stopRequested = true;
    };
    SweepDrives(session);
    EXPECT_EQ(view.lvwFilesToBeDeleted.count(), 0u);
    EXPECT_EQ(host.itemYieldCount(), before + 2) << "the sweep went on after the stop";
    EXPECT_FALSE(view.pbgMain.visible());

    // Without the stop, all three are found, each folder's files before its sub-folders.
    host.yieldHook = nullptr;
    session.state.stopRequested = false;
    SweepDrives(session);
    EXPECT_THAT(texts(view.lvwFilesToBeDeleted),
                ElementsAre("C:\\Big\\gone.exe", "C:\\Big\\inner\\gone.exe", "C:\\Later\\gone.exe"));
}

TEST_F(SweepTest, DriveListSkipsUnreadyFixedDrivesAndStoresEveryTick) {
    fake.files.addDrive("D:\\", platform::DriveType::Fixed, false);
    fake.files.addDrive("E:\\", platform::DriveType::CdRom, false);
    fake.files.addDrive("R:\\", platform::DriveType::RamDisk);
    auto& drives = *view.lvwHardDrives;
    FillDriveList(drives, fake.files);
    EXPECT_THAT(texts(drives), ElementsAre("C", "E"));
    settings["Drives/E"] = "False";
    LoadDriveTicks(drives, session.app.readSetting);
    EXPECT_TRUE(drives.item(0).checked);
    EXPECT_FALSE(drives.item(1).checked);
    drives.setChecked(1, true);
    drives.setChecked(0, false);
    SaveDriveTicks(drives, session.app.writeSetting);
    EXPECT_EQ(settings["Drives/C"], "False");
    EXPECT_EQ(settings["Drives/E"], "True");
}

}  // namespace
}  // namespace sorvane::scan::testing

namespace sorvane::scan::testing {
namespace {

class ListedOnceTest : public ScanFixture {};

// Threat names compare without letter case: the second spelling is a trace of the same threat.
TEST_F(ListedOnceTest, ThreatNamesInOtherLetterCaseAddTracesButNoSecondSummaryRow) {
    fake.registry.addKey(RootKey::CurrentUser, "Software\\Bad");
    fake.files.addFile("C:\\Windows\\system32\\bad.dll", "plain");
    fake.files.addFile("C:\\Windows\\system32\\bad2.dll", "plain");
    definitions("RegistryDefinition.dat", {"1^Software\\Bad^=BadBar"});
    definitions("FileDefinition.dat", {"bad.dll=BADBAR|[system]", "bad2.dll=badbar|[system]"});
    ScanRegistry(session);
    ScanKnownFiles(session);

    EXPECT_THAT(texts(summary()), ElementsAre("BadBar - Found"));
    EXPECT_EQ(detail().count(), 1u);
    EXPECT_EQ(session.state.threatsFound, 1);
    EXPECT_EQ(view.lbltracesFound.caption(), "3");
    EXPECT_EQ(view.lvwFilesToBeDeleted.count(), 2u);
}

TEST_F(ListedOnceTest, APrefixOfAListedSummaryCountsAsListedAndANewScanForgetsIt) {
    fake.files.addFile("C:\\Windows\\system32\\a.dll", "plain");
    fake.files.addFile("C:\\Windows\\system32\\b.dll", "plain");
    fake.files.addFile("C:\\Windows\\system32\\c.dll", "plain");
    definitions("FileDefinition.dat", {"a.dll=Bar - Found Twice|[system]", "b.dll=Bar|[system]",
                                       "c.dll=bar - found twice|[system]"});
    ScanKnownFiles(session);
    // "Bar - Found" begins the first row, so Bar counts as listed already, as the list's own
    // partial search answers; a third spelling of the first threat adds nothing either.
    EXPECT_THAT(texts(summary()), ElementsAre("Bar - Found Twice - Found"));
    EXPECT_EQ(view.lbltracesFound.caption(), "3");
    // What the window's list shows does not matter: the scan's findings do.
    view.lvwSpywareFound.clear();
    EXPECT_TRUE(session.summaryHas("Bar - Found"));
    session.findings.clear();
    EXPECT_FALSE(session.summaryHas("Bar - Found"));
    session.reportFile(FindingKind::File, "C:\\Other\\other.dll", "Other", "");
    EXPECT_TRUE(session.summaryHas("OTHER - FOUND"));
}

class BatchedScanTest : public ScanFixture {};

// More lines than one look-ahead: hits on both sides of the boundary come back in file order,
// and a stop in the middle of a batch ends the scan at that line.
TEST_F(BatchedScanTest, LinesBeyondOneLookaheadAreTestedInOrderAndStopEndsAtTheLine) {
    const int count = static_cast<int>(limits::MaxLookaheadLines) + 100;
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back("f" + std::to_string(i) + ".dll=T" + std::to_string(i) + "|C:\\Vendor" + std::to_string(i % 7));
    for (int i : {count - 1, 3, static_cast<int>(limits::MaxLookaheadLines)})
        fake.files.addFile("C:\\Vendor" + std::to_string(i % 7) + "\\f" + std::to_string(i) + ".dll", "plain");
    definitions("FileDefinition.dat", lines);
    ScanKnownFiles(session);
    const auto last = std::to_string(count - 1);
    const auto boundary = std::to_string(limits::MaxLookaheadLines);
    EXPECT_THAT(texts(summary()), ElementsAre("T3 - Found", "T" + boundary + " - Found", "T" + last + " - Found"));
    EXPECT_EQ(session.state.filesFoldersInspected, count);

    view.lvwSpywareFound.clear();
    view.lvwFilesToBeDeleted.clear();
    session.findings.clear();
    session.state = {};
    host.yieldHook = [&] {
        if (session.state.filesFoldersInspected == static_cast<int>(limits::MaxLookaheadLines) + 50)
            session.state.stopRequested = true;
    };
    ScanKnownFiles(session);
    EXPECT_EQ(session.state.filesFoldersInspected, static_cast<int>(limits::MaxLookaheadLines) + 50);
    EXPECT_THAT(texts(summary()), ElementsAre("T3 - Found", "T" + boundary + " - Found"));
}

TEST_F(BatchedScanTest, OnlyACompleteScanKeepsTheFilesMissingFromTheirPlace) {
    definitions("FileDefinition.dat", {"gone.exe=Gone|[progfil]Gone"});
    session.choices.complete = false;
    ScanKnownFiles(session);
    EXPECT_TRUE(view.lvwFileNotFounds.empty());
    session.choices.complete = true;
    ScanKnownFiles(session);
    EXPECT_THAT(texts(view.lvwFileNotFounds), ElementsAre("gone.exe"));
}

}  // namespace
}  // namespace sorvane::scan::testing
