#include "platform/win32/win32_shell.h"

#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace sorvane::platform::win32 {
namespace {

int showCommand(ShowWindow show) {
    switch (show) {
        case ShowWindow::Hidden: return SW_HIDE;
        case ShowWindow::Minimized: return SW_SHOWMINNOACTIVE;
        case ShowWindow::Maximized: return SW_SHOWMAXIMIZED;
        case ShowWindow::Normal: break;
    }
    return SW_SHOWNORMAL;
}

}  // namespace

std::string Win32Shell::specialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return {};
    std::string result = narrow(path);
    if (result.size() > 3 && result.back() == '\\') result.pop_back();
    return result;
}

Status Win32Shell::open(std::string_view target) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    // Values up to 32 are errors; 0 means out of memory.
    if (result > 32) return Status::success();
    return Status::failure(result == 0 ? error::NotEnoughMemory : static_cast<std::uint32_t>(result));
}

Status Win32Shell::start(std::string_view commandLine, ShowWindow show) {
    std::wstring command = widen(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand(show));
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return Status::failure(GetLastError());
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    return Status::success();
}

}  // namespace sorvane::platform::win32
