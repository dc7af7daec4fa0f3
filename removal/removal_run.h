#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "removal/quarantine.h"
#include "removal/quarantine_index.h"
#include "removal/quarantine_log.h"
#include "removal/removal_guard.h"
#include "removal/removal_observer.h"
#include "removal/restore_point.h"
#include "scan/findings.h"
#include "ui/host.h"

namespace sorvane::removal {

// What the run needs from the rest of the program: the catalogue and the per-user settings
// store, which the scan reaches the same way.
struct RemovalHooks {
    // The message catalogue's text for a key. Unset (the Windows tests' runs, which read no
    // text): every caption and cause is empty, and the run is otherwise the same.
    std::function<std::string(std::string_view key)> message;
    // Stops the first running process of that executable name; false when it survived.
    // Unset: the program's own process stop.
    std::function<bool(std::string_view fileName)> stopProcessByName;
    // The per-user settings store. Unset (a run with nowhere to keep settings): no lifetime
    // total and no remembered restore point, and nothing else changes.
    std::function<std::string(std::string_view section, std::string_view key, std::string_view fallback)> readSetting;
    std::function<void(std::string_view section, std::string_view key, std::string_view value)> writeSetting;
};

// The standard name of a predefined root key ("HKEY_LOCAL_MACHINE"); empty for others.
std::string rootKeyName(std::uint32_t handle);
// The extension of a path, upper-cased: the text after its last "." when no "\" or ":"
// follows that "."; empty otherwise.
std::string pathExtension(std::string_view path);
// i / count * 100 rounded to the nearest integer, halves to the even one.
int percentOf(std::size_t i, std::size_t count);

// The removal engine: a restore point, then two passes over the findings it is given (the
// first removes and logs, the second retries silently and records one outcome per finding),
// then the lifetime total. Items go in the order given (the results page's: files, registry
// items, cookies). Every removed item is kept in the quarantine first and logged once.
class RemovalRun {
public:
    RemovalRun(platform::Platform& platform, ui::Host& host, RemovalHooks hooks, std::string productName);
    // The restore point's memory reads the hooks this object holds.
    RemovalRun(const RemovalRun&) = delete;
    RemovalRun& operator=(const RemovalRun&) = delete;

    // Removes `chosen`, telling `observer` as it goes; one outcome per finding, in the order
    // worked through. Nothing while a run is under way. `tellRestorePoint`: the user was
    // promised a restore point, so one that could not be kept is said in a message box.
    const std::vector<RemovalOutcome>& run(std::vector<scan::Finding> chosen, RemovalObserver& observer,
                                           bool tellRestorePoint);
    // The findings of the last run in the order worked through, beside their outcomes.
    const std::vector<scan::Finding>& items() const { return items_; }
    const std::vector<RemovalOutcome>& outcomes() const { return outcomes_; }

    // The question "Delete" asks, naming the quarantine folder and, where the system has
    // one, the restore point.
    std::string confirmationText();
    // The message catalogue's text for a key.
    std::string message(std::string_view key) const;

    void RemoveExecutable(std::string_view path);
    void RemoveLibrary(std::string_view path);
    void DeleteRegistryValue(platform::RootKey root, std::string_view keyPath, std::string_view valueName);
    bool DeleteRegistryKey(platform::RootKey root, std::string_view keyPath);

    bool running() const { return running_; }
    bool firstRemovalPass() const { return firstPass_; }
    // How many items of the last pass belong in "Delete Failed".
    std::size_t problemsInLastPass() const { return problems_; }
    Quarantine& quarantine() { return quarantine_; }
    QuarantineLog& log() { return log_; }
    QuarantineIndex& index() { return index_; }
    RestorePoint& restorePoint() { return restorePoint_; }
    // What became of the last run's restore point, in the catalogue's words; empty when none
    // was asked for.
    std::string restorePointText() const;

private:
    void runPass(RemovalObserver& observer);
    // The outcome of one item; nothing in the first pass, unless it was refused.
    std::optional<RemovalOutcome> remove(const scan::Finding& item);
    std::optional<RemovalOutcome> removeFile(const scan::Finding& item);
    std::optional<RemovalOutcome> removeRegistry(const scan::Finding& item);
    std::optional<RemovalOutcome> removeCookie(const scan::Finding& item);
    std::optional<RemovalOutcome> removeStoreCookies(const std::string& location, const std::string& storePath,
                                                     const std::string& host);
    // An item the run may not touch: not tried in either pass.
    RemovalOutcome refuse(std::string shown, RefusalReason why, std::string cause = {});
    // An item tried: gone, or still there with the catalogue's words for why.
    RemovalOutcome settled(std::string shown, bool stillThere, std::string cause = {});
    void addToRemovedTotal(std::int64_t removed);
    // The catalogue's words for why an item resisted: the system's `code`, else the quarantine folder's failure.
    std::string failureReason(std::uint32_t code) const;

    platform::Platform& platform_;
    ui::Host& host_;
    RemovalHooks hooks_;
    std::string productName_;
    QuarantineLog log_;
    Quarantine quarantine_;
    RestorePoint restorePoint_;
    QuarantineIndex index_;
    std::optional<RemovalGuard> guard_;
    std::vector<scan::Finding> items_;
    std::vector<RemovalOutcome> outcomes_;
    bool firstPass_ = false;
    bool running_ = false;
    std::size_t problems_ = 0;
    // Why the quarantine folder could not be made (0: it was, or was there): without it no
    // copy is kept, so nothing is deleted, and that is the cause the user is shown.
    std::uint32_t folderFailure_ = 0;
};

}  // namespace sorvane::removal
