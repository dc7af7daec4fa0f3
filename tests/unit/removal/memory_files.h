#pragma once
#include <map>
#include <set>
#include <string>

#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/text.h"

namespace sorvane::removal::testing {

// A small in-memory file system with the faults the quarantine must survive: files that
// cannot be deleted (held open by another program), folders that refuse new files, and
// copies that come out damaged.
class MemoryFiles : public platform::FileSystem {
public:
    struct Node {
        std::string path;  // as created (letter case kept)
        bool folder = false;
        std::string bytes;
        std::uint32_t attributes = 0;
    };

    std::set<std::string> undeletable;     // lower-cased paths
    std::set<std::string> readOnlyFolders; // lower-cased folder paths: nothing can be created inside
    bool damageCopies = false;
    int copies = 0;

    void addFolder(const std::string& path) { nodes_[key(path)] = Node{path, true, {}, platform::attribute::Directory}; }
    void addFile(const std::string& path, std::string bytes, std::uint32_t attributes = platform::attribute::Archive) {
        nodes_[key(path)] = Node{path, false, std::move(bytes), attributes};
    }
    bool exists(std::string_view path) const { return nodes_.count(key(path)) != 0; }
    const std::string& bytesOf(std::string_view path) const { return nodes_.at(key(path)).bytes; }
    std::size_t countUnder(std::string_view folder) const {
        std::size_t n = 0;
        const std::string prefix = key(folder) + "\\";
        for (const auto& [k, node] : nodes_) n += k.rfind(prefix, 0) == 0 ? 1 : 0;
        return n;
    }

