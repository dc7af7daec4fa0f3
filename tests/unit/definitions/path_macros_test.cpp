#include <gtest/gtest.h>

#include <random>
#include <set>

#include "definitions/path_macros.h"
#include "platform/text.h"
#include "tests/fakes/fake_shell.h"

namespace sorvane::definitions {
namespace {

TEST(PathMacros, TableHoldsThirtyDistinctMacrosInReplacementOrder) {
    const auto& table = PathMacroTable();
    std::set<std::string_view> names;
    for (const auto& row : table) names.insert(row.macro);
    EXPECT_EQ(names.size(), 30u);
    EXPECT_EQ(table.front().macro, "[startsp]");
    EXPECT_EQ(table[5].macro, "[desktop]");
    EXPECT_EQ(table[5].csidl, platform::csidl::CommonDesktopDirectory);
    EXPECT_EQ(table[12].macro, "[comdesk]");
    EXPECT_EQ(table[12].csidl, platform::csidl::DesktopDirectory);
    EXPECT_EQ(table[28].macro, "[user]");
    EXPECT_EQ(table.back().macro, "[alluser]");
    for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].exactCase, i >= 28) << table[i].macro;
}

TEST(PathMacros, SpecialFolderPathsEndInABackslashOrAreEmpty) {
    fakes::FakeShell shell{fakes::FakeShell::Layout::WindowsXp};
    EXPECT_EQ(SpecialFolderPath(shell, platform::csidl::ProgramFiles), "C:\\Program Files\\");
    EXPECT_EQ(SpecialFolderPath(shell, platform::csidl::BitBucket), "");
    shell.setSpecialFolder(platform::csidl::Fonts, std::string("C:\\Fonts\0junk", 13));
    EXPECT_EQ(SpecialFolderPath(shell, platform::csidl::Fonts), "C:\\Fonts\\");
    EXPECT_EQ(DriveRoot(shell), "C:\\");
    shell.setSpecialFolder(platform::csidl::Programs, "");
    EXPECT_EQ(DriveRoot(shell), "");
}

TEST(PathMacros, ExpansionFollowsTheFolderRules) {
    fakes::FakeShell shell{fakes::FakeShell::Layout::WindowsXp};
    const auto expand = [&](std::string_view s) { return ExpandPathMacros(shell, s); };
    EXPECT_EQ(expand("[appdata]Foo"), "C:\\Documents and Settings\\Ann\\Application Data\\Foo");
    // Macros ignore case; the two profile macros do not.
    EXPECT_EQ(expand("[APPDATA]Foo"), expand("[appdata]Foo"));
    EXPECT_EQ(expand("[ProgFil]x"), "C:\\Program Files\\x");
    EXPECT_EQ(expand("[user]x"), "C:\\Documents and Settings\\Ann\\x");
    EXPECT_EQ(expand("[USER]x"), "[USER]x");
    EXPECT_EQ(expand("[alluser]x"), "C:\\Documents and Settings\\All Users\\x");
    EXPECT_EQ(expand("[AllUser]x"), "[AllUser]x");
    // The user's desktop and the all-users one are not swapped.
    EXPECT_EQ(expand("[comdesk]"), "C:\\Documents and Settings\\Ann\\Desktop\\");
    EXPECT_EQ(expand("[desktop]"), "C:\\Documents and Settings\\All Users\\Desktop\\");
    // A folder without a path removes its macro.
    EXPECT_EQ(expand("[recycle]\\x.exe"), "\\x.exe");
    EXPECT_EQ(expand("[startsp]"), "");
    // Every occurrence, of every macro; "[comprog]" and "[comprogfil]" stay apart.
    EXPECT_EQ(expand("[fonts]a|[fonts]b"), "C:\\WINDOWS\\Fonts\\a|C:\\WINDOWS\\Fonts\\b");
    EXPECT_EQ(expand("[comprog]|[comprogfil]"),
              "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\|C:\\Program Files\\Common Files\\");
    // Other bracketed words, and text without macros, are left alone.
    EXPECT_EQ(expand("[drive]Foo [nothing]"), "[drive]Foo [nothing]");
    EXPECT_EQ(expand("C:\\plain"), "C:\\plain");
}

TEST(PathMacros, ProfileRowsDropStartMenuIgnoringCase) {
    fakes::FakeShell shell;
    shell.setSpecialFolder(platform::csidl::StartMenu, "C:\\Users\\Ann\\START MENU");
    // A profile that holds its Start menu directly is laid out as on Windows XP.
    shell.setSpecialFolder(platform::csidl::Profile, "C:\\Users\\Ann");
    EXPECT_EQ(ExpandPathMacros(shell, "[user]"), "C:\\Users\\Ann\\");
}

