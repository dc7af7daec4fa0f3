#pragma once
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "server/releases.h"
#include "server/update_text.h"

// The releases the server answers from, looked at again only when a folder changed, and the
// update texts between them, each computed once: an answer costs a few file-time checks and
// a look-up, not a scan of the folder and a comparison of two whole sets.
namespace sorvane::server {

// The update text served for a pair of releases, or why there is none.
struct ServedDifference {
    std::string text;     // with its closing record
    std::string refusal;  // the difference would destroy definitions: not sent
    std::string failure;  // a release could not be read: not sent, and the folder is looked at again
};

class ReleaseStore {
public:
    using Logger = std::function<void(std::string_view)>;
    // `maxDeletedShare`: see DestructiveDifference.
    ReleaseStore(double maxDeletedShare, Logger log);

    // The complete releases in `folder`, oldest first. Each skipped folder is logged once.
    std::shared_ptr<const std::vector<Release>> releases(const std::filesystem::path& folder);
    // The difference from `from` to `to`, computed once per pair (while it is kept).
    std::shared_ptr<const ServedDifference> difference(const Release& from, const Release& to);
    // Every line of `release` as an addition, with its closing record.
    std::shared_ptr<const ServedDifference> fullText(const Release& release);
    // The definitions of `release`; nothing (logged) when they cannot be read.
    std::shared_ptr<const DefinitionSet> definitions(const Release& release);

    // Texts kept; the oldest computed goes first.
    static constexpr std::size_t KeptTexts = 64;
    static constexpr std::size_t KeptSets = 8;

private:
    using FileTime = std::filesystem::file_time_type;
    struct Folder {
        std::mutex mutex;
        std::shared_ptr<const std::vector<Release>> releases;
        FileTime time{};
        std::vector<std::pair<std::filesystem::path, FileTime>> incomplete;
        std::set<std::string> skipped;
        std::chrono::steady_clock::time_point scannedAt{};
        bool recent = false;  // a time seen was so recent that a change in the same tick may follow
        bool stale = true;
    };
    using TextFuture = std::shared_future<std::shared_ptr<const ServedDifference>>;

    Folder& folder(const std::filesystem::path& path);
    void markStale(const Release& release);
    std::shared_ptr<const ServedDifference> cachedText(const std::string& key,
                                                       const std::function<ServedDifference()>& compute);

    double maxDeletedShare_;
    Logger log_;
    std::mutex foldersMutex_;
    std::map<std::filesystem::path, std::unique_ptr<Folder>> folders_;
    std::mutex textsMutex_;
    std::map<std::string, TextFuture> texts_;
    std::list<std::string> textOrder_;
    std::mutex setsMutex_;
    std::list<std::pair<std::string, std::shared_ptr<const DefinitionSet>>> sets_;  // most recent first
};

}  // namespace sorvane::server
