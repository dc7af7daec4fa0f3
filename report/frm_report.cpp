#include "report/frm_report.h"

#include "platform/limits.h"
#include "platform/text.h"
#include "report/scan_report.h"

namespace sorvane::report {

void AppendViewerLine(std::string& shown, std::string_view line) {
    if (text::trim(line).empty())
        shown += "\r\n";
    else
        shown += line;
}

std::string ViewerText(std::string_view reportText) {
    std::string shown;
    for (const auto& line : text::lines(reportText)) AppendViewerLine(shown, line);
    return shown;
}

namespace {
using enum ui::ControlType;
constexpr ui::ControlDesign Controls[] = {
    {.name = "txtReport", .type = TextBox, .geometry = {120, 120, 9240, 6480}},
    {.name = "cmdOk", .type = CommandButton, .geometry = {8160, 6720, 1200, 420}, .caption = "OK"},
};
}  // namespace

const ui::FormLayout FrmReport::Layout{"frmReport", Controls, ui::SkinLabelCopies::BesideFirst};

FrmReport::FrmReport(app::Application& app)
    : ui::Form(app.host, Layout),
      txtReport(designed<ui::TextBox>("txtReport")),
      cmdOk(designed<ui::CommandButton>("cmdOk")),
      app_(app) {
    setSize(9600, 7800);
    txtReport.setMultiLine(true);
    cmdOk.onClick = [this] { unload(); };
}

void FrmReport::Form_Load() {
    auto& files = app_.platform.files;
    const std::string path = ReportPath(app_.applicationFolder());
    std::string shown;
    const auto entry = files.lookup(path);
    std::string bytes;
    if (entry && !entry->isFolder() && entry->size <= limits::MaxTextFile && files.readFile(path, bytes).ok()) {
        for (const auto& line : text::lines(app_.platform.locale.fromAnsi(bytes))) {
            AppendViewerLine(shown, line);
            host().yield();
        }
    }
    txtReport.setText(shown);
    setCaption(app_.branding.ProgramName + " Log");
    if (app_.branding.SkinsEnabled && app_.hooks.skinWindow)
        app_.hooks.skinWindow(*this);
}

}  // namespace sorvane::report
