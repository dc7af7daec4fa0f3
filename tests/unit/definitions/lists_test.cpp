#include <gtest/gtest.h>

#include <random>

#include "definitions/encoding.h"
#include "definitions/exclusions.h"
#include "definitions/safe_list.h"
#include "platform/text.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_locale.h"
#include "tests/fakes/fake_shell.h"
#include "tests/fakes/fake_trace.h"

namespace sorvane::definitions {
namespace {

// The safe-list rules walked entry by entry, to check the indexed lookup against.
bool referenceIsSafe(const std::vector<std::string>& entries, std::string_view raw) {
    const auto strip = [](std::string s) {
        if (!s.empty() && s.back() == '/') s.pop_back();
        if (!s.empty() && s.back() == '\\') s.pop_back();
        return s;
    };
    auto item = text::toLower(text::trim(raw));
    if (item.empty() || item == " ") return true;
    item = strip(item);
    if (item.empty() || item == " ") return true;
    for (const auto& raw_entry : entries) {
        const auto entry = strip(text::toLower(text::trim(raw_entry)));
        if (entry.empty()) continue;
        if (item == entry || item == entry + "\\" || entry == item + "\\") return true;
        for (std::string root : {"hkey_classes_root", "hkey_current_user", "hkey_local_machine", "hkey_users",
                                 "hkey_current_config"})
            if (item == root || item == root + "\\") return true;
    }
    return false;
}

TEST(SafeList, EdgeCases) {
    SafeList list;
    EXPECT_TRUE(list.IsSafe(""));
    EXPECT_TRUE(list.IsSafe("  /"));
    EXPECT_FALSE(list.IsSafe("HKEY_LOCAL_MACHINE\\"));  // the hive rule needs a usable entry
    list.assign({"", "c:\\foo", "HKEY_CURRENT_USER\\Software\\Bar\\"});
    EXPECT_TRUE(list.IsSafe("C:\\Foo\\"));
    EXPECT_TRUE(list.IsSafe(" c:\\FOO/ "));
    EXPECT_TRUE(list.IsSafe("hkey_current_user\\software\\bar"));
    EXPECT_TRUE(list.IsSafe("HKEY_LOCAL_MACHINE\\"));
    EXPECT_TRUE(list.IsSafe("hkey_users"));
    EXPECT_FALSE(list.IsSafe("HKEY_DYN_DATA"));
    EXPECT_FALSE(list.IsSafe("C:\\Foo\\bar.exe"));
    EXPECT_FALSE(list.IsSafe("C:\\Fo"));
}

TEST(SafeList, IndexedLookupAnswersLikeTheWalk) {
    const std::vector<std::string> pieces{"c:", "\\", "/", " ", "foo", "FOO", "hkey_users", "HKEY_LOCAL_MACHINE", "x"};
    std::mt19937 random(11);
    const auto sample = [&] {
        std::string s;
        for (auto n = random() % 5; n > 0; --n) s += pieces[random() % pieces.size()];
        return s;
    };
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> entries;
        for (auto n = random() % 4; n > 0; --n) entries.push_back(sample());
        SafeList list;
        list.assign(entries);
        for (int i = 0; i < 50; ++i) {
            const auto item = sample();
            ASSERT_EQ(list.IsSafe(item), referenceIsSafe(entries, item)) << "item '" << item << "'";
        }
    }
}

TEST(SafeList, LoadsTheFileInOrderAndStops) {
    fakes::FakeFileSystem files;
    fakes::FakeLocale locale;
    fakes::FakeShell shell{fakes::FakeShell::Layout::WindowsXp};
    const PathMacros macros(shell);
    files.addFile("C:\\app\\Safety.dat", EncodeText("SREG|x|2^Software\\Foo^Bar\r\nno bar\r\nSDIR|d|[windir]\r\n"
                                                   "BOGUS|a|b\r\nSFILE|a.dll=1|\r\n"));
    SafeList list;
    EXPECT_TRUE(list.LoadSafeList(files, locale, "C:\\app\\Safety.dat", macros));
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\Software\\Foo\\Bar", "C:\\WINDOWS\\",
                                                        "a.dll"}));
    EXPECT_TRUE(list.IsSafe("c:\\windows"));

    int polls = 0;
    EXPECT_TRUE(list.LoadSafeList(files, locale, "C:\\app\\Safety.dat", macros, [&] { return ++polls > 1; }));
    EXPECT_EQ(list.entries().size(), 1u);
    EXPECT_TRUE(list.LoadSafeList(files, locale, "C:\\app\\missing.dat", macros));
    EXPECT_TRUE(list.entries().empty());
}

class Exclusions : public ::testing::Test {
protected:
    Exclusions() { files.addFolder("C:\\app"); }

    fakes::FakeFileSystem files;
    fakes::FakeLocale locale;
    const std::string path = "C:\\app\\ENoSignature.txt";
    ExclusionList list{files, locale, path};
};

