#include "removal/removal_run.h"

#include <cmath>

#include "definitions/records.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "platform/write_failure.h"
#include "processes/process_stop.h"
#include "app/quarantine_folder.h"
#include "removal/registry_backup.h"
#include "removal/unregister.h"
#include "scan/cookie_store.h"
#include "scan/registry_tools.h"

namespace sorvane::removal {
namespace {

constexpr std::string_view CrLf = "\r\n";
// A few turns of the message loop so that "Gathering information..." gets painted.
constexpr int InformationYields = 3;

// The last restore point made is kept in the settings, since Windows may hand it back a day later.
RestorePointMemory restorePointMemory(const RemovalHooks& hooks) {
    if (!hooks.readSetting || !hooks.writeSetting) return {};
    return {[&hooks]() -> std::optional<std::int64_t> {
                const std::string kept = hooks.readSetting("Settings", "LastRestorePoint", "");
                if (kept.empty()) return std::nullopt;
                return static_cast<std::int64_t>(text::numericValue(kept));
            },
            [&hooks](std::int64_t sequence) { hooks.writeSetting("Settings", "LastRestorePoint", std::to_string(sequence)); }};
}

// The item a pass works on, as the progress caption names it.
std::string CurrentText(const scan::Finding& item) {
    if (item.isRegistry()) return text::toLower(text::trim(item.registry.key) + "\\" + text::trim(item.registry.value));
    return text::toLower(item.path);
}

}  // namespace

std::string rootKeyName(std::uint32_t handle) {
    return std::string(definitions::CurrentHiveName(static_cast<platform::RootKey>(handle)));
}

std::string pathExtension(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos) return {};
    const auto tail = path.substr(dot + 1);
    if (tail.find_first_of("\\:") != std::string_view::npos) return {};
    return text::toUpper(tail);
}

int percentOf(std::size_t i, std::size_t count) {
    if (count == 0) return 0;
    const double exact = static_cast<double>(i) / static_cast<double>(count) * 100.0;
    const double lower = std::floor(exact);
    const double fraction = exact - lower;
    double rounded = fraction > 0.5 ? lower + 1 : lower;
    if (fraction == 0.5) rounded = std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1;
    return static_cast<int>(rounded);
}

RemovalRun::RemovalRun(platform::Platform& platform, ui::Host& host, RemovalHooks hooks, std::string productName)
    : platform_(platform),
      host_(host),
      hooks_(std::move(hooks)),
      productName_(std::move(productName)),
      log_(platform.files, platform.locale,
           app::QuarantineFolderOf(platform.environment.applicationFolder()) + "\\QuarantineLog.txt"),
      quarantine_(platform.files, platform.signatures, log_,
                  app::QuarantineFolderOf(platform.environment.applicationFolder()), [&host] { host.yield(); }),
      restorePoint_(platform.restorePoints, platform.processes, restorePointMemory(hooks_)),
      index_(platform.files, app::QuarantineFolderOf(platform.environment.applicationFolder())) {}

std::string RemovalRun::message(std::string_view key) const {
    return hooks_.message ? hooks_.message(key) : std::string();
}

std::string RemovalRun::confirmationText() {
    std::string question = message("MSG_CONFIRM1");
    question.append(CrLf).append(CrLf).append(message("MSG_CONFIRM2"));
    question.append(CrLf).append(CrLf).append(quarantine_.folder());
    if (restorePoint_.supported()) {
        question.append(CrLf).append(CrLf).append(message("MSG_CONFIRM3"));
        question.append(CrLf).append(CrLf).append(message("MSG_CONFIRM4"));
    }
    return question;
}

std::string RemovalRun::restorePointText() const {
    switch (restorePoint_.outcome()) {
    case RestorePointOutcome::Made: return message("MSG_RESTORE_MADE");
    case RestorePointOutcome::Reused: return message("MSG_RESTORE_REUSED");
    case RestorePointOutcome::NotMade: return message("MSG_RESTORE_NOT_MADE");
    case RestorePointOutcome::NotAttempted: break;
    }
    return {};
}

