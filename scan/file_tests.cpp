#include "scan/file_tests.h"

#include "platform/text.h"

namespace sorvane::scan {

namespace attr = platform::attribute;

bool FileExists(platform::FileSystem& files, std::string_view path) {
    // A pattern would match some other file; the test is for one exact name.
    if (path.empty() || path.find_first_of("*?") != std::string_view::npos) return false;
    auto entry = files.lookup(path);
    if (!entry) return false;
    if (entry->attributes & (attr::Hidden | attr::System | attr::Directory)) return false;
    return text::equalsNoCase(entry->name, LastPathComponent(path));
}

bool FolderExists(platform::FileSystem& files, std::string_view path) {
    if (path.empty() || path.find_first_of("*?") != std::string_view::npos) return false;
    std::string folder(path);
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    // A drive root has no directory entry of its own.
    if (folder.size() <= 3 && folder.size() >= 2 && folder[1] == ':') {
        std::string root = folder.substr(0, 2) + "\\";
        for (const auto& drive : files.drives())
            if (text::equalsNoCase(drive, root)) return files.driveReady(root);
        return false;
    }
    auto entry = files.lookup(folder);
    return entry && entry->isFolder();
}

}  // namespace sorvane::scan
