#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace sorvane::removal {

// What removal must never take, whatever a definition line says: the program and its
// quarantine, drive roots, the system's own folders and whatever holds them, hive roots
// and the registry's structural keys. Places are compared by identity (volume and file
// index), so that another drive letter, a short name, a network path, ".." or a link
// cannot pass a protected folder off as something else.
class RemovalGuard {
public:
    // `protectedFolders`: folders that may not go (the path-macro folders, the profiles,
    // Windows and Program Files); `keptFolders`: folders nothing may be taken from.
    RemovalGuard(platform::FileSystem& files, std::vector<std::string> protectedFolders,
                 std::vector<std::string> keptFolders);

    // True when the file or folder may be removed.
    bool mayRemovePath(std::string_view path) const;
    // True when the path lies inside one of the kept folders, or is one.
    bool insideKept(std::string_view path) const;
    // True when the key may be deleted as a whole.
    static bool mayDeleteKey(platform::RootKey root, std::string_view keyPath);

private:
    struct Place {
        std::string text;  // lower case, no trailing backslash
        std::optional<platform::FileIdentity> identity;
    };
    Place placeOf(std::string_view path) const;
    bool sameAs(const Place& place, std::string_view path) const;

    platform::FileSystem& files_;
    std::vector<Place> protected_;
    std::vector<Place> kept_;
    std::vector<Place> holders_;  // every folder that holds a protected or kept one
};

// The folders of the thirty path macros (the profiles among them), Windows and Program
// Files, and the 32-bit programs' Program Files and Common Files, as the shell names them now.
std::vector<std::string> SystemFolders(platform::Shell& shell);

// A drive root ("C:\", "C:") or the root of a network share ("\\server\share").
bool IsRootPath(std::string_view path);
// The textual parents of a path, nearest first, down to its root.
std::vector<std::string> ParentPaths(std::string_view path);

}  // namespace sorvane::removal
