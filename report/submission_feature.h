#pragma once
#include "app/application.h"

namespace sorvane::app {
class FrmMain;
}

namespace sorvane::report {

// The anonymous data submission as the main window reaches it: the automatic report of
// the loaded executables, the file-name submission with "Browse" and "Submit", and the
// question when the user turns the collection off.
class SubmissionFeature {
public:
    explicit SubmissionFeature(app::Application& app);

    void install(app::MainWindowHooks& hooks);

    void cmdSubmit_Click(app::FrmMain& main);
    void Command2_Click(app::FrmMain& main);  // "Browse"
    void chkSendData_MouseUp(app::FrmMain& main);

private:
    app::Application& app_;
};

}  // namespace sorvane::report
