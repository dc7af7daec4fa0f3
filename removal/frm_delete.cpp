#include "removal/frm_delete.h"

#include "platform/trace.h"

namespace sorvane::removal {

namespace {
using enum ui::ControlType;
constexpr ui::ColumnDesign ProblemColumns[] = {{"Location", 4400}, {"Reason", 2200}};
constexpr ui::ControlDesign Controls[] = {
    {.name = "Label1",
     .type = Label,
     .geometry = {120, 120, 6840, 600},
     .caption = "The following files could not be deleted.  You should save your work, close all running programs "
                "(especially browsers) and try to delete them again."},
    {.name = "Label2",
     .type = Label,
     .geometry = {120, 3120, 6840, 600},
     .caption = "If you still cannot delete them, you should start your computer in Safe Mode and either scan again "
                "or delete them manually."},
    {.name = "lstProblem", .type = ListView, .geometry = {120, 780, 6840, 2280}, .columns = ProblemColumns},
    {.name = "cmdOk", .type = CommandButton, .geometry = {5640, 3840, 1320, 420}, .caption = "Ok"},
    {.name = "cmdCopy", .type = CommandButton, .geometry = {4200, 3840, 1320, 420}, .caption = "Copy List"},
};
}  // namespace

const ui::FormLayout FrmDelete::Layout{"frmDelete", Controls, ui::SkinLabelCopies::BesideFirst};

FrmDelete::FrmDelete(ui::Host& host, platform::Clipboard& clipboard)
    : ui::Form(host, Layout),
      lstProblem(designed<ui::ListView>("lstProblem")),
      cmdOk(designed<ui::CommandButton>("cmdOk")),
      cmdCopy(designed<ui::CommandButton>("cmdCopy")),
      clipboard_(clipboard) {
    setCaption("Delete Failed");
    setSize(7200, 4800);
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
