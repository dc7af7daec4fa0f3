#pragma once
#include <string>
#include <string_view>

#include "app/application.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace sorvane::report {

// The report as the viewer shows it: a line that is empty after trimming becomes a line
// break and any other line is appended without one, which turns the file's double spacing
// into single spacing.
std::string ViewerText(std::string_view reportText);
void AppendViewerLine(std::string& shown, std::string_view line);

// The viewer of the last scan report: one multi-line text box and "OK".
class FrmReport : public ui::Form {
public:
    explicit FrmReport(app::Application& app);

    static const ui::FormLayout Layout;

    ui::TextBox& txtReport;
    ui::CommandButton& cmdOk;

protected:
    void Form_Load() override;

private:
    app::Application& app_;
};

}  // namespace sorvane::report
