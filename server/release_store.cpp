#include "server/release_store.h"
#include "platform/date_forms.h"

namespace sorvane::server {

namespace fs = std::filesystem;

ReleaseStore::ReleaseStore(double maxDeletedShare, Logger log)
    : maxDeletedShare_(maxDeletedShare), log_(std::move(log)) {}

ReleaseStore::Folder& ReleaseStore::folder(const fs::path& path) {
    std::lock_guard lock(foldersMutex_);
    std::unique_ptr<Folder>& entry = folders_[path];
    if (!entry) entry = std::make_unique<Folder>();
    return *entry;
}

std::shared_ptr<const std::vector<Release>> ReleaseStore::releases(const fs::path& path) {
    Folder& f = folder(path);
    std::lock_guard lock(f.mutex);
    std::error_code ec;
    const FileTime time = fs::last_write_time(path, ec);
    bool changed = f.stale || !f.releases || time != f.time;
    for (const auto& [incomplete, seen] : f.incomplete) {
        if (changed) break;
        changed = fs::last_write_time(incomplete, ec) != seen;
    }
    // A change within the tick of a time already seen leaves that time as it was: while the
    // times are that fresh, look again (at most ten times a second).
    const auto now = std::chrono::steady_clock::now();
    if (!changed && f.recent) changed = now - f.scannedAt >= std::chrono::milliseconds(100);
    if (!changed) return f.releases;

    ReleaseScan scan = ScanReleases(path);
    const FileTime wall = FileTime::clock::now();
    auto isRecent = [&](FileTime t) { return wall - t < std::chrono::seconds(2); };
    f.time = time;
    f.recent = isRecent(time);
    f.incomplete.clear();
    for (const fs::path& incomplete : scan.incomplete) {
        const FileTime t = fs::last_write_time(incomplete, ec);
        f.incomplete.emplace_back(incomplete, t);
        f.recent = f.recent || isRecent(t);
    }
    std::set<std::string> skipped(scan.skipped.begin(), scan.skipped.end());
    for (const std::string& reason : skipped) {
        if (f.skipped.count(reason) == 0) log_("release skipped: " + (path / reason).string());
    }
    f.skipped = std::move(skipped);
    f.releases = std::make_shared<const std::vector<Release>>(std::move(scan.releases));
    f.scannedAt = now;
    f.stale = false;
    return f.releases;
}

void ReleaseStore::markStale(const Release& release) {
    Folder& f = folder(release.folder.parent_path());
    std::lock_guard lock(f.mutex);
    f.stale = true;
}

std::shared_ptr<const DefinitionSet> ReleaseStore::definitions(const Release& release) {
    {
        std::lock_guard lock(setsMutex_);
        for (auto it = sets_.begin(); it != sets_.end(); ++it) {
            if (it->first != release.identity) continue;
            sets_.splice(sets_.begin(), sets_, it);
            return sets_.front().second;
        }
    }
    std::string error;
    std::optional<DefinitionSet> read = ReadDefinitionSet(release.folder, &error);
    if (!read) {
        log_("release unreadable: " + error);
        markStale(release);
        return nullptr;
    }
    auto set = std::make_shared<const DefinitionSet>(std::move(*read));
    std::lock_guard lock(setsMutex_);
    sets_.emplace_front(release.identity, set);
    if (sets_.size() > KeptSets) sets_.pop_back();
    return set;
}

std::shared_ptr<const ServedDifference> ReleaseStore::cachedText(const std::string& key,
                                                                 const std::function<ServedDifference()>& compute) {
    std::promise<std::shared_ptr<const ServedDifference>> promise;
    std::unique_lock lock(textsMutex_);
    auto found = texts_.find(key);
    if (found != texts_.end()) {
        const TextFuture waiting = found->second;
        lock.unlock();
        return waiting.get();  // computed by the first request that asked for it
    }
    texts_.emplace(key, promise.get_future().share());
    textOrder_.push_back(key);
    if (textOrder_.size() > KeptTexts) {
        texts_.erase(textOrder_.front());
        textOrder_.pop_front();
    }
    lock.unlock();
    std::shared_ptr<const ServedDifference> text;
    try {
        text = std::make_shared<const ServedDifference>(compute());
    } catch (const std::exception& e) {
        text = std::make_shared<const ServedDifference>(ServedDifference{{}, {}, e.what()});
    }
    promise.set_value(text);
    if (!text->failure.empty()) {
        // A release that could not be read may be readable at the next request.
        lock.lock();
        texts_.erase(key);
        textOrder_.remove(key);
    }
    return text;
}

std::shared_ptr<const ServedDifference> ReleaseStore::difference(const Release& from, const Release& to) {
    return cachedText(from.identity + "\n" + to.identity, [&] {
        ServedDifference served;
        const auto old = definitions(from);
        const auto current = definitions(to);
        if (!old || !current) {
            served.failure = "a release could not be read";
            return served;
        }
        const std::string pair = calendar::IsoDateText(from.date) + " to " + calendar::IsoDateText(to.date);
        served.refusal = DestructiveDifference(*old, *current, maxDeletedShare_);
        if (!served.refusal.empty()) {
            log_("difference refused: " + pair + ": " + served.refusal);
            return served;
        }
        const UpdateText update = MakeUpdateText(*old, *current);
        for (const std::string& warning : update.warnings) log_("warning: " + pair + ": " + warning);
        served.text = WithClosingRecord(update.text);
        return served;
    });
}

std::shared_ptr<const ServedDifference> ReleaseStore::fullText(const Release& release) {
    return cachedText("whole\n" + release.identity, [&] {
        ServedDifference served;
        const auto set = definitions(release);
        if (!set) served.failure = "a release could not be read";
        else served.text = WithClosingRecord(MakeFullText(*set).text);
        return served;
    });
}

}  // namespace sorvane::server
