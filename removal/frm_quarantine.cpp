#include "removal/frm_quarantine.h"

#include <algorithm>

#include "removal/quarantine.h"

namespace sorvane::removal {
namespace {

std::string_view kindKey(EntryKind kind) {
    switch (kind) {
    case EntryKind::File: return "MSG_KIND_FILE";
    case EntryKind::Folder: return "MSG_KIND_FOLDER";
    case EntryKind::Cookie: return "MSG_KIND_COOKIE";
    case EntryKind::Link: return "MSG_KIND_LINK";
    case EntryKind::RegistryValue: return "MSG_KIND_VALUE";
    case EntryKind::RegistryKey: return "MSG_KIND_KEY";
    case EntryKind::CookieRows: return "MSG_KIND_COOKIE_ROWS";
    }
    return {};
}

// "2006-03-16T21:05:07" as "2006-03-16 21:05:07".
std::string dateText(std::string date) {
    if (date.size() > 10 && date[10] == 'T') date[10] = ' ';
    return date;
}

using enum ui::ControlType;
constexpr ui::ColumnDesign QuarantineColumns[] = {
    {"Threat", 2200}, {"Kind", 1200}, {"Original Location", 4000}, {"Date", 1700}};
constexpr ui::ControlDesign Controls[] = {
    {.name = "lblQuarantine",
     .type = Label,
     .geometry = {120, 120, 9240, 360},
     .caption = "Check the items to put back where they were, or to delete for good."},
    {.name = "lvwQuarantine", .type = ListView, .geometry = {120, 540, 9240, 3900}, .columns = QuarantineColumns},
    {.name = "cmdRestore", .type = CommandButton, .geometry = {120, 4560, 1320, 420}, .caption = "Restore"},
    {.name = "cmdDelete", .type = CommandButton, .geometry = {1560, 4560, 1320, 420}, .caption = "Delete"},
    {.name = "cmdOpenFolder", .type = CommandButton, .geometry = {3000, 4560, 1560, 420}, .caption = "Open Folder"},
    {.name = "cmdClose", .type = CommandButton, .geometry = {8040, 4560, 1320, 420}, .caption = "Close"},
};

}  // namespace

const ui::FormLayout FrmQuarantine::Layout{"frmQuarantine", Controls};

FrmQuarantine::FrmQuarantine(ui::Host& host, QuarantineStore& store, platform::Shell& shell,
                             std::function<std::string()> productName,
                             std::function<std::string(std::string_view)> message, std::string quarantineFolder)
    : ui::Form(host, Layout),
      lblQuarantine(designed<ui::Label>("lblQuarantine")),
      lvwQuarantine(designed<ui::ListView>("lvwQuarantine")),
      cmdRestore(designed<ui::CommandButton>("cmdRestore")),
      cmdDelete(designed<ui::CommandButton>("cmdDelete")),
      cmdOpenFolder(designed<ui::CommandButton>("cmdOpenFolder")),
      cmdClose(designed<ui::CommandButton>("cmdClose")),
      store_(store),
      shell_(shell),
      productName_(std::move(productName)),
      message_(std::move(message)),
      folder_(std::move(quarantineFolder)) {
    setCaption("Quarantine");
    setSize(9600, 5400);
    lvwQuarantine.setCheckBoxes(true);
    cmdRestore.onClick = [this] { cmdRestore_Click(); };
    cmdDelete.onClick = [this] { cmdDelete_Click(); };
    cmdOpenFolder.onClick = [this] { cmdOpenFolder_Click(); };
    cmdClose.onClick = [this] { cmdClose_Click(); };
}

void FrmQuarantine::refresh() {
    lvwQuarantine.clear();
    rows_.clear();
    if (!store_.load()) {
        lblQuarantine.setCaption(unreadableText());
        return;
    }
    // The items that are still kept away from their place; restored ones stay in the index.
    for (const auto& entry : store_.entries()) {
        if (entry.state == EntryState::Restored) continue;
        lvwQuarantine.add(entry.threat.empty() ? entry.original : entry.threat);
        const std::size_t index = lvwQuarantine.count() - 1;
        lvwQuarantine.setSubItem(index, 1, message_(kindKey(entry.kind)));
        lvwQuarantine.setSubItem(index, 2, entry.original);
        lvwQuarantine.setSubItem(index, 3, dateText(entry.date));
        rows_.push_back(Row{entry.id, entry.original, entry.date});
    }
    cmdRestore.setEnabled(!rows_.empty());
    cmdDelete.setEnabled(!rows_.empty());
}

std::vector<FrmQuarantine::Row> FrmQuarantine::checkedRows() const {
    std::vector<Row> rows;
    for (std::size_t row = 0; row < lvwQuarantine.count() && row < rows_.size(); ++row)
        if (lvwQuarantine.item(row).checked) rows.push_back(rows_[row]);
    return rows;
}

bool FrmQuarantine::currentIds(const std::vector<Row>& rows, std::vector<std::uint64_t>& ids,
                               std::vector<StoreResult>& results) {
    // Acting on the copy read when the list was filled would save it over the newer entries.
    if (!store_.load()) {
        refresh();
        host().messageBox(unreadableText(), productName_(), ui::mb::Exclamation);
        return false;
    }
    const auto& entries = store_.entries();
    for (const auto& row : rows) {
        // An id freed by a purge elsewhere may since name a newer entry.
        const bool same = std::any_of(entries.begin(), entries.end(), [&](const IndexEntry& entry) {
            return entry.id == row.id && entry.original == row.original && entry.date == row.date;
        });
        if (same) {
            ids.push_back(row.id);
        } else {
            results.push_back(StoreResult{row.id, Outcome::NotFound, message_("MSG_QUAR_GONE") + " " + row.original});
        }
    }
    return true;
}

void FrmQuarantine::report(const std::vector<StoreResult>& results, std::string_view doneKey) {
    std::string problems;
    std::size_t done = 0;
    for (const auto& result : results) {
        if (result.outcome == Outcome::Done) {
            ++done;
            continue;
        }
        problems += result.detail.empty() ? std::string(OutcomeName(result.outcome)) : result.detail;
        problems += "\r\n";
    }
    std::string text = message_(doneKey) + " " + std::to_string(done);
    if (!problems.empty()) text += "\r\n\r\n" + problems;
    host().messageBox(text, productName_(), problems.empty() ? ui::mb::Information : ui::mb::Exclamation);
}

void FrmQuarantine::cmdRestore_Click() {
    const auto rows = checkedRows();
    if (rows.empty()) {
        host().messageBox(message_("MSG_QUAR_NONE_CHECKED"), productName_(), ui::mb::Information);
        return;
    }
    std::vector<StoreResult> results;
    std::vector<std::uint64_t> ids;
    if (!currentIds(rows, ids, results)) return;
    for (const auto id : ids) results.push_back(store_.restore(id));
    refresh();
    report(results, "MSG_QUAR_RESTORED");
}

void FrmQuarantine::cmdDelete_Click() {
    const auto rows = checkedRows();
    if (rows.empty()) {
        host().messageBox(message_("MSG_QUAR_NONE_CHECKED"), productName_(), ui::mb::Information);
        return;
    }
    const std::string question = message_("MSG_QUAR_DELETE_SURE1") + " " + std::to_string(rows.size()) + "\r\n\r\n" +
                                 message_("MSG_QUAR_DELETE_SURE2");
    if (host().messageBox(question, productName_(), ui::mb::YesNo | ui::mb::Question) != ui::Answer::Yes) return;
    // Read after the answer: a scheduled removal may have run while the question was up.
    std::vector<StoreResult> results;
    std::vector<std::uint64_t> ids;
    if (!currentIds(rows, ids, results)) return;
    for (const auto id : ids) results.push_back(store_.purge(id));
    refresh();
    report(results, "MSG_QUAR_DELETED");
}

std::string FrmQuarantine::unreadableText() const {
    return message_("MSG_QUAR_UNREADABLE") + " " + folder_ + "\\index.json";
}

void FrmQuarantine::cmdOpenFolder_Click() {
    showFolder(shell_, folder_);
}

}  // namespace sorvane::removal
