#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "tests/unit/cli/console_test.h"
#include "tests/fakes/fake_platform.h"

namespace sorvane::cli {
namespace {

using Dispatch = ConsoleTest;

TEST_F(Dispatch, WithoutArgumentsPrintsUsageAsAnError) {
    EXPECT_EQ(run({}), ExitError);
    EXPECT_NE(err.str().find("Usage: SorvaneCmd"), std::string::npos);
    EXPECT_TRUE(out.str().empty());
}

TEST_F(Dispatch, HelpListsEveryCommandOnStandardOutput) {
    for (const char* help : {"--help", "-h", "help"}) {
        out.str("");
        EXPECT_EQ(run({help}), ExitClean) << help;
        for (const auto& command : commands())
            EXPECT_NE(out.str().find(command.usage), std::string::npos) << command.name;
    }
    EXPECT_TRUE(err.str().empty());
}

TEST_F(Dispatch, UnknownCommandIsNamedInTheErrorAndRunsNothing) {
    EXPECT_EQ(run({"sc\xC3\xA4n", "--version"}), ExitError);
    EXPECT_NE(err.str().find("unknown command 'sc\xC3\xA4n'"), std::string::npos);
    EXPECT_TRUE(out.str().empty());
}

TEST_F(Dispatch, CommandNamesAreUniqueAndHeadTheirUsageLine) {
    std::set<std::string_view> names;
    for (const auto& command : commands()) {
        EXPECT_TRUE(names.insert(command.name).second) << command.name;
        EXPECT_EQ(command.usage.substr(0, command.name.size()), command.name);
        EXPECT_NE(command.run, nullptr);
    }
}

TEST_F(Dispatch, VersionComesFromTheExecutablesResource) {
    platform::VersionInfo info;
    info.productName = "Klarwerk";
    info.companyName = "Acme Tools";
    info.productVersion = "4.12";
    info.major = 4;
    info.minor = 12;
    fake.versions.info = info;

    EXPECT_EQ(run({"--version"}), ExitClean);
    EXPECT_EQ(out.str(), "Klarwerk 4.12\nAcme Tools\nVersion 4.12\n");
    EXPECT_TRUE(err.str().empty());
}

TEST_F(Dispatch, VersionWithoutAResourceOrWithArgumentsFails) {
    fake.versions.info.reset();
    EXPECT_EQ(run({"--version"}), ExitError);
    EXPECT_NE(err.str().find("no version resource"), std::string::npos);

    fake.versions.info = platform::VersionInfo{};
    err.str("");
    EXPECT_EQ(run({"--version", "extra"}), ExitError);
    EXPECT_NE(err.str().find("takes no arguments"), std::string::npos);
    EXPECT_TRUE(out.str().empty());
}

TEST_F(Dispatch, ScanFinishesAnUpdateCutShortBeforeReadingTheDefinitions) {
    const std::string folder = fake.environment.folder + "\\";
    for (const char* name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat", "BlockedCookies.dat",
                             "DirectoryDefinition.dat", "Safety.dat"})
        fake.files.addFile(folder + name, "");
    // The staged file of a crashed update, listed by its journal.
    fake.files.addFile(folder + "BlockedCookies.dat.new", "\xE2\xDF\xDF\xE7\xE5\xE9\xED\xA6\xE1\xF4\xDD\xE9\xEC\xE8\xE1\r\n");
    fake.files.addFile(folder + "update.pending", "BlockedCookies.dat\r\n");
    (void)run({"scan"});
    EXPECT_FALSE(fake.files.lookup(folder + "update.pending"));
    EXPECT_FALSE(fake.files.lookup(folder + "BlockedCookies.dat.new"));
    EXPECT_EQ(fake.files.content(folder + "BlockedCookies.dat")->size(), 17u);
    EXPECT_EQ(fake.instance.acquisitions, 1u);

    // Another process keeps the lock: its staged files stay, and the console says why.
    fake.files.addFile(folder + "ExeDefinition.dat.new", "staged");
    fake.files.addFile(folder + "update.pending", "ExeDefinition.dat\r\n");
    fake.instance.othersHolding.insert("Global\\Sorvane.Definitions.Replace");
    err.str("");
    (void)run({"scan"});
    EXPECT_TRUE(fake.files.lookup(folder + "update.pending"));
    EXPECT_EQ(fake.files.content(folder + "ExeDefinition.dat.new"), "staged");
    EXPECT_NE(err.str().find("another Sorvane program kept the definition files busy"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace sorvane::cli
