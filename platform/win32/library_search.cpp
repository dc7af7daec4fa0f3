#include "platform/win32/library_search.h"

#include <windows.h>

namespace sorvane::platform::win32 {

bool LimitLibrarySearchToSystem32() {
    // Looked up rather than imported, so that a system without it still starts.
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return false;
    const auto set = reinterpret_cast<SetDirectories>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    // The current folder is no place to look either, whatever the call answers.
    SetDllDirectoryW(L"");
    return set && set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

Status LoadDelayLoadedLibrary(const wchar_t* name) {
    if (GetModuleHandleW(name) != nullptr) return Status::success();
    // Never freed: the delay-load helper's own load by name then finds it already loaded.
    if (LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32) != nullptr) return Status::success();
    return Status::failure(GetLastError());
}

}  // namespace sorvane::platform::win32
