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

namespace {
using enum ui::ControlType;
constexpr ui::ControlDesign AboutControls[] = {
    {.name = "imgLogo", .type = Image, .geometry = {240, 240, 720, 720}},
    {.name = "Label1", .type = Label, .geometry = {1200, 240, 3900, 360}},
    {.name = "lblCompany", .type = Label, .geometry = {1200, 720, 3900, 300}},
    {.name = "lblVersion", .type = Label, .geometry = {1200, 1080, 3900, 300}},
    {.name = "lblWebsite", .type = Label, .geometry = {1200, 1440, 3900, 300}},
    {.name = "cmdOk", .type = CommandButton, .geometry = {3960, 2520, 1140, 420}, .caption = "OK"},
};
}  // namespace

const ui::FormLayout FrmAbout::Layout{"frmAbout", AboutControls, ui::SkinLabelCopies::EveryLabel};

FrmAbout::FrmAbout(Application& app)
    : ui::Form(app.host, Layout),
      productLabel(designed<ui::Label>("Label1")),
      companyLabel(designed<ui::Label>("lblCompany")),
      versionLabel(designed<ui::Label>("lblVersion")),
      websiteLabel(designed<ui::Label>("lblWebsite")),
      app_(app) {
    setSize(5400, 3600);
    designed<ui::Image>("imgLogo").setPicture("#1");
    productLabel.setBold(true);
    designed<ui::CommandButton>("cmdOk").onClick = [this] { unload(); };
}

void FrmAbout::Form_Load() {
    // The version resource is read afresh, so that a rebranded executable shows its own values.
    const auto branding = localization::InitBranding(app_.platform.versions);
    setCaption("About " + app_.branding.ProgramName);
    productLabel.setCaption(branding.ProgramName);
    companyLabel.setCaption(branding.CompanyName);
    versionLabel.setCaption(branding.versionText());
    websiteLabel.setCaption(branding.Website);
    if (app_.branding.SkinsEnabled && app_.hooks.skinWindow) app_.hooks.skinWindow(*this);
}

}  // namespace sorvane::app
