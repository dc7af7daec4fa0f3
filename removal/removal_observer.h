#pragma once
#include <cstddef>
#include <string_view>

#include "removal/removal_outcome.h"
#include "scan/findings.h"

namespace sorvane::removal {

// Everything a removal run tells its front end, in the order it happens: the main window
// fills its captions, bar, lists and "Delete Failed" from it; the console prints the outcomes.
// The run makes two passes over the same items: the first removes what it can, the second
// retries silently and records one outcome per item.
class RemovalObserver {
public:
    virtual ~RemovalObserver() = default;

    // The run begins: nothing has been touched yet.
    virtual void runStarted() = 0;
    // What the run is doing before the passes (gathering information, the restore point).
    virtual void statusChanged(std::string_view caption) = 0;
    virtual void passStarted(bool firstPass) = 0;
    // The run turns to the `index`-th item it was given; `current` names it for a caption.
    virtual void itemStarted(std::size_t index, const scan::Finding& item, std::string_view current) = 0;
    // The item's outcome, recorded once, in the last pass.
    virtual void outcomeRecorded(std::size_t index, const scan::Finding& item, const RemovalOutcome& outcome) = 0;
    // `listed`: how many outcomes of this pass belong in "Delete Failed".
    virtual void passFinished(std::size_t listed) = 0;
    // Both passes are over and the lifetime total is stored.
    virtual void runFinished(const RemovalTotals& totals) = 0;
};

}  // namespace sorvane::removal
