#include "platform/win32/win32_file_system.h"

#include <algorithm>

#include <windows.h>
#include <sddl.h>

#include "platform/limits.h"
#include "platform/long_paths.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace sorvane::platform::win32 {
namespace {

Status lastError() { return Status::failure(GetLastError()); }

// Every path handed to a file call: a long one in the spelling that takes it past MAX_PATH
// whatever the system's long-path policy. Callers and users only ever see the plain path.
std::wstring systemPath(std::string_view path) { return widen(ExtendedLengthPath(path)); }

Status fromBool(BOOL ok) { return ok ? Status::success() : lastError(); }

// Keeps "insert a disk" and "drive not ready" boxes away while a call runs.
class QuietErrors {
public:
    QuietErrors() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
    ~QuietErrors() { SetErrorMode(previous_); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

private:
    UINT previous_;
};

// What the find data says of an entry whose name, as UTF-8, is `name`.
ListedEntry listedOf(const WIN32_FIND_DATAW& data, std::string_view name) {
    return ListedEntry{name, data.dwFileAttributes,
                       (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                       (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime};
}

// Opened for reading while others may still read, write or delete the file.
FileHandle openForReading(std::string_view path) {
    return FileHandle(CreateFileW(systemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

Status readPart(std::string_view path, std::uint64_t offset, std::size_t count, bool refuseLonger,
                std::string& bytes) {
    bytes.clear();
    QuietErrors quiet;
    FileHandle file = openForReading(path);
    if (!file) return lastError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return lastError();
    const auto total = static_cast<std::uint64_t>(size.QuadPart);
    if (offset >= total) return Status::success();
    const std::uint64_t available = total - offset;
    if (refuseLonger && available > count) return Status::failure(error::NotEnoughMemory);
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(available, count));
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN)) return lastError();
    bytes.resize(wanted);
    std::size_t done = 0;
    while (done < wanted) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(wanted - done, 1u << 20));
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, piece, &got, nullptr)) {
            bytes.clear();
            return lastError();
        }
        if (got == 0) break;  // the file shrank meanwhile
        done += got;
    }
    bytes.resize(done);
    return Status::success();
}

Status writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), piece, &written, nullptr)) return lastError();
        if (written == 0) return Status::failure(error::GenericFailure);
        bytes.remove_prefix(written);
    }
    return Status::success();
}

// Opens for writing, creating the file when missing. OPEN_ALWAYS (not CREATE_ALWAYS)
// so that an existing hidden or system file can be rewritten too.
Status writeOrAppend(std::string_view path, std::string_view bytes, bool append, bool flush = false) {
    QuietErrors quiet;
    FileHandle file(CreateFileW(systemPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return lastError();
    if (append) {
        LARGE_INTEGER zero{};
        if (!SetFilePointerEx(file.get(), zero, nullptr, FILE_END)) return lastError();
    } else if (!SetEndOfFile(file.get())) {
        return lastError();
    }
    if (auto written = writeAll(file.get(), bytes); !written.ok() || !flush) return written;
    return fromBool(FlushFileBuffers(file.get()));
}

}  // namespace

std::optional<DirectoryEntry> Win32FileSystem::lookup(std::string_view path) {
    if (path.empty() || path.find_first_of("*?") != std::string_view::npos) return std::nullopt;
    QuietErrors quiet;
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW(systemPath(path).c_str(), &data));
    if (!find) return std::nullopt;
    const std::string name = narrow(data.cFileName);
    return listedOf(data, name).kept();
}

Status Win32FileSystem::listFolder(std::string_view folder, std::vector<DirectoryEntry>& entries) {
    entries.clear();
    return visitFolder(folder, [&](const ListedEntry& entry) {
        entries.push_back(entry.kept());
        return true;
    });
}

