#pragma once
#include <string>
#include <string_view>

#include "platform/services.h"
#include "ui/form.h"

namespace sorvane::removal {

// "Delete Failed": the files that survived both removal passes, with advice and a way
// to copy the list. Loaded hidden at start-up; shown by the removal run when needed.
class FrmDelete : public ui::Form {
public:
    FrmDelete(ui::Host& host, platform::Clipboard& clipboard);

    static const ui::FormLayout Layout;

    ui::ListView& lstProblem;
    ui::CommandButton& cmdOk;
    ui::CommandButton& cmdCopy;

    // The item and, when known, why it could not be removed.
    void addProblem(std::string path, std::string reason = {});
    void clearProblems() { lstProblem.clear(); }
    // Every listed path, a tab and its reason where it has one, followed by CR LF, as "Copy List" puts it on the clipboard.
    std::string listText() const;

    void cmdOk_Click() { hide(); }
    void cmdCopy_Click();

private:
    platform::Clipboard& clipboard_;
};

}  // namespace sorvane::removal
