#include "definitions/path_macros.h"

#include "platform/text.h"

namespace sorvane::definitions {
namespace {

namespace c = platform::csidl;

constexpr std::array<PathMacro, PathMacroCount> table{{
    {"[startsp]", c::AltStartup, false, false},
    {"[appdata]", c::AppData, false, false},
    {"[recycle]", c::BitBucket, false, false},
    {"[comstar]", c::CommonAltStartup, false, false},
    {"[comapp]", c::CommonAppData, false, false},
    {"[desktop]", c::CommonDesktopDirectory, false, false},
    {"[comdocs]", c::CommonDocuments, false, false},
    {"[comfav]", c::CommonFavorites, false, false},
    {"[comprog]", c::CommonPrograms, false, false},
    {"[comstam]", c::CommonStartMenu, false, false},
    {"[comtemp]", c::CommonTemplates, false, false},
    {"[cookies]", c::Cookies, false, false},
    {"[comdesk]", c::DesktopDirectory, false, false},
    {"[favorit]", c::Favorites, false, false},
    {"[fonts]", c::Fonts, false, false},
    {"[history]", c::History, false, false},
    {"[netcach]", c::InternetCache, false, false},
    {"[progs]", c::Programs, false, false},
    {"[progfil]", c::ProgramFiles, false, false},
    {"[comprogfil]", c::ProgramFilesCommon, false, false},
    {"[personl]", c::Personal, false, false},
    {"[recent]", c::Recent, false, false},
    {"[sendto]", c::SendTo, false, false},
    {"[startup]", c::Startup, false, false},
    {"[strtmnu]", c::StartMenu, false, false},
    {"[system]", c::System, false, false},
    {"[templat]", c::Templates, false, false},
    {"[windir]", c::Windows, false, false},
    {"[user]", c::StartMenu, true, true},
    {"[alluser]", c::CommonStartMenu, true, true},
}};

std::string resolve(platform::Shell& shell, const PathMacro& row) {
    auto path = SpecialFolderPath(shell, row.csidl);
    if (row.profileFolder) path = text::replaceAllNoCase(path, "\\Start Menu", "");
    return path;
}

std::string replaceRow(std::string_view text, const PathMacro& row, std::string_view folder) {
    return row.exactCase ? text::replaceAll(text, row.macro, folder) : text::replaceAllNoCase(text, row.macro, folder);
}

}  // namespace

const std::array<PathMacro, PathMacroCount>& PathMacroTable() { return table; }

std::string SpecialFolderPath(platform::Shell& shell, int csidl) {
    auto path = shell.specialFolder(csidl);
    if (const auto nul = path.find('\0'); nul != std::string::npos) path.resize(nul);
    if (path.empty()) return {};
    return path + "\\";
}

std::string DriveRoot(platform::Shell& shell) {
    return SpecialFolderPath(shell, platform::csidl::Programs).substr(0, 3);
}

std::string ExpandPathMacros(platform::Shell& shell, std::string_view text) {
    std::string out(text);
    for (const auto& row : table) out = replaceRow(out, row, resolve(shell, row));
    return out;
}

std::string CollapseBackslashes(std::string_view text) { return text::replaceAll(text, "\\\\", "\\"); }

PathMacros::PathMacros(platform::Shell& shell) : driveRoot_(DriveRoot(shell)) {
    for (std::size_t i = 0; i < table.size(); ++i) folders_[i] = resolve(shell, table[i]);
}

std::string PathMacros::expand(std::string_view text) const {
    std::string out(text);
    // Most locations hold one macro at most; skip the thirty passes when there is none.
    if (out.find('[') == std::string::npos) return out;
    for (std::size_t i = 0; i < table.size(); ++i) out = replaceRow(out, table[i], folders_[i]);
    return out;
}

std::string PathMacros::expandLocation(std::string_view text) const {
    return expand(text::replaceAll(text, "[drive]", driveRoot_));
}

}  // namespace sorvane::definitions