TEST_F(Exclusions, AddTrimsAppendsAndReloads) {
    ASSERT_TRUE(list.AddExclusion(" C:\\a.exe ").ok());
    EXPECT_EQ(files.content(path), "C:\\a.exe\r\n");
    EXPECT_TRUE(list.IsExcluded("c:\\A.EXE"));
    EXPECT_TRUE(list.IsExcluded("  c:\\a.exe "));
    ASSERT_TRUE(list.AddExclusion("Caf\xC3\xA9 Bar").ok());
    EXPECT_EQ(files.content(path), "C:\\a.exe\r\nCaf\xE9 Bar\r\n");  // stored as ANSI
    EXPECT_TRUE(list.IsExcluded("CAF\xC3\x89 BAR"));
}

TEST_F(Exclusions, EmptyTextAndBlankLines) {
    EXPECT_FALSE(list.IsExcluded(""));
    files.addFile(path, "\r\n   \r\n");
    list.LoadExclusions();
    EXPECT_TRUE(list.entries().empty());
    EXPECT_FALSE(list.IsExcluded(""));
    files.addFile(path, "\r\n  x  \r\n\r\n");
    list.LoadExclusions();
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"  x  ", ""}));
    EXPECT_TRUE(list.IsExcluded(""));
    // Entries keep their blanks; only the item is trimmed.
    EXPECT_FALSE(list.IsExcluded("x"));
    EXPECT_TRUE(list.IsExcluded("  X  "));
}

TEST_F(Exclusions, FoldersMatchInsideEntries) {
    files.addFile(path, "C:\\Program Files\\Foo\\bar.exe\r\nHKEY_CURRENT_USER\\Software\\Bad\r\n");
    list.LoadExclusions();
    EXPECT_TRUE(list.IsFolderExcluded("c:\\program files\\foo"));
    EXPECT_FALSE(list.IsExcluded("c:\\program files\\foo"));
    EXPECT_FALSE(list.IsFolderExcluded("C:\\Program Files\\Other"));
    EXPECT_TRUE(list.IsExcluded("hkey_current_user\\software\\bad"));
}

TEST_F(Exclusions, AnExclusionThatCannotBeWrittenHoldsForThisRunAndSaysWhy) {
    files.addFile(path, "a\r\n");
    files.setInUse(path);
    EXPECT_EQ(list.AddExclusion(" d ").code(), platform::error::SharingViolation);
    EXPECT_EQ(files.content(path), "a\r\n");
    EXPECT_TRUE(list.IsExcluded("D"));
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"a", "d", ""}));
    files.setInUse(path, false);
    ASSERT_TRUE(list.AddExclusion("e").ok());
    // A reload after a later save still holds it; the file never gets it.
    EXPECT_TRUE(list.IsExcluded("d"));
    EXPECT_TRUE(list.IsExcluded("e"));
    EXPECT_EQ(files.content(path), "a\r\ne\r\n");
    // The next run reads only the file.
    ExclusionList nextRun(files, locale, path);
    nextRun.LoadExclusions();
    EXPECT_FALSE(nextRun.IsExcluded("d"));
    // A folder the account may not write: the file cannot be made at all.
    const std::string denied = "C:\\locked\\ENoSignature.txt";
    files.addFolder("C:\\locked");
    files.protectFolder("C:\\locked");
    ExclusionList lockedList(files, locale, denied);
    lockedList.LoadExclusions();
    EXPECT_EQ(lockedList.AddExclusion("x.exe").code(), platform::error::AccessDenied);
    EXPECT_FALSE(files.exists(denied));
    EXPECT_TRUE(lockedList.IsExcluded("X.EXE"));
    EXPECT_FALSE(lockedList.IsExcluded("y.exe"));
    // Nothing empty is held: an empty item stays unexcluded in a list with no other entry.
    ExclusionList emptyList(files, locale, denied);
    EXPECT_FALSE(emptyList.AddExclusion("  ").ok());
    EXPECT_FALSE(emptyList.IsExcluded(""));
}

TEST_F(Exclusions, FailuresKeepTheOldListAndAMissingFileEmptiesIt) {
    files.addFile(path, "a\r\nb|c\r\n");
    list.LoadExclusions();
    EXPECT_EQ(list.entries(), (std::vector<std::string>{"a", "b", "c", ""}));
    files.failReadsFrom(path);
    list.LoadExclusions();
    EXPECT_TRUE(list.IsExcluded("B"));
    files.setInUse(path);
    EXPECT_FALSE(list.AddExclusion("d").ok());
    EXPECT_TRUE(list.IsExcluded("d"));
    EXPECT_TRUE(list.IsExcluded("a"));
    files.setInUse(path, false);
    ASSERT_TRUE(files.deleteFile(path).ok());
    list.LoadExclusions();
    EXPECT_FALSE(list.IsExcluded("a"));
    EXPECT_TRUE(list.IsExcluded("d"));  // held for this run
}

}  // namespace
}  // namespace sorvane::definitions
