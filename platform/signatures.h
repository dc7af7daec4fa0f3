#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/locale.h"
#include "platform/status.h"

namespace sorvane::platform {

namespace error {
// STATUS_INVALID_SIGNATURE, what BCryptVerifySignature answers for a signature that does not match.
inline constexpr std::uint32_t InvalidSignature = 0xC000A000;
}  // namespace error

// The system's cryptography for checking what a publisher signed: ECDSA P-256 over SHA-256,
// and the clock in UTC that a signed statement's expiry is measured against. The program
// never does cryptography of its own.
class Signatures {
public:
    // A SHA-256 taken over bytes given in pieces, so that a large file never sits in memory whole.
    class Digest {
    public:
        virtual ~Digest() = default;
        virtual void add(std::string_view bytes) = 0;
        // The 32 raw bytes; nothing when the system could not compute them. Called once.
        virtual std::optional<std::string> finish() = 0;
    };

    virtual ~Signatures() = default;
    virtual std::unique_ptr<Digest> startSha256() = 0;
    // The SHA-256 of `bytes`: 32 raw bytes; nothing when the system cannot compute it.
    std::optional<std::string> sha256(std::string_view bytes) {
        const auto digest = startSha256();
        digest->add(bytes);
        return digest->finish();
    }
    // Whether `signature` (r then s, 32 bytes each, big-endian) is the signature of `message`
    // by the P-256 key `publicKey` (X then Y, 32 bytes each). Success only for a matching
    // signature; error::InvalidSignature for one that does not match; any other failure when
    // the key or signature is malformed or the system cannot check.
    virtual Status verify(std::string_view publicKey, std::string_view message, std::string_view signature) = 0;
    // The current time in UTC.
    virtual DateTime utcNow() = 0;
};

}  // namespace sorvane::platform
