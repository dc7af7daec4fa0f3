#include <gtest/gtest.h>

#include "app/settings.h"
#include "tests/fakes/fake_registry.h"
#include "ui/headless/headless_host.h"

namespace sorvane::app {
namespace {

using platform::RootKey;

constexpr const char* UserOptions = "Software\\VB and VBA Program Settings\\Sorvane\\OptionAndSettings";
constexpr const char* UserSettingsKey = "Software\\VB and VBA Program Settings\\Sorvane\\Settings";
constexpr const char* MachineKey = "SOFTWARE\\Talvenor\\Sorvane\\Settings";

struct SettingsTest : testing::Test {
    fakes::FakeRegistry registry;
    ui::HeadlessHost host;
    UserSettings user{registry};
    MachineSettings machine{registry, user, host, [] { return std::string(" Talvenor "); },
                            [] { return std::string("Sorvane"); }};
};

TEST_F(SettingsTest, UserStoreReadsWithEachReadersDefault) {
    EXPECT_EQ(user.read(section::Options, "chkMakeLog", "1"), "1");
    EXPECT_EQ(user.readNumber(section::Options, "chkMakeLog", "1"), 1);
    EXPECT_TRUE(user.readBool(section::Options, "optMemorySheildOn", "True"));

    user.write(section::Options, "chkMakeLog", "0");
    EXPECT_EQ(registry.stringValue(RootKey::CurrentUser, UserOptions, "chkMakeLog"), "0");
    EXPECT_EQ(user.read(section::Options, "CHKMAKELOG", "1"), "0");

    // Booleans: "True"/"False" and numbers; an empty stored text is empty, not the default.
    user.write(section::Options, "optMemorySheildOn", "False");
    EXPECT_FALSE(user.readBool(section::Options, "optMemorySheildOn", "True"));
    user.write(section::Options, "optMemorySheildOn", "2");
    EXPECT_TRUE(user.readBool(section::Options, "optMemorySheildOn", "False"));
    user.write(section::Settings, "lblLastScan", "");
    EXPECT_EQ(user.read(section::Settings, "lblLastScan", "Never"), "");

    // A value of another type reads as missing.
    registry.putDword(RootKey::CurrentUser, UserSettingsKey, "Max", 1);
    EXPECT_EQ(user.read(section::Settings, "Max", "0"), "0");
}

TEST_F(SettingsTest, MachineReadErrorsAndDefaults) {
    EXPECT_EQ(machine.ReadMachineSetting("", "Settings", "FirstTime", "x").errorText, "AppName may not be empty");
    EXPECT_EQ(machine.ReadMachineSetting("Sorvane", "", "FirstTime", "x").error, machine_error::SectionEmpty);
    const auto noKey = machine.ReadMachineSetting("Sorvane", "Settings", "", "x");
    EXPECT_EQ(noKey.error, machine_error::KeyEmpty);
    EXPECT_EQ(noKey.errorText, "Key may not be empty");
    EXPECT_EQ(machine_error::AppNameEmpty, static_cast<std::int32_t>(0x80040000u) + 1000);

    // Missing key, then missing value: the default.
    EXPECT_EQ(machine.ReadMachineSetting("Sorvane", "Settings", "FirstTime", "dflt").value, "dflt");
    registry.addKey(RootKey::LocalMachine, MachineKey);
    EXPECT_EQ(machine.ReadMachineSetting("Sorvane", "Settings", "FirstTime", "dflt").value, "dflt");

    registry.putString(RootKey::LocalMachine, MachineKey, "FirstTime", "");
    const auto empty = machine.ReadMachineSetting("Sorvane", "Settings", "FirstTime", "dflt");
    EXPECT_TRUE(empty.ok());
    EXPECT_EQ(empty.value, "");

    registry.putDword(RootKey::LocalMachine, MachineKey, "showHelp", 0);
    const auto dword = machine.ReadMachineSetting("Sorvane", "Settings", "showHelp", "1");
    EXPECT_EQ(dword.errorText, "Registry data not a string");
    EXPECT_EQ(dword.value, "");
}

TEST_F(SettingsTest, MachineWriteTrimsThePathParts) {
    EXPECT_TRUE(machine.WriteMachineSetting(" Sorvane ", "Settings ", "FirstTime", "Yes"));
    EXPECT_EQ(registry.stringValue(RootKey::LocalMachine, MachineKey, "FirstTime"), "Yes");
    EXPECT_EQ(machine.ReadMachineSetting("Sorvane", "Settings", "FirstTime", "").value, "Yes");
    EXPECT_TRUE(host.messages().empty());
}

TEST_F(SettingsTest, PermissionDeniedPromptAbortRetryIgnore) {
    // Retry repeats the failed step; once rights come back the value is stored.
    registry.failWrites(platform::error::AccessDenied);
    host.decideAnswer = [this](const ui::ShownMessage&) -> std::optional<ui::Answer> {
        registry.failWrites(0);
        return ui::Answer::Retry;
    };
    EXPECT_TRUE(machine.WriteMachineSetting("Sorvane", "Settings", "FirstTime", "Yes"));
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].title, "Permission Denied");
    EXPECT_EQ(host.messages()[0].style, ui::mb::AbortRetryIgnore);
    EXPECT_EQ(host.messages()[0].text.rfind("Sorvane requires read/write access to the system registry", 0), 0u);
    EXPECT_NE(host.messages()[0].text.find("account.\r\n\r\nIf you would like to prevent this error message from "
                                           "being displayed again, please press 'Ignore'."),
              std::string::npos);
    EXPECT_EQ(registry.stringValue(RootKey::LocalMachine, MachineKey, "FirstTime"), "Yes");
    host.decideAnswer = nullptr;

    // Abort gives up after one prompt, the value unchanged.
    registry.makeReadOnly(RootKey::LocalMachine, MachineKey);
    host.clearMessages();
    host.queueAnswer(ui::Answer::Abort);
    EXPECT_FALSE(machine.WriteMachineSetting("Sorvane", "Settings", "FirstTime", "No"));
    EXPECT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(registry.stringValue(RootKey::LocalMachine, MachineKey, "FirstTime"), "Yes");
    EXPECT_EQ(user.read(section::Settings, "IgnorePermissionDeniedError", "0"), "0");

    // Ignore is remembered for the user, and the prompt stays away afterwards.
    host.clearMessages();
    host.queueAnswer(ui::Answer::Ignore);
    EXPECT_FALSE(machine.WriteMachineSetting("Sorvane", "Settings", "showHelp", "0"));
    EXPECT_EQ(user.read(section::Settings, "IgnorePermissionDeniedError", "0"), "1");
    EXPECT_FALSE(machine.WriteMachineSetting("Sorvane", "Settings", "showHelp", "0"));
    EXPECT_EQ(host.messages().size(), 1u);
    EXPECT_FALSE(registry.hasValue(RootKey::LocalMachine, MachineKey, "showHelp"));
}

}  // namespace
}  // namespace sorvane::app
