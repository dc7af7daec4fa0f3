// The settings stores against the real registry. Wine runs these in a throwaway prefix;
// only the program's own keys are touched, and they are removed again.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "platform/win32/win32_registry.h"
#include "ui/headless/headless_host.h"

namespace sorvane::app {
namespace {

using platform::RootKey;

constexpr const char* UserKey = "Software\\VB and VBA Program Settings\\Sorvane";
constexpr const char* MachineKey = "SOFTWARE\\Talvenor\\Sorvane";

class SettingsRegistryTest : public testing::Test {
protected:
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }
    void clean() {
        (void)registry.deleteKeyTree(RootKey::CurrentUser, UserKey);
        (void)registry.deleteKeyTree(RootKey::LocalMachine, MachineKey);
    }

    platform::win32::Win32Registry registry;
    ui::HeadlessHost host;
    UserSettings user{registry};
    MachineSettings machine{registry, user, host, [] { return std::string("Talvenor"); },
                            [] { return std::string("Sorvane"); }};
};

TEST_F(SettingsRegistryTest, UserSettingsLiveWhereTheClassicSaveSettingPutThem) {
    EXPECT_EQ(user.read(section::Options, "STATUS", "none"), "none");
    user.write(section::Options, "STATUS", "RUNNING");
    user.write(section::Settings, "lblLastScan", "5/14/2024 9:30:00 AM");
    user.write(section::Drives, "C:", "True");

    platform::RegistryValue raw;
    ASSERT_TRUE(registry.queryValue(RootKey::CurrentUser, std::string(UserKey) + "\\OptionAndSettings", "STATUS",
                                    platform::access::Read, raw)
                    .ok());
    EXPECT_EQ(raw.type, platform::ValueType::String);
    EXPECT_EQ(raw.text, "RUNNING");
    EXPECT_EQ(user.read(section::Options, "status", "none"), "RUNNING");
    EXPECT_EQ(user.read(section::Settings, "lblLastScan", "Never"), "5/14/2024 9:30:00 AM");
    EXPECT_TRUE(user.readBool(section::Drives, "c:", "False"));

    // Overwriting and non-ASCII text round-trip through the wide API.
    user.write(section::Settings, "Language", "Fran\xC3\xA7" "ais");
    EXPECT_EQ(user.read(section::Settings, "Language", "English"), "Fran\xC3\xA7" "ais");
    user.write(section::Settings, "lblLastScan", "");
    EXPECT_EQ(user.read(section::Settings, "lblLastScan", "Never"), "");
}

TEST_F(SettingsRegistryTest, MachineSettingsUnderTheCompanyKey) {
    EXPECT_EQ(machine.ReadMachineSetting("Sorvane", "Settings", "FirstTime", "").value, "");
    EXPECT_TRUE(machine.WriteMachineSetting("Sorvane", "Settings", "FirstTime", "Yes"));
    EXPECT_TRUE(host.messages().empty());

    platform::RegistryValue raw;
    ASSERT_TRUE(registry.queryValue(RootKey::LocalMachine, std::string(MachineKey) + "\\Settings", "FirstTime",
                                    platform::access::Read, raw)
                    .ok());
    EXPECT_EQ(raw.type, platform::ValueType::String);
    EXPECT_EQ(raw.text, "Yes");
    // The data size counts no terminating NUL.
    EXPECT_EQ(raw.data.size() % 2, 0u);
    EXPECT_EQ(machine.ReadMachineSetting("Sorvane", "Settings", "FirstTime", "").value, "Yes");

    // A value of another type is an error, not a default.
    platform::RegistryValue number;
    number.type = platform::ValueType::Dword;
    number.data = {1, 0, 0, 0};
    ASSERT_TRUE(registry.setValue(RootKey::LocalMachine, std::string(MachineKey) + "\\Settings", "showHelp", number).ok());
    const auto read = machine.ReadMachineSetting("Sorvane", "Settings", "showHelp", "1");
    EXPECT_EQ(read.errorText, "Registry data not a string");
}

}  // namespace
}  // namespace sorvane::app
