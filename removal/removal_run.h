#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "removal/frm_delete.h"
#include "removal/quarantine.h"
#include "removal/quarantine_index.h"
#include "removal/quarantine_log.h"
#include "removal/removal_guard.h"
#include "removal/restore_point.h"
#include "ui/form.h"

namespace sorvane::removal {

// The controls of the main window that a removal run reads and updates.
struct RemovalView {
    ui::ListView& lvwPicRemoveListOfSpywareFoundAndToBeRemoved;  // the checkable results list
    ui::ListView& lvwFilesToBeDeleted;
    ui::ListView& lvwRegistryToBeDeleted;
    ui::ListView& lvwCookiesToDelete;
    ui::ListView& lvwSpywareFound;
    ui::ProgressBar& pgbDeleteSpywaresFound;
    ui::Label& lblDeletingPercentageCompleted;
    ui::Label& lblDeletingCaption;
    // The navigation labels and the data-submission choice; a window without pages
    // (the console program's) has none of them.
    ui::Label* lblSweepNow = nullptr;
    ui::Label* lblOptions = nullptr;
    ui::Label* lblResult = nullptr;
    ui::Label* lblExit = nullptr;
    ui::Label* lblRemove = nullptr;
    ui::CheckBox* chkSendData = nullptr;
};

// Finds the controls by name; nothing when the window lacks one of the lists, labels or bar.
std::optional<RemovalView> bindRemovalView(ui::Form& main);

// What the run needs from the rest of the program.
struct RemovalHooks {
    // The message catalogue's text for a key.
    std::function<std::string(std::string_view key)> message;
    // Stops the first running process of that executable name; false when it survived.
    // Unset: the program's own process stop.
    std::function<bool(std::string_view fileName)> stopProcessByName;
    // The per-user settings store.
    std::function<std::string(std::string_view section, std::string_view key, std::string_view fallback)> readSetting;
    std::function<void(std::string_view section, std::string_view key, std::string_view value)> writeSetting;
    std::function<void()> showResultsPage;
    std::function<void(bool on)> armBackgroundTimers;
    std::function<void()> refreshStatusPanel;
    std::function<void()> sendProcessList;
};

// The standard name of a predefined root key ("HKEY_LOCAL_MACHINE"); empty for others.
std::string rootKeyName(std::uint32_t handle);
// The extension of a path, upper-cased: the text after its last "." when no "\" or ":"
// follows that "."; empty otherwise.
std::string pathExtension(std::string_view path);
// i / count * 100 rounded to the nearest integer, halves to the even one.
int percentOf(std::size_t i, std::size_t count);

// "Delete" on the results page: confirmation, a restore point, two passes over the
// checked work rows (the first removes and logs, the second retries silently and
// collects what resisted), list clean-up and the running total.
class RemovalRun {
public:
    RemovalRun(platform::Platform& platform, ui::Host& host, RemovalView view, FrmDelete& problems,
               RemovalHooks hooks, std::string productName);
    // The restore point's memory reads the hooks this object holds.
    RemovalRun(const RemovalRun&) = delete;
    RemovalRun& operator=(const RemovalRun&) = delete;

    // The "Delete" button; `autoRemove` (a scheduled scan's automatic removal) skips every question.
    void Command4_Click(bool autoRemove);
    // The removal run itself ("Remove").
    void lblRemove_Click();

    bool anyRowChecked() const;
    // The question "Delete" asks, naming the quarantine folder and, where the system has
    // one, the restore point.
    std::string confirmationText();
    // Shows the progress controls, clears the problem list and runs the removal.
    void start();

    void RunRemovalPass();
    void RemoveExecutable(std::string_view path);
    void RemoveLibrary(std::string_view path);
    void DeleteRegistryValue(platform::RootKey root, std::string_view keyPath, std::string_view valueName);
    bool DeleteRegistryKey(platform::RootKey root, std::string_view keyPath);

    bool running() const { return running_; }
    bool firstRemovalPass() const { return firstPass_; }
    std::size_t problemsInLastPass() const { return problems_; }
    Quarantine& quarantine() { return quarantine_; }
    QuarantineLog& log() { return log_; }
    QuarantineIndex& index() { return index_; }
    RestorePoint& restorePoint() { return restorePoint_; }
    // What became of the last run's restore point, in the catalogue's words; empty when none
    // was asked for.
    std::string restorePointText() const;

private:
    std::string message(std::string_view key) const;
    void showProgress(bool visible);
    void setPassStatus(std::size_t i, std::size_t count);
    void removeFileRow(std::size_t row);
    void removeRegistryRow(std::size_t row);
    void removeCookieRow(std::size_t row);
    void removeStoreCookies(std::size_t row, const std::string& location, const std::string& storePath,
                            const std::string& host, const std::string& threat);
    // Removes the checked rows; answers how many went.
    std::size_t dropCheckedRows(ui::ListView& list);
    void addToRemovedTotal(std::int64_t removed);
    // A row removal may not touch: skipped in the first pass, listed in the second.
    // `reason` names the cause shown beside the item in "Delete Failed" (empty: none known).
    bool refused(std::size_t row, std::string_view shown, bool allowed, ui::ListView& list, std::string_view threat,
                 std::string_view reason = {});
    void listProblem(std::size_t row, std::string_view shown, ui::ListView& list, std::string_view threat,
                     std::string_view reason = {});
    std::string threatOfCookie(std::string_view path) const;
    // The catalogue's words for why an item resisted: the system's `code`, else the quarantine folder's failure.
    std::string failureReason(std::uint32_t code) const;

    platform::Platform& platform_;
    ui::Host& host_;
    RemovalView view_;
    FrmDelete& problemsForm_;
    RemovalHooks hooks_;
    std::string productName_;
    QuarantineLog log_;
    Quarantine quarantine_;
    RestorePoint restorePoint_;
    QuarantineIndex index_;
    std::optional<RemovalGuard> guard_;
    bool firstPass_ = false;
    bool running_ = false;
    // The user pressed "Delete" and saw the promise of a restore point: a run that could not
    // keep it says so at its end.
    bool tellRestorePoint_ = false;
    std::size_t problems_ = 0;
    // Why the quarantine folder could not be made (0: it was, or was there): without it no
    // copy is kept, so nothing is deleted, and that is the cause the user is shown.
    std::uint32_t folderFailure_ = 0;
};

}  // namespace sorvane::removal
