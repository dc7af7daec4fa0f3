// Times a window program's start as its user meets it: from the moment this process starts
// it to the first answer of its visible top-level window with the given caption to a sent
// message (WM_NULL), then closes it and waits until the process has ended.
//   start_timer CAPTION TIMEOUT_MS [--dump FILE] PROGRAM [ARGUMENTS...]
// The program runs in its own folder. Prints "shown S answered S processor S": seconds from
// the start to the window showing and to its answer, and the processor seconds the program
// had used by then.
// --dump FILE writes the window's layout before it is closed, for bare_window to build the
// same window: the frame, each direct child (class, styles, place, font, caption, and the
// columns, tabs or entries it holds) and the menu bar.
// Exit code 0 when the window answered and the program ended, 1 when not, 2 on a usage error.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/command_line.h"
#include "platform/win32/wide.h"

using sorvane::platform::win32::narrow;

namespace {

double secondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Processor seconds the process has used so far, in user and kernel mode (under Wine, not
// what the Wine server spends for it): unlike the wall clock, what the machine's other load
// leaves alone.
double processorSeconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

std::wstring windowText(HWND window) {
    wchar_t text[1024] = {};
    // WM_GETTEXT through the timeout: a window that hangs must not hang the timer.
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &copied);
    return text;
}

struct Search {
    DWORD processId;
    const std::wstring* caption;
    HWND found = nullptr;
};

HWND findShownWindow(DWORD processId, const std::wstring& caption) {
    Search search{processId, &caption};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s.processId || !IsWindowVisible(window)) return TRUE;
            wchar_t text[512] = {};
            InternalGetWindowText(window, text, 512);  // the caption as stored; sends nothing
            if (*s.caption != text) return TRUE;
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Tabs, line ends and backslashes escaped, so that every field stays on its line.
std::string field(const std::wstring& text) {
    std::string out;
    for (char c : narrow(text)) {
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::string fontOf(HWND window) {
    DWORD_PTR font = 0;
    if (!SendMessageTimeoutW(window, WM_GETFONT, 0, 0, SMTO_NORMAL, 5000, &font) || font == 0) return "-";
    LOGFONTW log{};
    if (GetObjectW(reinterpret_cast<HFONT>(font), sizeof log, &log) == 0) return "-";
    char spec[64];
    std::snprintf(spec, sizeof spec, "%ld,%ld,%d,%d,%d,", log.lfHeight, log.lfWeight, log.lfItalic, log.lfUnderline,
                  log.lfCharSet);
    return spec + field(log.lfFaceName);
}

LRESULT ask(HWND window, UINT message, WPARAM w = 0, LPARAM l = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, w, l, SMTO_NORMAL, 5000, &result)) return 0;
    return static_cast<LRESULT>(result);
}

// What a control holds that shapes its cost: a list view's column widths, a tab control's
// tab count, the entries of a combo box or list box (their texts cross processes as the
// system marshals these messages).
std::string contentsOf(HWND window, const std::wstring& className) {
    std::string out;
    if (className == WC_LISTVIEWW) {
        const auto header = reinterpret_cast<HWND>(ask(window, LVM_GETHEADER));
        const auto columns = header ? static_cast<int>(ask(header, HDM_GETITEMCOUNT)) : 0;
        out = "columns";
        for (int i = 0; i < columns; ++i) out += " " + std::to_string(ask(window, LVM_GETCOLUMNWIDTH, i));
    } else if (className == WC_TABCONTROLW) {
        out = "tabs " + std::to_string(ask(window, TCM_GETITEMCOUNT));
    } else if (_wcsicmp(className.c_str(), L"ComboBox") == 0 || _wcsicmp(className.c_str(), L"ListBox") == 0) {
        const bool combo = _wcsicmp(className.c_str(), L"ComboBox") == 0;
        const auto count = static_cast<int>(ask(window, combo ? CB_GETCOUNT : LB_GETCOUNT));
        out = "entries";
        for (int i = 0; i < count; ++i) {
            wchar_t text[512] = {};
            const auto length = ask(window, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(i));
            if (length >= 0 && length < 512)
                ask(window, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            out += "\t" + field(text);
        }
    }
    return out.empty() ? "-" : out;
}

void dumpMenu(FILE* out, HMENU menu, int depth) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = 256;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item)) continue;
        std::fprintf(out, "menu\t%d\t%u\t%u\t%s\n", depth, item.fType, item.fState, field(text).c_str());
        if (item.hSubMenu) dumpMenu(out, item.hSubMenu, depth + 1);
    }
}

