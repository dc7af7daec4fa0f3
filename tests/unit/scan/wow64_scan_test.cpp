#include "definitions/path_macros.h"
#include "scan/known_files_scan.h"
#include "scan/registry_scan.h"
#include "scan/registry_views.h"
#include "tests/unit/scan/scan_fixture.h"

// A 64-bit Windows keeps some keys and three folders twice, once for its 32-bit programs.
namespace sorvane::scan::testing {
namespace {

using platform::RootKey;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Wow64ScanTest : public ScanFixture {
protected:
    std::vector<std::string> registryRows() const {
        std::vector<std::string> rows;
        for (const auto& row : view.lvwRegistryToBeDeleted.items())
            rows.push_back(row.text + "|" + row.subItem(1) + "|" + row.subItem(2));
        return rows;
    }
    std::vector<std::string> fileRows() const { return texts(view.lvwFilesToBeDeleted); }
    const std::string hklm = "-2147483646";
};

TEST_F(Wow64ScanTest, ARedirectedKeyIsFoundInEachViewAtItsPhysicalPlace) {
    fake.registry.addKey(RootKey::LocalMachine, "SOFTWARE\\Vendor");
    fake.registry.addKey(RootKey::LocalMachine, "SOFTWARE\\WOW6432Node\\Vendor");
    fake.registry.putString(RootKey::LocalMachine, "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
                            "Vendor", "c:\\vendor.exe");
    fake.registry.putString(RootKey::LocalMachine, "SOFTWARE\\WOW6432Node\\Only32", "v", "1");
    definitions("RegistryDefinition.dat",
                {"2^SOFTWARE\\Vendor^=Vendor", "2^Software\\Microsoft\\Windows\\CurrentVersion\\Run^Vendor=Vendor",
                 "2^SOFTWARE\\Only32^v=Only32"});
    ScanRegistry(session);

    EXPECT_THAT(registryRows(),
                ElementsAre(hklm + "|SOFTWARE\\Vendor|", hklm + "|SOFTWARE\\WOW6432Node\\Vendor|",
                            hklm + "|SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run|Vendor",
                            hklm + "|SOFTWARE\\WOW6432Node\\Only32|v"));
    EXPECT_EQ(session.state.registryInspected, 3);
    EXPECT_EQ(view.lbltracesFound.caption(), "4");
    EXPECT_EQ(detail().item(1).subItem(1), "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Only32v");
}

TEST_F(Wow64ScanTest, AKeyBothViewsShareIsOneFinding) {
    fake.registry.addKey(RootKey::LocalMachine, "SOFTWARE\\WOW6432Node");
    fake.registry.addKey(RootKey::CurrentUser, "Software\\Vendor");
    fake.registry.addKey(RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Vendor");
    fake.registry.addKey(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Vendor");
    // A leftover where a shared key's copy would be, were it redirected: not the key the line names.
    fake.registry.addKey(RootKey::LocalMachine,
                         "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Policies\\Vendor");
    definitions("RegistryDefinition.dat", {"1^Software\\Vendor^=Vendor", "2^SYSTEM\\CurrentControlSet\\Services\\Vendor^=Vendor",
                                           "2^SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Vendor^=Vendor"});
    ScanRegistry(session);

    EXPECT_THAT(registryRows(), ElementsAre("-2147483647|Software\\Vendor|",
                                            hklm + "|SYSTEM\\CurrentControlSet\\Services\\Vendor|",
                                            hklm + "|SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Vendor|"));
}

TEST_F(Wow64ScanTest, TheSystemsOwnPhysicalNamesDecideOverTheTable) {
    fake.registry.addKey(RootKey::LocalMachine, "SOFTWARE\\Vendor");
    fake.registry.addKey(RootKey::LocalMachine, "SOFTWARE\\WOW6432Node\\Vendor");
    definitions("RegistryDefinition.dat", {"2^SOFTWARE\\Vendor^=Vendor"});

    // This system shares SOFTWARE: the WOW6432Node key is no view of the line's key.
    fake.registry.shareKey(RootKey::LocalMachine, "SOFTWARE");
    ScanRegistry(session);
    EXPECT_THAT(registryRows(), ElementsAre(hklm + "|SOFTWARE\\Vendor|"));

    // A system that cannot tell is answered by the table.
    view.lvwRegistryToBeDeleted.clear();
    session.resolveMacros();
    fake.registry.answerPhysicalNames(false);
    ScanRegistry(session);
    EXPECT_THAT(registryRows(), ElementsAre(hklm + "|SOFTWARE\\Vendor|", hklm + "|SOFTWARE\\WOW6432Node\\Vendor|"));
}

TEST(RegistryViewsTest, A32BitSystemHasNoCopiesAndEachDecidingKeyIsAskedOnce) {
    fakes::FakeRegistry registry;
    registry.addKey(RootKey::LocalMachine, "SOFTWARE\\Classes\\CLSID");
    registry.addKey(RootKey::LocalMachine, "SOFTWARE\\Classes\\WOW6432Node\\CLSID");
    registry.setViews(false);
    RegistryViews views(registry);
    EXPECT_FALSE(views.copyOf(RootKey::LocalMachine, "SOFTWARE\\Classes\\CLSID\\{1}"));

    registry.setViews(true);
    RegistryViews wow64(registry);
    EXPECT_EQ(wow64.copyOf(RootKey::LocalMachine, "SOFTWARE\\Classes\\\\CLSID\\{1}\\InprocServer32"),
              "SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{1}\\InprocServer32");
    // Asked once: a later change of the system is not seen within the same scan.
    registry.shareKey(RootKey::LocalMachine, "SOFTWARE\\Classes\\CLSID");
    EXPECT_TRUE(wow64.copyOf(RootKey::LocalMachine, "SOFTWARE\\Classes\\CLSID\\{2}"));
    EXPECT_FALSE(RegistryViews(registry).copyOf(RootKey::LocalMachine, "SOFTWARE\\Classes\\CLSID\\{2}"));
    // Without the physical names and without a WOW6432Node below SOFTWARE: a 32-bit system.
    fakes::FakeRegistry plain;
    plain.answerPhysicalNames(false);
    EXPECT_FALSE(RegistryViews(plain).copyOf(RootKey::LocalMachine, "SOFTWARE\\Vendor"));
}

TEST_F(Wow64ScanTest, AnExclusionOfOnePhysicalPlaceLeavesTheOther) {
    fake.registry.putString(RootKey::LocalMachine, "SOFTWARE\\Vendor", "v", "64");
    fake.registry.putString(RootKey::LocalMachine, "SOFTWARE\\WOW6432Node\\Vendor", "v", "32");
    exclude("HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Vendor");
    definitions("RegistryDefinition.dat", {"2^SOFTWARE\\Vendor^v=Vendor"});
    ScanRegistry(session);

    EXPECT_THAT(registryRows(), ElementsAre(hklm + "|SOFTWARE\\Vendor|v"));
    EXPECT_THAT(texts(summary()),
                ElementsAre("Vendor - Found", "EXCLUDED: HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Vendorv"));
}

TEST_F(Wow64ScanTest, FilesAndFoldersAreLookedForInTheNativeAndTheX86Folders) {
    fake.files.addFile("C:\\Program Files (x86)\\Vendor\\vendor.exe", "MZ 32");
    fake.files.addFile("C:\\Program Files\\Both\\both.exe", "MZ 64");
    fake.files.addFile("C:\\Program Files (x86)\\Both\\both.exe", "MZ 32");
    fake.files.addFile("C:\\Windows\\SysWOW64\\vendor.dll", "plain");
    fake.files.addFile("C:\\Windows\\SysWOW64\\ms.dll", versionResource("Microsoft Corporation"));
    fake.files.addFolder("C:\\Program Files (x86)\\Common Files\\Vendor");
    fake.files.addFolder("C:\\Users\\User\\AppData\\Roaming\\Vendor");
    definitions("FileDefinition.dat", {"vendor.exe=Vendor|[progfil]Vendor", "both.exe=Both|[PROGFIL]Both",
                                       "vendor.dll=Vendor|[system]", "ms.dll=Ms|[system]",
                                       "gone.exe=Gone|[progfil]Gone"});
    definitions("DirectoryDefinition.dat",
                {"c=Vendor|[comprogfil]Vendor", "a=Vendor|[appdata]Vendor", "a=Vendor|[windir]Vendor"});
    session.choices.complete = true;
    ScanKnownFiles(session);
    ScanKnownFolders(session);

    EXPECT_THAT(fileRows(), ElementsAre("C:\\Program Files (x86)\\Vendor\\vendor.exe", "C:\\Program Files\\Both\\both.exe",
                                        "C:\\Program Files (x86)\\Both\\both.exe", "C:\\Windows\\SysWOW64\\vendor.dll",
                                        "C:\\Program Files (x86)\\Common Files\\Vendor",
                                        "C:\\Users\\User\\AppData\\Roaming\\Vendor"));
    EXPECT_EQ(session.state.filesFoldersInspected, 8);
    // Missing from both places, a line waits for the drive sweep once.
    EXPECT_THAT(texts(view.lvwFileNotFounds), ElementsAre("gone.exe"));
}

TEST_F(Wow64ScanTest, OnA32BitSystemEachLineIsOnePlace) {
    fake.shell.setSpecialFolder(platform::csidl::ProgramFilesX86, "C:\\Program Files");
    fake.shell.setSpecialFolder(platform::csidl::ProgramFilesCommonX86, "C:\\Program Files\\Common Files");
    fake.shell.setSpecialFolder(platform::csidl::SystemX86, "C:\\Windows\\system32");
    const definitions::PathMacros macros(fake.shell);
    EXPECT_EQ(macros.x86(), nullptr);
    fake.files.addFile("C:\\Program Files\\Vendor\\vendor.exe", "MZ");
    definitions("FileDefinition.dat", {"vendor.exe=Vendor|[progfil]Vendor"});
    session.resolveMacros();
    ScanKnownFiles(session);
    EXPECT_THAT(fileRows(), ElementsAre("C:\\Program Files\\Vendor\\vendor.exe"));
}

TEST_F(Wow64ScanTest, ASafeEntryInATwinFolderIsSafeInBoth) {
    fake.files.addFile("C:\\Program Files\\Tool\\tool.exe", "MZ");
    fake.files.addFile("C:\\Program Files (x86)\\Tool\\tool.exe", "MZ");
    definitions("FileDefinition.dat", {"tool.exe=Tool|[progfil]Tool"});
    definitions("Safety.dat", {"SFILE|tool.exe|[progfil]Tool\\tool.exe"});
    session.loadSafeList();
    ScanKnownFiles(session);
    EXPECT_THAT(fileRows(), IsEmpty());
}

}  // namespace
}  // namespace sorvane::scan::testing
