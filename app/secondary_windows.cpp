#include "app/secondary_windows.h"

#include "localization/branding.h"
#include "platform/trace.h"

namespace sorvane::app {

Form8::Form8(Application& app) : ui::Form(app.host, "Form8"), app_(app) { setSize(0, 0); }

void Form8::Form_Load() {
    const std::string help = app_.appPath("Help.chm");
    const auto entry = app_.platform.files.lookup(help);
    if (!entry || entry->isFolder()) return;
    platform::TraceFailure(app_.platform.shell.open(help), "opening the help file");
    (void)app_.machineSettings.WriteMachineSetting(ApplicationName, section::Settings, "showHelp", "0");
}

FrmHidden::FrmHidden(Application& app) : ui::Form(app.host, "frmHidden") { setSize(0, 0); }

FrmAbout::FrmAbout(Application& app)
    : ui::Form(app.host, "frmAbout"),
      imgLogo(add<ui::Image>("imgLogo")),
      Label1(add<ui::Label>("Label1")),
      lblCompany(add<ui::Label>("lblCompany")),
      lblVersion(add<ui::Label>("lblVersion")),
      lblWebsite(add<ui::Label>("lblWebsite")),
      cmdOk(add<ui::CommandButton>("cmdOk")),
      app_(app) {
    setSize(5400, 3600);
    imgLogo.setPicture("#1");
    imgLogo.move(240, 240, 720, 720);
    Label1.move(1200, 240, 3900, 360);
    Label1.setBold(true);
    lblCompany.move(1200, 720, 3900, 300);
    lblVersion.move(1200, 1080, 3900, 300);
    lblWebsite.move(1200, 1440, 3900, 300);
    cmdOk.setCaption("OK");
    cmdOk.move(3960, 2520, 1140, 420);
    cmdOk.onClick = [this] { unload(); };
}

void FrmAbout::Form_Load() {
    // The version resource is read afresh, so that a rebranded executable shows its own values.
    const auto branding = localization::InitBranding(app_.platform.versions);
    setCaption("About " + app_.branding.ProgramName);
    Label1.setCaption(branding.ProgramName);
    lblCompany.setCaption(branding.CompanyName);
    lblVersion.setCaption(branding.versionText());
    lblWebsite.setCaption(branding.Website);
    if (app_.branding.SkinsEnabled && app_.hooks.skinWindow) app_.hooks.skinWindow(*this);
}

}  // namespace sorvane::app