// What the program shows instead, for the message of a start that never came.
void listShownWindows(DWORD processId) {
    EnumWindows(
        [](HWND window, LPARAM id) -> BOOL {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != static_cast<DWORD>(id) || !IsWindowVisible(window)) return TRUE;
            wchar_t text[512] = {}, className[256] = {};
            InternalGetWindowText(window, text, 512);
            GetClassNameW(window, className, 256);
            std::fprintf(stderr, "start_timer: shown instead: \"%s\" (%s)\n", narrow(text).c_str(),
                         narrow(className).c_str());
            return TRUE;
        },
        static_cast<LPARAM>(processId));
}

bool dumpLayout(HWND window, const wchar_t* path) {
    FILE* out = _wfopen(path, L"w");
    if (!out) return false;
    RECT client{};
    GetClientRect(window, &client);
    std::fprintf(out, "window\t%lx\t%lx\t%ld\t%ld\t%s\n", static_cast<unsigned long>(GetWindowLongW(window, GWL_STYLE)),
                 static_cast<unsigned long>(GetWindowLongW(window, GWL_EXSTYLE)), client.right, client.bottom,
                 field(windowText(window)).c_str());
    // Bottom of the z-order first: created in this order, they stack as they do here.
    std::vector<HWND> children;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.insert(children.begin(), child);
    for (HWND child : children) {
        wchar_t className[256] = {};
        GetClassNameW(child, className, 256);
        RECT place{};
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        std::fprintf(out, "child\t%s\t%lx\t%lx\t%ld\t%ld\t%ld\t%ld\t%d\t%s\t%s\t%s\n", field(className).c_str(),
                     static_cast<unsigned long>(GetWindowLongW(child, GWL_STYLE)),
                     static_cast<unsigned long>(GetWindowLongW(child, GWL_EXSTYLE)), place.left, place.top,
                     place.right - place.left, place.bottom - place.top, GetDlgCtrlID(child), fontOf(child).c_str(),
                     field(windowText(child)).c_str(), contentsOf(child, className).c_str());
    }
    if (HMENU menu = GetMenu(window)) dumpMenu(out, menu, 0);
    return std::fclose(out) == 0;
}

}  // namespace

int main() {
    std::vector<std::wstring> args = sorvane::platform::win32::CommandLineArguments();
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::wstring dump;
    if (args.size() >= 4 && args[2] == L"--dump") {
        dump = args[3];
        args.erase(args.begin() + 2, args.begin() + 4);
    }
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: start_timer CAPTION TIMEOUT_MS [--dump FILE] PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const std::wstring& caption = args[0];
    const DWORD timeoutMs = std::wcstoul(args[1].c_str(), nullptr, 10);
    std::wstring commandLine;
    for (std::size_t i = 2; i < args.size(); ++i) commandLine += (i > 2 ? L" \"" : L"\"") + args[i] + L"\"";
    std::wstring folder = args[2];
    folder.resize(folder.find_last_of(L"\\/") == std::wstring::npos ? 0 : folder.find_last_of(L"\\/"));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        std::fprintf(stderr, "start_timer: could not start the program (error %lu)\n", GetLastError());
        return 1;
    }
    CloseHandle(process.hThread);

    HWND window = nullptr;
    double shown = 0, answered = 0, processor = 0;
    while (secondsSince(start) * 1000 < timeoutMs) {
        window = findShownWindow(process.dwProcessId, caption);
        if (window) {
            shown = secondsSince(start);
            DWORD_PTR ignored = 0;
            if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored)) {
                answered = secondsSince(start);
                processor = processorSeconds(process.hProcess);
                break;
            }
            window = nullptr;
        }
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    int result = 0;
    if (!window) {
        std::fprintf(stderr, "start_timer: no window captioned \"%s\" answered in time\n", narrow(caption).c_str());
        listShownWindows(process.dwProcessId);
        result = 1;
    } else {
        std::printf("shown %.4f answered %.4f processor %.4f\n", shown, answered, processor);
        if (!dump.empty() && !dumpLayout(window, dump.c_str())) {
            std::fprintf(stderr, "start_timer: could not write the layout\n");
            result = 1;
        }
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "start_timer: the program did not end; ended it\n");
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 10000);
        result = 1;
    }
    CloseHandle(process.hProcess);
    return result;
}
