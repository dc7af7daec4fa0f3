#pragma once
#include "app/application.h"
#include "definitions/exclusions.h"
#include "protection/protection_feature.h"
#include "localization/ui/localization_feature.h"
#include "removal/removal_feature.h"
#include "report/report_feature.h"
#include "report/submission_feature.h"
#include "tray/tray_feature.h"
#include "scan/main_window_scan.h"
#include "update/update_feature.h"

namespace sorvane::app {

// The subsystems the GUI program plugs into its main window: the user's exclusions, the
// scan, the removal and the protection. Made before the splash window loads the main window, and kept
// for the life of the process.
class GuiFeatures {
    Application& app_;

public:
    explicit GuiFeatures(Application& app);
    GuiFeatures(const GuiFeatures&) = delete;
    GuiFeatures& operator=(const GuiFeatures&) = delete;

    definitions::ExclusionList exclusions;
    scan::MainWindowScan scan;
    removal::RemovalFeature removal;
    report::ReportFeature report;
    report::SubmissionFeature submission;
    tray::TrayFeature tray;
    update::UpdateFeature update;
    protection::ProtectionFeature protection;
    localization::LocalizationFeature localization;

private:
    void installExclusions();
};

}  // namespace sorvane::app
