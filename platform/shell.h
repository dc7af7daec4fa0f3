#pragma once
#include <string>
#include <string_view>

#include "platform/status.h"

namespace sorvane::platform {

// Shell special folders by their CSIDL numbers.
namespace csidl {
inline constexpr int Programs = 2;
inline constexpr int Personal = 5;
inline constexpr int Favorites = 6;
inline constexpr int Startup = 7;
inline constexpr int Recent = 8;
inline constexpr int SendTo = 9;
inline constexpr int BitBucket = 10;
inline constexpr int StartMenu = 11;
inline constexpr int DesktopDirectory = 16;
inline constexpr int Fonts = 20;
inline constexpr int Templates = 21;
inline constexpr int CommonStartMenu = 22;
inline constexpr int CommonPrograms = 23;
inline constexpr int CommonDesktopDirectory = 25;
inline constexpr int AppData = 26;
inline constexpr int AltStartup = 29;
inline constexpr int CommonAltStartup = 30;
inline constexpr int CommonFavorites = 31;
inline constexpr int InternetCache = 32;
inline constexpr int Cookies = 33;
inline constexpr int History = 34;
inline constexpr int CommonAppData = 35;
inline constexpr int Windows = 36;
inline constexpr int System = 37;
inline constexpr int LocalAppData = 28;
inline constexpr int Profile = 40;
// The 32-bit programs' system folder of a 64-bit system (SysWOW64); on a 32-bit one System.
inline constexpr int SystemX86 = 41;
inline constexpr int ProgramFiles = 38;
// The 32-bit programs' folders of a 64-bit system; on a 32-bit one the same as the two above.
inline constexpr int ProgramFilesX86 = 42;
inline constexpr int ProgramFilesCommon = 43;
inline constexpr int ProgramFilesCommonX86 = 44;
inline constexpr int CommonTemplates = 45;
inline constexpr int CommonDocuments = 46;
}  // namespace csidl

enum class ShowWindow { Hidden = 0, Normal = 1, Minimized = 2, Maximized = 3 };

// The Windows shell.
class Shell {
public:
    virtual ~Shell() = default;

    // The folder's path without a trailing backslash, without creating it; empty when
    // the folder has no file-system path on this system.
    virtual std::string specialFolder(int csidl) = 0;
    // Opens a document, folder or URL with its associated program.
    virtual Status open(std::string_view target) = 0;
    // Starts a command line and returns at once.
    virtual Status start(std::string_view commandLine, ShowWindow show) = 0;
};

}  // namespace sorvane::platform
