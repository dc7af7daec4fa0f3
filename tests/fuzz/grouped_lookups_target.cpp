#include "tests/fuzz/grouped_lookups_target.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "definitions/encoding.h"
#include "definitions/records.h"
#include "platform/text.h"
#include "scan/file_tests.h"
#include "scan/grouped_lookups.h"
#include "scan/registry_tools.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/fake_shell.h"

namespace sorvane::fuzz {
namespace {

// Nothing can live inside a file, and a folder is not replaced by a file.
bool insideFoldersOnly(fakes::FakeFileSystem& files, const std::string& path) {
    if (files.exists(path)) return false;
    for (auto at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1))
        if (files.exists(path.substr(0, at)) && !files.isFolder(path.substr(0, at))) return false;
    return true;
}

}  // namespace

// The paths and keys of arbitrary definition lines, some of them made to exist: the
// grouped answers must be the answers of each line's own test.
void FuzzGroupedLookups(const std::uint8_t* data, std::size_t size) {
    static fakes::FakeShell shell{fakes::FakeShell::Layout::WindowsXp};
    static const definitions::PathMacros macros(shell);
    const auto decoded = definitions::DecodeLine(std::string(reinterpret_cast<const char*>(data), size));

    fakes::FakeFileSystem files;
    fakes::FakeRegistry registry;
    files.addFile("C:\\WINDOWS\\system32\\a.dll");
    files.addFile("C:\\WINDOWS\\system32\\h.dll", "", platform::attribute::Hidden);
    registry.addKey(platform::RootKey::CurrentUser, "Software\\Vendor");
    std::vector<std::string> filePaths;
    std::vector<std::string> folderPaths;
    std::vector<scan::KeyListings::KeyQuery> keys;
    std::vector<scan::KeyListings::ValueQuery> values;
    int n = 0;
    for (const auto& line : text::lines(decoded)) {
        const bool plant = ++n % 3 == 0;
        if (auto file = definitions::ParseFileLine(line, macros)) {
            filePaths.push_back(file->path);
            if (plant && file->path.size() < 200 && insideFoldersOnly(files, file->path)) files.addFile(file->path);
        }
        if (auto folder = definitions::ParseFolderLine(line, macros)) folderPaths.push_back(folder->path);
        if (auto reg = definitions::ParseRegistryLine(line, macros)) {
            if (plant) registry.putString(reg->hive.root, reg->key, reg->value, "x");
            if (reg->value.empty()) keys.push_back({reg->hive.root, text::trim(reg->key)});
            else values.push_back({reg->hive.root, reg->key, reg->value});
        }
    }
    scan::FolderListings folders(files);
    folders.plan(filePaths, folderPaths);
    for (const auto& path : filePaths)
        if (folders.fileExists(path) != scan::FileExists(files, path)) std::abort();
    for (const auto& path : folderPaths)
        if (folders.folderExists(path) != scan::FolderExists(files, path)) std::abort();
    scan::KeyListings listings(registry);
    listings.plan(keys, values);
    for (const auto& q : keys)
        if (listings.keyExists(q.hive, q.key) != scan::RegistryKeyExists(registry, q.hive, q.key)) std::abort();
    for (const auto& q : values)
        if (listings.valueExists(q.hive, q.key, q.value) != scan::RegistryValueExists(registry, q.hive, q.key, q.value))
            std::abort();
}

}  // namespace sorvane::fuzz