const std::vector<RemovalOutcome>& RemovalRun::run(std::vector<scan::Finding> chosen, RemovalObserver& observer,
                                                   bool tellRestorePoint) {
    if (running_) return outcomes_;
    running_ = true;
    items_ = std::move(chosen);
    outcomes_.clear();
    const platform::Status folderMade = quarantine_.createFolder();
    folderFailure_ = folderMade.is(platform::error::AlreadyExists) ? 0 : folderMade.code();
    observer.runStarted();

    observer.statusChanged(message("MSG_INFORMATION"));
    for (int i = 0; i < InformationYields; ++i) host_.yield();
    observer.statusChanged("");

    const bool restorePoints = restorePoint_.supported();
    restorePoint_.forgetOutcome();
    if (restorePoints) {
        observer.statusChanged(message("MSG_RESTOREPOINT"));
        host_.yield();
        // A restore point that cannot be made is no reason to keep the threats.
        platform::TraceFailure(restorePoint_.begin(productName_ + " Restore Point " + log_.timestamp()),
                               "making a restore point");
        observer.statusChanged(restorePointText());
        host_.yield();
    }

    // Everything that goes is on record before it goes; an index that cannot be read is
    // set aside by the load, never overwritten.
    (void)index_.load();
    quarantine_.setIndex(&index_, IndexDate(platform_.locale.now()));
    std::string applicationFolder = platform_.environment.applicationFolder();
    guard_.emplace(platform_.files, SystemFolders(platform_.shell),
                   std::vector<std::string>{applicationFolder, quarantine_.folder()});
    quarantine_.setGuard(&*guard_);
    quarantine_.beginRun();
    // Both passes log what they remove; the log takes each item once.
    log_.setEnabled(true);
    firstPass_ = true;
    runPass(observer);
    firstPass_ = false;
    runPass(observer);
    log_.setEnabled(false);
    quarantine_.setGuard(nullptr);
    quarantine_.setIndex(nullptr, {});

    if (restorePoints) (void)restorePoint_.end();

    RemovalTotals totals;
    for (const auto& outcome : outcomes_) {
        switch (outcome.kind) {
        case OutcomeKind::Removed: ++totals.removed; break;
        case OutcomeKind::Resisted: ++totals.resisted; break;
        case OutcomeKind::Refused: ++totals.refused; break;
        }
    }
    addToRemovedTotal(static_cast<std::int64_t>(totals.removed));
    observer.runFinished(totals);
    running_ = false;
    // The question promised a restore point: one that was not made, or that Windows took from
    // earlier, is not passed over in silence.
    const auto point = restorePoint_.outcome();
    if (restorePoints && tellRestorePoint &&
        (point == RestorePointOutcome::NotMade || point == RestorePointOutcome::Reused))
        host_.messageBox(restorePointText(), productName_, ui::mb::Information);
    return outcomes_;
}

// The total counts what was actually removed. Adding the found-counters instead would count
// each threat twice, count what resisted, and grow again at every further run over the same rows.
void RemovalRun::addToRemovedTotal(std::int64_t removed) {
    if (!hooks_.readSetting || !hooks_.writeSetting) return;
    const std::int64_t total = text::numericValue(hooks_.readSetting("Settings", "lblDefRemoved", "0")) + removed;
    hooks_.writeSetting("Settings", "lblDefRemoved", std::to_string(total));
}

void RemovalRun::runPass(RemovalObserver& observer) {
    problems_ = 0;
    observer.passStarted(firstPass_);
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const auto& item = items_[i];
        observer.itemStarted(i, item, CurrentText(item));
        auto outcome = remove(item);
        if (firstPass_ || !outcome) continue;
        if (outcome->listed()) ++problems_;
        outcomes_.push_back(std::move(*outcome));
        observer.outcomeRecorded(i, item, outcomes_.back());
    }
    observer.passFinished(problems_);
}

std::optional<RemovalOutcome> RemovalRun::remove(const scan::Finding& item) {
    // What the user excluded is never the run's to touch, whoever chose it.
    if (item.excluded) return refuse(item.isRegistry() ? item.registry.key : item.path, RefusalReason::Excluded);
    switch (item.kind) {
    case scan::FindingKind::File:
    case scan::FindingKind::Folder: return removeFile(item);
    case scan::FindingKind::RegistryKey:
    case scan::FindingKind::RegistryValue: return removeRegistry(item);
    case scan::FindingKind::Cookie: return removeCookie(item);
    case scan::FindingKind::Process: break;
    }
    // A running program is stopped by the scan; removal works on its files.
    return refuse(item.path, RefusalReason::NoPlace);
}

RemovalOutcome RemovalRun::refuse(std::string shown, RefusalReason why, std::string cause) {
    host_.yield();
    RemovalOutcome outcome;
    outcome.kind = OutcomeKind::Refused;
    outcome.refusal = why;
    outcome.shown = std::move(shown);
    outcome.cause = std::move(cause);
    return outcome;
}

