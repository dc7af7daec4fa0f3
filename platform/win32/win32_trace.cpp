#include "platform/win32/win32_trace.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace sorvane::platform::win32 {
namespace {

bool askedByEnvironment() {
    wchar_t value[8] = {};
    const DWORD length = GetEnvironmentVariableW(L"SORVANE_TRACE", value, 8);
    // A longer value does not fit and reports its size: it asks all the same.
    return length > 0 && !(length == 1 && value[0] == L'0');
}

// "2026-12-09 22:30:01.123 [4242] " in local time.
std::string linePrefix() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    return prefix;
}

}  // namespace

Win32Trace::Win32Trace() : scope_(*this) {
    if (askedByEnvironment()) logPath_ = LogFilePath();
}

std::wstring Win32Trace::LogFilePath() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    std::wstring path = length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring();
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + L"SorvaneTrace.log";
}

void Win32Trace::logToFile(bool on) { logPath_ = on ? LogFilePath() : std::wstring(); }

void Win32Trace::write(std::string_view line) noexcept {
    try {
        const std::wstring wide = L"Sorvane: " + widen(line) + L"\n";
        OutputDebugStringW(wide.c_str());
        if (logPath_.empty()) return;
        // Opened for each line and closed again: a kill at any moment leaves every line before
        // it in the file, and other copies of the program append between them.
        const FileHandle file(CreateFileW(logPath_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return;
        const std::string text = linePrefix() + std::string(line) + "\r\n";
        DWORD written = 0;
        WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } catch (...) {
        // The trace cannot report its own failure; the program goes on without this line.
    }
}

}  // namespace sorvane::platform::win32
