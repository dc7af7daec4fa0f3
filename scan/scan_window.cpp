#include "scan/scan_window.h"

#include "ui/controls.h"

namespace sorvane::scan {

ScanWindow::ScanWindow(ui::Host& host) : ui::Form(host, "FrmMain") {
    for (auto name : {"lvwSpywareFound", "lvwPicRemoveListOfSpywareFoundAndToBeRemoved", "lvwFilesToBeDeleted",
                      "lvwRegistryToBeDeleted", "lvwCookiesToDelete", "lvwFileNotFounds", "lvwHardDrives"})
        add<ui::ListView>(name);
    findAs<ui::ListView>("lvwPicRemoveListOfSpywareFoundAndToBeRemoved")->setCheckBoxes(true);
    findAs<ui::ListView>("lvwHardDrives")->setCheckBoxes(true);
    for (auto name : {"lblMemoryInspected", "lblRegistryInspected", "lblFilesFolderInspected", "lblSoftwareFound",
                      "lblRemovePicSoftwareFound", "lbltracesFound", "lblPercentageCompleted",
                      "lblTotalNoOfRunningItems", "lblPause", "lblStop", "lblDeletingPercentageCompleted",
                      "lblDeletingCaption"})
        add<ui::Label>(name);
    add<ui::Label>("lblStatus", 0);
    for (auto name : {"pb1", "pb2", "pbgMain", "pgbDeleteSpywaresFound"}) add<ui::ProgressBar>(name);
    for (auto name : {"cmdScan", "cmdScanNow", "cmdLog", "cmdUpdate", "cmdStatus", "cmdStop", "cmdPause",
                      "cmdRemove", "cmdResults", "cmdSettings"})
        add<ui::CommandButton>(name);
    for (auto name : {"frmOptions", "frmScan", "frmResults", "frmStatus"}) add<ui::Frame>(name);
    // The options a scan and a removal run read, set from the stored settings.
    for (auto name : {"chkMakeLog", "chkSendData"}) add<ui::CheckBox>(name);
    add<ui::Shape>("shpCircle");
    add<ui::Timer>("tmrScroll");
}

}  // namespace sorvane::scan
