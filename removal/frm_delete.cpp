#include "removal/frm_delete.h"

#include "platform/trace.h"

namespace sorvane::removal {

FrmDelete::FrmDelete(ui::Host& host, platform::Clipboard& clipboard)
    : ui::Form(host, "frmDelete"),
      Label1(add<ui::Label>("Label1")),
      Label2(add<ui::Label>("Label2")),
      lstProblem(add<ui::ListView>("lstProblem")),
      cmdOk(add<ui::CommandButton>("cmdOk")),
      cmdCopy(add<ui::CommandButton>("cmdCopy")),
      clipboard_(clipboard) {
    setCaption("Delete Failed");
    setSize(7200, 4800);
    Label1.setCaption(
        "The following files could not be deleted.  You should save your work, close all running programs "
        "(especially browsers) and try to delete them again.");
    Label1.move(120, 120, 6840, 600);
    lstProblem.addColumn("Location", 4400);
    lstProblem.addColumn("Reason", 2200);
    lstProblem.move(120, 780, 6840, 2280);
    Label2.setCaption(
        "If you still cannot delete them, you should start your computer in Safe Mode and either scan again or "
        "delete them manually.");
    Label2.move(120, 3120, 6840, 600);
    cmdOk.setCaption("Ok");
    cmdOk.move(5640, 3840, 1320, 420);
    cmdCopy.setCaption("Copy List");
    cmdCopy.move(4200, 3840, 1320, 420);
    cmdOk.onClick = [this] { cmdOk_Click(); };
    cmdCopy.onClick = [this] { cmdCopy_Click(); };
}

void FrmDelete::addProblem(std::string path, std::string reason) {
    lstProblem.add(std::move(path));
    if (!reason.empty()) lstProblem.setSubItem(lstProblem.count() - 1, 1, std::move(reason));
}

std::string FrmDelete::listText() const {
    std::string text;
    for (const auto& row : lstProblem.items()) {
        text.append(row.text);
        if (!row.subItem(1).empty()) text.append("\t").append(row.subItem(1));
        text.append("\r\n");
    }
    return text;
}

void FrmDelete::cmdCopy_Click() { platform::TraceFailure(clipboard_.setText(listText()), "copying the list"); }

}  // namespace sorvane::removal
