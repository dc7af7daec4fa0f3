// What the program asks WMI: the process names of Win32_Process, for the anonymous data
// submission, and the description of a System Restore point.
#include <windows.h>
#include <objbase.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/limits.h"
#include "platform/win32/com.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_services.h"

namespace sorvane::platform::win32 {

namespace {

using Microsoft::WRL::ComPtr;

Status failed(HRESULT result) { return Status::failure(static_cast<std::uint32_t>(HRESULT_CODE(result))); }

// Runs one WQL query in a WMI namespace and hands every row to `each`; fails when any row
// cannot be read, so that a cut list is never taken for the whole one.
Status queryRows(const wchar_t* space, const wchar_t* wql, const std::function<void(IWbemClassObject&)>& each) {
    ComScope com;
    if (!com.usable()) return Status::failure(error::NotSupported);
    ComPtr<IWbemLocator> locator;
    HRESULT result = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                      reinterpret_cast<void**>(locator.GetAddressOf()));
    if (FAILED(result)) return failed(result);
    const Bstr spaceName(space);
    ComPtr<IWbemServices> services;
    result = locator->ConnectServer(spaceName.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                    services.GetAddressOf());
    if (FAILED(result)) return failed(result);
    (void)CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                            RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    const Bstr language(L"WQL");
    const Bstr query(wql);
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
        each(*row.Get());
    }
    return Status::success();
}

std::optional<std::string> textOf(IWbemClassObject& row, const wchar_t* property) {
    Variant value;
    if (FAILED(row.Get(property, 0, value.get(), nullptr, nullptr)) || value.get()->vt != VT_BSTR ||
        value.get()->bstrVal == nullptr)
        return std::nullopt;
    return narrow(value.get()->bstrVal);
}

}  // namespace

Status Win32Processes::processNames(std::vector<std::string>& names) {
    names.clear();
    // The moniker "winmgmts:\\localhost" names this namespace.
    return queryRows(L"\\\\localhost\\root\\cimv2", L"select * from Win32_Process", [&names](IWbemClassObject& row) {
        if (auto name = textOf(row, L"Name")) names.push_back(std::move(*name));
    });
}

// The SystemRestore class lists the machine's restore points (it answers administrators only).
std::optional<std::string> Win32RestorePoints::description(std::int64_t sequence) {
    const std::wstring wql = L"select Description from SystemRestore where SequenceNumber = " + std::to_wstring(sequence);
    std::optional<std::string> found;
    const auto status = queryRows(L"\\\\localhost\\root\\default", wql.c_str(), [&found](IWbemClassObject& row) {
        if (!found) found = textOf(row, L"Description");
    });
    return status.ok() ? found : std::nullopt;
}

}  // namespace sorvane::platform::win32
