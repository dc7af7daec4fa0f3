// A library for the unregistration tests. Its DllUnregisterServer records the call in a
// file beside the library, or never returns when the library's name contains "hang".
#include <windows.h>

#include <string>

namespace {
HMODULE self = nullptr;

std::wstring ownPath() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(self, buffer, MAX_PATH);
    return std::wstring(buffer, length);
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
    const std::wstring path = ownPath();
    if (path.find(L"hang") != std::wstring::npos) {
        for (;;) Sleep(INFINITE);
    }
    HANDLE marker = CreateFileW((path + L".unregistered").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return S_OK;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() { return S_OK; }
