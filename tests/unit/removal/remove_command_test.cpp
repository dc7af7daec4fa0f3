#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "definitions/definition_files.h"
#include "tests/fakes/fake_platform.h"

namespace sorvane::removal {
namespace {

using platform::RootKey;

const std::string AppFolder = "C:\\Program Files\\Sorvane";

class RemoveCommandTest : public ::testing::Test {
protected:
    RemoveCommandTest() {
        for (auto name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat", "BlockedCookies.dat",
                          "DirectoryDefinition.dat"})
            fake.files.addFile(AppFolder + "\\" + name, "");
        definitions("FileDefinition.dat", {"bad.exe=FileBar|[progfil]"});
        definitions("RegistryDefinition.dat", {"1^Software\\Bad^=RegBar"});
        fake.files.addFile("C:\\Program Files\\bad.exe", "MZ bad");
        fake.registry.putString(RootKey::CurrentUser, "Software\\Bad", "", "default");
        fake.registry.addKey(RootKey::CurrentUser, "Software\\Bad\\Sub");
        fake.registry.putString(RootKey::CurrentUser, Options, "optScanAllSelectedHardDrive", "False");
    }
    static constexpr const char* Options = "Software\\VB and VBA Program Settings\\Sorvane\\OptionAndSettings";
    void definitions(std::string_view file, const std::vector<std::string>& lines) {
        std::string content;
        for (const auto& line : lines) content += definitions::StoredDefinitionLine(fake.locale, line) + "\r\n";
        ASSERT_TRUE(fake.files.writeFile(AppFolder + "\\" + std::string(file), content).ok());
    }
    int remove(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), "remove");
        std::istringstream in(input);
        out.str("");
        err.str("");
        cli::Console console{in, out, err};
        return cli::dispatch(fake.platform(), args, console);
    }

    fakes::FakePlatform fake;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(RemoveCommandTest, YesRemovesEverythingFoundAndSaysSo) {
    EXPECT_EQ(remove({"--yes"}), cli::ExitClean) << err.str();
    EXPECT_FALSE(fake.files.exists("C:\\Program Files\\bad.exe"));
    EXPECT_EQ(fake.files.content(AppFolder + "\\quarantine\\bad.exe"), "MZ bad");
    EXPECT_FALSE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Bad"));
    EXPECT_NE(out.str().find("Removed: C:\\Program Files\\bad.exe\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Removed: HKEY_CURRENT_USER\\Software\\Bad\n"), std::string::npos) << out.str();
    EXPECT_EQ(out.str().find("Are you sure"), std::string::npos);

    // A second run finds nothing left.
    EXPECT_EQ(remove({"--yes"}), cli::ExitClean);
    EXPECT_NE(out.str().find("Nothing to remove."), std::string::npos) << out.str() << err.str();
}

TEST_F(RemoveCommandTest, WithoutYesItAsksAndANoRemovesNothing) {
    EXPECT_EQ(remove({}, "n\n"), cli::ExitClean);
    EXPECT_NE(out.str().find("Are you sure you want to delete the selected files?\n\n"), std::string::npos);
    EXPECT_NE(out.str().find(AppFolder + "\\quarantine"), std::string::npos);
    EXPECT_TRUE(fake.files.exists("C:\\Program Files\\bad.exe"));
    EXPECT_TRUE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Bad"));

    EXPECT_EQ(remove({}, "yes\n"), cli::ExitClean);
    EXPECT_FALSE(fake.files.exists("C:\\Program Files\\bad.exe"));
}

TEST_F(RemoveCommandTest, KeptCopiesFoundByACompleteScanStayInQuarantine) {
    EXPECT_EQ(remove({"--yes"}), cli::ExitClean) << err.str();
    fake.registry.putString(RootKey::CurrentUser, Options, "optScanAllSelectedHardDrive", "True");
    remove({"--yes"});
    EXPECT_EQ(fake.files.content(AppFolder + "\\quarantine\\bad.exe"), "MZ bad");
}

