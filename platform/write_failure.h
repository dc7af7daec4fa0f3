#pragma once
#include <cstdint>
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

}  // namespace sorvane::platform