RemovalOutcome RemovalRun::settled(std::string shown, bool stillThere, std::string cause) {
    RemovalOutcome outcome;
    outcome.kind = stillThere ? OutcomeKind::Resisted : OutcomeKind::Removed;
    if (stillThere) outcome.cause = std::move(cause);
    // The copy taken in this run, where one was: a resisting item may have one too.
    outcome.quarantineEntry = quarantine_.entryOf(shown);
    if (outcome.quarantineEntry) {
        for (const auto& entry : index_.entries())
            if (entry.id == *outcome.quarantineEntry) outcome.kept = entry.kept;
    }
    outcome.shown = std::move(shown);
    return outcome;
}

std::string RemovalRun::failureReason(std::uint32_t code) const {
    // The cause of the last failed copy or deletion, where it is one the user can act on; else
    // the quarantine folder's, when no copy could be kept there.
    auto key = platform::WriteFailureMessageKey(code);
    if (key.empty()) key = platform::WriteFailureMessageKey(folderFailure_);
    return key.empty() ? std::string() : message(key);
}

std::optional<RemovalOutcome> RemovalRun::removeFile(const scan::Finding& item) {
    const std::string& path = item.path;
    // Drive roots, the system's folders and what holds them, the program and its quarantine.
    if (guard_ && !guard_->mayRemovePath(path)) return refuse(path, RefusalReason::Protected);
    quarantine_.setThreat(item.threat);
    quarantine_.clearFailure();
    const std::string extension = pathExtension(path);
    if (extension == "DLL" || extension == "OCX") {
        RemoveLibrary(path);
        (void)quarantine_.quarantinePath(path);
    } else if (extension == "EXE") {
        RemoveExecutable(path);
    } else {
        (void)quarantine_.quarantinePath(path);
    }
    host_.yield();

    if (firstRemovalPass()) return std::nullopt;
    // A folder that resisted is reported as well as a file: both are still there. The
    // system finds no folder by a name that ends in a backslash.
    const std::string_view present = withoutTrailingBackslash(path);
    if (!platform_.files.lookup(present)) return settled(path, false);
    if (text::containsNoCase(path, ".exe")) RemoveExecutable(path);
    if (!platform_.files.lookup(present)) return settled(path, false);
    return settled(path, true, failureReason(quarantine_.lastFailure()));
}

std::optional<RemovalOutcome> RemovalRun::removeRegistry(const scan::Finding& item) {
    const std::string keyPath = text::trim(item.registry.key);
    const std::string valueName = text::trim(item.registry.value);
    const auto root = item.registry.root;
    const std::string rootName = rootKeyName(static_cast<std::uint32_t>(root));
    // A whole hive is never deleted.
    if (!rootName.empty() && keyPath.empty() && valueName.empty()) return refuse(rootName, RefusalReason::WholeHive);
    // An item naming no predefined root key, or no key, is not ours to interpret.
    if (rootName.empty() || keyPath.empty()) return refuse({}, RefusalReason::NoPlace);
    const std::string keyText = rootName + "\\" + keyPath;
    const std::string shown = valueName.empty() ? keyText : keyText + "\\" + valueName;
    // A hive root or one of the keys that hold the system's structure is never deleted whole.
    if (valueName.empty() && !RemovalGuard::mayDeleteKey(root, keyPath)) return refuse(shown, RefusalReason::Protected);

    auto& registry = platform_.registry;
    // What this account may not delete is not touched; an administrator can remove it.
    if (scan::RegistryRemovalDenied(registry, root, keyPath, valueName))
        return refuse(shown, RefusalReason::NeedsAdministrator, message("MSG_NEEDS_ADMIN"));
    // The data as it is just before its deletion, so that it can be put back exactly.
    IndexEntry entry;
    entry.kind = valueName.empty() ? EntryKind::RegistryKey : EntryKind::RegistryValue;
    entry.threat = item.threat;
    entry.root = rootName;
    entry.key = keyPath;
    // Data whose copy is not on record would be gone for good: it stays. That includes data
    // that could not be read whole (a sub-key without read rights, a value over the size
    // limit); what is not there at all has nothing to delete either.
    if (valueName.empty()) {
        entry.tree = ExportKey(registry, root, keyPath);
        if (entry.tree && quarantine_.record(shown, std::move(entry))) {
            DeleteRegistryValue(root, keyPath, "");
            (void)DeleteRegistryKey(root, keyPath);
        }
    } else {
        entry.value = ExportValue(registry, root, keyPath, valueName);
        if (entry.value && quarantine_.record(shown, std::move(entry))) DeleteRegistryValue(root, keyPath, valueName);
    }
    // A key whose deletion stopped part-way, or that could not be kept, is still there: not
    // removed, even when it cannot be read.
    const bool left = valueName.empty() ? !RegistryKeyAbsent(registry, root, keyPath)
                                        : !RegistryValueAbsent(registry, root, keyPath, valueName);
    quarantine_.settle(shown, left);
    host_.yield();
    if (firstRemovalPass()) return std::nullopt;
    return settled(shown, left, failureReason(0));
}

