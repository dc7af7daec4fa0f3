#include "tests/fakes/fake_file_system.h"

#include "platform/text.h"

namespace sorvane::fakes {

using platform::DirectoryEntry;
using platform::ListedEntry;
using platform::DriveType;
using platform::Status;
namespace attribute = platform::attribute;
namespace error = platform::error;

namespace {

std::string parentOf(const std::string& path) {
    const auto cut = path.find_last_of('\\');
    if (cut == std::string::npos) return {};
    // The parent of "C:\x" is the root "C:\".
    return cut == 2 && path.size() > 1 && path[1] == ':' ? path.substr(0, 3) : path.substr(0, cut);
}

std::string lastName(std::string_view path) {
    const auto cut = path.find_last_of('\\');
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

bool isRoot(std::string_view path) { return path.size() == 3 && path[1] == ':' && path[2] == '\\'; }

bool hasWildcard(std::string_view path) { return path.find_first_of("*?") != std::string_view::npos; }

}  // namespace

FakeFileSystem::FakeFileSystem() { drives_.push_back({"C:\\", DriveType::Fixed, true}); }

std::string FakeFileSystem::normalized(std::string_view path) const {
    std::string p(path);
    for (auto& c : p) {
        if (c == '/') c = '\\';
    }
    std::string prefix;
    std::string rest;
    if (p.size() >= 2 && p[1] == ':') {
        prefix = p.substr(0, 2);
        rest = p.substr(2);
        if (rest.empty() || rest[0] != '\\') rest = "\\" + rest;  // "C:x" taken as "C:\x"
    } else if (p.rfind("\\\\", 0) == 0) {
        prefix = "\\";
        rest = p.substr(1);
    } else if (!p.empty() && p[0] == '\\') {
        prefix = current_.substr(0, 2);
        rest = p;
    } else {
        return normalized(current_ + "\\" + p);
    }
    std::vector<std::string> parts;
    for (auto& piece : text::split(rest, "\\")) {
        if (piece.empty() || piece == ".") continue;
        if (piece == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(piece);
    }
    std::string out = prefix;
    for (const auto& piece : parts) out += "\\" + piece;
    if (parts.empty()) out += "\\";
    return out;
}

std::string FakeFileSystem::absolute(std::string_view path) const {
    std::string out = normalized(path);
    for (const auto& [spelling, real] : aliases_) {
        if (text::startsWithNoCase(out, spelling) &&
            (out.size() == spelling.size() || out[spelling.size()] == '\\' || spelling.back() == '\\')) {
            std::string rest = out.substr(spelling.size());
            out = normalized(real + (rest.empty() || rest[0] == '\\' ? rest : "\\" + rest));
            break;
        }
    }
    // Links in the middle of a path lead into their targets; one at the end stays itself.
    for (int hops = 0; hops < 32; ++hops) {
        bool moved = false;
        for (std::size_t cut = out.find('\\', 3); cut != std::string::npos; cut = out.find('\\', cut + 1)) {
            auto it = nodes_.find(key(out.substr(0, cut)));
            if (it != nodes_.end() && !it->second.linkTarget.empty()) {
                out = normalized(it->second.linkTarget + out.substr(cut));
                moved = true;
                break;
            }
        }
        if (!moved) break;
    }
    return out;
}

std::string FakeFileSystem::followed(const std::string& absolutePath) const {
    std::string out = absolutePath;
    for (int hops = 0; hops < 32; ++hops) {
        auto it = nodes_.find(key(out));
        if (it == nodes_.end() || it->second.linkTarget.empty()) break;
        out = absolute(it->second.linkTarget);
    }
    return out;
}

FakeFileSystem::Node& FakeFileSystem::put(const std::string& absolutePath, Node n) {
    if (n.id == 0) n.id = ++nextId_;
    if (n.writeTime == 0) n.writeTime = ++clock_;
    return nodes_[key(absolutePath)] = std::move(n);
}

std::string FakeFileSystem::key(std::string_view absolutePath) { return text::toLower(absolutePath); }

const FakeFileSystem::Node* FakeFileSystem::node(std::string_view path) const {
    auto it = nodes_.find(key(absolute(path)));
    return it == nodes_.end() ? nullptr : &it->second;
}

FakeFileSystem::Node* FakeFileSystem::node(std::string_view path) {
    auto it = nodes_.find(key(absolute(path)));
    return it == nodes_.end() ? nullptr : &it->second;
}

const FakeFileSystem::Drive* FakeFileSystem::driveOf(std::string_view absolutePath) const {
    for (const auto& d : drives_) {
        if (text::startsWithNoCase(absolutePath, d.root.substr(0, 2))) return &d;
    }
    return nullptr;
}

Status FakeFileSystem::checkParent(const std::string& absolutePath) const {
    const Drive* drive = driveOf(absolutePath);
    if (drive == nullptr) return Status::failure(error::PathNotFound);
    if (!drive->ready) return Status::failure(error::NotReady);
    const std::string parent = parentOf(absolutePath);
    if (isRoot(parent)) return Status::success();
    auto it = nodes_.find(key(parent));
    if (it == nodes_.end() || !it->second.isFolder()) return Status::failure(error::PathNotFound);
    if (it->second.protectedFolder) return Status::failure(error::AccessDenied);
    return Status::success();
}

Status FakeFileSystem::missing(const std::string& absolutePath) const {
    auto parent = checkParent(absolutePath);
    return parent.is(error::AccessDenied) || parent.ok() ? Status::failure(error::FileNotFound) : parent;
}

void FakeFileSystem::makeParents(const std::string& absolutePath) {
    const std::string parent = parentOf(absolutePath);
    if (parent.empty() || isRoot(parent) || nodes_.count(key(parent)) != 0) return;
    makeParents(parent);
    put(parent, Node{parent, attribute::Directory, {}});
}

std::optional<DirectoryEntry> FakeFileSystem::lookup(std::string_view path) {
    if (hasWildcard(path)) return std::nullopt;
    const std::string abs = absolute(path);
    const Drive* drive = driveOf(abs);
    if (drive == nullptr || !drive->ready) return std::nullopt;
    const Node* n = node(abs);
    if (n == nullptr) return std::nullopt;
    DirectoryEntry entry{lastName(n->path), n->attributes, n->content.size()};
    entry.lastWriteTime = n->writeTime;
    return entry;
}

Status FakeFileSystem::listFolder(std::string_view folder, std::vector<DirectoryEntry>& entries) {
    entries.clear();
    return visitFolder(folder, [&](const ListedEntry& entry) {
        entries.push_back(entry.kept());
        return true;
    });
}

Status FakeFileSystem::visitFolder(std::string_view folder, const platform::EntryVisitor& visit) {
    const std::string abs = followed(absolute(folder));
    const Drive* drive = driveOf(abs);
    if (drive == nullptr) return Status::failure(error::PathNotFound);
    if (!drive->ready) return Status::failure(error::NotReady);
    if (!isRoot(abs)) {
        const Node* n = node(abs);
        if (n == nullptr || !n->isFolder()) return Status::failure(error::PathNotFound);
    }
    const std::string k = key(abs);
    for (const auto& [nodeKey, n] : nodes_) {
        if (parentOf(nodeKey) != k) continue;
        // The name lives only for the call, as a real listing's does.
        std::string name = lastName(n.path);
        if (!visit(ListedEntry{name, n.attributes, n.content.size(), n.writeTime})) break;
    }
    return Status::success();
}

Status FakeFileSystem::readFile(std::string_view path, std::string& bytes) {
    return readRange(path, 0, std::string::npos, bytes);
}

Status FakeFileSystem::readRange(std::string_view path, std::uint64_t offset, std::size_t count, std::string& bytes) {
    bytes.clear();
    const std::string abs = followed(absolute(path));
    const Node* n = node(abs);
    if (n == nullptr) return missing(abs);
    if (n->isFolder()) return Status::failure(error::AccessDenied);
    if (n->exclusive) return Status::failure(error::SharingViolation);
    if (offset >= n->failReadsAt) return Status::failure(error::GenericFailure);
    if (offset < n->content.size()) bytes = n->content.substr(static_cast<std::size_t>(offset), count);
    bytesRead_[key(abs)] += bytes.size();
    return Status::success();
}

std::uint64_t FakeFileSystem::bytesRead(std::string_view path) const {
    auto it = bytesRead_.find(key(followed(absolute(path))));
    return it == bytesRead_.end() ? 0 : it->second;
}

Status FakeFileSystem::writeFile(std::string_view path, std::string_view bytes) {
    const std::string abs = absolute(path);
    if (Node* n = node(abs)) {
        if (n->isFolder() || (n->attributes & attribute::ReadOnly) != 0) return Status::failure(error::AccessDenied);
        if (n->inUse) return Status::failure(error::SharingViolation);
        n->content = std::string(bytes);
        n->flushed = false;
        n->writeTime = ++clock_;
        n->attributes |= attribute::Archive;
        n->attributes &= ~attribute::Normal;
        return Status::success();
    }
    if (auto s = checkParent(abs); !s.ok()) return s;
    put(abs, Node{abs, attribute::Archive, std::string(bytes)}).flushed = false;
    return Status::success();
}

Status FakeFileSystem::appendFile(std::string_view path, std::string_view bytes) {
    const Node* n = node(path);
    if (n == nullptr) return writeFile(path, bytes);
    std::string joined = n->content;
    joined.append(bytes);
    return writeFile(path, joined);
}

Status FakeFileSystem::writeFileFlushed(std::string_view path, std::string_view bytes) {
    if (auto s = writeFile(path, bytes); !s.ok()) return s;
    node(absolute(path))->flushed = true;
    return Status::success();
}

void FakeFileSystem::powerCut() {
    for (auto& [key, n] : nodes_)
        if (!n.isFolder() && !n.flushed) n.content.clear();
}

Status FakeFileSystem::replaceFile(std::string_view from, std::string_view to) {
    const std::string src = absolute(from);
    const std::string dst = absolute(to);
    const Node* source = node(src);
    if (source == nullptr) return missing(src);
    if (source->isFolder() || source->inUse) return Status::failure(source->inUse ? error::SharingViolation : error::AccessDenied);
    if (key(src) != key(dst)) {
        if (const Node* target = node(dst)) {
            if (target->isFolder() || (target->attributes & attribute::ReadOnly) != 0) return Status::failure(error::AccessDenied);
            if (target->inUse) return Status::failure(error::SharingViolation);
            if (auto s = checkParent(dst); !s.ok()) return s;
            nodes_.erase(key(dst));
        }
    }
    return moveFile(from, to);
}

Status FakeFileSystem::copyFile(std::string_view from, std::string_view to, bool failIfExists) {
    const std::string src = followed(absolute(from));
    const std::string dst = absolute(to);
    const Node* source = node(src);
    if (source == nullptr) return missing(src);
    if (source->isFolder()) return Status::failure(error::AccessDenied);
    if (source->exclusive) return Status::failure(error::SharingViolation);
    Node copy = *source;
    copy.inUse = copy.exclusive = false;
    copy.failReadsAt = UINT64_MAX;
    copy.linkTarget.clear();
    if (Node* target = node(dst)) {
        if (target == source) return Status::failure(error::SharingViolation);
        if (failIfExists) return Status::failure(error::FileExists);
        if (target->isFolder() || (target->attributes & (attribute::ReadOnly | attribute::Hidden)) != 0) {
            return Status::failure(error::AccessDenied);
        }
        if (target->inUse) return Status::failure(error::SharingViolation);
        copy.path = target->path;  // an overwritten file keeps its stored spelling
        copy.id = target->id;
        *target = copy;
        return Status::success();
    }
    if (auto s = checkParent(dst); !s.ok()) return s;
    copy.path = dst;
    copy.id = 0;
    put(dst, copy);
    return Status::success();
}

Status FakeFileSystem::moveFile(std::string_view from, std::string_view to) {
    const std::string src = absolute(from);
    const std::string dst = absolute(to);
    const Node* source = node(src);
    if (source == nullptr) return missing(src);
    const std::string srcKey = key(src);
    const std::string dstKey = key(dst);
    // Renaming within letter case only is allowed; another existing target is not.
    if (dstKey != srcKey && nodes_.count(dstKey) != 0) return Status::failure(error::AlreadyExists);
    if (auto s = checkParent(dst); !s.ok()) return s;
    if (auto s = checkParent(src); s.is(error::AccessDenied)) return s;
    if (source->isFolder() && dstKey.rfind(srcKey + "\\", 0) == 0) return Status::failure(error::SharingViolation);
    std::vector<std::string> moving;
    for (const auto& [k, n] : nodes_) {
        if (k == srcKey || k.rfind(srcKey + "\\", 0) == 0) {
            if (n.inUse) return Status::failure(error::SharingViolation);
            moving.push_back(k);
        }
    }
    if (source->isFolder() && !text::equalsNoCase(src.substr(0, 2), dst.substr(0, 2))) {
        return Status::failure(error::AccessDenied);  // folders do not move across drives
    }
    for (const auto& k : moving) {
        Node n = nodes_[k];
        nodes_.erase(k);
        n.path = dst + n.path.substr(src.size());
        nodes_[key(n.path)] = n;
    }
    return Status::success();
}

Status FakeFileSystem::deleteFile(std::string_view path) {
    const std::string abs = absolute(path);
    if (auto hook = beforeDelete_.find(key(abs)); hook != beforeDelete_.end()) {
        auto action = std::move(hook->second);
        beforeDelete_.erase(hook);
        action();
    }
    Node* n = node(abs);
    if (n == nullptr) return missing(abs);
    if (n->isFolder() || (n->attributes & attribute::ReadOnly) != 0) return Status::failure(error::AccessDenied);
    if (n->inUse) return Status::failure(error::SharingViolation);
    if (auto s = checkParent(abs); !s.ok()) return s;
    nodes_.erase(key(abs));
    return Status::success();
}

Status FakeFileSystem::createFolder(std::string_view path) {
    const std::string abs = absolute(path);
    if (isRoot(abs) || node(abs) != nullptr) return Status::failure(error::AlreadyExists);
    if (auto s = checkParent(abs); !s.ok()) return s;
    put(abs, Node{abs, attribute::Directory, {}});
    return Status::success();
}

Status FakeFileSystem::createPrivateFolder(std::string_view path) {
    auto created = createFolder(path);
    if (created.ok()) privateFolders.emplace_back(path);
    return created;
}

Status FakeFileSystem::removeFolder(std::string_view path) {
    const std::string abs = absolute(path);
    const Node* n = node(abs);
    if (n == nullptr) return missing(abs);
    if (!n->isFolder()) return Status::failure(error::DirectoryInvalid);
    if ((n->attributes & attribute::ReadOnly) != 0 || n->protectedFolder) return Status::failure(error::AccessDenied);
    const std::string k = key(abs) + "\\";
    for (const auto& entry : nodes_) {
        if (entry.first.rfind(k, 0) == 0) return Status::failure(error::DirNotEmpty);
    }
    if (auto s = checkParent(abs); !s.ok()) return s;
    nodes_.erase(key(abs));
    return Status::success();
}

Status FakeFileSystem::setAttributes(std::string_view path, std::uint32_t attributes) {
    Node* n = node(path);
    if (n == nullptr) return Status::failure(error::FileNotFound);
    std::uint32_t kept = attributes & (attribute::ReadOnly | attribute::Hidden | attribute::System | attribute::Archive);
    if (n->isFolder()) kept |= attribute::Directory;
    n->attributes = kept == 0 ? attribute::Normal : kept;
    return Status::success();
}

std::vector<std::string> FakeFileSystem::drives() {
    std::vector<std::string> roots;
    for (const auto& d : drives_) roots.push_back(d.root);
    return roots;
}

DriveType FakeFileSystem::driveType(std::string_view root) {
    const Drive* d = driveOf(absolute(root));
    return d == nullptr ? DriveType::NoRootDir : d->type;
}

bool FakeFileSystem::driveReady(std::string_view root) {
    const Drive* d = driveOf(absolute(root));
    return d != nullptr && d->ready;
}

std::string FakeFileSystem::currentFolder() { return current_; }

void FakeFileSystem::addFile(std::string_view path, std::string_view content, std::uint32_t attributes) {
    const std::string abs = absolute(path);
    makeParents(abs);
    put(abs, Node{abs, attributes & ~attribute::Directory, std::string(content)});
}

void FakeFileSystem::addFolder(std::string_view path, std::uint32_t attributes) {
    const std::string abs = absolute(path);
    if (isRoot(abs)) return;
    makeParents(abs);
    Node folder{abs, attributes | attribute::Directory, {}};
    if (const Node* old = node(abs)) folder.id = old->id;
    put(abs, folder);
}

void FakeFileSystem::addDrive(std::string_view root, DriveType type, bool ready) {
    std::string r = text::toUpper(root.substr(0, 1)) + ":\\";
    for (auto& d : drives_) {
        if (d.root == r) {
            d.type = type;
            d.ready = ready;
            return;
        }
    }
    drives_.push_back({r, type, ready});
}

void FakeFileSystem::setDriveReady(std::string_view root, bool ready) {
    for (auto& d : drives_) {
        if (text::startsWithNoCase(d.root, root.substr(0, 1))) d.ready = ready;
    }
}

void FakeFileSystem::setInUse(std::string_view path, bool inUse, bool exclusive) {
    if (Node* n = node(path)) {
        n->inUse = inUse;
        n->exclusive = inUse && exclusive;
    }
}

void FakeFileSystem::failReadsFrom(std::string_view path, std::uint64_t offset) {
    if (Node* n = node(path)) n->failReadsAt = offset;
}

void FakeFileSystem::protectFolder(std::string_view path) {
    addFolder(path);
    node(path)->protectedFolder = true;
}

bool FakeFileSystem::exists(std::string_view path) const { return node(path) != nullptr; }

bool FakeFileSystem::isFolder(std::string_view path) const {
    const Node* n = node(path);
    return n != nullptr && n->isFolder();
}

std::optional<std::string> FakeFileSystem::content(std::string_view path) const {
    const Node* n = node(path);
    if (n == nullptr || n->isFolder()) return std::nullopt;
    return n->content;
}

std::optional<std::uint32_t> FakeFileSystem::attributes(std::string_view path) const {
    const Node* n = node(path);
    if (n == nullptr) return std::nullopt;
    return n->attributes;
}

std::optional<std::string> FakeFileSystem::storedPath(std::string_view path) const {
    const Node* n = node(path);
    if (n == nullptr) return std::nullopt;
    return n->path;
}

std::vector<std::string> FakeFileSystem::pathsUnder(std::string_view folder) const {
    const std::string prefix = key(absolute(folder)) + (isRoot(absolute(folder)) ? "" : "\\");
    std::vector<std::string> out;
    for (const auto& [k, n] : nodes_) {
        if (k.rfind(prefix, 0) == 0) out.push_back(n.path);
    }
    return out;
}

std::optional<platform::FileIdentity> FakeFileSystem::identity(std::string_view path) {
    const std::string abs = followed(absolute(path));
    const Drive* drive = driveOf(abs);
    if (drive == nullptr || !drive->ready) return std::nullopt;
    const auto serial = static_cast<std::uint32_t>(0x5000 + (drive->root[0] - 'A'));
    if (isRoot(abs)) return platform::FileIdentity{serial, 1};
    const Node* n = node(abs);
    if (n == nullptr) return std::nullopt;
    return platform::FileIdentity{serial, n->id + 1};
}

void FakeFileSystem::addLink(std::string_view path, std::string_view target, bool folder) {
    const std::string abs = absolute(path);
    makeParents(abs);
    Node link{abs, attribute::ReparsePoint | (folder ? attribute::Directory : attribute::Archive), {}};
    link.linkTarget = normalized(target);
    put(abs, link);
}

void FakeFileSystem::addAlias(std::string_view spelling, std::string_view real) {
    aliases_.emplace_back(normalized(spelling), std::string(real));
    // A spelling like "S:" is a drive of its own to the program.
    if (spelling.size() == 2 && spelling[1] == ':') addDrive(spelling, DriveType::Fixed, true);
}

void FakeFileSystem::beforeDeleteOf(std::string_view path, std::function<void()> action) {
    beforeDelete_[key(absolute(path))] = std::move(action);
}

}  // namespace sorvane::fakes
