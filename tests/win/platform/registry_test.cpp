#include <gtest/gtest.h>

#include "platform/win32/win32_registry.h"
#include "tests/win/platform/win_test_support.h"

using namespace sorvane;
using platform::RootKey;
using platform::ValueType;
namespace rights = platform::access;
namespace error = platform::error;

namespace {

// Every test works below its own key HKCU\Software\SorvaneTest\<random> and removes only that.
class Win32RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        base = "Software\\SorvaneTest\\" + wintest::uniqueName("reg");
        ASSERT_TRUE(reg.createKey(RootKey::CurrentUser, base).ok());
    }
    void TearDown() override {
        EXPECT_TRUE(reg.deleteKeyTree(RootKey::CurrentUser, base).ok());
        // The shared parent goes only when no other run still uses it.
        std::vector<std::string> keys;
        std::vector<std::string> values;
        if (reg.listSubKeys(RootKey::CurrentUser, "Software\\SorvaneTest", keys).ok() && keys.empty() &&
            reg.listValueNames(RootKey::CurrentUser, "Software\\SorvaneTest", values).ok() && values.empty()) {
            (void)reg.deleteKeyTree(RootKey::CurrentUser, "Software\\SorvaneTest");
        }
    }
    platform::win32::Win32Registry reg;
    std::string base;
};

}  // namespace

TEST_F(Win32RegistryTest, StringsRoundTripIgnoringCaseWithTheDefaultValue) {
    ASSERT_TRUE(reg.setString(RootKey::CurrentUser, base + "\\Sub", "Name", "café ünï").ok());
    ASSERT_TRUE(reg.setString(RootKey::CurrentUser, base + "\\Sub", "", "the default").ok());
    platform::RegistryValue v;
    ASSERT_TRUE(reg.queryValue(RootKey::CurrentUser, base + "\\SUB", "NAME", rights::ScanAccess, v).ok());
    EXPECT_EQ(v.type, ValueType::String);
    EXPECT_EQ(v.text, "café ünï");
    // Stored with its closing NUL, as UTF-16.
    EXPECT_EQ(v.data.size(), (8u + 1u) * 2u);
    ASSERT_TRUE(reg.queryValue(RootKey::CurrentUser, base + "\\Sub", "", rights::Read, v).ok());
    EXPECT_EQ(v.text, "the default");
    EXPECT_TRUE(reg.queryValue(RootKey::CurrentUser, base + "\\Sub", "Missing", rights::Read, v).is(error::FileNotFound));
    EXPECT_TRUE(reg.queryValue(RootKey::CurrentUser, base + "\\Nope", "Name", rights::Read, v).is(error::FileNotFound));
    EXPECT_TRUE(reg.openKey(RootKey::CurrentUser, base + "\\Nope", rights::ScanAccess).is(error::FileNotFound));
}

