#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "removal/frm_delete.h"
#include "removal/removal_observer.h"
#include "removal/removal_run.h"
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
    // The navigation labels and the data-submission choice; a window without pages has none of them.
    ui::Label* lblSweepNow = nullptr;
    ui::Label* lblOptions = nullptr;
    ui::Label* lblResult = nullptr;
    ui::Label* lblExit = nullptr;
    ui::Label* lblRemove = nullptr;
    ui::CheckBox* chkSendData = nullptr;
};

// Finds the controls by name; nothing when the window lacks one of the lists, labels or bar.
std::optional<RemovalView> bindRemovalView(ui::Form& main);

// "Delete" and "Remove" on the results page: the findings whose work rows are checked go to
// the run, and the run's progress and outcomes fill the window's bar, captions, lists and
// "Delete Failed" window. What only the main window can do is left to the derived class.
class RemovalWindow : public RemovalObserver {
public:
    RemovalWindow(ui::Host& host, RemovalRun& run, RemovalView view, FrmDelete& problems, std::string productName);

    // The "Delete" button; `autoRemove` (a scheduled scan's automatic removal) skips every question.
    void Command4_Click(bool autoRemove);
    // The removal run itself ("Remove").
    void lblRemove_Click();
    // Shows the progress controls, clears the problem list and runs the removal.
    void start();
    bool anyRowChecked() const;

    // The findings the checked work rows show, files, then registry items, then cookies.
    std::vector<scan::Finding> checkedFindings();

    void runStarted() override;
    void statusChanged(std::string_view caption) override;
    void passStarted(bool firstPass) override;
    void itemStarted(std::size_t index, const scan::Finding& item, std::string_view current) override;
    void outcomeRecorded(std::size_t index, const scan::Finding& item, const RemovalOutcome& outcome) override;
    void passFinished(std::size_t listed) override;
    void runFinished(const RemovalTotals& totals) override;

protected:
    // The connections to the rest of the main window, which every window must make.
    virtual void showResultsPage() = 0;
    virtual void armBackgroundTimers(bool on) = 0;
    virtual void refreshStatusPanel() = 0;
    // Sends the running programs' names, when the user chose to share them.
    virtual void sendProcessList() = 0;
    // The scan's record of what it found, from which the work rows were made. Nothing (a
    // window no scan has filled yet): the rows alone tell the run what to remove, and
    // nothing else changes.
    virtual const scan::Findings* recordedFindings() { return nullptr; }

private:
    // Where a work row stands: its list, its index and the rows of the lists before it, which
    // the bar counts first.
    struct WorkRow {
        ui::ListView* list;
        std::size_t row;
        std::size_t before;
    };
    void begin(bool tellRestorePoint);
    void lblRemoveClick(bool tellRestorePoint);
    void showProgress(bool visible);
    // The rows still checked are those of what went: what stayed was unchecked as it was listed.
    static void dropCheckedRows(ui::ListView& list);
    std::string threatOfCookie(std::string_view path) const;

    ui::Host& host_;
    RemovalRun& run_;
    RemovalView view_;
    FrmDelete& problemsForm_;
    std::string productName_;
    // The work row of each finding handed to the run, by its index.
    std::vector<WorkRow> rows_;
};

}  // namespace sorvane::removal
