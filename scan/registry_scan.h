#pragma once
#include "scan/scan_session.h"

namespace sorvane::scan {

// Lists every registry definition's key or value that exists, is not safe and not excluded.
void ScanRegistry(ScanSession& session);

}  // namespace sorvane::scan
