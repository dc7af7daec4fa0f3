#include "scan/scan_view.h"

namespace sorvane::scan {

std::optional<ScanView> ScanView::bind(ui::Form& form) {
    auto list = [&](const char* name) { return form.findAs<ui::ListView>(name); };
    auto label = [&](const char* name, int index = -1) { return form.findAs<ui::Label>(name, index); };
    auto bar = [&](const char* name) { return form.findAs<ui::ProgressBar>(name); };
    auto button = [&](const char* name) { return form.findAs<ui::CommandButton>(name); };
    // lblStatus is a control array on the main window; a single label serves as well.
    ui::Label* status = label("lblStatus", 0);
    if (!status) status = label("lblStatus");

    auto* found = list("lvwSpywareFound");
    auto* removal = list("lvwPicRemoveListOfSpywareFoundAndToBeRemoved");
    auto* files = list("lvwFilesToBeDeleted");
    auto* registry = list("lvwRegistryToBeDeleted");
    auto* cookies = list("lvwCookiesToDelete");
    auto* notFound = list("lvwFileNotFounds");
    auto* memory = label("lblMemoryInspected");
    auto* registryCount = label("lblRegistryInspected");
    auto* filesCount = label("lblFilesFolderInspected");
    auto* softwareFound = label("lblSoftwareFound");
    auto* removePicFound = label("lblRemovePicSoftwareFound");
    auto* traces = label("lbltracesFound");
    auto* percentage = label("lblPercentageCompleted");
    auto* running = label("lblTotalNoOfRunningItems");
    auto* pb1 = bar("pb1");
    auto* pb2 = bar("pb2");
    auto* pbgMain = bar("pbgMain");
    auto* cmdScan = button("cmdScan");
    auto* cmdScanNow = button("cmdScanNow");
    if (!found || !removal || !files || !registry || !cookies || !notFound || !memory || !registryCount ||
        !filesCount || !softwareFound || !removePicFound || !traces || !percentage || !status || !running || !pb1 ||
        !pb2 || !pbgMain || !cmdScan || !cmdScanNow)
        return std::nullopt;

    ScanView view{form,           *found,          *removal,  *files,      *registry, *cookies, *notFound,
                  *memory,        *registryCount,  *filesCount, *softwareFound, *removePicFound, *traces,
                  *percentage,    *status,         *running,  *pb1,        *pb2,      *pbgMain, *cmdScan,
                  *cmdScanNow};
    view.cmdLog = button("cmdLog");
    view.cmdUpdate = button("cmdUpdate");
    view.cmdStatus = button("cmdStatus");
    view.cmdStop = button("cmdStop");
    view.cmdPause = button("cmdPause");
    view.cmdRemove = button("cmdRemove");
    view.cmdResults = button("cmdResults");
    view.cmdSettings = button("cmdSettings");
    view.lblPause = label("lblPause");
    view.lblStop = label("lblStop");
    view.shpCircle = form.findAs<ui::Shape>("shpCircle");
    view.tmrScroll = form.findAs<ui::Timer>("tmrScroll");
    view.lvwHardDrives = list("lvwHardDrives");
    view.optScanAllSelectedHardDrive = form.findAs<ui::OptionButton>("optScanAllSelectedHardDrive");
    view.chkMakeLog = form.findAs<ui::CheckBox>("chkMakeLog");
    view.chkSendData = form.findAs<ui::CheckBox>("chkSendData");
    view.frmOptions = form.findAs<ui::Frame>("frmOptions");
    view.frmScan = form.findAs<ui::Frame>("frmScan");
    view.frmResults = form.findAs<ui::Frame>("frmResults");
    view.frmStatus = form.findAs<ui::Frame>("frmStatus");
    view.pgbDeleteSpywaresFound = bar("pgbDeleteSpywaresFound");
    view.lblDeletingPercentageCompleted = label("lblDeletingPercentageCompleted");
    view.lblDeletingCaption = label("lblDeletingCaption");
    return view;
}

}  // namespace sorvane::scan
