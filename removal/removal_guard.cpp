#include "removal/removal_guard.h"

#include <algorithm>
#include <array>

#include "definitions/path_macros.h"
#include "platform/text.h"

namespace sorvane::removal {
namespace {

std::string withoutTrailingBackslashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '\\' && !(path.size() == 3 && path[1] == ':')) path.remove_suffix(1);
    return std::string(path);
}

// Keys that hold the system's structure. The keys themselves are refused; what lies below
// them (a listed program's own key) is not.
constexpr std::string_view SystemKeys[] = {
    "software",
    "software\\classes",
    "software\\classes\\clsid",
    "software\\classes\\interface",
    "software\\classes\\typelib",
    "software\\classes\\appid",
    "software\\classes\\*",
    "software\\classes\\exefile",
    "software\\classes\\directory",
    "software\\classes\\folder",
    "software\\microsoft",
    "software\\microsoft\\windows",
    "software\\microsoft\\windows\\currentversion",
    "software\\microsoft\\windows\\currentversion\\run",
    "software\\microsoft\\windows\\currentversion\\runonce",
    "software\\microsoft\\windows\\currentversion\\runonceex",
    "software\\microsoft\\windows\\currentversion\\runservices",
    "software\\microsoft\\windows\\currentversion\\runservicesonce",
    "software\\microsoft\\windows\\currentversion\\policies",
    "software\\microsoft\\windows\\currentversion\\explorer",
    "software\\microsoft\\windows\\currentversion\\explorer\\browser helper objects",
    "software\\microsoft\\windows\\currentversion\\explorer\\shellexecutehooks",
    "software\\microsoft\\windows\\currentversion\\shellserviceobjectdelayload",
    "software\\microsoft\\windows\\currentversion\\uninstall",
    "software\\microsoft\\windows\\currentversion\\app paths",
    "software\\microsoft\\windows\\currentversion\\shell extensions",
    "software\\microsoft\\windows\\currentversion\\shell extensions\\approved",
    "software\\microsoft\\windows\\currentversion\\explorer\\shell folders",
    "software\\microsoft\\windows\\currentversion\\explorer\\user shell folders",
    "software\\microsoft\\windows\\currentversion\\explorer\\shelliconoverlayidentifiers",
    "software\\microsoft\\windows\\currentversion\\internet settings",
    "software\\microsoft\\active setup",
    "software\\microsoft\\active setup\\installed components",
    "software\\microsoft\\windows nt",
    "software\\microsoft\\windows nt\\currentversion",
    "software\\microsoft\\windows nt\\currentversion\\winlogon",
    "software\\microsoft\\windows nt\\currentversion\\windows",
    "software\\microsoft\\windows nt\\currentversion\\image file execution options",
    "software\\microsoft\\windows nt\\currentversion\\svchost",
    "software\\microsoft\\internet explorer",
    "software\\microsoft\\internet explorer\\main",
    "software\\microsoft\\internet explorer\\toolbar",
    "software\\microsoft\\internet explorer\\extensions",
    "software\\policies",
    "system",
    "system\\currentcontrolset",
    "system\\currentcontrolset\\services",
    "system\\currentcontrolset\\control",
    "system\\currentcontrolset\\control\\session manager",
    "system\\controlset001",
    "system\\controlset002",
    "hardware",
    "sam",
};
// Keys of the classes root that everything on the machine relies on.
constexpr std::array<std::string_view, 8> ClassesRootKeys = {"clsid",     "interface", "typelib", "appid",
                                                            "*",         "exefile",   "directory", "folder"};

// "Software\\\\Classes\\" as "software\\classes": one backslash between names, none at the ends.
std::string normalizedKey(std::string_view keyPath) {
    std::string out;
    for (const auto& part : text::split(keyPath, "\\")) {
        const std::string name = text::trim(part);
        if (name.empty()) continue;
        if (!out.empty()) out += '\\';
        out += text::toLower(name);
    }
    return out;
}

// "software\\wow6432node\\classes\\clsid" as "software\\classes\\clsid".
std::string withoutWow6432Node(std::string_view key) {
    std::string out;
    for (const auto& name : text::split(key, "\\")) {
        if (name == "wow6432node") continue;
        if (!out.empty()) out += '\\';
        out += name;
    }
    return out;
}

}  // namespace

bool IsRootPath(std::string_view path) {
    const std::string trimmed = withoutTrailingBackslashes(path);
    if (trimmed.size() <= 3 && trimmed.size() >= 2 && trimmed[1] == ':') return true;
    if (trimmed.rfind("\\\\", 0) == 0) {
        // "\\server\share" and "\\?\C:" are roots; anything deeper is not.
        std::size_t named = 0;
        for (const auto& part : text::split(trimmed.substr(2), "\\")) named += part.empty() ? 0 : 1;
        return named <= 2;
    }
    return trimmed.empty() || trimmed == "\\";
}

