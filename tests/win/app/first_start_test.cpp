// A first and a second start of the main window on the real registry and file system,
// with the state-only host. Wine runs it in a throwaway prefix; the program's keys, its
// start-up task and the files planted beside the executable are removed afterwards.
#include <gtest/gtest.h>

#include <memory>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/start_at_logon.h"
#include "platform/win32/version_resources.h"
#include "platform/win32/win32_platform.h"
#include "tests/win/platform/task_scheduler_running.h"
#include "ui/headless/headless_host.h"

namespace sorvane::app {
namespace {

using platform::RootKey;

constexpr const char* UserKey = "Software\\VB and VBA Program Settings\\Sorvane";
constexpr const char* MachineKey = "SOFTWARE\\Talvenor\\Sorvane";
constexpr const char* RunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class FirstStartTest : public testing::Test {
protected:
    // The first start sets up the start at logon through the Task Scheduler.
    void SetUp() override {
        ASSERT_EQ(wintest::TaskSchedulerRunning(), "");
        clean();
    }
    void TearDown() override { clean(); }

    platform::Platform& services() { return system.platform(); }
    std::string at(const char* name) { return platform::JoinPath(services().environment.applicationFolder(), name); }
    void clean() {
        auto& registry = services().registry;
        (void)registry.deleteKeyTree(RootKey::CurrentUser, UserKey);
        (void)registry.deleteKeyTree(RootKey::LocalMachine, MachineKey);
        (void)registry.deleteValue(RootKey::LocalMachine, RunKey, services().environment.executableBaseName());
        (void)services().logonTasks.deleteTask(LogonTaskName("Sorvane", services().logonTasks.currentUser()));
        for (const char* name : {"FileDefinition.dat", "DLFileDefinition.dat", "DLDirectoryDefinition.dat"})
            (void)services().files.deleteFile(at(name));
    }
    std::string user(const char* section, const char* key) {
        platform::RegistryValue value;
        if (!services().registry.queryValue(RootKey::CurrentUser, std::string(UserKey) + "\\" + section, key,
                                            platform::access::Read, value).ok())
            return "<missing>";
        return value.text;
    }

    // One run of the program up to its main window, on services of its own, so that its
    // single-instance lock goes when the run does.
    struct Run {
        Run(platform::VersionResources& versions, ui::HeadlessHost& uiHost)
            : system(versions), app(system.platform(), uiHost), main(app), splash(app, main) {}
        platform::win32::Win32Platform system;
        Application app;
        FrmMain main;
        FrmSplash splash;
    };
    std::unique_ptr<Run> start(ui::HeadlessHost& host) {
        auto run = std::make_unique<Run>(versions, host);
        run->splash.show();
        host.advance(2 * FrmSplash::Ticks);
        return run;
    }

    platform::win32::Win32VersionResources versions;
    platform::win32::Win32Platform system{versions};
};

TEST_F(FirstStartTest, FirstStartSecondStartAndExit) {
    ASSERT_TRUE(services().files.writeFile(at("FileDefinition.dat"), "old\r\n").ok());
    ASSERT_TRUE(services().files.writeFile(at("DLFileDefinition.dat"), "new\r\nlines\r\n").ok());
    ASSERT_TRUE(services().files.writeFile(at("DLDirectoryDefinition.dat"), "waiting\r\n").ok());

    {
        ui::HeadlessHost host;
        host.queueAnswer(ui::Answer::No);  // the first-start update question
        auto run = start(host);
        ASSERT_TRUE(run->main.loaded());
        EXPECT_EQ(run->main.caption(), "Sorvane by Talvenor");
        EXPECT_EQ(user("OptionAndSettings", "chkRunAtStartup"), "1");
        EXPECT_EQ(user("Settings", "ranOneTime"), "1");
        EXPECT_EQ(user("OptionAndSettings", "SHOW"), "True");
        EXPECT_EQ(user("OptionAndSettings", "optScanOnlyKnownSoftwares"), "True");
        EXPECT_EQ(user("OptionAndSettings", "optScanAllSelectedHardDrive"), "False");
        EXPECT_EQ(user("OptionAndSettings", "STATUS"), "RUNNING");
        // The start at logon is this user's task, not the Run value.
        std::string task;
        ASSERT_TRUE(services().logonTasks.storedDefinition(LogonTaskName("Sorvane", services().logonTasks.currentUser()),
                                                           task).ok());
        platform::RegistryValue runValue;
        EXPECT_FALSE(services().registry.queryValue(RootKey::LocalMachine, RunKey,
                                                    services().environment.executableBaseName(),
                                                    platform::access::Read, runValue).ok());
        EXPECT_EQ(host.messages().size(), 1u);

        std::string content;
        ASSERT_TRUE(services().files.readFile(at("FileDefinition.dat"), content).ok());
        EXPECT_EQ(content, "new\r\nlines\r\n");
        EXPECT_FALSE(services().files.lookup(at("DLFileDefinition.dat")).has_value());
        EXPECT_TRUE(services().files.lookup(at("DLDirectoryDefinition.dat")).has_value());

        // A second copy started meanwhile ends at once, without a word.
        ui::HeadlessHost otherHost;
        auto other = start(otherHost);
        EXPECT_TRUE(other->app.ended());
        EXPECT_FALSE(other->main.visible());
        EXPECT_TRUE(otherHost.messages().empty());

        ui::clickControl(run->main, "mnuFileItem", 8);
        EXPECT_EQ(user("OptionAndSettings", "STATUS"), "STOPPED");
        EXPECT_EQ(user("Settings", "Max"), "0");
        EXPECT_EQ(user("Settings", "FoundCol21"), "1400");
        EXPECT_EQ(user("Settings", "FoundCol23"), "1400");
    }
    {
        ui::HeadlessHost host;
        auto run = start(host);
        ASSERT_TRUE(run->main.loaded());
        EXPECT_TRUE(host.messages().empty());
        EXPECT_EQ(user("OptionAndSettings", "STATUS"), "RUNNING");
        run->main.unload();
    }
}

}  // namespace
}  // namespace sorvane::app
