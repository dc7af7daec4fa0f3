#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/processes.h"
#include "platform/services.h"
#include "platform/status.h"

namespace sorvane::removal {

// Error of a begin while an earlier restore point is still open.
inline constexpr std::uint32_t ErrorRestorePointPending = 100001;
inline constexpr std::string_view ErrorRestorePointPendingText = "You must End the previous restore point first.";

// Whether the system has System Restore: Windows Me, Windows XP and NT 6 or later.
bool restorePointsSupported(const platform::OsVersion& version);

// One System Restore point around a removal run; at most one is open at a time.
class RestorePoint {
public:
    RestorePoint(platform::RestorePoints& service, platform::Processes& processes);

    bool supported();
    // Opens a restore point; fails with ErrorRestorePointPending while one is open.
    platform::Status begin(std::string_view description);
    // Closes the open restore point (or asks the service to close none); afterwards
    // nothing is pending, whatever the outcome.
    bool end();
    bool pending() const { return pending_.has_value(); }

private:
    platform::RestorePoints& service_;
    platform::Processes& processes_;
    std::optional<std::int64_t> pending_;
};

}  // namespace sorvane::removal
