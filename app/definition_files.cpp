#include "app/definition_files.h"

#include <array>

#include "definitions/definition_files.h"
#include "platform/text.h"

namespace sorvane::app {

using platform::JoinPath;

namespace {
bool isFile(platform::FileSystem& files, const std::string& path) {
    const auto entry = files.lookup(path);
    return entry && !entry->isFolder();
}
}  // namespace

void InstallDownloadedDefinitions(platform::FileSystem& files, std::string_view folder) {
    static constexpr std::array names{"BlockedCookies.dat", "RegistryDefinition.dat", "FileDefinition.dat",
                                      "ExeDefinition.dat"};
    for (const char* name : names) {
        const std::string downloaded = JoinPath(folder, std::string("DL") + name);
        if (!isFile(files, downloaded)) continue;
        const std::string current = JoinPath(folder, name);
        if (files.lookup(current) && !files.deleteFile(current).ok()) continue;
        (void)files.moveFile(downloaded, current);
    }
}

std::int32_t CountFileLines(platform::FileSystem& files, std::string_view path) {
    return static_cast<std::int32_t>(definitions::countDefinitionLines(files, path));
}

DefinitionCounts CountDefinitions(platform::FileSystem& files, std::string_view folder) {
    auto count = [&](std::string_view name) { return CountFileLines(files, JoinPath(folder, name)); };
    DefinitionCounts counts;
    counts.cookies = count("BlockedCookies.dat");
    counts.exe = count("ExeDefinition.dat");
    counts.registry = count("RegistryDefinition.dat");
    counts.file = count("FileDefinition.dat");
    counts.directory = count("DirectoryDefinition.dat");
    return counts;
}

std::string FirstMissingDefinitionFile(platform::FileSystem& files, std::string_view folder) {
    static constexpr std::array names{"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat",
                                      "BlockedCookies.dat", "DirectoryDefinition.dat"};
    for (const char* name : names)
        if (!isFile(files, JoinPath(folder, name))) return name;
    return {};
}

void DeleteDefinitionFiles(platform::FileSystem& files, std::string_view folder) {
    static constexpr std::array names{"DirectoryDefinition.dat", "BlockedCookies.dat", "ExeDefinition.dat",
                                      "RegistryDefinition.dat", "FileDefinition.dat", "date.dat"};
    for (const char* name : names) {
        const std::string path = JoinPath(folder, name);
        if (files.lookup(path)) (void)files.deleteFile(path);
    }
}

std::string ReadDefinitionsDate(platform::FileSystem& files, std::string_view folder) {
    std::string bytes;
    if (!files.readRange(JoinPath(folder, "date.dat"), 0, 4096, bytes).ok()) return std::string(DefaultDefinitionsDate);
    const auto found = text::lines(bytes);
    if (found.empty() || text::trim(found.front()).empty()) return std::string(DefaultDefinitionsDate);
    return text::trim(found.front());
}

}  // namespace sorvane::app
