#include "platform/win32/win32_processes.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstddef>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace sorvane::platform::win32 {
namespace {

Status lastError() { return Status::failure(GetLastError()); }

// The leading fields of SYSTEM_PROCESS_INFORMATION, which winternl.h leaves mostly unnamed.
struct SystemProcessInformation {
    ULONG NextEntryOffset;
    ULONG NumberOfThreads;
    LARGE_INTEGER Reserved[3];
    LARGE_INTEGER CreateTime;
    LARGE_INTEGER UserTime;
    LARGE_INTEGER KernelTime;
    struct {
        USHORT Length;
        USHORT MaximumLength;
        PWSTR Buffer;
    } ImageName;
    LONG BasePriority;
    HANDLE UniqueProcessId;
    HANDLE InheritedFromUniqueProcessId;
};
#ifdef _WIN64
static_assert(offsetof(SystemProcessInformation, UniqueProcessId) == 80);
#endif

using NtQuerySystemInformationFn = LONG(WINAPI*)(int, void*, ULONG, ULONG*);
constexpr int SystemProcessInformationClass = 5;
constexpr LONG StatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);

}  // namespace

OsVersion Win32Processes::version() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    // The program decides by the version the system reports to it, manifest included.
    if (!GetVersionExW(&info)) return {};
#pragma GCC diagnostic pop
    return OsVersion{info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId};
}

std::uint32_t Win32Processes::currentProcessId() { return GetCurrentProcessId(); }

Status Win32Processes::listIds(std::vector<std::uint32_t>& ids) {
    ids.clear();
    // EnumProcesses cannot tell that its buffer was too small except by filling it: grow until it is not full.
    std::vector<DWORD> buffer(256);
    for (;;) {
        DWORD bytes = 0;
        const auto capacity = static_cast<DWORD>(buffer.size() * sizeof(DWORD));
        if (!EnumProcesses(buffer.data(), capacity, &bytes)) return lastError();
        if (bytes < capacity) {
            ids.assign(buffer.begin(), buffer.begin() + bytes / sizeof(DWORD));
            return Status::success();
        }
        if (buffer.size() >= (1u << 20)) return Status::failure(error::InsufficientBuffer);
        buffer.resize(buffer.size() * 2);
    }
}

std::string Win32Processes::firstModulePath(std::uint32_t id) {
    // The limited right is granted for elevated processes, services and other users' processes
    // too, where reading another process's memory (the module list) is not.
    UniqueHandle limited(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (limited) {
        std::wstring image(MAX_PATH, L'\0');
        for (int attempt = 0; attempt < 6; ++attempt) {
            auto length = static_cast<DWORD>(image.size());
            if (QueryFullProcessImageNameW(limited.get(), 0, image.data(), &length)) {
                image.resize(length);
                return narrow(image);
            }
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
            image.assign(image.size() * 2, L'\0');
        }
    }
    // Systems before Vista know neither the right nor the call.
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    if (!process) return {};
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 6; ++attempt) {
        const DWORD length = GetModuleFileNameExW(process.get(), nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size() - 1) {
            path.resize(length);
            return narrow(path);
        }
        path.assign(path.size() * 2, L'\0');
    }
    return {};
}

Status Win32Processes::snapshot(std::vector<ProcessEntry>& processes) {
    static const auto query = reinterpret_cast<NtQuerySystemInformationFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return toolhelpSnapshot(processes);
    auto& buffer = processInformation_;
    if (buffer.empty()) buffer.resize(64 * 1024);
    LONG status = StatusInfoLengthMismatch;
    for (int attempt = 0; attempt < 8 && status == StatusInfoLengthMismatch; ++attempt) {
        ULONG needed = 0;
        status = query(SystemProcessInformationClass, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        // Room for the processes that start before the next call.
        if (status == StatusInfoLengthMismatch) buffer.resize(std::max<std::size_t>(needed + needed / 4, buffer.size() * 2));
    }
    if (status != 0) return toolhelpSnapshot(processes);
    processes.clear();
    for (std::size_t offset = 0;;) {
        const auto* info = reinterpret_cast<const SystemProcessInformation*>(buffer.data() + offset);
        processes.push_back({static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(info->UniqueProcessId)),
                             narrow(std::wstring_view(info->ImageName.Buffer ? info->ImageName.Buffer : L"",
                                                      info->ImageName.Length / sizeof(wchar_t))),
                             static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(info->InheritedFromUniqueProcessId))});
        if (info->NextEntryOffset == 0 || offset + info->NextEntryOffset >= buffer.size()) break;
        offset += info->NextEntryOffset;
    }
    return Status::success();
}

Status Win32Processes::toolhelpSnapshot(std::vector<ProcessEntry>& processes) {
    processes.clear();
    HANDLE raw = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (raw == INVALID_HANDLE_VALUE) return lastError();
    UniqueHandle snap(raw);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (!Process32FirstW(snap.get(), &entry)) return lastError();
    do {
        processes.push_back({entry.th32ProcessID, narrow(entry.szExeFile), entry.th32ParentProcessID});
    } while (Process32NextW(snap.get(), &entry));
    return Status::success();
}

Status Win32Processes::enableDebugPrivilege() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return lastError();
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) return lastError();
    if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr)) {
        return lastError();
    }
    // Success with ERROR_NOT_ALL_ASSIGNED means the account does not hold the privilege.
    const DWORD code = GetLastError();
    return code == ERROR_SUCCESS ? Status::success() : Status::failure(code);
}

Status Win32Processes::disableDebugPrivilege() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return lastError();
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = 0;
    if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid)) return lastError();
    if (!AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr)) {
        return lastError();
    }
    const DWORD code = GetLastError();
    return code == ERROR_SUCCESS ? Status::success() : Status::failure(code);
}

Status Win32Processes::terminate(std::uint32_t id, std::uint32_t exitCode) {
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, id));
    if (!process) return lastError();
    return TerminateProcess(process.get(), exitCode) ? Status::success() : lastError();
}

Status Win32Processes::runAndWait(std::string_view commandLine, std::uint32_t timeoutMs, std::uint32_t& exitCode) {
    exitCode = 0;
    std::wstring command = widen(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info)) {
        return lastError();
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    const DWORD waited = WaitForSingleObject(process.get(), timeoutMs);
    if (waited == WAIT_TIMEOUT) {
        TerminateProcess(process.get(), error::Timeout);
        WaitForSingleObject(process.get(), 5000);
        return Status::failure(error::Timeout);
    }
    if (waited != WAIT_OBJECT_0) return lastError();
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) return lastError();
    exitCode = code;
    return Status::success();
}

}  // namespace sorvane::platform::win32
