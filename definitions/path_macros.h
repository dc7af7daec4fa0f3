#pragma once
#include <array>
#include <memory>
#include <utility>
#include <vector>
#include <string>
#include <string_view>

#include "platform/shell.h"

// Folder macros in definition locations ("[appdata]", "[progfil]", ...) and the
// drive placeholder "[drive]".
namespace sorvane::definitions {

struct PathMacro {
    std::string_view macro;
    int csidl;
    bool exactCase;     // matched with its letter case; the others ignore case
    bool profileFolder; // a profile folder: the user's ([user]) or all users' ([alluser])
};

inline constexpr std::size_t PathMacroCount = 30;

// The macros in the order they are replaced.
const std::array<PathMacro, PathMacroCount>& PathMacroTable();

// The shell's path of a special folder followed by a backslash; empty when the folder
// has no file-system path.
std::string SpecialFolderPath(platform::Shell& shell, int csidl);

// The first three characters of the user's Start-menu Programs folder, such as "C:\";
// empty when that folder cannot be resolved.
std::string DriveRoot(platform::Shell& shell);

// The user's profile folder ([user]) or all users' ([alluser]), with a closing backslash. On
// Windows Vista and later the profile (CSIDL 40) and the ProgramData folder that
// %ALLUSERSPROFILE% names; where the Start menu lies in the profile (Windows XP) the Start-menu
// folder without "\Start Menu", as before.
std::string ProfileFolderPath(platform::Shell& shell, bool allUsers);

// Replaces every macro of the table, resolving each folder anew on every call.
std::string ExpandPathMacros(platform::Shell& shell, std::string_view text);

// Replaces every "\\" with "\" in one pass from the left.
std::string CollapseBackslashes(std::string_view text);

// The thirty macro folders and the drive root resolved once, for the length of one
// scan; expanding through it gives exactly what ExpandPathMacros gives.
class PathMacros {
public:
    explicit PathMacros(platform::Shell& shell);
    PathMacros(const PathMacros&) = default;
    PathMacros& operator=(const PathMacros&) = default;

    std::string expand(std::string_view text) const;
    // "[drive]" (exact letter case) becomes the drive root, then the macros are expanded.
    std::string expandLocation(std::string_view text) const;
    // The resolved folder of table row `row`.
    const std::string& folder(std::size_t row) const { return folders_.at(row); }

    // The same macros with the 32-bit programs' folders of a 64-bit system for "[progfil]",
    // "[comprogfil]" and "[system]" (Program Files (x86), its Common Files, SysWOW64); null where
    // the system has none apart from the native ones (32-bit Windows). A line naming one of these
    // macros is looked for in both.
    const PathMacros* x86() const { return x86_.get(); }
    // Whether the text holds one of the macros whose folder a 64-bit system has twice.
    static bool NamesTwinFolder(std::string_view text);

private:
    std::array<std::string, PathMacroCount> folders_;
    std::string driveRoot_;
    // "[user]Application Data" and the like: an XP-era name below a profile macro, and the folder
    // that Windows' compatibility junction of that name reaches (no closing backslash).
    std::vector<std::pair<std::string, std::string>> profileNames_;
    std::shared_ptr<const PathMacros> x86_;
};

}  // namespace sorvane::definitions