// Since Windows Vista the Start menu lies deep in the profile: the macros give the profile
// folders themselves, as they did on XP, and the XP-era names below them reach the folders
// Windows' compatibility junctions of those names reach.
TEST(PathMacros, ProfileMacrosGiveTheProfileFoldersOnLaterWindows) {
    fakes::FakeShell shell;
    const PathMacros macros(shell);
    EXPECT_EQ(macros.expand("[user]x.exe"), "C:\\Users\\User\\x.exe");
    EXPECT_EQ(macros.expand("[alluser]x.exe"), "C:\\ProgramData\\x.exe");
    EXPECT_EQ(macros.expand("[user]Application Data\\Bar\\b.dll"), "C:\\Users\\User\\AppData\\Roaming\\Bar\\b.dll");
    EXPECT_EQ(macros.expand("[user]local settings\\Application Data\\Bar"), "C:\\Users\\User\\AppData\\Local\\Bar");
    EXPECT_EQ(macros.expand("[user]Local Settings\\Temp\\t.exe"), "C:\\Users\\User\\AppData\\Local\\Temp\\t.exe");
    EXPECT_EQ(macros.expand("[user]\\My Documents"), "C:\\Users\\User\\Documents");
    EXPECT_EQ(macros.expand("[alluser]Application Data\\Bar"), "C:\\ProgramData\\Bar");
    EXPECT_EQ(macros.expand("[alluser]Start Menu\\Programs\\Bar"),
              "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Bar");
    // Only whole names; the macro keeps its exact letter case.
    EXPECT_EQ(macros.expand("[user]Application Data2\\x"), "C:\\Users\\User\\Application Data2\\x");
    EXPECT_EQ(macros.expand("[USER]Application Data"), "[USER]Application Data");
    EXPECT_EQ(ExpandPathMacros(shell, "[user]Application Data\\x"), macros.expand("[user]Application Data\\x"));

    // On Windows XP the names are real folders of the profile: nothing is mapped.
    fakes::FakeShell xp{fakes::FakeShell::Layout::WindowsXp};
    xp.setSpecialFolder(platform::csidl::Profile, "C:\\Documents and Settings\\Ann");
    EXPECT_EQ(PathMacros(xp).expand("[user]Application Data\\x"),
              "C:\\Documents and Settings\\Ann\\Application Data\\x");
    EXPECT_EQ(PathMacros(xp).expand("[alluser]Application Data"),
              "C:\\Documents and Settings\\All Users\\Application Data");
}

TEST(PathMacros, TheX86TwinDiffersOnlyInTheThreeFoldersA64BitSystemHasTwice) {
    fakes::FakeShell shell;
    const PathMacros macros(shell);
    ASSERT_NE(macros.x86(), nullptr);
    EXPECT_EQ(macros.x86()->expand("[progfil]A|[comprogfil]B|[system]C|[windir]D"),
              "C:\\Program Files (x86)\\A|C:\\Program Files (x86)\\Common Files\\B|C:\\Windows\\SysWOW64\\C|"
              "C:\\Windows\\D");
    EXPECT_EQ(macros.x86()->x86(), nullptr);
    EXPECT_TRUE(PathMacros::NamesTwinFolder("x=y|[SYSTEM]"));
    EXPECT_TRUE(PathMacros::NamesTwinFolder("[comprogfil]x"));
    EXPECT_FALSE(PathMacros::NamesTwinFolder("[comprog]x|[windir]system\\"));
}

TEST(PathMacros, CacheResolvesOnceAndGivesTheSameTextAsResolvingEveryTime) {
    fakes::FakeShell shell{fakes::FakeShell::Layout::WindowsXp};
    // A folder whose path itself looks like a later macro must be treated the same both ways.
    shell.setSpecialFolder(platform::csidl::AppData, "D:\\[fonts]");
    const PathMacros cached(shell);
    const int lookupsAfterCache = shell.specialFolderCalls;

    std::vector<std::string> pieces{"\\", "x", "[drive]", "[DRIVE]", "[", "]"};
    for (const auto& row : PathMacroTable()) {
        pieces.emplace_back(row.macro);
        pieces.push_back(text::toUpper(row.macro));
    }
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        std::string sample;
        const auto count = random() % 5;
        for (unsigned j = 0; j < count; ++j) sample += pieces[random() % pieces.size()];
        ASSERT_EQ(cached.expand(sample), ExpandPathMacros(shell, sample)) << sample;
    }
    const int perCall = shell.specialFolderCalls - lookupsAfterCache;
    EXPECT_GT(perCall, 0);
    const int before = shell.specialFolderCalls;
    for (int i = 0; i < 100; ++i) (void)cached.expand("[appdata]x");
    EXPECT_EQ(shell.specialFolderCalls, before);
}

TEST(PathMacros, DrivePlaceholderIsExactCaseThenMacrosAndBackslashesCollapseOnce) {
    fakes::FakeShell shell{fakes::FakeShell::Layout::WindowsXp};
    const PathMacros macros(shell);
    EXPECT_EQ(macros.expandLocation("[drive]Foo"), "C:\\Foo");
    EXPECT_EQ(macros.expandLocation("[DRIVE]Foo"), "[DRIVE]Foo");
    EXPECT_EQ(CollapseBackslashes(macros.expand("[appdata]\\Foo")), CollapseBackslashes(macros.expand("[appdata]Foo")));
    EXPECT_EQ(CollapseBackslashes("a\\\\b\\\\\\\\c"), "a\\b\\\\c");
}

}  // namespace
}  // namespace sorvane::definitions
