#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/processes.h"
#include "platform/services.h"
#include "platform/status.h"

namespace sorvane::removal {

// Error of a begin while an earlier restore point is still open.
inline constexpr std::uint32_t ErrorRestorePointPending = 100001;
inline constexpr std::string_view ErrorRestorePointPendingText = "You must End the previous restore point first.";

// ERROR_SERVICE_DISABLED: System Restore is turned off on this machine.
inline constexpr std::uint32_t ErrorSystemRestoreOff = 1058;

// What the last begin came to: a point made for this run, an earlier point Windows handed back
// instead (it makes at most one a day unless told otherwise), or none at all.
enum class RestorePointOutcome { NotAttempted, Made, Reused, NotMade };

// The sequence number of the last restore point this program made, kept between runs: a
// begin that answers with it again was given that earlier point, not a new one.
struct RestorePointMemory {
    std::function<std::optional<std::int64_t>()> last;
    std::function<void(std::int64_t)> remember;
};

// Whether the system has System Restore: Windows Me, Windows XP and NT 6 or later.
bool restorePointsSupported(const platform::OsVersion& version);

// One System Restore point around a removal run; at most one is open at a time.
class RestorePoint {
public:
    RestorePoint(platform::RestorePoints& service, platform::Processes& processes, RestorePointMemory memory = {});

    // False also once the service has said in this run of the program that it is turned off.
    bool supported();
    // Opens a restore point; fails with ErrorRestorePointPending while one is open. A point
    // handed back from earlier succeeds but leaves nothing pending: it is not this run's to end.
    platform::Status begin(std::string_view description);
    RestorePointOutcome outcome() const { return outcome_; }
    // A run that asks for no restore point has none to tell of.
    void forgetOutcome() { outcome_ = RestorePointOutcome::NotAttempted; }
    // Closes the open restore point (or asks the service to close none); afterwards
    // nothing is pending, whatever the outcome.
    bool end();
    bool pending() const { return pending_.has_value(); }

private:
    platform::RestorePoints& service_;
    platform::Processes& processes_;
    RestorePointMemory memory_;
    std::optional<std::int64_t> pending_;
    RestorePointOutcome outcome_ = RestorePointOutcome::NotAttempted;
    bool turnedOff_ = false;
};

}  // namespace sorvane::removal
