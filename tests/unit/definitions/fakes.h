#pragma once
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/shell.h"
#include "platform/text.h"

// Small in-memory stand-ins for the services the definitions code uses.
namespace sorvane::definitions::testing {

class FakeShell : public platform::Shell {
public:
    std::map<int, std::string> folders;
    int lookups = 0;
    std::vector<std::string> started;

    std::string specialFolder(int csidl) override {
        ++lookups;
        const auto it = folders.find(csidl);
        return it == folders.end() ? std::string() : it->second;
    }
    platform::Status open(std::string_view) override { return platform::Status::success(); }
    platform::Status start(std::string_view commandLine, platform::ShowWindow) override {
        started.emplace_back(commandLine);
        return platform::Status::success();
    }
};

// Files by path (compared ignoring case); only what the readers and writers use works.
class FakeFiles : public platform::FileSystem {
public:
    std::map<std::string, std::string> files;  // key: lower-cased path
    std::set<std::string> unreadable;           // lower-cased paths whose reads fail
    std::size_t failAfterBytes = SIZE_MAX;      // reads starting at or past this offset fail
    bool failWrites = false;
    std::size_t rangeReads = 0;

    void put(std::string_view path, std::string bytes) { files[key(path)] = std::move(bytes); }
    std::string get(std::string_view path) const {
        const auto it = files.find(key(path));
        return it == files.end() ? std::string() : it->second;
    }
    bool has(std::string_view path) const { return files.count(key(path)) > 0; }

    std::optional<platform::DirectoryEntry> lookup(std::string_view path) override {
        const auto it = files.find(key(path));
        if (it == files.end()) return std::nullopt;
        const auto slash = std::string_view(path).find_last_of('\\');
        return platform::DirectoryEntry{std::string(path.substr(slash == std::string_view::npos ? 0 : slash + 1)),
                                        platform::attribute::Archive, it->second.size()};
    }
    platform::Status listFolder(std::string_view, std::vector<platform::DirectoryEntry>&) override { return fail(); }
    platform::Status readFile(std::string_view path, std::string& bytes) override {
        return readRange(path, 0, SIZE_MAX, bytes);
    }
    platform::Status readRange(std::string_view path, std::uint64_t offset, std::size_t count,
                               std::string& bytes) override {
        ++rangeReads;
        const auto it = files.find(key(path));
        if (it == files.end()) return platform::Status::failure(platform::error::FileNotFound);
        if (unreadable.count(key(path)) || offset >= failAfterBytes) return fail();
        bytes = offset >= it->second.size() ? std::string() : it->second.substr(offset, count);
        return platform::Status::success();
    }
    platform::Status writeFile(std::string_view path, std::string_view bytes) override {
        if (failWrites) return fail();
        put(path, std::string(bytes));
        return platform::Status::success();
    }
    platform::Status appendFile(std::string_view path, std::string_view bytes) override {
        if (failWrites) return fail();
        files[key(path)].append(bytes);
        return platform::Status::success();
    }
    platform::Status copyFile(std::string_view, std::string_view, bool) override { return fail(); }
    platform::Status moveFile(std::string_view, std::string_view) override { return fail(); }
    platform::Status deleteFile(std::string_view path) override {
        return files.erase(key(path)) ? platform::Status::success() : fail();
    }
    platform::Status createFolder(std::string_view) override { return fail(); }
    platform::Status removeFolder(std::string_view) override { return fail(); }
    platform::Status setAttributes(std::string_view, std::uint32_t) override { return fail(); }
    std::vector<std::string> drives() override { return {"C:\\"}; }
    platform::DriveType driveType(std::string_view) override { return platform::DriveType::Fixed; }
    bool driveReady(std::string_view) override { return true; }
    std::string currentFolder() override { return "C:\\"; }

private:
    static std::string key(std::string_view path) { return text::toLower(path); }
    static platform::Status fail() { return platform::Status::failure(platform::error::AccessDenied); }
};

// Code page 1252 treated as Latin-1, which is all the tests need.
class FakeLocale : public platform::Locale {
public:
    platform::DateTime now() override { return {}; }
    std::uint64_t tickMs() override { return 0; }
    std::string formatDateTime(const platform::DateTime&) override { return {}; }
    std::string formatDate(const platform::DateTime&) override { return {}; }
    std::string formatTime(const platform::DateTime&) override { return {}; }
    std::optional<platform::DateTime> parseDateTime(std::string_view) override { return std::nullopt; }
    std::string formatWholeNumber(std::int64_t value) override { return std::to_string(value); }
    std::string toAnsi(std::string_view utf8) override {
        std::string out;
        for (std::size_t i = 0; i < utf8.size(); ++i) {
            const auto c = static_cast<unsigned char>(utf8[i]);
            if (c >= 0xC0 && i + 1 < utf8.size()) {
                out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
            } else {
                out += static_cast<char>(c);
            }
        }
        return out;
    }
    std::string fromAnsi(std::string_view ansi) override {
        std::string out;
        for (const char ch : ansi) {
            const auto c = static_cast<unsigned char>(ch);
            if (c < 0x80) {
                out += ch;
            } else {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
        return out;
    }
};

// The special folders of a typical Windows XP machine, every one distinct.
inline FakeShell xpShell() {
    FakeShell shell;
    const std::string user = "C:\\Documents and Settings\\Ann";
    const std::string all = "C:\\Documents and Settings\\All Users";
    namespace c = platform::csidl;
    shell.folders = {
        {c::Programs, user + "\\Start Menu\\Programs"},
        {c::Personal, user + "\\My Documents"},
        {c::Favorites, user + "\\Favorites"},
        {c::Startup, user + "\\Start Menu\\Programs\\Startup"},
        {c::Recent, user + "\\Recent"},
        {c::SendTo, user + "\\SendTo"},
        {c::StartMenu, user + "\\Start Menu"},
        {c::DesktopDirectory, user + "\\Desktop"},
        {c::Fonts, "C:\\WINDOWS\\Fonts"},
        {c::Templates, user + "\\Templates"},
        {c::CommonStartMenu, all + "\\Start Menu"},
        {c::CommonPrograms, all + "\\Start Menu\\Programs"},
        {c::CommonDesktopDirectory, all + "\\Desktop"},
        {c::AppData, user + "\\Application Data"},
        {c::CommonFavorites, all + "\\Favorites"},
        {c::InternetCache, user + "\\Local Settings\\Temporary Internet Files"},
        {c::Cookies, user + "\\Cookies"},
        {c::History, user + "\\Local Settings\\History"},
        {c::CommonAppData, all + "\\Application Data"},
        {c::Windows, "C:\\WINDOWS"},
        {c::System, "C:\\WINDOWS\\system32"},
        {c::ProgramFiles, "C:\\Program Files"},
        {c::ProgramFilesCommon, "C:\\Program Files\\Common Files"},
        {c::CommonTemplates, all + "\\Templates"},
        {c::CommonDocuments, all + "\\Documents"},
    };
    return shell;
}

}  // namespace sorvane::definitions::testing
