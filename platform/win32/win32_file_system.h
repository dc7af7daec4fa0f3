#pragma once
#include "platform/file_system.h"

namespace sorvane::platform::win32 {

// The file system through the wide Win32 file calls; no call ever raises a system dialog.
// The access list of a private folder: full control for SYSTEM and the Administrators group,
// passed on to everything inside; "P" keeps out whatever the parent folder would grant
// (Users' read, Creator Owner).
inline constexpr const wchar_t* PrivateFolderSddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

class Win32FileSystem final : public FileSystem {
public:
    std::optional<DirectoryEntry> lookup(std::string_view path) override;
    Status listFolder(std::string_view folder, std::vector<DirectoryEntry>& entries) override;
    Status visitFolder(std::string_view folder, const EntryVisitor& visit) override;
    Status readFile(std::string_view path, std::string& bytes) override;
    Status readRange(std::string_view path, std::uint64_t offset, std::size_t count, std::string& bytes) override;
    Status writeFile(std::string_view path, std::string_view bytes) override;
    Status appendFile(std::string_view path, std::string_view bytes) override;
    Status writeFileFlushed(std::string_view path, std::string_view bytes) override;
    Status replaceFile(std::string_view from, std::string_view to) override;
    Status copyFile(std::string_view from, std::string_view to, bool failIfExists) override;
    Status moveFile(std::string_view from, std::string_view to) override;
    Status deleteFile(std::string_view path) override;
    Status createFolder(std::string_view path) override;
    Status createPrivateFolder(std::string_view path) override;
    Status removeFolder(std::string_view path) override;
    Status setAttributes(std::string_view path, std::uint32_t attributes) override;
    std::vector<std::string> drives() override;
    DriveType driveType(std::string_view root) override;
    bool driveReady(std::string_view root) override;
    std::string currentFolder() override;
    std::optional<FileIdentity> identity(std::string_view path) override;
};

}  // namespace sorvane::platform::win32
