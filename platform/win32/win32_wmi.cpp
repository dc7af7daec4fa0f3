// The process names of WMI's Win32_Process, for the anonymous data submission.
#include <windows.h>
#include <objbase.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include "platform/limits.h"
#include "platform/win32/com.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_processes.h"

namespace sorvane::platform::win32 {

namespace {

using Microsoft::WRL::ComPtr;

Status failed(HRESULT result) { return Status::failure(static_cast<std::uint32_t>(HRESULT_CODE(result))); }

}  // namespace

Status Win32Processes::processNames(std::vector<std::string>& names) {
    names.clear();
    ComScope com;
    if (!com.usable()) return Status::failure(error::NotSupported);
    ComPtr<IWbemLocator> locator;
    HRESULT result = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                      reinterpret_cast<void**>(locator.GetAddressOf()));
    if (FAILED(result)) return failed(result);
    // The moniker "winmgmts:\\localhost" names this namespace.
    const Bstr space(L"\\\\localhost\\root\\cimv2");
    ComPtr<IWbemServices> services;
    result = locator->ConnectServer(space.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                    services.GetAddressOf());
    if (FAILED(result)) return failed(result);
    (void)CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                            RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    const Bstr language(L"WQL");
    const Bstr query(L"select * from Win32_Process");
    ComPtr<IEnumWbemClassObject> rows;
    result = services->ExecQuery(language.get(), query.get(), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                 nullptr, rows.GetAddressOf());
    if (FAILED(result)) return failed(result);
    for (;;) {
        ComPtr<IWbemClassObject> row;
        ULONG returned = 0;
        result = rows->Next(static_cast<LONG>(limits::ProcessQueryTimeoutMs), 1, row.GetAddressOf(), &returned);
        if (FAILED(result)) return failed(result);
        // A time-out is a success code with no row: a list cut there is not the list.
        if (result == WBEM_S_TIMEDOUT) return Status::failure(ERROR_TIMEOUT);
        if (returned == 0) break;
        Variant name;
        if (SUCCEEDED(row->Get(L"Name", 0, name.get(), nullptr, nullptr)) && name.get()->vt == VT_BSTR &&
            name.get()->bstrVal != nullptr)
            names.push_back(narrow(name.get()->bstrVal));
    }
    return Status::success();
}

}  // namespace sorvane::platform::win32