    std::optional<platform::DirectoryEntry> lookup(std::string_view path) override {
        const auto it = nodes_.find(key(path));
        if (it == nodes_.end()) return std::nullopt;
        return platform::DirectoryEntry{nameOf(it->second.path), it->second.attributes, it->second.bytes.size()};
    }
    platform::Status listFolder(std::string_view folder, std::vector<platform::DirectoryEntry>& entries) override {
        entries.clear();
        if (!exists(folder)) return platform::Status::failure(platform::error::PathNotFound);
        for (const auto& [k, node] : nodes_)
            if (parentKey(k) == key(folder))
                entries.push_back({nameOf(node.path), node.attributes, node.bytes.size()});
        return platform::Status::success();
    }
    platform::Status readFile(std::string_view path, std::string& bytes) override {
        return readRange(path, 0, std::string::npos, bytes);
    }
    platform::Status readRange(std::string_view path, std::uint64_t offset, std::size_t count,
                               std::string& bytes) override {
        const auto it = nodes_.find(key(path));
        if (it == nodes_.end() || it->second.folder) return platform::Status::failure(platform::error::FileNotFound);
        bytes = offset >= it->second.bytes.size() ? std::string() : it->second.bytes.substr(offset, count);
        return platform::Status::success();
    }
    platform::Status writeFile(std::string_view path, std::string_view bytes) override {
        if (!canCreate(path)) return platform::Status::failure(platform::error::AccessDenied);
        addFile(std::string(path), std::string(bytes));
        return platform::Status::success();
    }
    platform::Status appendFile(std::string_view path, std::string_view bytes) override {
        const auto it = nodes_.find(key(path));
        if (it != nodes_.end()) {
            it->second.bytes.append(bytes);
            return platform::Status::success();
        }
        return writeFile(path, bytes);
    }
    platform::Status copyFile(std::string_view from, std::string_view to, bool failIfExists) override {
        const auto source = nodes_.find(key(from));
        if (source == nodes_.end() || source->second.folder) return platform::Status::failure(platform::error::FileNotFound);
        if (failIfExists && exists(to)) return platform::Status::failure(platform::error::FileExists);
        if (!canCreate(to)) return platform::Status::failure(platform::error::AccessDenied);
        std::string bytes = source->second.bytes;
        if (damageCopies && !bytes.empty()) bytes.back() = static_cast<char>(bytes.back() ^ 0x5A);
        addFile(std::string(to), std::move(bytes), source->second.attributes);
        ++copies;
        return platform::Status::success();
    }
    platform::Status moveFile(std::string_view, std::string_view) override {
        return platform::Status::failure(platform::error::NotSupported);
    }
    platform::Status deleteFile(std::string_view path) override {
        const auto it = nodes_.find(key(path));
        if (it == nodes_.end() || it->second.folder) return platform::Status::failure(platform::error::FileNotFound);
        if (undeletable.count(key(path))) return platform::Status::failure(platform::error::SharingViolation);
        if (it->second.attributes & platform::attribute::ReadOnly)
            return platform::Status::failure(platform::error::AccessDenied);
        nodes_.erase(it);
        return platform::Status::success();
    }
    platform::Status createFolder(std::string_view path) override {
        if (exists(path)) return platform::Status::failure(platform::error::AlreadyExists);
        if (!canCreate(path)) return platform::Status::failure(platform::error::AccessDenied);
        addFolder(std::string(path));
        return platform::Status::success();
    }
    platform::Status removeFolder(std::string_view path) override {
        if (!exists(path)) return platform::Status::failure(platform::error::FileNotFound);
        if (countUnder(path) > 0) return platform::Status::failure(platform::error::DirNotEmpty);
        nodes_.erase(key(path));
        return platform::Status::success();
    }
    platform::Status setAttributes(std::string_view path, std::uint32_t attributes) override {
        const auto it = nodes_.find(key(path));
        if (it == nodes_.end()) return platform::Status::failure(platform::error::FileNotFound);
        it->second.attributes = (attributes & ~platform::attribute::Directory) |
                                (it->second.folder ? platform::attribute::Directory : 0);
        return platform::Status::success();
    }
    std::vector<std::string> drives() override { return {"C:\\"}; }
    platform::DriveType driveType(std::string_view) override { return platform::DriveType::Fixed; }
    bool driveReady(std::string_view) override { return true; }
    std::string currentFolder() override { return "C:\\"; }

private:
    static std::string key(std::string_view path) { return text::toLower(path); }
    static std::string nameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }
    static std::string parentKey(const std::string& k) {
        const auto slash = k.rfind('\\');
        return slash == std::string::npos ? std::string() : k.substr(0, slash);
    }
    bool canCreate(std::string_view path) const {
        const std::string parent = parentKey(key(path));
        return exists(parent) && readOnlyFolders.count(parent) == 0;
    }

    std::map<std::string, Node> nodes_;
};

// A clock stopped at one moment, writing dates the US way.
class FixedLocale : public platform::Locale {
public:
    platform::DateTime moment{2006, 3, 16, 21, 5, 7};
    platform::DateTime now() override { return moment; }
    std::uint64_t tickMs() override { return 0; }
    std::string formatDateTime(const platform::DateTime& v) override { return formatDate(v) + " " + formatTime(v); }
    std::string formatDate(const platform::DateTime& v) override {
        return std::to_string(v.month) + "/" + std::to_string(v.day) + "/" + std::to_string(v.year);
    }
    std::string formatTime(const platform::DateTime& v) override {
        const int hour = v.hour % 12 == 0 ? 12 : v.hour % 12;
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d %s", hour, v.minute, v.second, v.hour < 12 ? "AM" : "PM");
        return buffer;
    }
    std::optional<platform::DateTime> parseDateTime(std::string_view) override { return std::nullopt; }
    std::string formatWholeNumber(std::int64_t value) override { return std::to_string(value); }
    // Marks the conversion so that a test sees the log went through it.
    std::string toAnsi(std::string_view utf8) override { return text::replaceAll(utf8, "\xC3\xA9", "\xE9"); }
    std::string fromAnsi(std::string_view ansi) override { return std::string(ansi); }
};

}  // namespace sorvane::removal::testing
