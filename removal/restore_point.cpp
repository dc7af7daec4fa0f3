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

RestorePoint::RestorePoint(platform::RestorePoints& service, platform::Processes& processes, RestorePointMemory memory)
    : service_(service), processes_(processes), memory_(std::move(memory)) {}

bool RestorePoint::supported() {
    // Both must agree: the system's version, and the service itself where it can tell.
    return !turnedOff_ && restorePointsSupported(processes_.version()) && service_.supported();
}

namespace {

// The service keeps at most this much of a description (MAX_DESC less its terminator).
constexpr std::size_t KeptDescription = 63;

bool sameDescription(std::string_view kept, std::string_view asked) {
    return kept.substr(0, KeptDescription) == asked.substr(0, KeptDescription);
}

}  // namespace

platform::Status RestorePoint::begin(std::string_view description) {
    if (pending_) return platform::Status::failure(ErrorRestorePointPending);
    std::int64_t sequence = 0;
    const auto status = service_.begin(description, sequence);
    if (!status.ok()) {
        outcome_ = RestorePointOutcome::NotMade;
        turnedOff_ = turnedOff_ || status.is(ErrorSystemRestoreOff);
        return status;
    }
    const auto existing = service_.description(sequence);
    const auto lastMade = memory_.last ? memory_.last() : std::nullopt;
    const bool handedBack = existing ? !sameDescription(*existing, description) : lastMade == sequence;
    if (handedBack) {
        outcome_ = RestorePointOutcome::Reused;
        return status;
    }
    outcome_ = RestorePointOutcome::Made;
    pending_ = sequence;
    if (memory_.remember) memory_.remember(sequence);
    return status;
}

bool RestorePoint::end() {
    const std::int64_t sequence = pending_.value_or(0);
    pending_.reset();
    return service_.end(sequence, false).ok();
}

}  // namespace sorvane::removal
