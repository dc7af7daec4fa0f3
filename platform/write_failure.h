#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane::platform {

// The message catalogue's key that names why a write, copy or delete failed, so that the
// user is told the cause: access denied, a disk that is full, a file in use. Empty for a
// cause the user can do nothing about by name.
constexpr std::string_view WriteFailureMessageKey(std::uint32_t code) {
    switch (code) {
    case 5:    // ERROR_ACCESS_DENIED
    case 19:   // ERROR_WRITE_PROTECT
    case 1314: // ERROR_PRIVILEGE_NOT_HELD
        return "MSG_ERR_DENIED";
    case 32:   // ERROR_SHARING_VIOLATION
    case 33:   // ERROR_LOCK_VIOLATION
    case 1224: // ERROR_USER_MAPPED_FILE
        return "MSG_ERR_IN_USE";
    case 39:   // ERROR_HANDLE_DISK_FULL
    case 112:  // ERROR_DISK_FULL
    case 1295: // ERROR_DISK_QUOTA_EXCEEDED
        return "MSG_ERR_DISK_FULL";
    default:
        return {};
    }
}

// The cause as the user reads it: the catalogue's text for it (`message` looks a key up), or
// the system's error number where the catalogue names no such cause.
template <class MessageLookup>
std::string WriteFailureCause(std::uint32_t code, const MessageLookup& message) {
    const std::string_view key = WriteFailureMessageKey(code);
    return key.empty() ? "Windows error " + std::to_string(code) : std::string(message(key));
}

}  // namespace sorvane::platform