Status Win32FileSystem::visitFolder(std::string_view folder, const EntryVisitor& visit) {
    QuietErrors quiet;
    const std::string pattern = JoinPath(folder, "*");
    WIN32_FIND_DATAW data{};
    // No short names (nothing here reads them) and larger reads from the file system: a drive's
    // sweep lists every folder of it.
    FindHandle find(FindFirstFileExW(systemPath(pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        const DWORD code = GetLastError();
        // An empty folder can report "no files" for the pattern.
        return code == ERROR_FILE_NOT_FOUND ? Status::success() : Status::failure(code);
    }
    std::string name;  // one buffer for every name of the folder
    do {
        const std::wstring_view wideName = data.cFileName;
        if (wideName == L"." || wideName == L"..") continue;
        narrowInto(wideName, name);
        if (!visit(listedOf(data, name))) return Status::success();
    } while (FindNextFileW(find.get(), &data));
    const DWORD code = GetLastError();
    return code == ERROR_NO_MORE_FILES ? Status::success() : Status::failure(code);
}

Status Win32FileSystem::readFile(std::string_view path, std::string& bytes) {
    // Whole files are bounded: nothing the program reads whole is larger than a definition file.
    return readPart(path, 0, limits::MaxDefinitionFile, true, bytes);
}

Status Win32FileSystem::readRange(std::string_view path, std::uint64_t offset, std::size_t count, std::string& bytes) {
    return readPart(path, offset, count, false, bytes);
}

Status Win32FileSystem::writeFile(std::string_view path, std::string_view bytes) {
    return writeOrAppend(path, bytes, false);
}

Status Win32FileSystem::appendFile(std::string_view path, std::string_view bytes) {
    return writeOrAppend(path, bytes, true);
}

Status Win32FileSystem::writeFileFlushed(std::string_view path, std::string_view bytes) {
    return writeOrAppend(path, bytes, false, true);
}

Status Win32FileSystem::replaceFile(std::string_view from, std::string_view to) {
    QuietErrors quiet;
    return fromBool(
        MoveFileExW(systemPath(from).c_str(), systemPath(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

Status Win32FileSystem::copyFile(std::string_view from, std::string_view to, bool failIfExists) {
    QuietErrors quiet;
    return fromBool(CopyFileW(systemPath(from).c_str(), systemPath(to).c_str(), failIfExists ? TRUE : FALSE));
}

Status Win32FileSystem::moveFile(std::string_view from, std::string_view to) {
    QuietErrors quiet;
    return fromBool(MoveFileExW(systemPath(from).c_str(), systemPath(to).c_str(), MOVEFILE_COPY_ALLOWED));
}

Status Win32FileSystem::deleteFile(std::string_view path) {
    QuietErrors quiet;
    return fromBool(DeleteFileW(systemPath(path).c_str()));
}

Status Win32FileSystem::createFolder(std::string_view path) {
    QuietErrors quiet;
    return fromBool(CreateDirectoryW(systemPath(path).c_str(), nullptr));
}

Status Win32FileSystem::createPrivateFolder(std::string_view path) {
    QuietErrors quiet;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(PrivateFolderSddl, SDDL_REVISION_1, &descriptor, nullptr))
        return lastError();
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    const BOOL created = CreateDirectoryW(systemPath(path).c_str(), &attributes);
    const DWORD code = GetLastError();
    LocalFree(descriptor);
    return created ? Status::success() : Status::failure(code);
}

Status Win32FileSystem::removeFolder(std::string_view path) {
    QuietErrors quiet;
    return fromBool(RemoveDirectoryW(systemPath(path).c_str()));
}

Status Win32FileSystem::setAttributes(std::string_view path, std::uint32_t attributes) {
    QuietErrors quiet;
    const DWORD settable = attributes & ~static_cast<DWORD>(attribute::Directory);
    return fromBool(SetFileAttributesW(systemPath(path).c_str(), settable == 0 ? FILE_ATTRIBUTE_NORMAL : settable));
}

std::vector<std::string> Win32FileSystem::drives() {
    std::vector<std::string> roots;
    std::wstring buffer(64, L'\0');
    DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length > buffer.size()) {
        buffer.assign(length + 1, L'\0');
        length = GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    if (length == 0 || length > buffer.size()) return roots;
    for (std::size_t pos = 0; pos < length;) {
        const std::size_t end = buffer.find(L'\0', pos);
        if (end == std::wstring::npos || end == pos) break;
        roots.push_back(narrow(std::wstring_view(buffer).substr(pos, end - pos)));
        pos = end + 1;
    }
    return roots;
}

DriveType Win32FileSystem::driveType(std::string_view root) {
    switch (GetDriveTypeW(systemPath(root).c_str())) {
        case DRIVE_NO_ROOT_DIR: return DriveType::NoRootDir;
        case DRIVE_REMOVABLE: return DriveType::Removable;
        case DRIVE_FIXED: return DriveType::Fixed;
        case DRIVE_REMOTE: return DriveType::Remote;
        case DRIVE_CDROM: return DriveType::CdRom;
        case DRIVE_RAMDISK: return DriveType::RamDisk;
        default: return DriveType::Unknown;
    }
}

bool Win32FileSystem::driveReady(std::string_view root) {
    QuietErrors quiet;
    DWORD serial = 0;
    DWORD maxComponent = 0;
    DWORD flags = 0;
    return GetVolumeInformationW(systemPath(root).c_str(), nullptr, 0, &serial, &maxComponent, &flags, nullptr, 0) != FALSE;
}

std::string Win32FileSystem::currentFolder() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return {};
    std::wstring buffer(needed, L'\0');
    const DWORD length = GetCurrentDirectoryW(needed, buffer.data());
    if (length == 0 || length >= needed) return {};
    buffer.resize(length);
    return narrow(buffer);
}

std::optional<FileIdentity> Win32FileSystem::identity(std::string_view path) {
    QuietErrors quiet;
    // No access rights are needed to read the identity; the back-up flag opens folders too.
    FileHandle file(CreateFileW(systemPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file.get(), &information)) return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

}  // namespace sorvane::platform::win32
