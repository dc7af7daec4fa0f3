#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "removal/quarantine_store.h"
#include "ui/form.h"

namespace sorvane::removal {

// "Quarantine": what removal kept, one row per item (threat, kind, original place, date),
// with "Restore" and "Delete" for the checked rows. Both go through the same routines as
// the console's "quarantine restore" and "quarantine purge".
class FrmQuarantine : public ui::Form {
public:
    // `productName` titles the message boxes and `message` gives a catalogue key's text; both
    // are asked when needed, since the window exists before the program has read its branding
    // and its language.
    FrmQuarantine(ui::Host& host, QuarantineStore& store, platform::Shell& shell,
                  std::function<std::string()> productName, std::function<std::string(std::string_view)> message,
                  std::string quarantineFolder);

    static const ui::FormLayout Layout;

    ui::Label& lblQuarantine;
    ui::ListView& lvwQuarantine;
    ui::CommandButton& cmdRestore;
    ui::CommandButton& cmdDelete;
    ui::CommandButton& cmdOpenFolder;
    ui::CommandButton& cmdClose;

    // Reads the index again and fills the list.
    void refresh();
    void cmdRestore_Click();
    void cmdDelete_Click();
    void cmdOpenFolder_Click();
    void cmdClose_Click() { hide(); }

private:
    // What a row showed: an entry is acted on only while its id still names that item.
    struct Row {
        std::uint64_t id = 0;
        std::string original;
        std::string date;
    };
    std::vector<Row> checkedRows() const;
    // Reads the index again just before a batch (a removal run may have added entries since
    // the list was filled) and answers the ids still naming what their rows showed; the
    // others get a result of their own. False when the index cannot be read.
    bool currentIds(const std::vector<Row>& rows, std::vector<std::uint64_t>& ids, std::vector<StoreResult>& results);
    // The count done (after the text of `doneKey`), then one line per entry that did not go as asked.
    void report(const std::vector<StoreResult>& results, std::string_view doneKey);
    std::string unreadableText() const;

    QuarantineStore& store_;
    platform::Shell& shell_;
    std::function<std::string()> productName_;
    std::function<std::string(std::string_view)> message_;
    std::string folder_;
    std::vector<Row> rows_;
};

}  // namespace sorvane::removal
