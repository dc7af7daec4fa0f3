#pragma once
#include <array>
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
    bool profileFolder; // the Start-menu path with "\Start Menu" removed
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

// Replaces every macro of the table, resolving each folder anew on every call.
std::string ExpandPathMacros(platform::Shell& shell, std::string_view text);

// Replaces every "\\" with "\" in one pass from the left.
std::string CollapseBackslashes(std::string_view text);

// The thirty macro folders and the drive root resolved once, for the length of one
// scan; expanding through it gives exactly what ExpandPathMacros gives.
class PathMacros {
public:
    explicit PathMacros(platform::Shell& shell);

    std::string expand(std::string_view text) const;
    // "[drive]" (exact letter case) becomes the drive root, then the macros are expanded.
    std::string expandLocation(std::string_view text) const;
    // The resolved folder of table row `row`.
    const std::string& folder(std::size_t row) const { return folders_.at(row); }

private:
    std::array<std::string, PathMacroCount> folders_;
    std::string driveRoot_;
};

}  // namespace sorvane::definitions
