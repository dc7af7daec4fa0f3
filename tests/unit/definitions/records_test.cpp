#include <gtest/gtest.h>

#include "definitions/records.h"
#include "tests/fakes/fake_shell.h"

namespace sorvane::definitions {
namespace {

using platform::RootKey;

class Records : public ::testing::Test {
protected:
    fakes::FakeShell shell{fakes::FakeShell::Layout::WindowsXp};
    PathMacros macros{shell};
};

TEST_F(Records, HiveCodes) {
    const std::pair<const char*, RootKey> known[] = {{"0", RootKey::ClassesRoot},   {"1", RootKey::CurrentUser},
                                                     {" 2 ", RootKey::LocalMachine}, {"3", RootKey::Users},
                                                     {"4", RootKey::CurrentConfig},  {"05", RootKey::DynData}};
    for (const auto& [code, root] : known) {
        const auto hive = HiveFromCode(code);
        ASSERT_TRUE(hive) << code;
        EXPECT_EQ(hive->root, root);
        EXPECT_EQ(hive->name, CurrentHiveName(root));
    }
    EXPECT_EQ(HiveFromCode("2")->name, "HKEY_LOCAL_MACHINE");
    for (const char* bad : {"", " ", "6", "7", "-1", "x", "2x", "1.0", "12", "99999999999999999999"})
        EXPECT_FALSE(HiveFromCode(bad)) << bad;
    EXPECT_EQ(HiveHandleText(RootKey::LocalMachine), "-2147483646");
    EXPECT_EQ(HiveHandleText(RootKey::ClassesRoot), "-2147483648");
    EXPECT_EQ(HiveFromHandleText("-2147483642"), RootKey::DynData);
    EXPECT_FALSE(HiveFromHandleText("-2147483644"));
}

TEST_F(Records, RegistryLinesAreCutAtTheLastEquals) {
    const auto d = ParseRegistryLine("2^Software\\Foo^Path=C:\\x=Bad", macros);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->hive.root, RootKey::LocalMachine);
    EXPECT_EQ(d->key, "Software\\Foo");
    EXPECT_EQ(d->value, "Path=C:\\x");
    EXPECT_EQ(d->threat, "Bad");
    EXPECT_EQ(d->itemText(), "HKEY_LOCAL_MACHINE\\Software\\FooPath=C:\\x");
    EXPECT_EQ(d->keyText(), "HKEY_LOCAL_MACHINE\\Software\\Foo");
}

TEST_F(Records, RegistryKeysNotesMacrosAndValueCollapsing) {
    auto key = ParseRegistryLine("1^Software\\Bad^= BadBar|Homepage hijacker|ignored ", macros);
    ASSERT_TRUE(key);
    EXPECT_TRUE(key->value.empty());
    EXPECT_EQ(key->threat, "BadBar");
    EXPECT_EQ(key->note, "Homepage hijacker");
    EXPECT_EQ(key->itemText(), "HKEY_CURRENT_USER\\Software\\Bad");

    auto value = ParseRegistryLine("2^Software\\Run^[system]\\bad.exe=", macros);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->value, "C:\\WINDOWS\\system32\\bad.exe");
    EXPECT_EQ(value->threat, "");
    // The key keeps its backslashes; only the value is collapsed.
    EXPECT_EQ(ParseRegistryLine("2^A\\\\B^x\\\\y=T", macros)->key, "A\\\\B");
    EXPECT_EQ(ParseRegistryLine("2^A^x\\\\y=T", macros)->value, "x\\y");
    EXPECT_EQ(ParseRegistryLine("2^A^[drive]x=T", macros)->value, "C:\\x");
    // Two fields: a key definition.
    EXPECT_TRUE(ParseRegistryLine("2^Software\\Foo=T", macros)->value.empty());
}

TEST_F(Records, RegistryLinesThatAreSkipped) {
    std::string why;
    for (const char* line : {"7^Software\\Foo^=Bad", "^Software\\Foo^=Bad", " ^Software\\Foo^=Bad",
                             "x^Software\\Foo^=Bad", "2^Software\\Foo^", "2^^=Bad", "2=Bad", "", "="}) {
        why.clear();
        EXPECT_FALSE(ParseRegistryLine(line, macros, &why)) << line;
        EXPECT_FALSE(why.empty()) << line;
    }
}

