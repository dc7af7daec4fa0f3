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
    // `productName` titles the message boxes; it is asked when one is shown, since the window
    // exists before the program has read its branding.
    FrmQuarantine(ui::Host& host, QuarantineStore& store, platform::Shell& shell,
                  std::function<std::string()> productName, std::string quarantineFolder);

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
    std::vector<std::uint64_t> checkedIds() const;
    // One line per entry that did not go as asked; empty when all did.
    void report(const std::vector<StoreResult>& results, std::string_view doneText);

    QuarantineStore& store_;
    platform::Shell& shell_;
    std::function<std::string()> productName_;
    std::string folder_;
    std::vector<std::uint64_t> rowIds_;
};

}  // namespace sorvane::removal
