// Run with gdiplus, comdlg32, wininet and bcrypt switched off (see CMakeLists.txt), as on a
// system where they cannot be loaded. The programs delay-load them, and a call into one that
// cannot be loaded would end the process; each feature that needs one must instead say it is
// unavailable and leave the program running.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/win32/library_search.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_signatures.h"
#include "tests/win/ui/bitmap_file.h"
#include "tests/win/ui/shown_form_test.h"
#include "ui/controls.h"

using namespace sorvane::ui;
using sorvane::platform::win32::LoadDelayLoadedLibrary;

namespace {

std::wstring moduleFolder(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(GetModuleHandleW(name), path, MAX_PATH);
    std::wstring folder(path, length);
    folder.resize(folder.find_last_of(L'\\') + 1);
    CharLowerW(folder.data());
    return folder;
}

TEST(DelayLoadedLibraries, OneThatCannotBeLoadedIsAFailureWithTheSystemsReason) {
    for (const wchar_t* name : {L"gdiplus.dll", L"comdlg32.dll", L"wininet.dll", L"bcrypt.dll"}) {
        const auto loaded = LoadDelayLoadedLibrary(name);
        EXPECT_FALSE(loaded.ok()) << "switched off for this test: " << name;
        EXPECT_EQ(GetModuleHandleW(name), nullptr);
        // Asked again, the answer is the same (nothing half-loaded stays behind).
        EXPECT_FALSE(LoadDelayLoadedLibrary(name).ok());
    }
    // One that can be loaded comes from System32 and stays loaded.
    ASSERT_TRUE(LoadDelayLoadedLibrary(L"version.dll").ok());
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    std::wstring expected(system, length);
    expected += L'\\';
    CharLowerW(expected.data());
    EXPECT_EQ(moduleFolder(L"version.dll"), expected);
}

TEST(DelayLoadedLibraries, WithoutWinInetAFetchFailsAndWithoutCngNothingVerifies) {
    sorvane::platform::win32::Win32Http http;
    bool chunk = false;
    const auto fetched = http.get("http://127.0.0.1:9/date.txt", [&](std::string_view, std::uint64_t) {
        chunk = true;
        return true;
    });
    EXPECT_FALSE(fetched.ok());
    EXPECT_FALSE(chunk);

    sorvane::platform::win32::Win32Signatures signatures;
    EXPECT_FALSE(signatures.sha256("abc").has_value());
    EXPECT_FALSE(signatures.verify(std::string(64, 'k'), "message", std::string(64, 's')).ok());
}

struct Banner : Form {
    explicit Banner(Host& host) : Form(host, "frmBanner") {
        setCaption("Banner");
        setSize(6000, 4500);
        picture = &add<PictureBox>("picBanner");
        picture->move(120, 120, 3000, 900);
    }
    PictureBox* picture;
};

using WithoutGdiPlus = ShownFormTest<Banner>;

TEST_F(WithoutGdiPlus, APictureIsLeftEmptyAndTheWindowGoesOn) {
    ASSERT_FALSE(LoadDelayLoadedLibrary(L"gdiplus.dll").ok()) << "the test needs gdiplus.dll switched off";
    form->picture->setImageBytes(bitmapFile(250, 10, 10));
    HWND box = of(*form->picture);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(box);
    EXPECT_NE(GetPixel(dc, 0, 0), RGB(250, 10, 10));
    ReleaseDC(box, dc);
    EXPECT_TRUE(IsWindow(window));
}

// The text of the message box on screen, which it then closes with OK; run by a thread timer
// from inside the box's own loop.
std::wstring& boxText() {
    static std::wstring text;
    return text;
}

void CALLBACK closeMessageBox(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowW(L"#32770", nullptr);
    if (box == nullptr || !IsWindowVisible(box)) return;
    wchar_t text[512] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, 512);  // a message box's text is its static control
    boxText() = text;
    KillTimer(nullptr, id);
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

TEST_F(WithoutGdiPlus, WithoutTheFileDialogABrowseSaysWhyAndIsACancel) {
    // With the dialog there, the box below would be the dialog and the test would wait on it.
    ASSERT_FALSE(LoadDelayLoadedLibrary(L"comdlg32.dll").ok()) << "the test needs comdlg32.dll switched off";
    boxText().clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, closeMessageBox);
    const auto chosen = host.chooseFile(*form, "Submit a file", "All Files (*.*)|*.*");
    KillTimer(nullptr, timer);
    EXPECT_EQ(chosen, std::nullopt);
    EXPECT_EQ(boxText().rfind(L"comdlg32.dll: ", 0), 0u) << "the box names the library: " << boxText().size();
    EXPECT_GT(boxText().size(), std::wstring(L"comdlg32.dll: ").size()) << "and the system's reason";
    EXPECT_TRUE(IsWindow(window));
}

}  // namespace
