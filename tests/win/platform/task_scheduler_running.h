#pragma once
#include <windows.h>

#include <string>

namespace sorvane::wintest {

// Windows runs the Task Scheduler service from boot on; Wine starts it when the first program
// connects, and that start, made on a busy machine, can outlast the scheduler's own wait. A
// test of the logon task starts it first, as Windows would have it, and waits until it runs:
// an empty answer, or the reason it did not start.
inline std::string TaskSchedulerRunning() {
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) return "no service manager (" + std::to_string(GetLastError()) + ")";
    const SC_HANDLE service = OpenServiceW(manager, L"Schedule", SERVICE_START | SERVICE_QUERY_STATUS);
    std::string failure;
    if (service == nullptr) {
        failure = "no Schedule service (" + std::to_string(GetLastError()) + ")";
    } else {
        const ULONGLONG deadline = GetTickCount64() + 60'000;
        SERVICE_STATUS status{};
        while (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_RUNNING &&
               GetTickCount64() < deadline) {
            if (status.dwCurrentState == SERVICE_STOPPED && !StartServiceW(service, 0, nullptr) &&
                GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
                Sleep(500);  // a start that timed out is tried again
            Sleep(100);
        }
        if (status.dwCurrentState != SERVICE_RUNNING)
            failure = "the Schedule service is in state " + std::to_string(status.dwCurrentState);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return failure;
}

}  // namespace sorvane::wintest
