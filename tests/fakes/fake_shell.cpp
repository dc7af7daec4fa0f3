#include "tests/fakes/fake_shell.h"

namespace sorvane::fakes {

using platform::Status;
namespace csidl = platform::csidl;

namespace {

// Every folder distinct, so that a macro resolved through the wrong folder shows.
std::map<int, std::string> windowsXpFolders() {
    const std::string user = "C:\\Documents and Settings\\Ann";
    const std::string all = "C:\\Documents and Settings\\All Users";
    return {
        {csidl::Programs, user + "\\Start Menu\\Programs"},
        {csidl::Personal, user + "\\My Documents"},
        {csidl::Favorites, user + "\\Favorites"},
        {csidl::Startup, user + "\\Start Menu\\Programs\\Startup"},
        {csidl::Recent, user + "\\Recent"},
        {csidl::SendTo, user + "\\SendTo"},
        {csidl::StartMenu, user + "\\Start Menu"},
        {csidl::DesktopDirectory, user + "\\Desktop"},
        {csidl::Fonts, "C:\\WINDOWS\\Fonts"},
        {csidl::Templates, user + "\\Templates"},
        {csidl::CommonStartMenu, all + "\\Start Menu"},
        {csidl::CommonPrograms, all + "\\Start Menu\\Programs"},
        {csidl::CommonDesktopDirectory, all + "\\Desktop"},
        {csidl::AppData, user + "\\Application Data"},
        {csidl::CommonFavorites, all + "\\Favorites"},
        {csidl::InternetCache, user + "\\Local Settings\\Temporary Internet Files"},
        {csidl::Cookies, user + "\\Cookies"},
        {csidl::History, user + "\\Local Settings\\History"},
        {csidl::CommonAppData, all + "\\Application Data"},
        {csidl::Windows, "C:\\WINDOWS"},
        {csidl::System, "C:\\WINDOWS\\system32"},
        {csidl::ProgramFiles, "C:\\Program Files"},
        {csidl::ProgramFilesCommon, "C:\\Program Files\\Common Files"},
        {csidl::CommonTemplates, all + "\\Templates"},
        {csidl::CommonDocuments, all + "\\Documents"},
    };
}

}  // namespace

FakeShell::FakeShell(Layout layout) {
    if (layout == Layout::WindowsXp) {
        folders_ = windowsXpFolders();
        return;
    }
    const std::string roaming = "C:\\Users\\User\\AppData\\Roaming";
    const std::string local = "C:\\Users\\User\\AppData\\Local";
    const std::string startMenu = roaming + "\\Microsoft\\Windows\\Start Menu";
    const std::string commonStart = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu";
    folders_ = {
        {csidl::Programs, startMenu + "\\Programs"},
        {csidl::Personal, "C:\\Users\\User\\Documents"},
        {csidl::Favorites, "C:\\Users\\User\\Favorites"},
        {csidl::Startup, startMenu + "\\Programs\\Startup"},
        {csidl::Recent, roaming + "\\Microsoft\\Windows\\Recent"},
        {csidl::SendTo, roaming + "\\Microsoft\\Windows\\SendTo"},
        {csidl::BitBucket, ""},
        {csidl::StartMenu, startMenu},
        {csidl::DesktopDirectory, "C:\\Users\\User\\Desktop"},
        {csidl::Fonts, "C:\\Windows\\Fonts"},
        {csidl::Templates, roaming + "\\Microsoft\\Windows\\Templates"},
        {csidl::CommonStartMenu, commonStart},
        {csidl::CommonPrograms, commonStart + "\\Programs"},
        {csidl::CommonDesktopDirectory, "C:\\Users\\Public\\Desktop"},
        {csidl::AppData, roaming},
        {csidl::AltStartup, ""},
        {csidl::CommonAltStartup, ""},
        {csidl::CommonFavorites, "C:\\Users\\User\\Favorites"},
        {csidl::InternetCache, local + "\\Microsoft\\Windows\\Temporary Internet Files"},
        {csidl::Cookies, roaming + "\\Microsoft\\Windows\\Cookies"},
        {csidl::History, local + "\\Microsoft\\Windows\\History"},
        {csidl::CommonAppData, "C:\\ProgramData"},
        {csidl::Windows, "C:\\Windows"},
        {csidl::System, "C:\\Windows\\system32"},
        {csidl::SystemX86, "C:\\Windows\\SysWOW64"},
        {csidl::Profile, "C:\\Users\\User"},
        {csidl::LocalAppData, local},
        {csidl::ProgramFiles, "C:\\Program Files"},
        {csidl::ProgramFilesCommon, "C:\\Program Files\\Common Files"},
        {csidl::ProgramFilesX86, "C:\\Program Files (x86)"},
        {csidl::ProgramFilesCommonX86, "C:\\Program Files (x86)\\Common Files"},
        {csidl::CommonTemplates, "C:\\ProgramData\\Microsoft\\Windows\\Templates"},
        {csidl::CommonDocuments, "C:\\Users\\Public\\Documents"},
    };
}

std::string FakeShell::specialFolder(int id) {
    ++specialFolderCalls;
    auto it = folders_.find(id);
    return it == folders_.end() ? std::string() : it->second;
}

Status FakeShell::open(std::string_view target) {
    opened.emplace_back(target);
    return openFailure_ == 0 ? Status::success() : Status::failure(openFailure_);
}

Status FakeShell::start(std::string_view commandLine, platform::ShowWindow show) {
    started.emplace_back(std::string(commandLine), show);
    return startFailure_ == 0 ? Status::success() : Status::failure(startFailure_);
}

}  // namespace sorvane::fakes
