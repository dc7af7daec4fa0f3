#pragma once
#include "ui/form.h"

namespace sorvane::scan {

// A window holding just the controls a scan fills, under the main window's names, for the
// tests and for the console's removal, which still works through the results lists.
class ScanWindow : public ui::Form {
public:
    explicit ScanWindow(ui::Host& host);
};

}  // namespace sorvane::scan
