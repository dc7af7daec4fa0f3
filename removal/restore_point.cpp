#include "removal/restore_point.h"

namespace sorvane::removal {

bool restorePointsSupported(const platform::OsVersion& version) {
    switch (version.platformId) {
    case 1:
        return version.minor == 90;
    case 2:
        return version.major > 5 || (version.major == 5 && version.minor == 1);
    default:
        return false;
    }
}

RestorePoint::RestorePoint(platform::RestorePoints& service, platform::Processes& processes)
    : service_(service), processes_(processes) {}

bool RestorePoint::supported() {
    // Both must agree: the system's version, and the service itself where it can tell.
    return restorePointsSupported(processes_.version()) && service_.supported();
}

platform::Status RestorePoint::begin(std::string_view description) {
    if (pending_) return platform::Status::failure(ErrorRestorePointPending);
    std::int64_t sequence = 0;
    const auto status = service_.begin(description, sequence);
    if (status.ok()) pending_ = sequence;
    return status;
}

bool RestorePoint::end() {
    const std::int64_t sequence = pending_.value_or(0);
    pending_.reset();
    return service_.end(sequence, false).ok();
}

}  // namespace sorvane::removal
