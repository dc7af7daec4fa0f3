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
    if (row.profileFolder) return ProfileFolderPath(shell, row.csidl == c::CommonStartMenu);
    return SpecialFolderPath(shell, row.csidl);
}

// The profile as Windows XP laid it out: the Start menu's folder without "\Start Menu".
std::string xpProfile(platform::Shell& shell, int startMenu) {
    return text::replaceAllNoCase(SpecialFolderPath(shell, startMenu), "\\Start Menu", "");
}

bool vistaProfiles(platform::Shell& shell) {
    const auto profile = SpecialFolderPath(shell, c::Profile);
    return !profile.empty() && !text::equalsNoCase(profile, xpProfile(shell, c::StartMenu));
}

struct ProfileName {
    std::string_view macro;
    std::string_view name;
    int csidl;
};

// Windows Vista and later keep junctions under these XP-era names that reach the folders named
// here; longer names come first, so that "Local Settings\Application Data" is not taken for
// "Local Settings".
constexpr ProfileName ProfileNames[] = {
    {"[user]", "Local Settings\\Application Data", c::LocalAppData},
    {"[user]", "Local Settings\\Temporary Internet Files", c::InternetCache},
    {"[user]", "Local Settings\\History", c::History},
    {"[user]", "Local Settings", c::LocalAppData},
    {"[user]", "Application Data", c::AppData},
    {"[user]", "My Documents", c::Personal},
    {"[user]", "Start Menu", c::StartMenu},
    {"[user]", "Cookies", c::Cookies},
    {"[user]", "Recent", c::Recent},
    {"[user]", "SendTo", c::SendTo},
    {"[user]", "Templates", c::Templates},
    {"[alluser]", "Application Data", c::CommonAppData},
    {"[alluser]", "Start Menu", c::CommonStartMenu},
    {"[alluser]", "Desktop", c::CommonDesktopDirectory},
    {"[alluser]", "Documents", c::CommonDocuments},
    {"[alluser]", "Favorites", c::CommonFavorites},
    {"[alluser]", "Templates", c::CommonTemplates},
};

// Replaces "[user]Application Data" and the like (exact case for the macro, any for the name,
// backslashes between them allowed) where the name ends at a backslash or the end of the text.
std::string replaceProfileNames(std::string text, const std::vector<std::pair<std::string, std::string>>& names) {
    for (const auto& [pattern, folder] : names) {
        const auto cut = pattern.find(']') + 1;
        const std::string_view macro = std::string_view(pattern).substr(0, cut);
        const std::string_view name = std::string_view(pattern).substr(cut);
        for (auto at = text.find(macro); at != std::string::npos; at = text.find(macro, at + 1)) {
            auto start = at + macro.size();
            while (start < text.size() && text[start] == '\\') ++start;
            const auto end = start + name.size();
            if (end > text.size() || !text::equalsNoCase(std::string_view(text).substr(start, name.size()), name))
                continue;
            if (end < text.size() && text[end] != '\\') continue;
            text.replace(at, end - at, folder);
        }
    }
    return text;
}

bool sameFolder(std::string_view a, std::string_view b) { return text::equalsNoCase(a, b); }

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

std::string ProfileFolderPath(platform::Shell& shell, bool allUsers) {
    if (vistaProfiles(shell)) {
        auto folder = SpecialFolderPath(shell, allUsers ? c::CommonAppData : c::Profile);
        if (!folder.empty()) return folder;
    }
    return xpProfile(shell, allUsers ? c::CommonStartMenu : c::StartMenu);
}

std::string DriveRoot(platform::Shell& shell) {
    return SpecialFolderPath(shell, platform::csidl::Programs).substr(0, 3);
}

std::string ExpandPathMacros(platform::Shell& shell, std::string_view text) { return PathMacros(shell).expand(text); }

std::string CollapseBackslashes(std::string_view text) { return text::replaceAll(text, "\\\\", "\\"); }

PathMacros::PathMacros(platform::Shell& shell) : driveRoot_(DriveRoot(shell)) {
    for (std::size_t i = 0; i < table.size(); ++i) folders_[i] = resolve(shell, table[i]);
    if (vistaProfiles(shell)) {
        for (const auto& row : ProfileNames) {
            auto folder = SpecialFolderPath(shell, row.csidl);
            if (folder.empty()) continue;
            folder.pop_back();
            profileNames_.emplace_back(std::string(row.macro) + std::string(row.name), std::move(folder));
        }
    }
    // The 32-bit programs' twins of three folders, where the system has them apart.
    auto twin = std::make_shared<PathMacros>(*this);
    bool apart = false;
    for (std::size_t i = 0; i < table.size(); ++i) {
        int x86 = 0;
        if (table[i].csidl == c::ProgramFiles) x86 = c::ProgramFilesX86;
        if (table[i].csidl == c::ProgramFilesCommon) x86 = c::ProgramFilesCommonX86;
        if (table[i].csidl == c::System) x86 = c::SystemX86;
        if (x86 == 0) continue;
        auto folder = SpecialFolderPath(shell, x86);
        if (folder.empty() || sameFolder(folder, folders_[i])) continue;
        twin->folders_[i] = std::move(folder);
        apart = true;
    }
    if (apart) x86_ = std::move(twin);
}

bool PathMacros::NamesTwinFolder(std::string_view text) {
    for (std::string_view macro : {"[progfil]", "[comprogfil]", "[system]"})
        if (text::findNoCase(text, macro) != std::string::npos) return true;
    return false;
}

std::string PathMacros::expand(std::string_view text) const {
    std::string out(text);
    // Most locations hold one macro at most; skip the thirty passes when there is none.
    if (out.find('[') == std::string::npos) return out;
    if (!profileNames_.empty()) out = replaceProfileNames(std::move(out), profileNames_);
    for (std::size_t i = 0; i < table.size(); ++i) out = replaceRow(out, table[i], folders_[i]);
    return out;
}

std::string PathMacros::expandLocation(std::string_view text) const {
    return expand(text::replaceAll(text, "[drive]", driveRoot_));
}

}  // namespace sorvane::definitions
