#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace sorvane::fakes {

// An in-memory file system with the Win32 rules the program depends on: paths ignore
// case and keep the stored spelling, read-only files refuse deletion, open files refuse
// deletion with a sharing violation, copies keep attributes, drives can be absent or not ready.
class FakeFileSystem : public platform::FileSystem {
public:
    FakeFileSystem();

    std::optional<platform::DirectoryEntry> lookup(std::string_view path) override;
    platform::Status listFolder(std::string_view folder, std::vector<platform::DirectoryEntry>& entries) override;
    platform::Status visitFolder(std::string_view folder, const platform::EntryVisitor& visit) override;
    platform::Status readFile(std::string_view path, std::string& bytes) override;
    platform::Status readRange(std::string_view path, std::uint64_t offset, std::size_t count,
                               std::string& bytes) override;
    platform::Status writeFile(std::string_view path, std::string_view bytes) override;
    platform::Status appendFile(std::string_view path, std::string_view bytes) override;
    platform::Status writeFileFlushed(std::string_view path, std::string_view bytes) override;
    platform::Status replaceFile(std::string_view from, std::string_view to) override;
    platform::Status copyFile(std::string_view from, std::string_view to, bool failIfExists) override;
    platform::Status moveFile(std::string_view from, std::string_view to) override;
    platform::Status deleteFile(std::string_view path) override;
    platform::Status createFolder(std::string_view path) override;
    // A folder made like createFolder, remembered as made private (see privateFolders).
    platform::Status createPrivateFolder(std::string_view path) override;
    platform::Status removeFolder(std::string_view path) override;
    platform::Status setAttributes(std::string_view path, std::uint32_t attributes) override;
    std::vector<std::string> drives() override;
    platform::DriveType driveType(std::string_view root) override;
    bool driveReady(std::string_view root) override;
    std::string currentFolder() override;
    std::optional<platform::FileIdentity> identity(std::string_view path) override;

    // Arranging a test; missing parent folders are made. Drive C: exists, fixed and ready.
    void addFile(std::string_view path, std::string_view content = {},
                 std::uint32_t attributes = platform::attribute::Archive);
    void addFolder(std::string_view path, std::uint32_t attributes = platform::attribute::Directory);
    void addDrive(std::string_view root, platform::DriveType type, bool ready = true);
    void setDriveReady(std::string_view root, bool ready);
    // An open handle on the file: deleting, moving or writing it fails with a sharing
    // violation; `exclusive` also refuses reading and copying it.
    void setInUse(std::string_view path, bool inUse = true, bool exclusive = false);
    // A failing disk under the file: reads of it that start at or past `offset` fail with a
    // device error.
    void failReadsFrom(std::string_view path, std::uint64_t offset = 0);
    // A folder the user may not change: creating, copying or moving anything into it fails.
    void protectFolder(std::string_view path);
    void setCurrentFolder(std::string_view path) { current_ = std::string(path); }
    // A junction or symbolic link at `path` to `target` (a folder link when `folder`): it
    // lists and reads as its target, but is itself deleted or removed as a link.
    void addLink(std::string_view path, std::string_view target, bool folder = true);
    // Another spelling of a place: a drive letter made by subst ("S:"), a short name
    // ("C:\PROGRA~1"), a network path ("\\\\host\\C$"): paths starting with it reach `real`.
    void addAlias(std::string_view spelling, std::string_view real);
    // A power cut: every file whose bytes were written but never flushed is left empty, as a
    // file system that commits a rename before the data it names may leave it.
    void powerCut();
    // Runs once, just before the next deletion of that file (to change it meanwhile).
    void beforeDeleteOf(std::string_view path, std::function<void()> action);

    // Checking a test.
    bool exists(std::string_view path) const;
    bool isFolder(std::string_view path) const;
    std::optional<std::string> content(std::string_view path) const;
    std::optional<std::uint32_t> attributes(std::string_view path) const;
    // Every byte handed out by reads of the file, counted once per read.
    std::uint64_t bytesRead(std::string_view path) const;
    // The folders made through createPrivateFolder, as the calls named them.
    std::vector<std::string> privateFolders;
    // The exact stored spelling of the path.
    std::optional<std::string> storedPath(std::string_view path) const;
    // Every stored path (files and folders) below a folder, in stored spelling.
    std::vector<std::string> pathsUnder(std::string_view folder) const;

    struct Node {
        std::string path;  // full path as stored
        std::uint32_t attributes = 0;
        std::string content;
        bool inUse = false;
        bool exclusive = false;
        bool protectedFolder = false;
        std::uint64_t failReadsAt = UINT64_MAX;
        std::uint64_t id = 0;         // the file index: kept by moves, new for copies
        std::uint64_t writeTime = 0;  // advances on every write; copies keep it
        std::string linkTarget = {};  // set for junctions and symbolic links
        bool flushed = true;          // false from a plain write until a flushed one
        bool isFolder() const { return (attributes & platform::attribute::Directory) != 0; }
    };
    struct Drive {
        std::string root;
        platform::DriveType type = platform::DriveType::Fixed;
        bool ready = true;
    };

private:
    std::string absolute(std::string_view path) const;
    std::string normalized(std::string_view path) const;
    // The path with a link at its very end replaced by what it points to.
    std::string followed(const std::string& absolutePath) const;
    Node& put(const std::string& absolutePath, Node n);
    static std::string key(std::string_view absolutePath);
    const Node* node(std::string_view path) const;
    Node* node(std::string_view path);
    const Drive* driveOf(std::string_view absolutePath) const;
    // Whether the parent folder of a path exists and accepts new entries.
    platform::Status checkParent(const std::string& absolutePath) const;
    // The failure for a path that is not there: file not found, or why its folder cannot be reached.
    platform::Status missing(const std::string& absolutePath) const;
    void makeParents(const std::string& absolutePath);

    std::map<std::string, Node> nodes_;  // by lower-case absolute path
    std::map<std::string, std::uint64_t> bytesRead_;  // by lower-case absolute path
    std::vector<std::pair<std::string, std::string>> aliases_;  // normalized spelling, real place
    std::map<std::string, std::function<void()>> beforeDelete_;
    std::uint64_t nextId_ = 0;
    std::uint64_t clock_ = 1000;
    std::vector<Drive> drives_;
    std::string current_ = "C:\\Program Files\\Sorvane";
};

}  // namespace sorvane::fakes
