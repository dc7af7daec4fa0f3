#pragma once
#include "platform/signatures.h"

namespace sorvane::fakes {

// Signature checks with fixed answers: the digest is any stable 32 bytes (not SHA-256), and
// a signature is valid exactly when it is what sign() gives for the same key and message.
// Real ECDSA is checked by the Windows tests against CNG.
class FakeSignatures : public platform::Signatures {
public:
    std::unique_ptr<Digest> startSha256() override;
    platform::Status verify(std::string_view publicKey, std::string_view message, std::string_view signature) override;
    platform::DateTime utcNow() override { return now; }

    // The 64-byte signature verify() accepts for `message` under `publicKey`.
    static std::string sign(std::string_view publicKey, std::string_view message);

    // A whole statement text, as a publisher serves it, that this fake accepts for `body` under
    // the key `publicKeyHex` (X and Y in hex, as the build carries it).
    struct Statement {
        std::string covers;
        std::string from = {};
        std::string to = {};
        std::string expires = "2024-06-15T00:00:00Z";
    };
    static std::string statement(std::string_view publicKeyHex, const Statement& fields, std::string_view body);

    platform::DateTime now{2024, 6, 1, 12, 0, 0};
    bool unavailable = false;  // the system cannot check at all
    int verified = 0;          // calls of verify
};

}  // namespace sorvane::fakes