TEST_F(RemoveCommandTest, OnlyRemovesTheNamedRowsAndReportsUnknownOnes) {
    EXPECT_EQ(remove({"--yes", "--only", "RegBar", "--only", "NoSuchBar"}), cli::ExitClean);
    EXPECT_FALSE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Bad"));
    EXPECT_TRUE(fake.files.exists("C:\\Program Files\\bad.exe"));
    EXPECT_NE(err.str().find("NoSuchBar"), std::string::npos);
}

TEST_F(RemoveCommandTest, WhatResistsIsListedAndTheExitCodeSaysSo) {
    fake.files.setInUse("C:\\Program Files\\bad.exe");
    EXPECT_EQ(remove({"--yes"}), cli::ExitFound);
    EXPECT_NE(out.str().find("Not removed: C:\\Program Files\\bad.exe (In use by another program)\n"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("1 removed, 1 not removed"), std::string::npos) << out.str();
}

TEST_F(RemoveCommandTest, AFolderThatResistsIsReportedAsTheRunSawItWhateverItsSpelling) {
    // A folder named with a trailing backslash, which the system finds by no such name.
    definitions("DirectoryDefinition.dat", {"x=HeldBar|[progfil]Held\\"});
    fake.files.addFile("C:\\Program Files\\Held\\held.txt", "held");
    fake.files.setInUse("C:\\Program Files\\Held\\held.txt");
    EXPECT_EQ(remove({"--yes", "--only", "HeldBar"}), cli::ExitFound) << err.str();
    EXPECT_TRUE(fake.files.exists("C:\\Program Files\\Held\\held.txt"));
    EXPECT_NE(out.str().find("Not removed: C:\\Program Files\\Held\\"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("0 removed, 1 not removed"), std::string::npos) << out.str();
}

TEST_F(RemoveCommandTest, AStandardUserIsToldWhichMachineWideTracesNeedAnAdministrator) {
    definitions("RegistryDefinition.dat", {"1^Software\\Bad^=RegBar", "2^Software\\AdBar^=AdBar"});
    fake.registry.putString(RootKey::LocalMachine, "Software\\AdBar", "", "default");
    fake.registry.makeTreeReadOnly(RootKey::LocalMachine);
    EXPECT_EQ(remove({"--yes"}), cli::ExitError);
    EXPECT_EQ(err.str(), "SorvaneCmd remove: Access denied\n");
    EXPECT_TRUE(fake.registry.hasKey(RootKey::LocalMachine, "Software\\AdBar"));
    EXPECT_FALSE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Bad"));
    EXPECT_NE(out.str().find("Not removed: HKEY_LOCAL_MACHINE\\Software\\AdBar (Needs an administrator to remove)\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("2 removed, 1 not removed"), std::string::npos) << out.str();
}

TEST_F(RemoveCommandTest, AProgramFolderTheAccountMayNotWriteKeepsEverythingAndExitsTwo) {
    // No copy can be kept in the quarantine, so nothing is deleted; the report cannot be saved either.
    fake.files.protectFolder(AppFolder);
    EXPECT_EQ(remove({"--yes"}), cli::ExitError);
    EXPECT_TRUE(fake.files.exists("C:\\Program Files\\bad.exe"));
    EXPECT_FALSE(fake.files.exists(AppFolder + "\\quarantine"));
    EXPECT_FALSE(fake.files.exists(AppFolder + "\\Scan_Log.txt"));
    EXPECT_NE(out.str().find("Not removed: C:\\Program Files\\bad.exe (Access denied)\n"), std::string::npos)
        << out.str();
    EXPECT_NE(err.str().find("SorvaneCmd remove: The scan report could not be saved: " + AppFolder +
                             "\\Scan_Log.txt: Access denied\n"),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("SorvaneCmd remove: Access denied\n"), std::string::npos) << err.str();
}

TEST_F(RemoveCommandTest, BadArgumentsAndMissingDefinitionsAreErrors) {
    EXPECT_EQ(remove({"--force"}), cli::ExitError);
    EXPECT_EQ(remove({"--only"}), cli::ExitError);
    ASSERT_TRUE(fake.files.deleteFile(AppFolder + "\\ExeDefinition.dat").ok());
    EXPECT_EQ(remove({"--yes"}), cli::ExitError);
    EXPECT_TRUE(fake.files.exists("C:\\Program Files\\bad.exe"));
}

}  // namespace
}  // namespace sorvane::removal