TEST_F(Records, FileLines) {
    auto bare = ParseFileLine("a.exe=Adw", macros);
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->path, "a.exe");
    EXPECT_TRUE(bare->folder.empty());
    EXPECT_EQ(bare->threat, "Adw");

    auto full = ParseFileLine(" bad.dll = Bad Bar|[system]|A note|extra", macros);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->name, "bad.dll");
    EXPECT_EQ(full->threat, " Bad Bar");
    EXPECT_EQ(full->note, "A note");
    EXPECT_EQ(full->path, "C:\\WINDOWS\\system32\\bad.dll");

    EXPECT_EQ(ParseFileLine("x=T|[appdata]\\Foo", macros)->path, ParseFileLine("x=T|[appdata]Foo", macros)->path);
    EXPECT_EQ(ParseFileLine("x=T|[APPDATA]Foo", macros)->path, ParseFileLine("x=T|[appdata]Foo", macros)->path);
    EXPECT_EQ(ParseFileLine("x=T|[drive]Foo", macros)->path, "C:\\Foo\\x");
    EXPECT_EQ(ParseFileLine("x=T|[DRIVE]Foo", macros)->path, "[DRIVE]Foo\\x");
    EXPECT_EQ(ParseFileLine("x=A=B|C:\\d", macros)->threat, "A");

    std::string why;
    EXPECT_FALSE(ParseFileLine("  =T|C:\\x", macros, &why));
    // A folder that resolves to nothing must not become the current folder.
    EXPECT_FALSE(ParseFileLine("x.exe=T|[recycle]", macros, &why));
    EXPECT_NE(why.find("nothing"), std::string::npos);
}

TEST_F(Records, FolderLines) {
    auto d = ParseFolderLine("Bad\tBar\r\n=BadBar|[progfil]BadBar\\|note", macros);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->label, "BadBar");
    EXPECT_EQ(d->threat, "BadBar");
    EXPECT_EQ(d->path, "C:\\Program Files\\BadBar\\");
    EXPECT_EQ(d->note, "note");
    EXPECT_FALSE(ParseFolderLine("x=BadBar [progfil]BadBar", macros));
    EXPECT_FALSE(ParseFolderLine("x=BadBar|", macros));
    EXPECT_FALSE(ParseFolderLine("x=BadBar|[recycle]", macros));
}

TEST_F(Records, ProcessLines) {
    auto d = ParseProcessLine("bad.exe=SomeAdware|[progfil]SomeAdware", macros);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->name, "bad.exe");
    EXPECT_EQ(d->threat, "SomeAdware");
    EXPECT_EQ(d->path, "C:\\Program Files\\SomeAdware\\bad.exe");
    // Without "|" the whole part after "=" is the folder.
    EXPECT_EQ(ParseProcessLine("bad.exe=[system]", macros)->path, "C:\\WINDOWS\\system32\\bad.exe");
    // The drive placeholder is not replaced in this file.
    EXPECT_EQ(ParseProcessLine("bad.exe=T|[drive]x", macros)->path, "[drive]x\\bad.exe");
    EXPECT_FALSE(ParseProcessLine("bad.exe", macros));
}

TEST_F(Records, CookieListIsJoinedAndSplitEndingWithAnEmptyEntry) {
    EXPECT_EQ(CookiePatternList({"doubleclick.net", "*ads.example.net"}),
              (std::vector<std::string>{"doubleclick.net", "*ads.example.net", ""}));
    EXPECT_EQ(CookiePatternList({"a|b"}), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(CookiePatternList({}), (std::vector<std::string>{""}));
}

TEST_F(Records, SafeEntries) {
    EXPECT_EQ(SafeEntryText("SREG|x|2^Software\\Foo^Bar", macros), "HKEY_LOCAL_MACHINE\\Software\\Foo\\Bar");
    EXPECT_EQ(SafeEntryText("SREG|x|1^Software\\Foo", macros), "HKEY_CURRENT_USER\\Software\\Foo");
    EXPECT_EQ(SafeEntryText("SFILE|a.dll=1|", macros), "a.dll");
    EXPECT_EQ(SafeEntryText("SDLL| a.dll =1|[system]a.dll|extra", macros), "C:\\WINDOWS\\system32\\a.dll");
    EXPECT_EQ(SafeEntryText("SEXE|e.exe", macros), "e.exe");
    EXPECT_EQ(SafeEntryText("SDIR|d|[drive]", macros), "C:\\");
    EXPECT_EQ(SafeEntryText("SDIR|d|http://a//b\\\\c", macros), "http:/a/b\\c");
    EXPECT_FALSE(SafeEntryText("sfile|a.dll|", macros));
    EXPECT_FALSE(SafeEntryText("SFILE a.dll", macros));
    EXPECT_FALSE(SafeEntryText("SREG|x|9^Software", macros));
}

}  // namespace
}  // namespace sorvane::definitions