std::vector<std::string> ParentPaths(std::string_view path) {
    std::vector<std::string> parents;
    std::string current = withoutTrailingBackslashes(path);
    while (!IsRootPath(current)) {
        const auto cut = current.rfind('\\');
        if (cut == std::string::npos) break;
        current = cut == 2 && current[1] == ':' ? current.substr(0, 3) : current.substr(0, cut);
        parents.push_back(current);
    }
    return parents;
}

std::vector<std::string> SystemFolders(platform::Shell& shell) {
    const definitions::PathMacros macros(shell);
    std::vector<std::string> folders;
    for (std::size_t row = 0; row < definitions::PathMacroCount; ++row)
        if (!macros.folder(row).empty()) folders.push_back(macros.folder(row));
    // The 32-bit programs' twins of three macro folders on a 64-bit system.
    for (const int csidl :
         {platform::csidl::ProgramFilesX86, platform::csidl::ProgramFilesCommonX86, platform::csidl::SystemX86})
        if (auto folder = shell.specialFolder(csidl); !folder.empty()) folders.push_back(std::move(folder));
    return folders;
}

RemovalGuard::RemovalGuard(platform::FileSystem& files, std::vector<std::string> protectedFolders,
                           std::vector<std::string> keptFolders)
    : files_(files) {
    for (const auto& folder : protectedFolders)
        if (!folder.empty()) protected_.push_back(placeOf(folder));
    for (const auto& folder : keptFolders)
        if (!folder.empty()) kept_.push_back(placeOf(folder));
    std::vector<std::string> seen;
    for (const auto* places : {&protected_, &kept_}) {
        for (const auto& place : *places) {
            for (const auto& parent : ParentPaths(place.text)) {
                if (std::find(seen.begin(), seen.end(), parent) != seen.end()) continue;
                seen.push_back(parent);
                holders_.push_back(placeOf(parent));
            }
        }
    }
}

RemovalGuard::Place RemovalGuard::placeOf(std::string_view path) const {
    const std::string trimmed = withoutTrailingBackslashes(path);
    return Place{text::toLower(trimmed), files_.identity(trimmed)};
}

bool RemovalGuard::sameAs(const Place& place, std::string_view path) const {
    const std::string trimmed = withoutTrailingBackslashes(path);
    if (text::toLower(trimmed) == place.text) return true;
    if (!place.identity) return false;
    const auto identity = files_.identity(trimmed);
    return identity && *identity == *place.identity;
}

bool RemovalGuard::insideKept(std::string_view path) const {
    for (const auto& place : kept_) {
        if (sameAs(place, path)) return true;
        for (const auto& parent : ParentPaths(path))
            if (sameAs(place, parent)) return true;
    }
    return false;
}

bool RemovalGuard::mayRemovePath(std::string_view path) const {
    if (IsRootPath(path)) return false;
    const std::string trimmed = withoutTrailingBackslashes(path);
    // A link is removed as a link: what it points to is no concern, where it lies is.
    const auto self = files_.lookup(trimmed);
    const bool link = self && self->isLink();
    if (link) {
        for (const auto& place : kept_)
            for (const auto& parent : ParentPaths(trimmed))
                if (sameAs(place, parent)) return false;
        return std::none_of(protected_.begin(), protected_.end(),
                            [&](const Place& place) { return text::toLower(trimmed) == place.text; });
    }
    if (insideKept(path)) return false;
    const auto identity = files_.identity(trimmed);
    auto isPath = [&](const Place& place) {
        if (text::toLower(withoutTrailingBackslashes(path)) == place.text) return true;
        return identity && place.identity && *identity == *place.identity;
    };
    // Neither one of those folders nor anything holding one of them.
    return std::none_of(protected_.begin(), protected_.end(), isPath) &&
           std::none_of(holders_.begin(), holders_.end(), isPath);
}

bool RemovalGuard::mayDeleteKey(platform::RootKey root, std::string_view keyPath) {
    const std::string key = normalizedKey(keyPath);
    if (key.empty()) return false;
    // Every key right below HKEY_USERS is a user's whole hive.
    if (root == platform::RootKey::Users && key.find('\\') == std::string::npos) return false;
    if (root == platform::RootKey::ClassesRoot &&
        std::find(ClassesRootKeys.begin(), ClassesRootKeys.end(), key) != ClassesRootKeys.end())
        return false;
    // The 32-bit programs' copy of a 64-bit system holds the same structure below a WOW6432Node
    // key: that key is refused, and what lies below it is judged as the key it mirrors.
    if (key == "wow6432node" || key.ends_with("\\wow6432node")) return false;
    const std::string mirrored = withoutWow6432Node(key);
    if (root == platform::RootKey::ClassesRoot &&
        std::find(ClassesRootKeys.begin(), ClassesRootKeys.end(), mirrored) != ClassesRootKeys.end())
        return false;
    std::string_view below = mirrored;
    // A user's hive below HKEY_USERS holds the same structure as HKEY_CURRENT_USER.
    if (root == platform::RootKey::Users) below = below.substr(below.find('\\') + 1);
    return std::find(std::begin(SystemKeys), std::end(SystemKeys), below) == std::end(SystemKeys);
}

}  // namespace sorvane::removal
