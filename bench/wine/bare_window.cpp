// The floor the main window's start is measured against: a bare Win32 program that builds a
// window with the same controls as a layout written by start_timer --dump (the same classes,
// styles, places, fonts and captions, the same list view columns, tabs and list entries, the
// same menu bar), shows it and runs its message loop until it is closed. Nothing else: no
// settings, no definition files, no translation.
//   bare_window LAYOUT_FILE [--splash]
// --splash first shows a start window for 75 ticks of a 2 ms timer, as Sorvane.exe's does.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/command_line.h"
#include "platform/win32/wide.h"

using sorvane::platform::win32::widen;

namespace {

constexpr int SplashTicks = 75;

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\t') {
            out.emplace_back();
        } else if (line[i] == '\\' && i + 1 < line.size()) {
            const char c = line[++i];
            out.back() += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        } else {
            out.back() += line[i];
        }
    }
    return out;
}

unsigned long hex(const std::string& text) { return std::stoul(text, nullptr, 16); }

HFONT fontFor(const std::string& spec) {
    static std::map<std::string, HFONT> made;
    if (spec == "-") return nullptr;
    if (auto found = made.find(spec); found != made.end()) return found->second;
    LOGFONTW log{};
    std::istringstream in(spec);
    std::string part;
    std::vector<std::string> parts;
    while (std::getline(in, part, ',')) parts.push_back(part);
    if (parts.size() < 6) return nullptr;
    log.lfHeight = std::stol(parts[0]);
    log.lfWeight = std::stol(parts[1]);
    log.lfItalic = static_cast<BYTE>(std::stoi(parts[2]));
    log.lfUnderline = static_cast<BYTE>(std::stoi(parts[3]));
    log.lfCharSet = static_cast<BYTE>(std::stoi(parts[4]));
    wcsncpy(log.lfFaceName, widen(parts[5]).c_str(), LF_FACESIZE - 1);
    return made[spec] = CreateFontIndirectW(&log);
}

struct MenuLine {
    int depth;
    UINT type, state;
    std::wstring text;
};

HMENU buildMenu(const std::vector<MenuLine>& lines, std::size_t& next, int depth, bool bar) {
    HMENU menu = bar ? CreateMenu() : CreatePopupMenu();
    while (next < lines.size() && lines[next].depth == depth) {
        const MenuLine& line = lines[next++];
        if (line.type & MFT_SEPARATOR) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const UINT state = line.state & (MFS_GRAYED | MFS_CHECKED);
        if (next < lines.size() && lines[next].depth == depth + 1)
            AppendMenuW(menu, MF_POPUP | state, reinterpret_cast<UINT_PTR>(buildMenu(lines, next, depth + 1, false)),
                        line.text.c_str());
        else
            AppendMenuW(menu, MF_STRING | state, next, line.text.c_str());
    }
    return menu;
}

LRESULT CALLBACK mainProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_CLOSE) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, w, l);
}

LRESULT CALLBACK splashProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    static int ticks = 0;
    if (message == WM_TIMER && ++ticks == SplashTicks) {
        KillTimer(window, 1);
        PostQuitMessage(0);  // ends the splash's loop; the main window comes next
    }
    return DefWindowProcW(window, message, w, l);
}

// A start window of the size and controls of Sorvane.exe's, on screen for 75 timer ticks.
HWND showSplash(HINSTANCE instance, HICON icon) {
    WNDCLASSW type{};
    type.lpfnWndProc = splashProc;
    type.hInstance = instance;
    type.hIcon = icon;
    type.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = L"BareSplash";
    RegisterClassW(&type);
    HWND splash = CreateWindowExW(0, L"BareSplash", L"Bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 400,
                                  240, nullptr, nullptr, instance, nullptr);
    HWND image = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, 168, 32, 64, 64, splash,
                                 nullptr, instance, nullptr);
    SendMessageW(image, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    CreateWindowExW(0, L"STATIC", L"Bare", WS_CHILD | WS_VISIBLE | SS_LEFT, 16, 120, 368, 32, splash, nullptr, instance,
                    nullptr);
    ShowWindow(splash, SW_SHOWNORMAL);
    UpdateWindow(splash);
    SetTimer(splash, 1, 2, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return splash;
}

}  // namespace

