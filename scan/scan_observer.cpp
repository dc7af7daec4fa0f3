#include "scan/scan_observer.h"

#include "platform/text.h"
#include "scan/result_rows.h"

namespace sorvane::scan {

void ScanViewObserver::phaseStarted(const std::string& caption) { view_.lblPercentageCompleted.setCaption(caption); }

void ScanViewObserver::phaseCaptionChanged(const std::string& caption) {
    view_.lblPercentageCompleted.setCaption(caption);
}

void ScanViewObserver::findingAdded(const Finding& finding) {
    ShowFinding(view_, finding);
    if (finding.trace)
        view_.lbltracesFound.setCaption(std::to_string(text::numericValue(view_.lbltracesFound.caption()) + 1));
}

void ScanViewObserver::fileMissing(const MissingFile& file) {
    auto& list = view_.lvwFileNotFounds;
    list.add(file.name);
    list.setSubItem(list.count() - 1, 1, file.threat);
    list.setSubItem(list.count() - 1, 2, file.note);
}

}  // namespace sorvane::scan
