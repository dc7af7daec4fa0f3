// Runs beside planted copies of srclient.dll and wininet.dll (marking DLLs built by this test;
// the marks are cleared before each run). "--control": a plain load by name, as without the start-up's limit, must
// pick the planted srclient.dll, which shows that this system would load a planted copy.
// Otherwise the program's own start-up and code paths load all three, and none of the
// planted copies may run. Exit 0 when the expectation holds.
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <string>

#include "platform/win32/library_search.h"
#include "platform/win32/version_resources.h"
#include "platform/win32/win32_services.h"

namespace {

std::wstring folderOfProgram() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

bool marked(const std::wstring& folder, const wchar_t* dll) {
    return GetFileAttributesW((folder + dll + L".loaded").c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring loadedFrom(const wchar_t* dll) {
    const HMODULE module = GetModuleHandleW(dll);
    if (!module) return L"(not loaded)";
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    return std::wstring(path, length);
}

}  // namespace

int main(int argc, char** argv) {
    const bool control = argc > 1 && std::string(argv[1]) == "--control";
    if (!control) sorvane::platform::win32::LimitLibrarySearchToSystem32();
    const std::wstring folder = folderOfProgram();
    const wchar_t* const planted[] = {L"srclient.dll", L"wininet.dll"};

    if (control) {
        const HMODULE module = LoadLibraryW(L"srclient.dll");
        const bool ok = module && marked(folder, L"srclient.dll");
        std::printf("control: srclient.dll from %ls\n", loadedFrom(L"srclient.dll").c_str());
        // Its mark is this run's alone: the protected run that follows must not see it.
        DeleteFileW((folder + L"srclient.dll.loaded").c_str());
        return ok ? 0 : 1;
    }

    // The restore point service, the version resource reader and the HTTP client's library.
    sorvane::platform::win32::Win32RestorePoints restorePoints;
    (void)restorePoints.supported();
    sorvane::platform::win32::Win32VersionResources versions;
    (void)versions.ownExecutable();
    wchar_t canonical[64];
    DWORD size = 64;
    (void)InternetCanonicalizeUrlW(L"http://example.com/a b", canonical, &size, 0);

    int plantedLoaded = 0;
    for (const auto* dll : planted) {
        const bool mark = marked(folder, dll);
        plantedLoaded += mark ? 1 : 0;
        std::printf("%ls: %ls%s\n", dll, loadedFrom(dll).c_str(), mark ? " (PLANTED COPY RAN)" : "");
    }
    return plantedLoaded == 0 ? 0 : 1;
}
