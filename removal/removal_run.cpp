#include "removal/removal_run.h"

#include <array>
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
#include "scan/result_rows.h"

namespace sorvane::removal {
namespace {

constexpr std::string_view CrLf = "\r\n";
// A few turns of the message loop so that "Gathering information..." gets painted.
constexpr int InformationYields = 3;

template <class T>
T* findControl(ui::Form& form, std::string_view name) {
    return form.findAs<T>(name);
}

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

}  // namespace

std::optional<RemovalView> bindRemovalView(ui::Form& main) {
    auto* results = findControl<ui::ListView>(main, "lvwPicRemoveListOfSpywareFoundAndToBeRemoved");
    auto* files = findControl<ui::ListView>(main, "lvwFilesToBeDeleted");
    auto* registry = findControl<ui::ListView>(main, "lvwRegistryToBeDeleted");
    auto* cookies = findControl<ui::ListView>(main, "lvwCookiesToDelete");
    auto* found = findControl<ui::ListView>(main, "lvwSpywareFound");
    auto* progress = findControl<ui::ProgressBar>(main, "pgbDeleteSpywaresFound");
    auto* status = findControl<ui::Label>(main, "lblDeletingPercentageCompleted");
    auto* current = findControl<ui::Label>(main, "lblDeletingCaption");
    if (!results || !files || !registry || !cookies || !found || !progress || !status || !current)
        return std::nullopt;
    RemovalView view{*results, *files, *registry, *cookies, *found, *progress, *status, *current};
    view.lblSweepNow = findControl<ui::Label>(main, "lblSweepNow");
    view.lblOptions = findControl<ui::Label>(main, "lblOptions");
    view.lblResult = findControl<ui::Label>(main, "lblResult");
    view.lblExit = findControl<ui::Label>(main, "lblExit");
    view.lblRemove = findControl<ui::Label>(main, "lblRemove");
    view.chkSendData = findControl<ui::CheckBox>(main, "chkSendData");
    return view;
}

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

RemovalRun::RemovalRun(platform::Platform& platform, ui::Host& host, RemovalView view, FrmDelete& problems,
                       RemovalHooks hooks, std::string productName)
    : platform_(platform),
      host_(host),
      view_(view),
      problemsForm_(problems),
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

bool RemovalRun::anyRowChecked() const {
    for (const auto& row : view_.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.items())
        if (row.checked) return true;
    return false;
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

void RemovalRun::Command4_Click(bool autoRemove) {
    // "Delete" stays clickable while a run yields; a second run inside the first would
    // work on rows the first is about to drop.
    if (running_) return;
    if (!anyRowChecked()) {
        if (!autoRemove) host_.messageBox(message("MSG_SELECTED"), productName_, ui::mb::Information);
        return;
    }
    if (!autoRemove) {
        const auto question = confirmationText();
        if (host_.messageBox(question, message("MSG_REALLY"), ui::mb::YesNo) != ui::Answer::Yes) return;
    }
    tellRestorePoint_ = !autoRemove;
    start();
    tellRestorePoint_ = false;
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

void RemovalRun::start() {
    if (running_) return;
    showProgress(true);
    problemsForm_.clearProblems();
    lblRemove_Click();
}

void RemovalRun::showProgress(bool visible) {
    view_.pgbDeleteSpywaresFound.setVisible(visible);
    view_.lblDeletingPercentageCompleted.setVisible(visible);
    view_.lblDeletingCaption.setVisible(visible);
}

void RemovalRun::lblRemove_Click() {
    if (running_) return;
    running_ = true;
    const platform::Status folderMade = quarantine_.createFolder();
    folderFailure_ = folderMade.is(platform::error::AlreadyExists) ? 0 : folderMade.code();
    if (hooks_.showResultsPage) hooks_.showResultsPage();
    for (ui::Label* label : {view_.lblSweepNow, view_.lblOptions, view_.lblResult, view_.lblExit})
        if (label) label->setEnabled(true);
    if (view_.lblRemove) view_.lblRemove->setEnabled(false);
    if (hooks_.armBackgroundTimers) hooks_.armBackgroundTimers(false);
    showProgress(true);

    view_.lblDeletingPercentageCompleted.setCaption(message("MSG_INFORMATION"));
    for (int i = 0; i < InformationYields; ++i) host_.yield();
    view_.lblDeletingPercentageCompleted.setCaption("");

    const bool restorePoints = restorePoint_.supported();
    restorePoint_.forgetOutcome();
    if (restorePoints) {
        view_.lblDeletingPercentageCompleted.setCaption(message("MSG_RESTOREPOINT"));
        host_.yield();
        // A restore point that cannot be made is no reason to keep the threats.
        platform::TraceFailure(restorePoint_.begin(productName_ + " Restore Point " + log_.timestamp()),
                               "making a restore point");
        view_.lblDeletingPercentageCompleted.setCaption(restorePointText());
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
    RunRemovalPass();
    firstPass_ = false;
    RunRemovalPass();
    log_.setEnabled(false);
    quarantine_.setGuard(nullptr);
    quarantine_.setIndex(nullptr, {});

    if (restorePoints) (void)restorePoint_.end();

    // Rows still checked after both passes are the traces that went; the ones that resisted
    // were unchecked by the second pass.
    std::int64_t removed = 0;
    for (ui::ListView* list : {&view_.lvwFilesToBeDeleted, &view_.lvwRegistryToBeDeleted, &view_.lvwCookiesToDelete})
        removed += static_cast<std::int64_t>(dropCheckedRows(*list));
    for (ui::ListView* list : {&view_.lvwSpywareFound, &view_.lvwPicRemoveListOfSpywareFoundAndToBeRemoved})
        dropCheckedRows(*list);
    view_.lblDeletingCaption.setCaption("");

    view_.pgbDeleteSpywaresFound.setValue(view_.pgbDeleteSpywaresFound.max());
    view_.lblDeletingPercentageCompleted.setCaption("100% " + message("MSG_COMPLETE"));

    if (hooks_.armBackgroundTimers) hooks_.armBackgroundTimers(true);
    if (view_.lblRemove) view_.lblRemove->setEnabled(true);

    addToRemovedTotal(removed);
    if (view_.chkSendData && view_.chkSendData->checked() && hooks_.sendProcessList) hooks_.sendProcessList();
    if (hooks_.refreshStatusPanel) hooks_.refreshStatusPanel();
    showProgress(false);
    running_ = false;
    // The question promised a restore point: one that was not made, or that Windows took from
    // earlier, is not passed over in silence.
    const auto point = restorePoint_.outcome();
    if (restorePoints && tellRestorePoint_ &&
        (point == RestorePointOutcome::NotMade || point == RestorePointOutcome::Reused))
        host_.messageBox(restorePointText(), productName_, ui::mb::Information);
}

// The total counts what was actually removed. Adding the found-counters instead would count
// each threat twice, count what resisted, and grow again at every further run over the same rows.
void RemovalRun::addToRemovedTotal(std::int64_t removed) {
    if (!hooks_.readSetting || !hooks_.writeSetting) return;
    const std::int64_t total = text::numericValue(hooks_.readSetting("Settings", "lblDefRemoved", "0")) + removed;
    hooks_.writeSetting("Settings", "lblDefRemoved", std::to_string(total));
}

std::size_t RemovalRun::dropCheckedRows(ui::ListView& list) {
    std::size_t dropped = 0;
    for (std::size_t row = 0; row < list.count();) {
        if (list.item(row).checked) {
            list.remove(row);
            ++dropped;
        } else {
            ++row;
        }
    }
    return dropped;
}

void RemovalRun::setPassStatus(std::size_t i, std::size_t count) {
    view_.lblDeletingPercentageCompleted.setCaption(message("MSG_REMOVING2") + " : " +
                                                   std::to_string(percentOf(i, count)) + "% " +
                                                   message("MSG_COMPLETED"));
}

void RemovalRun::RunRemovalPass() {
    problems_ = 0;
    auto& files = view_.lvwFilesToBeDeleted;
    auto& registry = view_.lvwRegistryToBeDeleted;
    auto& cookies = view_.lvwCookiesToDelete;
    auto& bar = view_.pgbDeleteSpywaresFound;
    if (!view_.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.empty()) {
        bar.setVisible(true);
        view_.lblDeletingPercentageCompleted.setVisible(true);
        view_.lblDeletingPercentageCompleted.setCaption(message("MSG_REMOVING"));
        bar.setValue(0);
        bar.setMax(static_cast<int>(files.count() + registry.count() + cookies.count()));
    }

    // Rows are read by index each time: the lists only change after both passes.
    for (std::size_t row = 0; row < files.count(); ++row) {
        if (!files.item(row).checked) continue;
        bar.setValue(static_cast<int>(row + 1));
        setPassStatus(row + 1, files.count());
        removeFileRow(row);
    }
    for (std::size_t row = 0; row < registry.count(); ++row) {
        if (!registry.item(row).checked) continue;
        bar.setValue(static_cast<int>(files.count() + row + 1));
        setPassStatus(row + 1, registry.count());
        removeRegistryRow(row);
    }
    for (std::size_t row = 0; row < cookies.count(); ++row) {
        if (!cookies.item(row).checked) continue;
        bar.setValue(static_cast<int>(files.count() + registry.count() + row + 1));
        setPassStatus(row + 1, cookies.count());
        removeCookieRow(row);
    }

    if (problems_ > 0) problemsForm_.show(false);
}

bool RemovalRun::refused(std::size_t row, std::string_view shown, bool allowed, ui::ListView& list,
                         std::string_view threat, std::string_view reason) {
    if (allowed) return false;
    if (!firstRemovalPass()) listProblem(row, shown, list, threat, reason);
    host_.yield();
    return true;
}

std::string RemovalRun::failureReason(std::uint32_t code) const {
    // The cause of the last failed copy or deletion, where it is one the user can act on; else
    // the quarantine folder's, when no copy could be kept there.
    auto key = platform::WriteFailureMessageKey(code);
    if (key.empty()) key = platform::WriteFailureMessageKey(folderFailure_);
    return key.empty() ? std::string() : message(key);
}

void RemovalRun::listProblem(std::size_t row, std::string_view shown, ui::ListView& list, std::string_view threat,
                             std::string_view reason) {
    problemsForm_.addProblem(std::string(shown), std::string(reason));
    ++problems_;
    auto& results = view_.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    for (std::size_t i = 0; i < results.count(); ++i) {
        if (results.item(i).text == threat) {
            results.setChecked(i, false);
            break;
        }
    }
    list.setChecked(row, false);
}

std::string RemovalRun::threatOfCookie(std::string_view path) const {
    for (const auto& row : view_.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.items())
        if (text::equalsNoCase(row.subItem(1), path)) return row.text;
    return {};
}

void RemovalRun::removeFileRow(std::size_t row) {
    auto& files = view_.lvwFilesToBeDeleted;
    const std::string path = files.item(row).text;
    const std::string threat = files.item(row).subItem(1);
    view_.lblDeletingCaption.setCaption(text::toLower(path));
    // Drive roots, the system's folders and what holds them, the program and its quarantine.
    if (refused(row, path, !guard_ || guard_->mayRemovePath(path), files, threat)) return;
    quarantine_.setThreat(threat);
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

    if (firstRemovalPass()) return;
    // A folder that resisted is reported as well as a file: both are still there. The
    // system finds no folder by a name that ends in a backslash.
    const std::string_view present = withoutTrailingBackslash(path);
    if (!platform_.files.lookup(present)) return;
    if (text::containsNoCase(path, ".exe")) RemoveExecutable(path);
    if (!platform_.files.lookup(present)) return;
    listProblem(row, path, files, threat, failureReason(quarantine_.lastFailure()));
}

void RemovalRun::removeRegistryRow(std::size_t row) {
    auto& list = view_.lvwRegistryToBeDeleted;
    const auto trace = scan::ReadRegistryTraceRow(list.item(row));
    const std::string rootText = text::trim(trace.rootText);
    const std::string keyPath = text::trim(trace.key);
    const std::string valueName = text::trim(trace.value);
    const std::string& threat = trace.threat;
    view_.lblDeletingCaption.setCaption(text::toLower(keyPath + "\\" + valueName));
    const auto root = trace.root();
    // A whole hive is never deleted.
    if (root && keyPath.empty() && valueName.empty() &&
        refused(row, rootKeyName(static_cast<std::uint32_t>(*root)), false, list, threat))
        return;
    // A row naming no predefined root key is not ours to interpret.
    if (rootText.empty() || keyPath.empty() || !root) {
        host_.yield();
        return;
    }
    const std::string keyText = rootKeyName(static_cast<std::uint32_t>(*root)) + "\\" + keyPath;
    const std::string shown = valueName.empty() ? keyText : keyText + "\\" + valueName;
    // A hive root or one of the keys that hold the system's structure is never deleted whole.
    if (refused(row, shown, !valueName.empty() || RemovalGuard::mayDeleteKey(*root, keyPath), list, threat)) return;

    auto& registry = platform_.registry;
    // What this account may not delete is not touched; an administrator can remove it.
    if (refused(row, shown, !scan::RegistryRemovalDenied(registry, *root, keyPath, valueName), list, threat,
                message("MSG_NEEDS_ADMIN")))
        return;
    // The data as it is just before its deletion, so that it can be put back exactly.
    IndexEntry entry;
    entry.kind = valueName.empty() ? EntryKind::RegistryKey : EntryKind::RegistryValue;
    entry.threat = threat;
    entry.root = rootKeyName(static_cast<std::uint32_t>(*root));
    entry.key = keyPath;
    // Data whose copy is not on record would be gone for good: it stays. That includes data
    // that could not be read whole (a sub-key without read rights, a value over the size
    // limit); what is not there at all has nothing to delete either.
    if (valueName.empty()) {
        entry.tree = ExportKey(registry, *root, keyPath);
        if (entry.tree && quarantine_.record(shown, std::move(entry))) {
            DeleteRegistryValue(*root, keyPath, "");
            (void)DeleteRegistryKey(*root, keyPath);
        }
    } else {
        entry.value = ExportValue(registry, *root, keyPath, valueName);
        if (entry.value && quarantine_.record(shown, std::move(entry))) DeleteRegistryValue(*root, keyPath, valueName);
    }
    // A key whose deletion stopped part-way, or that could not be kept, is still there: not
    // removed, even when it cannot be read.
    const bool left = valueName.empty() ? !RegistryKeyAbsent(registry, *root, keyPath)
                                        : !RegistryValueAbsent(registry, *root, keyPath, valueName);
    quarantine_.settle(shown, left);
    if (left && !firstRemovalPass()) listProblem(row, shown, list, threat, failureReason(0));
    host_.yield();
}

void RemovalRun::removeCookieRow(std::size_t row) {
    auto& cookies = view_.lvwCookiesToDelete;
    const std::string path = cookies.item(row).text;
    const std::string threat = threatOfCookie(path);
    view_.lblDeletingCaption.setCaption(text::toLower(path));
    const auto store = scan::SplitCookieStoreLocation(path);
    if (refused(row, path, !guard_ || guard_->mayRemovePath(store ? store->first : path), cookies, threat)) return;
    quarantine_.setThreat(threat);
    if (store) {
        removeStoreCookies(row, path, store->first, store->second, threat);
        return;
    }
    if (fileIsPresent(platform_.files, path)) quarantine_.quarantineCookieFile(path);
    host_.yield();
}

void RemovalRun::removeStoreCookies(std::size_t row, const std::string& location, const std::string& storePath,
                                    const std::string& host, const std::string& threat) {
    // A running browser holds its store: its rows stay until it is closed.
    const auto outcome = scan::RemoveCookieRows(storePath, host, [&](const std::string& rows) {
        return quarantine_.keepCookieRows(location, host, rows);
    });
    if (outcome == scan::RowsOutcome::Done) quarantine_.settle(location, false);
    const bool left = outcome == scan::RowsOutcome::InUse || outcome == scan::RowsOutcome::NotKept ||
                      outcome == scan::RowsOutcome::Failed;
    if (left && !firstRemovalPass())
        listProblem(row, location, view_.lvwCookiesToDelete, threat,
                    outcome == scan::RowsOutcome::InUse ? message("MSG_ERR_IN_USE") : std::string());
    host_.yield();
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
