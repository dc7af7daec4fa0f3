#pragma once
#include <optional>

#include "ui/controls.h"
#include "ui/form.h"

namespace sorvane::scan {

// Switch one of the view's optional controls; a window without it is left as it is.
inline void EnableIfPresent(ui::Control* control, bool on) {
    if (control) control->setEnabled(on);
}
inline void ShowIfPresent(ui::Control* control, bool on) {
    if (control) control->setVisible(on);
}

// The controls of the main window that its scan observer and its handlers fill, found by their names.
// Lists, labels and bars are required; the buttons, frames and options a scan only
// switches on and off may be missing (the test and removal windows have no pages).
struct ScanView {
    ui::Form& form;

    // Result lists: what the window shows of the scan's findings (ScanSession::findings).
    ui::ListView& lvwSpywareFound;
    ui::ListView& lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    ui::ListView& lvwFilesToBeDeleted;
    ui::ListView& lvwRegistryToBeDeleted;
    ui::ListView& lvwCookiesToDelete;
    ui::ListView& lvwFileNotFounds;

    ui::Label& lblMemoryInspected;
    ui::Label& lblRegistryInspected;
    ui::Label& lblFilesFolderInspected;
    ui::Label& lblSoftwareFound;
    ui::Label& lblRemovePicSoftwareFound;
    ui::Label& lbltracesFound;
    ui::Label& lblPercentageCompleted;
    ui::Label& lblStatus;  // element 0
    ui::Label& lblTotalNoOfRunningItems;
    ui::ProgressBar& pb1;
    ui::ProgressBar& pb2;
    ui::ProgressBar& pbgMain;
    // Disabled while a scan runs.
    ui::CommandButton& cmdScan;
    ui::CommandButton& cmdScanNow;

    ui::CommandButton* cmdLog = nullptr;
    ui::CommandButton* cmdUpdate = nullptr;
    ui::CommandButton* cmdStatus = nullptr;
    ui::CommandButton* cmdStop = nullptr;
    ui::CommandButton* cmdPause = nullptr;
    ui::CommandButton* cmdRemove = nullptr;
    ui::CommandButton* cmdResults = nullptr;
    ui::CommandButton* cmdSettings = nullptr;
    ui::Label* lblPause = nullptr;
    ui::Label* lblStop = nullptr;
    ui::Shape* shpCircle = nullptr;
    ui::Timer* tmrScroll = nullptr;
    ui::ListView* lvwHardDrives = nullptr;
    ui::OptionButton* optScanAllSelectedHardDrive = nullptr;
    ui::CheckBox* chkMakeLog = nullptr;
    ui::CheckBox* chkSendData = nullptr;
    ui::Frame* frmOptions = nullptr;
    ui::Frame* frmScan = nullptr;
    ui::Frame* frmResults = nullptr;
    ui::Frame* frmStatus = nullptr;
    ui::ProgressBar* pgbDeleteSpywaresFound = nullptr;
    ui::Label* lblDeletingPercentageCompleted = nullptr;
    ui::Label* lblDeletingCaption = nullptr;

    // Nothing when a required control is missing from the form.
    static std::optional<ScanView> bind(ui::Form& form);
};

}  // namespace sorvane::scan