TEST_F(Win32RegistryTest, TypedValuesKeepTheirTypesAndBytes) {
    platform::RegistryValue dword{ValueType::Dword, {}, {0x04, 0x03, 0x02, 0x01}};
    platform::RegistryValue binary{ValueType::Binary, {}, {0x00, 0xFF, 0x10}};
    platform::RegistryValue multi{ValueType::MultiString, {}, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}};
    platform::RegistryValue expand{ValueType::ExpandString, "%SystemRoot%\\x", {}};
    ASSERT_TRUE(reg.setValue(RootKey::CurrentUser, base, "D", dword).ok());
    ASSERT_TRUE(reg.setValue(RootKey::CurrentUser, base, "B", binary).ok());
    ASSERT_TRUE(reg.setValue(RootKey::CurrentUser, base, "M", multi).ok());
    ASSERT_TRUE(reg.setValue(RootKey::CurrentUser, base, "E", expand).ok());
    platform::RegistryValue v;
    ASSERT_TRUE(reg.queryValue(RootKey::CurrentUser, base, "d", rights::Read, v).ok());
    EXPECT_EQ(v.type, ValueType::Dword);
    EXPECT_EQ(v.data, dword.data);
    EXPECT_TRUE(v.text.empty());
    ASSERT_TRUE(reg.queryValue(RootKey::CurrentUser, base, "b", rights::Read, v).ok());
    EXPECT_EQ(v.type, ValueType::Binary);
    EXPECT_EQ(v.data, binary.data);
    ASSERT_TRUE(reg.queryValue(RootKey::CurrentUser, base, "m", rights::Read, v).ok());
    EXPECT_EQ(v.type, ValueType::MultiString);
    EXPECT_EQ(v.data, multi.data);
    EXPECT_EQ(v.text, "a");
    ASSERT_TRUE(reg.queryValue(RootKey::CurrentUser, base, "e", rights::Read, v).ok());
    EXPECT_EQ(v.type, ValueType::ExpandString);
    EXPECT_EQ(v.text, "%SystemRoot%\\x");  // not expanded

    std::vector<std::string> names;
    ASSERT_TRUE(reg.listValueNames(RootKey::CurrentUser, base, names).ok());
    EXPECT_EQ(names.size(), 4u);
    ASSERT_TRUE(reg.deleteValue(RootKey::CurrentUser, base, "B").ok());
    EXPECT_TRUE(reg.deleteValue(RootKey::CurrentUser, base, "B").is(error::FileNotFound));
    ASSERT_TRUE(reg.listValueNames(RootKey::CurrentUser, base, names).ok());
    EXPECT_EQ(names.size(), 3u);
}

TEST_F(Win32RegistryTest, TreeDeleteRemovesEverythingBelowOnly) {
    ASSERT_TRUE(reg.setString(RootKey::CurrentUser, base + "\\Gone\\A\\B\\C", "v", "1").ok());
    ASSERT_TRUE(reg.setString(RootKey::CurrentUser, base + "\\Gone\\A", "v", "1").ok());
    ASSERT_TRUE(reg.setString(RootKey::CurrentUser, base + "\\Kept", "v", "1").ok());
    std::vector<std::string> names;
    ASSERT_TRUE(reg.listSubKeys(RootKey::CurrentUser, base, names).ok());
    EXPECT_EQ(names.size(), 2u);
    ASSERT_TRUE(reg.deleteKeyTree(RootKey::CurrentUser, base + "\\GONE").ok());
    EXPECT_TRUE(reg.openKey(RootKey::CurrentUser, base + "\\Gone", rights::Read).is(error::FileNotFound));
    EXPECT_TRUE(reg.openKey(RootKey::CurrentUser, base + "\\Kept", rights::Read).ok());
    EXPECT_FALSE(reg.deleteKeyTree(RootKey::CurrentUser, base + "\\Gone").ok());
    EXPECT_TRUE(reg.deleteKeyTree(RootKey::CurrentUser, "").is(error::AccessDenied));
}

TEST_F(Win32RegistryTest, RightsOfTheOpenedKeyAreEnforced) {
    ASSERT_TRUE(reg.setString(RootKey::CurrentUser, base, "v", "1").ok());
    platform::RegistryValue v;
    // A key opened only to enumerate cannot be queried.
    EXPECT_TRUE(reg.queryValue(RootKey::CurrentUser, base, "v", rights::EnumerateSubKeys, v).is(error::AccessDenied));
    EXPECT_TRUE(reg.queryValue(RootKey::CurrentUser, base, "v", rights::QueryValue, v).ok());
    // Machine-wide software keys open for reading; the scan mask needs write rights there.
    EXPECT_TRUE(reg.openKey(RootKey::LocalMachine, "Software\\Microsoft", rights::Read).ok());
    const auto scan = reg.openKey(RootKey::LocalMachine, "Software\\Microsoft", rights::ScanAccess);
    RecordProperty("hklm_scan_mask_status", static_cast<int>(scan.code()));
    EXPECT_TRUE(scan.ok() || scan.is(error::AccessDenied));
}
