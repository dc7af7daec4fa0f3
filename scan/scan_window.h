#pragma once
#include "ui/form.h"

namespace sorvane::scan {

// A window holding just the controls a scan works with, under the main window's names,
// for running a scan without the main window (the console program).
class ScanWindow : public ui::Form {
public:
    explicit ScanWindow(ui::Host& host);
};

}  // namespace sorvane::scan
