#include <gtest/gtest.h>

#include "tests/fakes/fake_registry.h"

using namespace sorvane;
using platform::RootKey;
using platform::ValueType;
namespace rights = platform::access;
namespace error = platform::error;

TEST(FakeRegistry, NamesIgnoreCaseAndKeepTheirSpelling) {
    fakes::FakeRegistry reg;
    reg.putString(RootKey::LocalMachine, "Software\\Vendor\\App", "InstallDir", "C:\\App");
    platform::RegistryValue v;
    ASSERT_TRUE(reg.queryValue(RootKey::LocalMachine, "SOFTWARE\\vendor\\APP", "installdir", rights::Read, v).ok());
    EXPECT_EQ(v.type, ValueType::String);
    EXPECT_EQ(v.text, "C:\\App");
    std::vector<std::string> names;
    ASSERT_TRUE(reg.listSubKeys(RootKey::LocalMachine, "software", names).ok());
    EXPECT_EQ(names, std::vector<std::string>{"Vendor"});
    EXPECT_FALSE(reg.hasKey(RootKey::CurrentUser, "Software\\Vendor"));
}

TEST(FakeRegistry, ReadOnlyKeyRefusesRightsToChangeButAllowsReading) {
    fakes::FakeRegistry reg;
    reg.putString(RootKey::LocalMachine, "Software\\Locked", "", "default text");
    reg.makeReadOnly(RootKey::LocalMachine, "Software\\Locked");
    EXPECT_TRUE(reg.openKey(RootKey::LocalMachine, "Software\\Locked", rights::RemoveKeyAccess).is(error::AccessDenied));
    EXPECT_TRUE(reg.openKey(RootKey::LocalMachine, "Software\\Locked", rights::Read).ok());
    EXPECT_TRUE(reg.openKey(RootKey::LocalMachine, "Software\\Locked", rights::ScanAccess).ok());
    platform::RegistryValue v;
    EXPECT_TRUE(reg.queryValue(RootKey::LocalMachine, "Software\\Locked", "", 0x3F, v).is(error::AccessDenied));
    ASSERT_TRUE(reg.queryValue(RootKey::LocalMachine, "Software\\Locked", "", rights::Read, v).ok());
    EXPECT_EQ(v.text, "default text");
    EXPECT_TRUE(reg.setString(RootKey::LocalMachine, "Software\\Locked", "x", "y").is(error::AccessDenied));
    EXPECT_TRUE(reg.deleteKeyTree(RootKey::LocalMachine, "Software\\Locked").is(error::AccessDenied));
    EXPECT_TRUE(reg.openKey(RootKey::LocalMachine, "Software\\Missing", rights::Read).is(error::FileNotFound));
}

TEST(FakeRegistry, AReadOnlyTreeHoldsForKeysAddedLaterAndRefusesNewOnes) {
    fakes::FakeRegistry reg;
    reg.putString(RootKey::LocalMachine, "Software\\Before", "v", "1");
    reg.makeTreeReadOnly(RootKey::LocalMachine);
    reg.putString(RootKey::LocalMachine, "Software\\After\\Deep", "v", "2");
    for (auto path : {"Software", "Software\\Before", "Software\\After\\Deep"}) {
        EXPECT_TRUE(reg.openKey(RootKey::LocalMachine, path, rights::ScanAccess).ok()) << path;
        EXPECT_TRUE(reg.openKey(RootKey::LocalMachine, path, rights::SetValue).is(error::AccessDenied)) << path;
    }
    EXPECT_TRUE(reg.setString(RootKey::LocalMachine, "Software\\New", "v", "1").is(error::AccessDenied));
    EXPECT_TRUE(reg.deleteValue(RootKey::LocalMachine, "Software\\Before", "v").is(error::AccessDenied));
    EXPECT_TRUE(reg.deleteKeyTree(RootKey::LocalMachine, "Software\\After").is(error::AccessDenied));
    EXPECT_TRUE(reg.hasValue(RootKey::LocalMachine, "Software\\After\\Deep", "v"));
    EXPECT_FALSE(reg.hasKey(RootKey::LocalMachine, "Software\\New"));
    // The current user's keys stay the user's own.
    EXPECT_TRUE(reg.setString(RootKey::CurrentUser, "Software\\Mine", "v", "1").ok());
}

TEST(FakeRegistry, TypedValuesAndStoredBytes) {
    fakes::FakeRegistry reg;
    reg.putDword(RootKey::CurrentUser, "K", "Count", 0x01020304);
    reg.putMultiString(RootKey::CurrentUser, "K", "Multi", {"a", "b"});
    ASSERT_TRUE(reg.setString(RootKey::CurrentUser, "K", "Name", "café").ok());
    EXPECT_EQ(reg.dwordValue(RootKey::CurrentUser, "k", "count"), 0x01020304u);
    EXPECT_EQ(reg.value(RootKey::CurrentUser, "K", "Count")->data, (std::vector<std::uint8_t>{4, 3, 2, 1}));
    auto multi = reg.value(RootKey::CurrentUser, "K", "Multi");
    EXPECT_EQ(multi->data, (std::vector<std::uint8_t>{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}));
    EXPECT_FALSE(reg.stringValue(RootKey::CurrentUser, "K", "Multi").has_value());
    auto name = reg.value(RootKey::CurrentUser, "K", "Name");
    EXPECT_EQ(name->text, "café");
    EXPECT_EQ(name->data, (std::vector<std::uint8_t>{'c', 0, 'a', 0, 'f', 0, 0xE9, 0, 0, 0}));
    std::vector<std::string> names;
    ASSERT_TRUE(reg.listValueNames(RootKey::CurrentUser, "K", names).ok());
    EXPECT_EQ(names, (std::vector<std::string>{"Count", "Multi", "Name"}));
}

TEST(FakeRegistry, TreeDeleteAndInjectedWriteFailures) {
    fakes::FakeRegistry reg;
    reg.putString(RootKey::CurrentUser, "Software\\Bad\\Sub\\Deeper", "v", "1");
    reg.putString(RootKey::CurrentUser, "Software\\Good", "v", "1");
    ASSERT_TRUE(reg.deleteKeyTree(RootKey::CurrentUser, "software\\BAD").ok());
    EXPECT_FALSE(reg.hasKey(RootKey::CurrentUser, "Software\\Bad\\Sub"));
    EXPECT_TRUE(reg.hasKey(RootKey::CurrentUser, "Software\\Good"));
    EXPECT_TRUE(reg.deleteKeyTree(RootKey::CurrentUser, "Software\\Bad").is(error::FileNotFound));

    reg.failWrites(error::AccessDenied);
    EXPECT_FALSE(reg.setString(RootKey::CurrentUser, "Software\\New", "v", "1").ok());
    EXPECT_FALSE(reg.deleteValue(RootKey::CurrentUser, "Software\\Good", "v").ok());
    EXPECT_FALSE(reg.hasKey(RootKey::CurrentUser, "Software\\New"));
    EXPECT_TRUE(reg.hasValue(RootKey::CurrentUser, "Software\\Good", "V"));
    reg.failWrites(0);
    EXPECT_TRUE(reg.deleteValue(RootKey::CurrentUser, "Software\\Good", "V").ok());
    EXPECT_TRUE(reg.deleteValue(RootKey::CurrentUser, "Software\\Good", "v").is(error::FileNotFound));
}
