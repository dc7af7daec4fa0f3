// Windows' own verdict on the build's Authenticode signatures (WinVerifyTrust): every file
// the build signs carries a signature whose digest matches the file; a file changed after
// signing and an unsigned program are refused for what they are. The roots do not count
// here: a build signed with its throwaway test CA is not trusted by Windows.
#include <windows.h>

#include <softpub.h>
#include <wintrust.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

LONG verify(const std::wstring& path) {
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof(file);
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const HWND noWindow = static_cast<HWND>(INVALID_HANDLE_VALUE);
    const LONG result = WinVerifyTrust(noWindow, &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(noWindow, &action, &data);
    return result;
}

// A signature that holds: trusted, or only its root unknown to this system.
bool signatureHolds(LONG result) {
    return result == ERROR_SUCCESS || result == CERT_E_UNTRUSTEDROOT || result == CERT_E_CHAINING;
}

std::wstring widen(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                           static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return wide;
}

// The signed files, as Linux paths separated by '|', reached through Wine's Z: drive.
std::vector<std::wstring> signedFiles() {
    std::vector<std::wstring> files;
    const char* list = std::getenv("SORVANE_TEST_SIGNED_FILES");
    if (list == nullptr) return files;
    std::string rest = list;
    while (!rest.empty()) {
        const auto bar = rest.find('|');
        const std::string item = rest.substr(0, bar);
        if (!item.empty()) files.push_back(L"Z:" + widen(item));
        rest = bar == std::string::npos ? std::string() : rest.substr(bar + 1);
    }
    return files;
}

std::wstring ownPath() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

}  // namespace

TEST(Authenticode, EverySignedFileHoldsItsSignature) {
    const auto files = signedFiles();
    if (files.empty()) GTEST_SKIP() << "no signed files named (run through ctest)";
    for (const auto& file : files) {
        const LONG result = verify(file);
        EXPECT_TRUE(signatureHolds(result)) << std::string(file.begin(), file.end()) << ": 0x" << std::hex
                                            << static_cast<unsigned long>(result);
    }
}

TEST(Authenticode, AnUnsignedProgramHasNoSignature) {
    EXPECT_EQ(verify(ownPath()), TRUST_E_NOSIGNATURE);
}

TEST(Authenticode, AProgramChangedAfterSigningIsRefused) {
    const auto files = signedFiles();
    if (files.empty()) GTEST_SKIP() << "no signed files named (run through ctest)";
    wchar_t folder[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring copy = std::wstring(folder) + L"sorvane-authenticode-changed.exe";
    ASSERT_TRUE(CopyFileW(files.front().c_str(), copy.c_str(), FALSE));
    HANDLE handle = CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    // A few bytes well inside the signed image.
    SetFilePointer(handle, 4096, nullptr, FILE_BEGIN);
    const char patch[] = "changed by a test";
    DWORD written = 0;
    const BOOL wrote = WriteFile(handle, patch, sizeof(patch), &written, nullptr);
    CloseHandle(handle);
    ASSERT_TRUE(wrote);
    EXPECT_EQ(verify(copy), TRUST_E_BAD_DIGEST);
    DeleteFileW(copy.c_str());
}
