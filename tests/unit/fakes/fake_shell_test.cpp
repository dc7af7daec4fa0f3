#include <gtest/gtest.h>

#include <set>

#include "tests/fakes/fake_shell.h"

using namespace sorvane;
namespace csidl = platform::csidl;

TEST(FakeShell, WindowsXpLayoutGivesEveryFolderItsOwnPathUnderTheProfiles) {
    fakes::FakeShell xp{fakes::FakeShell::Layout::WindowsXp};
    const int folders[] = {
        csidl::Programs, csidl::Personal, csidl::Favorites, csidl::Startup, csidl::Recent,
        csidl::SendTo, csidl::StartMenu, csidl::DesktopDirectory, csidl::Fonts, csidl::Templates,
        csidl::CommonStartMenu, csidl::CommonPrograms, csidl::CommonDesktopDirectory, csidl::AppData,
        csidl::CommonFavorites, csidl::InternetCache, csidl::Cookies, csidl::History, csidl::CommonAppData,
        csidl::Windows, csidl::System, csidl::ProgramFiles, csidl::ProgramFilesCommon,
        csidl::CommonTemplates, csidl::CommonDocuments,
    };
    std::set<std::string> paths;
    for (const int id : folders) {
        const auto path = xp.specialFolder(id);
        EXPECT_FALSE(path.empty()) << id;
        EXPECT_NE(path.back(), '\\') << id;
        paths.insert(path);
    }
    EXPECT_EQ(paths.size(), std::size(folders));
    EXPECT_EQ(xp.specialFolder(csidl::StartMenu), "C:\\Documents and Settings\\Ann\\Start Menu");
    EXPECT_EQ(xp.specialFolder(csidl::CommonStartMenu), "C:\\Documents and Settings\\All Users\\Start Menu");
    EXPECT_EQ(xp.specialFolder(csidl::BitBucket), "");
    EXPECT_EQ(xp.specialFolderCalls, static_cast<int>(std::size(folders)) + 3);

    fakes::FakeShell seven;
    EXPECT_EQ(seven.specialFolder(csidl::StartMenu), "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu");
    seven.setSpecialFolder(csidl::StartMenu, "");
    EXPECT_EQ(seven.specialFolder(csidl::StartMenu), "");
}