int main() {
    std::vector<std::wstring> args = sorvane::platform::win32::CommandLineArguments();
    if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != L"--splash")) {
        std::fprintf(stderr, "usage: bare_window LAYOUT_FILE [--splash]\n");
        return 2;
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_TAB_CLASSES |
                     ICC_DATE_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);
    HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    HWND splash = args.size() == 2 ? showSplash(instance, icon) : nullptr;

    std::ifstream in(args[0].c_str());
    std::vector<std::vector<std::string>> children;
    std::vector<MenuLine> menuLines;
    std::vector<std::string> frame;
    for (std::string line; std::getline(in, line);) {
        auto f = fields(line);
        if (f[0] == "window" && f.size() >= 6) frame = f;
        else if (f[0] == "child" && f.size() >= 12) children.push_back(f);
        else if (f[0] == "menu" && f.size() >= 5)
            menuLines.push_back({std::stoi(f[1]), static_cast<UINT>(std::stoul(f[2])),
                                 static_cast<UINT>(std::stoul(f[3])), widen(f[4])});
    }
    if (frame.empty()) {
        std::fprintf(stderr, "bare_window: no window in the layout\n");
        return 1;
    }

    WNDCLASSW type{};
    type.lpfnWndProc = mainProc;
    type.hInstance = instance;
    type.hIcon = icon;
    type.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = L"BareWindow";
    RegisterClassW(&type);
    // Controls of a class that only the measured program registers become plain windows.
    type.lpfnWndProc = DefWindowProcW;
    const DWORD style = hex(frame[1]) & ~WS_VISIBLE, exStyle = hex(frame[2]);
    std::size_t next = 0;
    HMENU menu = menuLines.empty() ? nullptr : buildMenu(menuLines, next, 0, true);
    RECT place{0, 0, std::stoi(frame[3]), std::stoi(frame[4])};
    AdjustWindowRectEx(&place, style, menu != nullptr, exStyle);
    HWND window = CreateWindowExW(exStyle, L"BareWindow", widen(frame[5]).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  place.right - place.left, place.bottom - place.top, nullptr, menu, instance, nullptr);
    if (!window) return 1;
    for (const auto& c : children) {
        const std::wstring className = widen(c[1]);
        WNDCLASSW known{};
        if (!GetClassInfoW(instance, className.c_str(), &known) && !GetClassInfoW(nullptr, className.c_str(), &known)) {
            type.lpszClassName = className.c_str();
            RegisterClassW(&type);
        }
        HWND child = CreateWindowExW(hex(c[3]), className.c_str(), widen(c[10]).c_str(), hex(c[2]), std::stoi(c[4]),
                                     std::stoi(c[5]), std::stoi(c[6]), std::stoi(c[7]), window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(std::stoi(c[8]))), instance, nullptr);
        if (!child) continue;
        if (HFONT font = fontFor(c[9])) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        const std::string& contents = c[11];
        if (contents.rfind("columns", 0) == 0) {
            std::istringstream widths(contents.substr(7));
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.pszText = const_cast<wchar_t*>(L"Column");
            int index = 0;
            while (widths >> column.cx) ListView_InsertColumn(child, index++, &column);
        } else if (contents.rfind("tabs ", 0) == 0) {
            TCITEMW tab{};
            tab.mask = TCIF_TEXT;
            tab.pszText = const_cast<wchar_t*>(L"Tab");
            for (int i = 0, tabs = std::stoi(contents.substr(5)); i < tabs; ++i) TabCtrl_InsertItem(child, i, &tab);
        } else if (contents == "entries") {
            const bool combo = _wcsicmp(className.c_str(), L"ComboBox") == 0;
            for (std::size_t i = 12; i < c.size(); ++i)
                SendMessageW(child, combo ? CB_ADDSTRING : LB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(widen(c[i]).c_str()));
        }
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    if (splash) ShowWindow(splash, SW_HIDE);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
