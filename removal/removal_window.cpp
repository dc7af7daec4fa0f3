#include "removal/removal_window.h"

#include <unordered_map>

#include "definitions/records.h"
#include "platform/text.h"
#include "scan/result_rows.h"

namespace sorvane::removal {
namespace {

template <class T>
T* findControl(ui::Form& form, std::string_view name) {
    return form.findAs<T>(name);
}

// What tells one work row from another: its list and its columns, as the scan wrote them.
std::string WorkRowKey(const scan::Finding& finding) {
    if (finding.isRegistry())
        return "R\n" + definitions::HiveHandleText(finding.registry.root) + "\n" + finding.registry.key + "\n" +
               finding.registry.value + "\n" + finding.threat;
    if (finding.kind == scan::FindingKind::Cookie) return "C\n" + finding.path;
    return "F\n" + finding.path + "\n" + finding.threat;
}

// The recorded findings by the work row that shows them; rows of the same columns are matched
// to their findings in turn.
class RecordedRows {
public:
    explicit RecordedRows(const scan::Findings* findings) {
        if (!findings) return;
        for (const auto& finding : *findings)
            if (finding.trace && finding.kind != scan::FindingKind::Process)
                byRow_[WorkRowKey(finding)].findings.push_back(&finding);
    }
    // The finding the row read back as `shown` was made from; nothing when the record has none.
    const scan::Finding* take(const scan::Finding& shown) {
        const auto it = byRow_.find(WorkRowKey(shown));
        if (it == byRow_.end()) return nullptr;
        auto& [findings, next] = it->second;
        return next < findings.size() ? findings[next++] : nullptr;
    }

private:
    struct Matches {
        std::vector<const scan::Finding*> findings;
        std::size_t next = 0;
    };
    std::unordered_map<std::string, Matches> byRow_;
};

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

RemovalWindow::RemovalWindow(ui::Host& host, RemovalRun& run, RemovalView view, FrmDelete& problems,
                             std::string productName)
    : host_(host), run_(run), view_(view), problemsForm_(problems), productName_(std::move(productName)) {}

bool RemovalWindow::anyRowChecked() const {
    for (const auto& row : view_.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.items())
        if (row.checked) return true;
    return false;
}

void RemovalWindow::Command4_Click(bool autoRemove) {
    // "Delete" stays clickable while a run yields; a second run inside the first would
    // work on rows the first is about to drop.
    if (run_.running()) return;
    if (!anyRowChecked()) {
        if (!autoRemove) host_.messageBox(run_.message("MSG_SELECTED"), productName_, ui::mb::Information);
        return;
    }
    if (!autoRemove) {
        const auto question = run_.confirmationText();
        if (host_.messageBox(question, run_.message("MSG_REALLY"), ui::mb::YesNo) != ui::Answer::Yes) return;
    }
    // The user pressed "Delete" and saw the promise of a restore point: a run that could not
    // keep it says so at its end.
    begin(!autoRemove);
}

void RemovalWindow::start() { begin(false); }

void RemovalWindow::begin(bool tellRestorePoint) {
    if (run_.running()) return;
    showProgress(true);
    problemsForm_.clearProblems();
    lblRemoveClick(tellRestorePoint);
}

void RemovalWindow::lblRemove_Click() { lblRemoveClick(false); }

void RemovalWindow::lblRemoveClick(bool tellRestorePoint) {
    if (run_.running()) return;
    (void)run_.run(checkedFindings(), *this, tellRestorePoint);
}

std::string RemovalWindow::threatOfCookie(std::string_view path) const {
    for (const auto& row : view_.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.items())
        if (text::equalsNoCase(row.subItem(1), path)) return row.text;
    return {};
}

std::vector<scan::Finding> RemovalWindow::checkedFindings() {
    // Each work row shows one finding, its columns written by the scan; read back, they give
    // the run what it removes. The lists keep their rows until both passes are over.
    std::vector<scan::Finding> chosen;
    rows_.clear();
    auto& files = view_.lvwFilesToBeDeleted;
    auto& registry = view_.lvwRegistryToBeDeleted;
    auto& cookies = view_.lvwCookiesToDelete;
    for (std::size_t row = 0; row < files.count(); ++row) {
        if (!files.item(row).checked) continue;
        auto finding = scan::Finding::at(scan::FindingKind::File, files.item(row).text);
        finding.threat = files.item(row).subItem(1);
        chosen.push_back(std::move(finding));
        rows_.push_back({&files, row, 0});
    }
    for (std::size_t row = 0; row < registry.count(); ++row) {
        if (!registry.item(row).checked) continue;
        const auto trace = scan::ReadRegistryTraceRow(registry.item(row));
        scan::Finding finding;
        finding.kind =
            text::trim(trace.value).empty() ? scan::FindingKind::RegistryKey : scan::FindingKind::RegistryValue;
        // A row naming no predefined root key keeps none: the run leaves it alone.
        finding.registry = {trace.root().value_or(platform::RootKey{}), trace.key, trace.value};
        finding.threat = trace.threat;
        chosen.push_back(std::move(finding));
        rows_.push_back({&registry, row, files.count()});
    }
    for (std::size_t row = 0; row < cookies.count(); ++row) {
        if (!cookies.item(row).checked) continue;
        auto finding = scan::Finding::at(scan::FindingKind::Cookie, cookies.item(row).text);
        finding.threat = threatOfCookie(finding.path);
        chosen.push_back(std::move(finding));
        rows_.push_back({&cookies, row, files.count() + registry.count()});
    }
    // The rows are the findings' own: where the scan's record still holds a row's finding, the
    // run gets it as the scan made it (its kind, note and exclusion).
    RecordedRows recorded(recordedFindings());
    for (auto& finding : chosen) {
        if (const scan::Finding* made = recorded.take(finding)) {
            std::string threat = std::move(finding.threat);
            finding = *made;
            // A cookie's threat is the one its results row shows now.
            if (finding.kind == scan::FindingKind::Cookie) finding.threat = std::move(threat);
        }
        finding.trace = true;
    }
    return chosen;
}

void RemovalWindow::showProgress(bool visible) {
    view_.pgbDeleteSpywaresFound.setVisible(visible);
    view_.lblDeletingPercentageCompleted.setVisible(visible);
    view_.lblDeletingCaption.setVisible(visible);
}

void RemovalWindow::runStarted() {
    showResultsPage();
    for (ui::Label* label : {view_.lblSweepNow, view_.lblOptions, view_.lblResult, view_.lblExit})
        if (label) label->setEnabled(true);
    if (view_.lblRemove) view_.lblRemove->setEnabled(false);
    armBackgroundTimers(false);
    showProgress(true);
}

void RemovalWindow::statusChanged(std::string_view caption) {
    view_.lblDeletingPercentageCompleted.setCaption(std::string(caption));
}

void RemovalWindow::passStarted(bool) {
    if (view_.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.empty()) return;
    auto& bar = view_.pgbDeleteSpywaresFound;
    bar.setVisible(true);
    view_.lblDeletingPercentageCompleted.setVisible(true);
    view_.lblDeletingPercentageCompleted.setCaption(run_.message("MSG_REMOVING"));
    bar.setValue(0);
    bar.setMax(static_cast<int>(view_.lvwFilesToBeDeleted.count() + view_.lvwRegistryToBeDeleted.count() +
                                view_.lvwCookiesToDelete.count()));
}

void RemovalWindow::itemStarted(std::size_t index, const scan::Finding&, std::string_view current) {
    if (index >= rows_.size()) return;
    const auto& at = rows_[index];
    // The bar counts every row of the lists, checked or not; the caption, the rows of this item's list.
    view_.pgbDeleteSpywaresFound.setValue(static_cast<int>(at.before + at.row + 1));
    view_.lblDeletingPercentageCompleted.setCaption(run_.message("MSG_REMOVING2") + " : " +
                                                    std::to_string(percentOf(at.row + 1, at.list->count())) + "% " +
                                                    run_.message("MSG_COMPLETED"));
    view_.lblDeletingCaption.setCaption(std::string(current));
}

void RemovalWindow::outcomeRecorded(std::size_t index, const scan::Finding& item, const RemovalOutcome& outcome) {
    if (!outcome.listed() || index >= rows_.size()) return;
    problemsForm_.addProblem(outcome.shown, outcome.cause);
    // What stayed stays checked nowhere: the run's end drops only the rows of what went.
    auto& results = view_.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    for (std::size_t i = 0; i < results.count(); ++i) {
        if (results.item(i).text == item.threat) {
            results.setChecked(i, false);
            break;
        }
    }
    rows_[index].list->setChecked(rows_[index].row, false);
}

void RemovalWindow::passFinished(std::size_t listed) {
    if (listed > 0) problemsForm_.show(false);
}

void RemovalWindow::dropCheckedRows(ui::ListView& list) {
    for (std::size_t row = 0; row < list.count();) {
        if (list.item(row).checked)
            list.remove(row);
        else
            ++row;
    }
}

void RemovalWindow::runFinished(const RemovalTotals&) {
    rows_.clear();
    for (ui::ListView* list : {&view_.lvwFilesToBeDeleted, &view_.lvwRegistryToBeDeleted, &view_.lvwCookiesToDelete,
                               &view_.lvwSpywareFound, &view_.lvwPicRemoveListOfSpywareFoundAndToBeRemoved})
        dropCheckedRows(*list);
    view_.lblDeletingCaption.setCaption("");

    view_.pgbDeleteSpywaresFound.setValue(view_.pgbDeleteSpywaresFound.max());
    view_.lblDeletingPercentageCompleted.setCaption("100% " + run_.message("MSG_COMPLETE"));

    armBackgroundTimers(true);
    if (view_.lblRemove) view_.lblRemove->setEnabled(true);
    if (view_.chkSendData && view_.chkSendData->checked()) sendProcessList();
    refreshStatusPanel();
    showProgress(false);
}

}  // namespace sorvane::removal
