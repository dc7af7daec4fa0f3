#include "platform/win32/com_security.h"

#include <windows.h>
#include <accctrl.h>
#include <aclapi.h>
#include <objbase.h>

#include <array>
#include <cstdio>

#include "platform/trace.h"

namespace sorvane::platform::win32 {
namespace {

// Room for any SID, aligned as the security calls want it.
using SidBuffer = std::array<ULONGLONG, (SECURITY_MAX_SID_SIZE + sizeof(ULONGLONG) - 1) / sizeof(ULONGLONG)>;

// Microsoft's documented set-up for System Restore ("Using System Restore"): an absolute
// security descriptor (CoInitializeSecurity refuses a self-relative one), owned by the
// Administrators group, granting COM's execute rights to Administrators, LocalService,
// NetworkService, the caller itself (SELF) and System; packet privacy, identify-level
// impersonation, no activation on behalf of others, no custom marshalling.
HRESULT initializeSecurity() {
    constexpr WELL_KNOWN_SID_TYPE allowed[] = {WinBuiltinAdministratorsSid, WinLocalServiceSid, WinNetworkServiceSid,
                                               WinSelfSid, WinLocalSystemSid};
    std::array<SidBuffer, std::size(allowed)> sids{};
    std::array<EXPLICIT_ACCESSW, std::size(allowed)> entries{};
    for (std::size_t i = 0; i < std::size(allowed); ++i) {
        DWORD size = sizeof(SidBuffer);
        if (!CreateWellKnownSid(allowed[i], nullptr, sids[i].data(), &size)) return HRESULT_FROM_WIN32(GetLastError());
        auto& entry = entries[i];
        entry.grfAccessPermissions = COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL;
        entry.grfAccessMode = SET_ACCESS;
        entry.grfInheritance = NO_INHERITANCE;
        entry.Trustee.pMultipleTrustee = nullptr;
        entry.Trustee.MultipleTrusteeOperation = NO_MULTIPLE_TRUSTEE;
        entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        entry.Trustee.TrusteeType = TRUSTEE_IS_GROUP;
        entry.Trustee.ptstrName = reinterpret_cast<LPWSTR>(sids[i].data());
    }
    PACL acl = nullptr;
    if (const DWORD code = SetEntriesInAclW(static_cast<ULONG>(entries.size()), entries.data(), nullptr, &acl);
        code != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(code);
    SECURITY_DESCRIPTOR descriptor{};
    HRESULT result = S_OK;
    PSID administrators = sids[0].data();
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorOwner(&descriptor, administrators, FALSE) ||
        !SetSecurityDescriptorGroup(&descriptor, administrators, FALSE) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
        result = HRESULT_FROM_WIN32(GetLastError());
    } else {
        result = CoInitializeSecurity(&descriptor, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                                      RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_DISABLE_AAA | EOAC_NO_CUSTOM_MARSHAL,
                                      nullptr);
    }
    LocalFree(acl);
    return result;
}

}  // namespace

ComForSystemRestore::ComForSystemRestore() {
    // A single-threaded apartment: the window's thread also hosts the shell's dialogs and calls.
    const HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    owned_ = SUCCEEDED(apartment);
    apartment_ = static_cast<std::int32_t>(apartment == S_FALSE ? S_OK : apartment);
    security_ = static_cast<std::int32_t>(initializeSecurity());
    // Without it the program runs on; only a restore point may then fail to be made.
    for (const auto& [what, result] : {std::pair{"CoInitializeEx", apartment_}, std::pair{"CoInitializeSecurity", security_}}) {
        if (result == 0) continue;
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(static_cast<std::uint32_t>(result)));
        Trace(what, code);
    }
}

ComForSystemRestore::~ComForSystemRestore() {
    if (owned_) CoUninitialize();
}

}  // namespace sorvane::platform::win32
