// Looks at the windows of a running program for the end-to-end tests:
//   window_probe wait  CAPTION TIMEOUT_MS [CHILD_CAPTION...]   a visible window with that caption and those child captions
//   window_probe close CAPTION TIMEOUT_MS                     asks it to close and waits until it is gone
//   window_probe self-test                                    the two above against a window of its own
// Exit code 0 when the condition was met in time, 1 when not, 2 on a usage error.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/wide.h"

using sorvane::platform::win32::narrow;

namespace {

struct ChildWindow {
    std::wstring caption;
    std::wstring className;
    bool visible = false;
    RECT screen{};
};

std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

// The caption as shown: "&&" is a literal ampersand, a single "&" marks a mnemonic.
std::wstring shownText(const std::wstring& caption) {
    std::wstring shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
        else if (caption[i] == L'&') continue;
        shown += caption[i];
    }
    return shown;
}

std::vector<ChildWindow> childrenOf(HWND parent) {
    std::vector<ChildWindow> children;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) -> BOOL {
            wchar_t className[256] = {};
            GetClassNameW(child, className, 256);
            RECT screen{};
            GetWindowRect(child, &screen);
            reinterpret_cast<std::vector<ChildWindow>*>(list)->push_back(
                {shownText(windowText(child)), className, IsWindowVisible(child) != FALSE, screen});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND visibleWindow(const std::wstring& caption) {
    HWND window = FindWindowW(nullptr, caption.c_str());
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

const ChildWindow* visibleChild(const std::vector<ChildWindow>& children, const std::wstring& caption) {
    for (const auto& child : children)
        if (child.visible && child.caption == caption) return &child;
    return nullptr;
}

bool hasVisibleChild(const std::vector<ChildWindow>& children, const std::wstring& caption) {
    return visibleChild(children, caption) != nullptr;
}

// Runs pending messages of this thread (the self-test's window) for at most `ms`.
void pumpFor(DWORD ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Polls `ready` until it holds or the deadline passes.
template <typename Condition>
bool waitUntil(DWORD timeoutMs, Condition ready) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (ready()) return true;
        if (GetTickCount64() >= deadline) return false;
        pumpFor(50);
    }
}

void printTopLevelWindows() {
    EnumWindows(
        [](HWND window, LPARAM) -> BOOL {
            const auto caption = windowText(window);
            if (!caption.empty())
                std::printf("  top-level window \"%s\"%s\n", narrow(caption).c_str(),
                            IsWindowVisible(window) ? "" : " (hidden)");
            return TRUE;
        },
        0);
}

int waitFor(const std::wstring& caption, DWORD timeoutMs, const std::vector<std::wstring>& wanted) {
    HWND window = nullptr;
    const bool found = waitUntil(timeoutMs, [&] {
        window = visibleWindow(caption);
        if (window == nullptr) return false;
        const auto children = childrenOf(window);
        for (const auto& child : wanted)
            if (!hasVisibleChild(children, child)) return false;
        return true;
    });
    if (window == nullptr) {
        std::printf("no visible window \"%s\" within %lu ms; windows seen:\n", narrow(caption).c_str(), timeoutMs);
        printTopLevelWindows();
        return 1;
    }
    const auto children = childrenOf(window);
    std::printf("window \"%s\" with %zu child windows\n", narrow(caption).c_str(), children.size());
    int missing = 0;
    for (const auto& wantedCaption : wanted) {
        // Found children come with their place on the screen: left top width height.
        if (const auto* child = visibleChild(children, wantedCaption)) {
            std::printf("  found   \"%s\" at %ld %ld %ld %ld\n", narrow(wantedCaption).c_str(), child->screen.left,
                        child->screen.top, child->screen.right - child->screen.left,
                        child->screen.bottom - child->screen.top);
        } else {
            std::printf("  MISSING \"%s\"\n", narrow(wantedCaption).c_str());
            ++missing;
        }
    }
    if (!found) {
        std::printf("visible children:\n");
        for (const auto& child : children)
            if (child.visible && !child.caption.empty())
                std::printf("  %s \"%s\"\n", narrow(child.className).c_str(), narrow(child.caption).c_str());
    }
    return found && missing == 0 ? 0 : 1;
}

int closeWindow(const std::wstring& caption, DWORD timeoutMs) {
    HWND window = FindWindowW(nullptr, caption.c_str());
    if (window == nullptr) {
        std::printf("no window \"%s\" to close\n", narrow(caption).c_str());
        return 1;
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (!waitUntil(timeoutMs, [&] { return IsWindow(window) == FALSE; })) {
        std::printf("window \"%s\" still open %lu ms after WM_CLOSE\n", narrow(caption).c_str(), timeoutMs);
        return 1;
    }
    std::printf("window \"%s\" closed\n", narrow(caption).c_str());
    return 0;
}

LRESULT CALLBACK selfTestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

// Checks the probe itself: a window with buttons is found with its captions, a caption
// that is not there is reported missing, and closing it removes the window.
int selfTest() {
    const wchar_t* caption = L"Window probe self-test \u00e4\u20ac";
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = selfTestProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"WindowProbeSelfTest";
    if (!RegisterClassW(&windowClass)) return 1;
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, caption, WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return 1;
    CreateWindowExW(0, L"BUTTON", L"&Scan Now", WS_CHILD | WS_VISIBLE, 10, 10, 100, 24, window, nullptr,
                    windowClass.hInstance, nullptr);
    CreateWindowExW(0, L"BUTTON", L"Results/Removal", WS_CHILD | WS_VISIBLE, 10, 40, 100, 24, window, nullptr,
                    windowClass.hInstance, nullptr);
    CreateWindowExW(0, L"BUTTON", L"Hidden", WS_CHILD, 10, 70, 100, 24, window, nullptr, windowClass.hInstance,
                    nullptr);
    int failures = 0;
    if (waitFor(caption, 200, {L"Scan Now"}) != 1) ++failures;  // not shown yet
    ShowWindow(window, SW_SHOWNORMAL);
    if (waitFor(caption, 5000, {L"Scan Now", L"Results/Removal"}) != 0) ++failures;
    if (waitFor(caption, 200, {L"Scan Now", L"Hidden"}) != 1) ++failures;
    if (waitFor(caption, 200, {L"Settings"}) != 1) ++failures;
    if (closeWindow(caption, 5000) != 0) ++failures;
    if (FindWindowW(nullptr, caption) != nullptr) ++failures;
    std::printf("self-test: %d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) return 2;
    std::vector<std::wstring> args(argv + 1, argv + count);
    LocalFree(argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    if (args.size() == 1 && args[0] == L"self-test") return selfTest();
    if (args.size() >= 3 && (args[0] == L"wait" || args[0] == L"close")) {
        const auto timeoutMs = static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10));
        if (args[0] == L"close") return args.size() == 3 ? closeWindow(args[1], timeoutMs) : 2;
        return waitFor(args[1], timeoutMs, std::vector<std::wstring>(args.begin() + 3, args.end()));
    }
    std::fprintf(stderr, "usage: window_probe wait CAPTION TIMEOUT_MS [CHILD_CAPTION...] | close CAPTION TIMEOUT_MS | self-test\n");
    return 2;
}
