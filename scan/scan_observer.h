#pragma once
#include <string>

#include "scan/findings.h"
#include "scan/scan_view.h"

namespace sorvane::scan {

// What a front end learns while a scan runs. The window shows it in its captions and lists
// (ScanViewObserver); the console prints the phases besides.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    // A phase begins, with its caption ("Scanning registry").
    virtual void phaseStarted(const std::string& caption) = 0;
    // The phase's caption changed within it: the drive a complete scan sweeps, and how far it is.
    virtual void phaseCaptionChanged(const std::string& caption) = 0;
    // The scan recorded a finding.
    virtual void findingAdded(const Finding& finding) = 0;
    // A listed file was not at its usual place; a complete scan's sweep looks for it.
    virtual void fileMissing(const MissingFile& file) = 0;
};

// The main window's part: the phase caption on its label, each finding in the results
// lists and the traces on their counter.
class ScanViewObserver : public ScanObserver {
public:
    explicit ScanViewObserver(ScanView& view) : view_(view) {}
    void phaseStarted(const std::string& caption) override;
    void phaseCaptionChanged(const std::string& caption) override;
    void findingAdded(const Finding& finding) override;
    void fileMissing(const MissingFile& file) override;

private:
    ScanView& view_;
};

}  // namespace sorvane::scan
