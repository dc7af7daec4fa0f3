#include "platform/win32/version_resources.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "platform/limits.h"
#include "platform/long_paths.h"
#include "platform/win32/library_search.h"
#include "platform/win32/wide.h"

namespace sorvane::platform::win32 {
namespace {

// The version data as GetFileVersionInfoW left it; every pointer VerQueryValueW hands
// out is checked to lie inside it before it is read.
class VersionBlock {
public:
    explicit VersionBlock(std::vector<unsigned char> data) : data_(std::move(data)) {}

    // A binary value (its length counted in bytes) when it lies wholly inside the block.
    const void* query(const std::wstring& subBlock, std::size_t& bytes) const {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data_.data(), subBlock.c_str(), &value, &length) || value == nullptr) return nullptr;
        if (!contains(value, length)) return nullptr;
        bytes = length;
        return value;
    }

    // A string value; VerQueryValueW counts string lengths in characters.
    std::string text(const std::wstring& subBlock) const {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data_.data(), subBlock.c_str(), &value, &length) || value == nullptr) return {};
        if (!contains(value, std::size_t{length} * sizeof(wchar_t))) return {};
        const auto* chars = static_cast<const wchar_t*>(value);
        return narrow(std::wstring_view(chars, wcsnlen(chars, length)));
    }

    bool contains(const void* p, std::size_t bytes) const {
        const auto* begin = data_.data();
        const auto* end = begin + data_.size();
        const auto* at = static_cast<const unsigned char*>(p);
        return at >= begin && at <= end && bytes <= static_cast<std::size_t>(end - at);
    }

private:
    std::vector<unsigned char> data_;
};

std::optional<VersionBlock> loadBlock(const std::wstring& path) {
    if (!LoadDelayLoadedLibrary(L"version.dll").ok()) return std::nullopt;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0 || size > limits::MaxVersionResource) return std::nullopt;
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return std::nullopt;
    return VersionBlock(std::move(data));
}

// The string table of the first listed translation; US English in Unicode, then in
// the Western code page, when the resource lists none.
std::vector<std::wstring> stringTables(const VersionBlock& block) {
    std::vector<std::wstring> tables;
    std::size_t bytes = 0;
    if (const auto* pair = static_cast<const WORD*>(block.query(L"\\VarFileInfo\\Translation", bytes));
        pair != nullptr && bytes >= 2 * sizeof(WORD)) {
        wchar_t name[64];
        std::swprintf(name, 64, L"\\StringFileInfo\\%04x%04x\\", pair[0], pair[1]);
        tables.emplace_back(name);
    }
    tables.emplace_back(L"\\StringFileInfo\\040904b0\\");
    tables.emplace_back(L"\\StringFileInfo\\040904e4\\");
    return tables;
}

}  // namespace

std::optional<VersionInfo> Win32VersionResources::ofFile(std::string_view path) {
    // A drive sweep asks for the company of files at any depth.
    const auto block = loadBlock(widen(ExtendedLengthPath(path)));
    if (!block) return std::nullopt;

    VersionInfo info;
    std::size_t bytes = 0;
    if (const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block->query(L"\\", bytes));
        fixed != nullptr && bytes >= sizeof(VS_FIXEDFILEINFO) &&
        fixed->dwSignature == 0xFEEF04BD) {
        info.major = HIWORD(fixed->dwFileVersionMS);
        info.minor = LOWORD(fixed->dwFileVersionMS);
        info.build = HIWORD(fixed->dwFileVersionLS);
        info.revision = LOWORD(fixed->dwFileVersionLS);
    }

    for (const auto& table : stringTables(*block)) {
        // A table is taken when it holds any of the values; the first found wins.
        info.productName = block->text(table + L"ProductName");
        info.companyName = block->text(table + L"CompanyName");
        info.fileDescription = block->text(table + L"FileDescription");
        info.comments = block->text(table + L"Comments");
        info.fileVersion = block->text(table + L"FileVersion");
        info.productVersion = block->text(table + L"ProductVersion");
        info.legalCopyright = block->text(table + L"LegalCopyright");
        if (!info.productName.empty() || !info.companyName.empty() || !info.fileVersion.empty() ||
            !info.productVersion.empty() || !info.fileDescription.empty())
            break;
    }
    return info;
}

std::optional<VersionInfo> Win32VersionResources::ownExecutable() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::nullopt;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= limits::MaxPathLength) return std::nullopt;
        path.resize(path.size() * 2);
    }
    return ofFile(narrow(path));
}

}  // namespace sorvane::platform::win32
