// The GUI's scan timed from outside the program, as a user starts it: in the running
// program's visible window of that caption, "Scan Now" opens the Scan page and "Start" is
// pressed with a sent (not posted) click, which returns only once the click's handler, the
// whole scan, has run. The clock is read around that click alone.
//   gui_scan_timer CAPTION TIMEOUT_MS
// Prints "status complete seconds S" when the status line then reads "Scanning complete.";
// exit code 0 then, 1 when the window, the button or the completed status did not turn up.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/win32/wide.h"

namespace {

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

HWND visibleWindow(const std::wstring& caption) {
    for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, caption.c_str()); window != nullptr;
         window = FindWindowExW(nullptr, window, nullptr, caption.c_str()))
        if (IsWindowVisible(window)) return window;
    return nullptr;
}

struct Wanted {
    const wchar_t* className;
    std::wstring caption;
    HWND found = nullptr;
};

// A visible, enabled child of that class and caption (a label "Start" sits beside the button).
HWND visibleChild(HWND parent, const wchar_t* className, const std::wstring& caption) {
    Wanted wanted{className, caption};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            auto& w = *reinterpret_cast<Wanted*>(data);
            wchar_t name[64] = {};
            GetClassNameW(child, name, 64);
            if (_wcsicmp(name, w.className) != 0 || !IsWindowVisible(child) || !IsWindowEnabled(child)) return TRUE;
            if (windowText(child) != w.caption) return TRUE;
            w.found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&wanted));
    return wanted.found;
}

template <typename Found>
HWND waitFor(DWORD timeoutMs, Found found) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND window = found()) return window;
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(50);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gui_scan_timer CAPTION TIMEOUT_MS\n");
        return 2;
    }
    const std::wstring caption = argv[1];
    const auto timeoutMs = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
    HWND window = waitFor(timeoutMs, [&] { return visibleWindow(caption); });
    if (window == nullptr) {
        std::printf("no visible window \"%s\"\n", sorvane::platform::win32::narrow(caption).c_str());
        return 1;
    }
    HWND start = visibleChild(window, L"Button", L"Start");
    if (start == nullptr) {
        if (HWND scanPage = visibleChild(window, L"Button", L"Scan Now")) PostMessageW(scanPage, BM_CLICK, 0, 0);
        start = waitFor(timeoutMs, [&] { return visibleChild(window, L"Button", L"Start"); });
    }
    if (start == nullptr) {
        std::printf("no enabled \"Start\" button\n");
        return 1;
    }
    LARGE_INTEGER frequency{}, begin{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    DWORD_PTR ignored = 0;
    const bool answered = SendMessageTimeoutW(start, BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
    // The window shows its last texts once its messages run again, just after the click.
    const bool complete =
        answered && waitFor(timeoutMs, [&] { return visibleChild(window, L"Static", L"Scanning complete."); });
    std::printf("status %s seconds %.6f\n", complete ? "complete" : "unfinished", seconds);
    return complete ? 0 : 1;
}