std::optional<RemovalOutcome> RemovalRun::removeCookie(const scan::Finding& item) {
    const std::string& path = item.path;
    const auto store = scan::SplitCookieStoreLocation(path);
    if (guard_ && !guard_->mayRemovePath(store ? store->first : path)) return refuse(path, RefusalReason::Protected);
    quarantine_.setThreat(item.threat);
    if (store) return removeStoreCookies(path, store->first, store->second);
    quarantine_.clearFailure();
    if (fileIsPresent(platform_.files, path)) quarantine_.quarantineCookieFile(path);
    host_.yield();
    if (firstRemovalPass()) return std::nullopt;
    // A cookie file that resisted both attempts is still there: said so, not counted as gone.
    return settled(path, fileIsPresent(platform_.files, path), failureReason(quarantine_.lastFailure()));
}

std::optional<RemovalOutcome> RemovalRun::removeStoreCookies(const std::string& location, const std::string& storePath,
                                                             const std::string& host) {
    // A running browser holds its store: its rows stay until it is closed.
    const auto outcome = scan::RemoveCookieRows(storePath, host, [&](const std::string& rows) {
        return quarantine_.keepCookieRows(location, host, rows);
    });
    if (outcome == scan::RowsOutcome::Done) quarantine_.settle(location, false);
    const bool left = outcome == scan::RowsOutcome::InUse || outcome == scan::RowsOutcome::NotKept ||
                      outcome == scan::RowsOutcome::Failed;
    host_.yield();
    if (firstRemovalPass()) return std::nullopt;
    return settled(location, left, outcome == scan::RowsOutcome::InUse ? message("MSG_ERR_IN_USE") : std::string());
}

void RemovalRun::RemoveExecutable(std::string_view path) {
    if (path.find('\\') == std::string_view::npos || !fileIsPresent(platform_.files, path)) return;
    const std::string name = fileNamePart(path);
    // A process that survives keeps its file for now; the second pass tries again.
    const bool stopped = hooks_.stopProcessByName ? hooks_.stopProcessByName(name)
                                                  : processes::StopProcessByName(platform_.processes, host_, name);
    if (!stopped) {
        // The program still runs from its file: the file is in use.
        quarantine_.noteFailure(platform::Status::failure(platform::error::SharingViolation));
        return;
    }
    (void)quarantine_.quarantineFile(path);
}

void RemovalRun::RemoveLibrary(std::string_view path) {
    if (path.find('\\') == std::string_view::npos || !fileIsPresent(platform_.files, path)) return;
    // Unregistered only once its verified copy is kept: a library that cannot be kept
    // stays registered and in place.
    const auto stored = quarantine_.storeFile(path);
    if (!stored) return;
    IndexEntry entry;
    entry.kind = EntryKind::File;
    entry.kept = *stored;
    const std::string keptPath = platform::JoinPath(quarantine_.folder(), *stored);
    if (const auto kept = platform_.files.lookup(keptPath)) entry.size = kept->size;
    entry.sha256 = FileSha256(platform_.files, platform_.signatures, keptPath);
    if (!quarantine_.record(path, std::move(entry))) return;
    (void)unregisterLibrary(platform_.processes, platform_.shell, path);
    if (platform_.files.deleteFile(path).ok()) log_.logQuarantinedFile(path, *stored);
    quarantine_.settle(path, fileIsPresent(platform_.files, path));
}

void RemovalRun::DeleteRegistryValue(platform::RootKey root, std::string_view keyPath, std::string_view valueName) {
    // Only a value that was really deleted is recorded as removed.
    if (!platform_.registry.deleteValue(root, keyPath, valueName).ok()) return;
    log_.logRemovedRegistryEntry(rootKeyName(static_cast<std::uint32_t>(root)) + "\\" + std::string(keyPath),
                                 valueName);
}

bool RemovalRun::DeleteRegistryKey(platform::RootKey root, std::string_view keyPath) {
    if (!platform_.registry.deleteKeyTree(root, keyPath).ok()) return false;
    log_.logRemovedRegistryEntry(rootKeyName(static_cast<std::uint32_t>(root)) + "\\" + std::string(keyPath),
                                 "All Values");
    return true;
}

}  // namespace sorvane::removal
