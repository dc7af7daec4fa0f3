#pragma once
#include <cstdint>

namespace sorvane::platform::win32 {

// COM on the calling thread for the life of the program, with the process's COM security set
// the way System Restore needs it: SRSetRestorePoint has the System, LocalService and
// NetworkService accounts call back into the process that asks for a restore point, and
// without these rights the call fails or hangs. CoInitializeSecurity takes effect once per
// process and only before the first COM call, so this comes first thing at start.
class ComForSystemRestore {
public:
    ComForSystemRestore();
    ~ComForSystemRestore();
    ComForSystemRestore(const ComForSystemRestore&) = delete;
    ComForSystemRestore& operator=(const ComForSystemRestore&) = delete;

    // The HRESULTs of the two calls, 0 when they succeeded.
    std::int32_t apartmentResult() const { return apartment_; }
    std::int32_t securityResult() const { return security_; }

private:
    std::int32_t apartment_ = 0;
    std::int32_t security_ = 0;
    bool owned_ = false;
};

}  // namespace sorvane::platform::win32
