#pragma once
#include "platform/signatures.h"

namespace sorvane::platform::win32 {

// Signature checks with the system's CNG (bcrypt.dll, delay-loaded from System32).
class Win32Signatures : public Signatures {
public:
    std::unique_ptr<Digest> startSha256() override;
    Status verify(std::string_view publicKey, std::string_view message, std::string_view signature) override;
    DateTime utcNow() override;
};

}  // namespace sorvane::platform::win32
