#pragma once
#include <cstdint>

namespace sorvane::platform {

// Win32 error codes the program reacts to; fakes report the same numbers.
namespace error {
inline constexpr std::uint32_t Success = 0;
inline constexpr std::uint32_t FileNotFound = 2;
inline constexpr std::uint32_t PathNotFound = 3;
inline constexpr std::uint32_t AccessDenied = 5;
inline constexpr std::uint32_t InvalidHandle = 6;
inline constexpr std::uint32_t NotEnoughMemory = 8;
inline constexpr std::uint32_t InvalidData = 13;
inline constexpr std::uint32_t NotReady = 21;
inline constexpr std::uint32_t SharingViolation = 32;
inline constexpr std::uint32_t NotSupported = 50;
inline constexpr std::uint32_t DiskFull = 112;
inline constexpr std::uint32_t FileExists = 80;
inline constexpr std::uint32_t InvalidParameter = 87;
inline constexpr std::uint32_t InsufficientBuffer = 122;
inline constexpr std::uint32_t DirNotEmpty = 145;
inline constexpr std::uint32_t AlreadyExists = 183;
inline constexpr std::uint32_t MoreData = 234;
inline constexpr std::uint32_t NoMoreItems = 259;
inline constexpr std::uint32_t Timeout = 1460;
// AdjustTokenPrivileges succeeded, but the account does not hold the privilege.
inline constexpr std::uint32_t NotAllAssigned = 1300;
inline constexpr std::uint32_t UnsupportedType = 1630;
inline constexpr std::uint32_t GenericFailure = 31;  // ERROR_GEN_FAILURE
inline constexpr std::uint32_t DirectoryInvalid = 267;  // ERROR_DIRECTORY: a file where a folder was meant
inline constexpr std::uint32_t OperationAborted = 995;  // the caller cancelled the transfer
inline constexpr std::uint32_t CannotConnect = 12029;   // ERROR_INTERNET_CANNOT_CONNECT
inline constexpr std::uint32_t ConnectionAborted = 12030;  // ERROR_INTERNET_CONNECTION_ABORTED
inline constexpr std::uint32_t InvalidServerResponse = 12152;  // ERROR_HTTP_INVALID_SERVER_RESPONSE
// An HTTP answer other than success: this base plus the HTTP status (application-defined range).
inline constexpr std::uint32_t HttpStatusBase = 0x20000000;
}  // namespace error

// Outcome of an operating-system call: a Win32 error code, 0 meaning success.
class [[nodiscard]] Status {
public:
    constexpr Status() = default;
    constexpr explicit Status(std::uint32_t code) : code_(code) {}
    static constexpr Status success() { return Status(); }
    static constexpr Status failure(std::uint32_t code) { return Status(code == 0 ? error::GenericFailure : code); }

    constexpr bool ok() const { return code_ == error::Success; }
    constexpr std::uint32_t code() const { return code_; }
    constexpr bool is(std::uint32_t code) const { return code_ == code; }

private:
    std::uint32_t code_ = error::Success;
};

}  // namespace sorvane::platform
