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

namespace {

FileStamp stampOf(platform::FileSystem& files, const std::string& path) {
    FileStamp stamp;
    stamp.taken = true;
    if (const auto entry = files.lookup(path); entry && !entry->isFolder()) {
        stamp.present = true;
        stamp.size = entry->size;
        stamp.lastWriteTime = entry->lastWriteTime;
    }
    return stamp;
}

}  // namespace

DefinitionCounts RecountChangedDefinitions(platform::FileSystem& files, std::string_view folder,
                                           const DefinitionCounts& known) {
    static constexpr std::array<const char*, 5> names{"BlockedCookies.dat", "ExeDefinition.dat",
                                                      "RegistryDefinition.dat", "FileDefinition.dat",
                                                      "DirectoryDefinition.dat"};
    DefinitionCounts counts;
    std::array<std::int32_t*, 5> fields{&counts.cookies, &counts.exe, &counts.registry, &counts.file, &counts.directory};
    const std::array<std::int32_t, 5> knownFields{known.cookies, known.exe, known.registry, known.file, known.directory};
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string path = JoinPath(folder, names[i]);
        counts.stamps[i] = stampOf(files, path);
        // A write time of 0 tells nothing: such a file is always counted again.
        const bool unchanged = known.stamps[i].taken && known.stamps[i] == counts.stamps[i] &&
                               (!counts.stamps[i].present || counts.stamps[i].lastWriteTime != 0);
        *fields[i] = unchanged ? knownFields[i] : (counts.stamps[i].present ? CountFileLines(files, path) : 0);
    }
    return counts;
}

DefinitionCounts CountDefinitions(platform::FileSystem& files, std::string_view folder) {
    return RecountChangedDefinitions(files, folder, {});
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

std::string ReadDefinitionsDate(platform::FileSystem& files, platform::Locale& locale, std::string_view folder) {
    std::string bytes;
    if (!files.readRange(JoinPath(folder, "date.dat"), 0, 4096, bytes).ok()) return std::string(DefaultDefinitionsDate);
    // Written in the ANSI code page: a Korean or Greek AM/PM marker is not UTF-8 as stored.
    const auto found = text::lines(locale.fromAnsi(bytes));
    if (found.empty() || text::trim(found.front()).empty()) return std::string(DefaultDefinitionsDate);
    return text::trim(found.front());
}

}  // namespace sorvane::app
