#include <gtest/gtest.h>

#include "platform/registry.h"

namespace sorvane::platform {
namespace {

TEST(Wow64RedirectedPath, MachineSoftwareIsRedirectedExceptTheKeysMicrosoftListsAsShared) {
    EXPECT_EQ(Wow64RedirectedPath(RootKey::LocalMachine, "Software\\Vendor\\Tool"),
              "Software\\WOW6432Node\\Vendor\\Tool");
    EXPECT_EQ(Wow64RedirectedPath(RootKey::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"),
              "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run");
    EXPECT_EQ(Wow64RedirectedPath(RootKey::LocalMachine, "SOFTWARE"), "SOFTWARE\\WOW6432Node");
    // Shared: the listed keys and all below them, but not their neighbours of a longer name.
    EXPECT_FALSE(Wow64RedirectedPath(RootKey::LocalMachine, "SOFTWARE\\Clients\\StartMenuInternet"));
    EXPECT_FALSE(Wow64RedirectedPath(RootKey::LocalMachine,
                                     "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer"));
    EXPECT_EQ(Wow64RedirectedPath(RootKey::LocalMachine, "Software\\ClientsPlus"), "Software\\WOW6432Node\\ClientsPlus");
    EXPECT_FALSE(Wow64RedirectedPath(RootKey::LocalMachine, "SYSTEM\\CurrentControlSet\\Services\\Bad"));
}

TEST(Wow64RedirectedPath, OnlyTheComKeysOfTheClassesAreRedirectedInEveryHive) {
    EXPECT_EQ(Wow64RedirectedPath(RootKey::LocalMachine, "SOFTWARE\\Classes\\CLSID\\{1}"),
              "SOFTWARE\\Classes\\WOW6432Node\\CLSID\\{1}");
    EXPECT_FALSE(Wow64RedirectedPath(RootKey::LocalMachine, "SOFTWARE\\Classes\\Bad.Toolbar"));
    EXPECT_EQ(Wow64RedirectedPath(RootKey::ClassesRoot, "Interface\\{2}"), "WOW6432Node\\Interface\\{2}");
    EXPECT_FALSE(Wow64RedirectedPath(RootKey::ClassesRoot, "Bad.Toolbar\\CLSID"));
    EXPECT_EQ(Wow64RedirectedPath(RootKey::CurrentUser, "Software\\Classes\\Media Type\\x"),
              "Software\\Classes\\WOW6432Node\\Media Type\\x");
    EXPECT_EQ(Wow64RedirectedPath(RootKey::Users, "S-1-5-21-7_Classes\\CLSID\\{3}"),
              "S-1-5-21-7_Classes\\WOW6432Node\\CLSID\\{3}");
    EXPECT_EQ(Wow64RedirectedPath(RootKey::Users, "S-1-5-21-7\\Software\\Classes\\DirectShow"),
              "S-1-5-21-7\\Software\\Classes\\WOW6432Node\\DirectShow");
    // The user's own software is one key for both views.
    EXPECT_FALSE(Wow64RedirectedPath(RootKey::CurrentUser, "Software\\Vendor"));
    EXPECT_FALSE(Wow64RedirectedPath(RootKey::Users, "S-1-5-21-7\\Software\\Vendor"));
}

TEST(Wow64RedirectedPath, APathThatNamesTheCopyAlreadyHasNoOtherAndEmptyNamesAreSkipped) {
    EXPECT_FALSE(Wow64RedirectedPath(RootKey::LocalMachine, "SOFTWARE\\Wow6432Node\\Vendor"));
    EXPECT_FALSE(Wow64RedirectedPath(RootKey::ClassesRoot, "wow6432node\\CLSID\\{1}"));
    EXPECT_EQ(Wow64RedirectedPath(RootKey::LocalMachine, "\\Software\\\\Vendor\\"), "Software\\WOW6432Node\\Vendor");
    EXPECT_FALSE(Wow64RedirectedPath(RootKey::LocalMachine, ""));
}

TEST(Wow64DecidingKey, IsTheLongestTableEntryHoldingThePathAsItIsSpelled) {
    EXPECT_EQ(Wow64DecidingKey(RootKey::LocalMachine, "Software\\Vendor\\Tool"), "Software");
    EXPECT_EQ(Wow64DecidingKey(RootKey::LocalMachine, "Software\\Microsoft\\RPC\\x"), "Software\\Microsoft\\RPC");
    EXPECT_EQ(Wow64DecidingKey(RootKey::LocalMachine, "Software\\Classes\\CLSID\\{1}"), "Software\\Classes\\CLSID");
    EXPECT_EQ(Wow64DecidingKey(RootKey::LocalMachine, "Software\\Classes\\Bad"), "Software\\Classes");
    EXPECT_EQ(Wow64DecidingKey(RootKey::ClassesRoot, "CLSID\\{1}"), "CLSID");
    EXPECT_EQ(Wow64DecidingKey(RootKey::CurrentUser, "Software\\Vendor"), "");
    EXPECT_EQ(Wow64DecidingKey(RootKey::LocalMachine, "SYSTEM\\Setup"), "");
}

}  // namespace
}  // namespace sorvane::platform
