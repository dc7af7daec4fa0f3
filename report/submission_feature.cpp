#include "report/submission_feature.h"

#include "app/frm_main.h"
#include "report/data_submission.h"

namespace sorvane::report {

SubmissionFeature::SubmissionFeature(app::Application& app) : app_(app) {}

void SubmissionFeature::install(app::MainWindowHooks& hooks) {
    // Both callers (the Results page with nothing found, the end of a removal run) have
    // already read chkSendData.
    hooks.submitScanData = [this](app::FrmMain&) { SendProcessList(app_.platform, app_.host); };
    hooks.submitFile = [this](app::FrmMain& main) { cmdSubmit_Click(main); };
    hooks.browseSubmitFile = [this](app::FrmMain& main) { Command2_Click(main); };
    hooks.sendDataMouseUp = [this](app::FrmMain& main) { chkSendData_MouseUp(main); };
}

void SubmissionFeature::cmdSubmit_Click(app::FrmMain& main) {
    const std::string name = main.txtFilename.text();
    const auto result = SubmitFileName(app_.platform, app_.host, name,
                                       [this](std::string_view key) { return app_.message(key); });
    main.lblSubmitResult.setCaption(result.text);
    main.txtFilename.setText("");
}

void SubmissionFeature::Command2_Click(app::FrmMain& main) {
    const auto chosen = app_.host.chooseFile(main, "", "All Files (*.*)|*.*");
    if (chosen) main.txtFilename.setText(BrowsedFileName(*chosen));
}

void SubmissionFeature::chkSendData_MouseUp(app::FrmMain& main) {
    auto& box = main.chkSendData;
    if (box.checked()) {
        app_.userSettings.write(app::section::Options, "chkSendData", "1");
        return;
    }
    const std::string question =
        app_.message("MSG_ANON1") + "\r\n\r\n" + app_.message("MSG_ANON2") + "\r\n\r\n" + app_.message("MSG_ANON3");
    if (app_.host.messageBox(question, app_.message("MSG_ANON4"), ui::mb::YesNo) == ui::Answer::No) {
        box.setValue(1);
        app_.userSettings.write(app::section::Options, "chkSendData", "1");
    } else {
        app_.userSettings.write(app::section::Options, "chkSendData", "0");
    }
}

}  // namespace sorvane::report
