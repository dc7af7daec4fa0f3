// Looks at the windows of a running program for the end-to-end tests:
//   window_probe wait  CAPTION TIMEOUT_MS [CHILD_CAPTION...]   a visible window with that caption and those child captions
//   window_probe close CAPTION TIMEOUT_MS                     asks it to close and waits until it is gone
//   window_probe click CAPTION TIMEOUT_MS BUTTON               presses a visible, enabled push button (BM_CLICK)
//   window_probe timed-click CAPTION TIMEOUT_MS BUTTON         presses it with a sent click, prints the seconds
//                                                             its handler took
//   window_probe click-label CAPTION TIMEOUT_MS LABEL         clicks a visible, enabled label (STN_CLICKED)
//   window_probe click-option CAPTION TIMEOUT_MS OPTION       chooses a visible, enabled option button with a sent
//                                                             click (BM_CLICK) and checks that it is then chosen
//   window_probe hidden CAPTION TIMEOUT_MS                    a window with that caption that exists but is hidden
//   window_probe tray  CAPTION MOUSE_MESSAGE                  once an icon shows in the notification area, sends
//                                                             the tray icon's mouse message to that window
//   window_probe rows  CAPTION                                prints the rows of its visible list views
//   window_probe colwidth CAPTION COLUMNS COLUMN [PIXELS]     in its list view of COLUMNS columns, sets (as a
//                                                             drag of the divider does) and prints a column's width
//   window_probe endsession CAPTION TIMEOUT_MS                tells it the session ends (logoff) and waits until it is gone
//   window_probe choose CAPTION TIMEOUT_MS INDEX               picks entry INDEX of its drop-down list, as a user does
//   window_probe layout CAPTION TIMEOUT_MS [BUTTON=MARKER...] checks the layout of its visible controls: each inside
//                                                             the window's client area and whole inside a group box
//                                                             it reaches into, no two overlapping (group boxes and
//                                                             tabs hold others), every caption fitting its control;
//                                                             then presses each BUTTON and, once a child captioned
//                                                             MARKER shows, checks the page it brought up
//   window_probe self-test                                    the above against a window of its own
// Exit code 0 when the condition was met in time, 1 when not, 2 on a usage error.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/command_line.h"
#include "platform/win32/wide.h"
#include "ui/win32/win32_host.h"

using sorvane::platform::win32::narrow;

namespace {

struct ChildWindow {
    std::wstring caption;
    std::wstring className;
    bool visible = false;
    RECT screen{};
    HWND window = nullptr;
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
                {shownText(windowText(child)), className, IsWindowVisible(child) != FALSE, screen, child});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

// A visible one of the top-level windows with that caption (a hidden one may share it).
HWND visibleWindow(const std::wstring& caption) {
    for (HWND window = FindWindowExW(nullptr, nullptr, nullptr, caption.c_str()); window != nullptr;
         window = FindWindowExW(nullptr, window, nullptr, caption.c_str()))
        if (IsWindowVisible(window)) return window;
    return nullptr;
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

bool isPushButton(const ChildWindow& child) {
    if (_wcsicmp(child.className.c_str(), L"Button") != 0) return false;
    const auto type = GetWindowLongPtrW(child.window, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

bool isOptionButton(const ChildWindow& child) {
    if (_wcsicmp(child.className.c_str(), L"Button") != 0) return false;
    const auto type = GetWindowLongPtrW(child.window, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool isNotifyingLabel(const ChildWindow& child) {
    return _wcsicmp(child.className.c_str(), L"Static") == 0 && (GetWindowLongPtrW(child.window, GWL_STYLE) & SS_NOTIFY);
}

// A visible, enabled child of that kind with that caption in a visible window; nothing when
// none turned up in time (the windows seen are printed then).
HWND enabledChild(const std::wstring& caption, DWORD timeoutMs, const std::wstring& text,
                  bool (*ofKind)(const ChildWindow&), const char* kind) {
    HWND target = nullptr;
    const bool found = waitUntil(timeoutMs, [&] {
        HWND window = visibleWindow(caption);
        if (window == nullptr) return false;
        for (const auto& child : childrenOf(window))
            if (child.visible && child.caption == text && ofKind(child) && IsWindowEnabled(child.window)) {
                target = child.window;
                return true;
            }
        return false;
    });
    if (found) return target;
    std::printf("no enabled %s \"%s\" in a visible window \"%s\" within %lu ms\n", kind, narrow(text).c_str(),
                narrow(caption).c_str(), timeoutMs);
    printTopLevelWindows();
    return nullptr;
}

// Posted, not sent: the handler may open a modal box that this probe is to answer next.
int clickButton(const std::wstring& caption, DWORD timeoutMs, const std::wstring& button) {
    HWND target = enabledChild(caption, timeoutMs, button, isPushButton, "button");
    if (target == nullptr) return 1;
    PostMessageW(target, BM_CLICK, 0, 0);
    std::printf("clicked \"%s\" in \"%s\"\n", narrow(button).c_str(), narrow(caption).c_str());
    return 0;
}

// Sent, as a user's click on it: the program's handler has run when this returns, and a
// plain option button (not one that chooses itself) must have been chosen by it.
int clickOption(const std::wstring& caption, DWORD timeoutMs, const std::wstring& option) {
    HWND target = enabledChild(caption, timeoutMs, option, isOptionButton, "option button");
    if (target == nullptr) return 1;
    DWORD_PTR ignored = 0, state = 0;
    if (SendMessageTimeoutW(target, BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) == 0 ||
        SendMessageTimeoutW(target, BM_GETCHECK, 0, 0, SMTO_NORMAL, timeoutMs, &state) == 0 || state != BST_CHECKED) {
        std::printf("option \"%s\" in \"%s\" was not chosen\n", narrow(option).c_str(), narrow(caption).c_str());
        return 1;
    }
    std::printf("chose \"%s\" in \"%s\"\n", narrow(option).c_str(), narrow(caption).c_str());
    return 0;
}

// Sent, not posted: returns once the button's handler has run (a scan, say) and prints how
// long that took, "seconds S".
int timedClick(const std::wstring& caption, DWORD timeoutMs, const std::wstring& button) {
    HWND target = enabledChild(caption, timeoutMs, button, isPushButton, "button");
    if (target == nullptr) return 1;
    LARGE_INTEGER frequency{}, begin{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    DWORD_PTR ignored = 0;
    const bool answered = SendMessageTimeoutW(target, BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
    QueryPerformanceCounter(&end);
    if (!answered) {
        std::printf("\"%s\" in \"%s\" did not return within %lu ms\n", narrow(button).c_str(),
                    narrow(caption).c_str(), timeoutMs);
        return 1;
    }
    std::printf("seconds %.6f\n",
                static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart));
    return 0;
}

// A label's click reaches its parent as WM_COMMAND with STN_CLICKED, as a mouse click sends it.
int clickLabel(const std::wstring& caption, DWORD timeoutMs, const std::wstring& label) {
    HWND target = enabledChild(caption, timeoutMs, label, isNotifyingLabel, "label");
    if (target == nullptr) return 1;
    const auto id = static_cast<WORD>(GetDlgCtrlID(target));
    PostMessageW(GetParent(target), WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(target));
    std::printf("clicked label \"%s\" in \"%s\"\n", narrow(label).c_str(), narrow(caption).c_str());
    return 0;
}

int waitHidden(const std::wstring& caption, DWORD timeoutMs) {
    const bool hidden = waitUntil(timeoutMs, [&] {
        HWND window = FindWindowW(nullptr, caption.c_str());
        return window != nullptr && !IsWindowVisible(window);
    });
    std::printf(hidden ? "window \"%s\" is hidden\n" : "no hidden window \"%s\" within %lu ms\n",
                narrow(caption).c_str(), timeoutMs);
    if (!hidden) printTopLevelWindows();
    return hidden ? 0 : 1;
}

// What the shell sends when the user clicks the program's tray icon. A user can click only
// an icon that is there: a program starting into the tray has a hidden window before it
// has its icon, and a click sent then would land in the middle of its start.
int trayMessage(const std::wstring& caption, UINT mouseMessage) {
    constexpr DWORD iconTimeoutMs = 30000;
    HWND window = nullptr;
    const bool ready = waitUntil(iconTimeoutMs, [&] {
        window = FindWindowW(nullptr, caption.c_str());
        // Without a tray on the X display, Wine shows the notification area as a window of its own.
        HWND tray = FindWindowW(nullptr, L"Wine System Tray");
        return window != nullptr && tray != nullptr && !childrenOf(tray).empty();
    });
    if (!ready) {
        std::printf("no window \"%s\" with an icon in the notification area for the tray message\n",
                    narrow(caption).c_str());
        printTopLevelWindows();
        return 1;
    }
    PostMessageW(window, sorvane::ui::Win32Host::trayCallbackMessage, 1, static_cast<LPARAM>(mouseMessage));
    std::printf("tray message %u sent to \"%s\"\n", mouseMessage, narrow(caption).c_str());
    return 0;
}

int chooseListEntry(const std::wstring& caption, DWORD timeoutMs, int index) {
    HWND list = nullptr;
    const bool found = waitUntil(timeoutMs, [&] {
        HWND window = visibleWindow(caption);
        if (window == nullptr) return false;
        for (const auto& child : childrenOf(window))
            if (child.visible && child.className == L"ComboBox" &&
                SendMessageW(child.window, CB_GETCOUNT, 0, 0) > index) {
                list = child.window;
                return true;
            }
        return false;
    });
    if (!found) {
        std::printf("no drop-down list with an entry %d in a visible window \"%s\" within %lu ms\n", index,
                    narrow(caption).c_str(), timeoutMs);
        printTopLevelWindows();
        return 1;
    }
    // The selection, then the notice a user's choice sends to the list's window.
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    std::printf("chose entry %d in \"%s\"\n", index, narrow(caption).c_str());
    return 0;
}

// Reads list view texts through a buffer inside the list's own process, since the
// item messages carry pointers that are not carried across processes.
class RemoteListReader {
public:
    explicit RemoteListReader(HWND list) : list_(list) {
        DWORD processId = 0;
        GetWindowThreadProcessId(list, &processId);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
        if (process_ != nullptr)
            remote_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, Size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~RemoteListReader() {
        if (remote_ != nullptr) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
        if (process_ != nullptr) CloseHandle(process_);
    }
    RemoteListReader(const RemoteListReader&) = delete;
    RemoteListReader& operator=(const RemoteListReader&) = delete;

    bool ready() const { return remote_ != nullptr; }
    int rows() const { return static_cast<int>(send(LVM_GETITEMCOUNT, 0, 0)); }
    int columns() const {
        const auto header = reinterpret_cast<HWND>(send(LVM_GETHEADER, 0, 0));
        return header == nullptr ? 1 : std::max(1, Header_GetItemCount(header));
    }
    bool checked(int row) const {
        return ((send(LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) >> 12) & 0xF) == 2;
    }
    std::wstring text(int row, int column) const {
        LVITEMW item{};
        item.iSubItem = column;
        item.cchTextMax = TextChars;
        item.pszText = reinterpret_cast<wchar_t*>(remote_ + sizeof(LVITEMW));
        if (!WriteProcessMemory(process_, remote_, &item, sizeof item, nullptr)) return {};
        const auto length = send(LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote_));
        std::wstring text(TextChars, L'\0');
        if (!ReadProcessMemory(process_, item.pszText, text.data(), TextChars * sizeof(wchar_t), nullptr)) return {};
        text.resize(std::min<std::size_t>(static_cast<std::size_t>(length), TextChars - 1));
        return text;
    }

private:
    static constexpr int TextChars = 1024;
    static constexpr std::size_t Size = sizeof(LVITEMW) + TextChars * sizeof(wchar_t);

    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam) const {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(list_, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result)) return 0;
        return static_cast<LRESULT>(result);
    }

    HWND list_;
    HANDLE process_ = nullptr;
    char* remote_ = nullptr;
};

// One line per row of every visible list view: "list N: [x] text | column 2 | ...".
int printRows(const std::wstring& caption) {
    HWND window = visibleWindow(caption);
    if (window == nullptr) {
        std::printf("no visible window \"%s\"\n", narrow(caption).c_str());
        return 1;
    }
    int listNumber = 0;
    for (const auto& child : childrenOf(window)) {
        if (!child.visible || _wcsicmp(child.className.c_str(), WC_LISTVIEWW) != 0) continue;
        RemoteListReader list(child.window);
        if (!list.ready()) return 1;
        ++listNumber;
        const int rows = list.rows();
        const int columns = list.columns();
        std::printf("list %d: %d rows\n", listNumber, rows);
        for (int row = 0; row < rows; ++row) {
            std::wstring line = list.checked(row) ? L"[x] " : L"[ ] ";
            for (int column = 0; column < columns; ++column)
                line += (column == 0 ? L"" : L" | ") + list.text(row, column);
            std::printf("list %d: %s\n", listNumber, narrow(line).c_str());
        }
    }
    return 0;
}

// The one list view of the window with that many columns (hidden ones included).
HWND listWithColumns(HWND window, int columns) {
    for (const auto& child : childrenOf(window)) {
        if (_wcsicmp(child.className.c_str(), WC_LISTVIEWW) != 0) continue;
        const auto header = reinterpret_cast<HWND>(SendMessageW(child.window, LVM_GETHEADER, 0, 0));
        if (header != nullptr && Header_GetItemCount(header) == columns) return child.window;
    }
    return nullptr;
}

int columnWidth(const std::wstring& caption, int columns, int column, int pixels) {
    HWND window = FindWindowW(nullptr, caption.c_str());
    HWND list = window == nullptr ? nullptr : listWithColumns(window, columns);
    if (list == nullptr) {
        std::printf("no list view of %d columns in a window \"%s\"\n", columns, narrow(caption).c_str());
        return 1;
    }
    // The width messages carry no pointers, so they work across processes.
    if (pixels >= 0) SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(pixels, 0));
    std::printf("column %d width %d\n", column, static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0)));
    return 0;
}

int endSession(const std::wstring& caption, DWORD timeoutMs) {
    HWND window = FindWindowW(nullptr, caption.c_str());
    if (window == nullptr) {
        std::printf("no window \"%s\"\n", narrow(caption).c_str());
        return 1;
    }
    DWORD_PTR mayEnd = 0;
    SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, timeoutMs, &mayEnd);
    std::printf("WM_QUERYENDSESSION answered %s\n", mayEnd ? "TRUE" : "FALSE");
    if (!mayEnd) return 1;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, timeoutMs, &ignored);
    if (!waitUntil(timeoutMs, [&] { return IsWindow(window) == FALSE; })) {
        std::printf("window \"%s\" still there %lu ms after WM_ENDSESSION\n", narrow(caption).c_str(), timeoutMs);
        return 1;
    }
    std::printf("window \"%s\" closed for the session's end\n", narrow(caption).c_str());
    return 0;
}

// ---- Layout check -------------------------------------------------------------------------

// A control whose rectangle holds other controls by design.
bool holdsOthers(const ChildWindow& child) {
    const auto style = GetWindowLongPtrW(child.window, GWL_STYLE);
    if (_wcsicmp(child.className.c_str(), L"Button") == 0) return (style & BS_TYPEMASK) == BS_GROUPBOX;
    if (_wcsicmp(child.className.c_str(), WC_TABCONTROLW) == 0) return true;
    if (_wcsicmp(child.className.c_str(), L"Static") == 0) {
        const auto type = style & SS_TYPEMASK;
        return type == SS_ETCHEDFRAME || type == SS_ETCHEDHORZ || type == SS_ETCHEDVERT || type == SS_BLACKFRAME ||
               type == SS_GRAYFRAME || type == SS_WHITEFRAME || type == SS_BITMAP || type == SS_OWNERDRAW ||
               type == SS_ICON;
    }
    return false;
}

// A text a control shows in one piece: a plain label, a push button, a check or an option box.
enum class TextKind { None, Label, Button, Box };

TextKind textKindOf(const ChildWindow& child) {
    const auto style = GetWindowLongPtrW(child.window, GWL_STYLE);
    if (_wcsicmp(child.className.c_str(), L"Static") == 0) {
        const auto type = style & SS_TYPEMASK;
        return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP ||
                       type == SS_SIMPLE
                   ? TextKind::Label
                   : TextKind::None;
    }
    if (_wcsicmp(child.className.c_str(), L"Button") != 0) return TextKind::None;
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON: return TextKind::Button;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return TextKind::Box;
    default: return TextKind::None;
    }
}

// The DPI the program's windows are shown at. Wine gives every monitor the system's DPI, and
// answers GetDpiForWindow for another process's window with 96 whatever its DPI: the system's
// DPI, as this process (aware of it) reads it, is the one.
int shownDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// The control's own font, its description read back through its handle and the font made
// again here. Another process's font handle means nothing here (Wine answers WM_GETFONT
// across processes with none): then the system's message font, which is what the program
// gives its controls (a bold caption is measured a little short).
HFONT fontLike(HWND control) {
    LOGFONTW face{};
    auto theirs = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (theirs != nullptr && GetObjectW(theirs, sizeof face, &face) == sizeof face) return CreateFontIndirectW(&face);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

// Why a control's caption does not fit it, or nothing when it does.
std::string clippedText(const ChildWindow& child, TextKind kind, int dpi) {
    if (kind == TextKind::None || child.caption.empty()) return {};
    RECT client{};
    GetClientRect(child.window, &client);
    HDC dc = GetDC(child.window);
    HFONT font = fontLike(child.window);
    HGDIOBJ old = SelectObject(dc, font);
    std::string problem;
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (kind == TextKind::Label) {
        // A label breaks its text at blanks: it fits when the broken text fits its height
        // and no single word runs past its width.
        const auto style = GetWindowLongPtrW(child.window, GWL_STYLE);
        const bool wraps = (style & SS_TYPEMASK) != SS_LEFTNOWORDWRAP && (style & SS_TYPEMASK) != SS_SIMPLE;
        RECT needed{0, 0, width, 0};
        DrawTextW(dc, child.caption.c_str(), static_cast<int>(child.caption.size()), &needed,
                  DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
        if (needed.right > width || needed.bottom > height)
            problem = "needs " + std::to_string(needed.right) + "x" + std::to_string(needed.bottom) + " px, has " +
                      std::to_string(width) + "x" + std::to_string(height);
    } else {
        SIZE text{};
        GetTextExtentPoint32W(dc, child.caption.c_str(), static_cast<int>(child.caption.size()), &text);
        // A push button's face keeps its raised edge each side; a box its mark and a gap.
        const int edges = kind == TextKind::Button ? MulDiv(4, dpi, 96) : MulDiv(13 + 4, dpi, 96);
        if (text.cx + edges > width || text.cy > height)
            problem = "needs " + std::to_string(text.cx + edges) + "x" + std::to_string(text.cy) + " px, has " +
                      std::to_string(width) + "x" + std::to_string(height);
    }
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(child.window, dc);
    return problem;
}

bool contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool overlaps(const RECT& a, const RECT& b) {
    RECT both{};
    return IntersectRect(&both, &a, &b) != FALSE;
}

std::string described(const ChildWindow& child) {
    const RECT& r = child.screen;
    return narrow(child.className) + " \"" + narrow(child.caption) + "\" at " + std::to_string(r.left) + "," +
           std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// Prints every fault found in the visible controls of one window; the number of faults.
int layoutFaults(HWND window) {
    const int dpi = shownDpi();
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::vector<ChildWindow> shown;
    for (const auto& child : childrenOf(window)) {
        // Only the window's own controls: a list's header or a combo's edit belongs to them.
        if (!child.visible || GetParent(child.window) != window) continue;
        if (child.screen.right <= child.screen.left || child.screen.bottom <= child.screen.top) continue;
        shown.push_back(child);
    }
    int faults = 0;
    const auto fault = [&](const std::string& text) {
        std::printf("  LAYOUT %s\n", text.c_str());
        ++faults;
    };
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const ChildWindow& child = shown[i];
        if (!contains(client, child.screen)) fault(described(child) + " reaches outside the window's client area");
        if (const std::string clipped = clippedText(child, textKindOf(child), dpi); !clipped.empty())
            fault(described(child) + " cuts its text off: " + clipped);
        for (std::size_t j = i + 1; j < shown.size(); ++j) {
            const ChildWindow& other = shown[j];
            if (!overlaps(child.screen, other.screen)) continue;
            const bool childHolds = holdsOthers(child);
            const bool otherHolds = holdsOthers(other);
            // A group box or tab holds what lies wholly inside it; half in, half out is a fault.
            if (childHolds && contains(child.screen, other.screen)) continue;
            if (otherHolds && contains(other.screen, child.screen)) continue;
            if (childHolds && otherHolds) continue;  // frames side by side or nested pages
            // A copy drawn behind the control it copies (a skinned label's face).
            if (EqualRect(&child.screen, &other.screen) && child.caption == other.caption &&
                child.className == other.className)
                continue;
            fault(described(child) + " overlaps " + described(other));
        }
    }
    std::printf("layout at %d dpi: %zu visible controls, %d fault(s)\n", dpi, shown.size(), faults);
    return faults;
}

// The layout as the window shows it now, then of each page that a button brings up (the page
// is up once a child with its marker caption shows).
int checkLayout(const std::wstring& caption, DWORD timeoutMs, const std::vector<std::wstring>& pages) {
    HWND window = nullptr;
    if (!waitUntil(timeoutMs, [&] { return (window = visibleWindow(caption)) != nullptr; })) {
        std::printf("no visible window \"%s\" within %lu ms\n", narrow(caption).c_str(), timeoutMs);
        printTopLevelWindows();
        return 1;
    }
    // Visibility is seen as each control changes: a handler still switching pages (one shown,
    // the next not yet hidden) is let finish first, which its window answering a message shows.
    const auto settled = [&] {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored);
    };
    settled();
    int faults = layoutFaults(window);
    for (const auto& page : pages) {
        const auto split = page.find(L'=');
        const std::wstring button = page.substr(0, split);
        const std::wstring marker = split == std::wstring::npos ? std::wstring() : page.substr(split + 1);
        if (clickButton(caption, timeoutMs, button) != 0 ||
            !waitUntil(timeoutMs, [&] { return marker.empty() || hasVisibleChild(childrenOf(window), marker); })) {
            std::printf("  LAYOUT the page of \"%s\" did not come up\n", narrow(button).c_str());
            ++faults;
            continue;
        }
        settled();
        faults += layoutFaults(window);
    }
    return faults == 0 ? 0 : 1;
}

int selfTestClicks = 0;

LRESULT CALLBACK selfTestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) ++selfTestClicks;
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

// Checks the probe itself: a window with buttons is found with its captions, a caption
// that is not there is reported missing, and closing it removes the window.
int selfTest() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const wchar_t* caption = L"Window probe self-test \u00e4\u20ac";
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = selfTestProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"WindowProbeSelfTest";
    if (!RegisterClassW(&windowClass)) return 1;
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, caption, WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return 1;
    // In the font dialogs use, as a program sets it.
    for (auto [text, top] : {std::pair{L"&Scan Now", 10}, std::pair{L"Results/Removal", 40}}) {
        HWND button = CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE, 10, top, 100, 24, window, nullptr,
                                      windowClass.hInstance, nullptr);
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
    CreateWindowExW(0, L"BUTTON", L"Hidden", WS_CHILD, 10, 70, 100, 24, window, nullptr, windowClass.hInstance,
                    nullptr);
    HWND quick = CreateWindowExW(0, L"BUTTON", L"Quick Scan", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | WS_GROUP, 10,
                                 100, 100, 24, window, nullptr, windowClass.hInstance, nullptr);
    HWND complete = CreateWindowExW(0, L"BUTTON", L"Complete System Scan", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, 10,
                                    130, 100, 24, window, nullptr, windowClass.hInstance, nullptr);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 120, 10, 160, 100, window,
                                nullptr, windowClass.hInstance, nullptr);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 80;
    column.pszText = const_cast<wchar_t*>(L"Name");
    ListView_InsertColumn(list, 0, &column);
    column.pszText = const_cast<wchar_t*>(L"Location");
    ListView_InsertColumn(list, 1, &column);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<wchar_t*>(L"First \u00e4");
    ListView_InsertItem(list, &item);
    ListView_SetItemText(list, 0, 1, const_cast<wchar_t*>(L"C:\\first"));
    item.iItem = 1;
    item.pszText = const_cast<wchar_t*>(L"Second");
    ListView_InsertItem(list, &item);
    ListView_SetCheckState(list, 1, TRUE);

    int failures = 0;
    if (waitFor(caption, 200, {L"Scan Now"}) != 1) ++failures;  // not shown yet
    if (clickButton(caption, 200, L"Scan Now") != 1) ++failures;  // nor clickable
    ShowWindow(window, SW_SHOWNORMAL);
    if (waitFor(caption, 5000, {L"Scan Now", L"Results/Removal"}) != 0) ++failures;
    if (waitFor(caption, 200, {L"Scan Now", L"Hidden"}) != 1) ++failures;
    if (waitFor(caption, 200, {L"Settings"}) != 1) ++failures;
    if (clickButton(caption, 200, L"Hidden") != 1) ++failures;
    if (clickButton(caption, 5000, L"Scan Now") != 0) ++failures;
    if (!waitUntil(5000, [] { return selfTestClicks == 1; })) ++failures;
    if (timedClick(caption, 5000, L"Scan Now") != 0 || selfTestClicks != 2) ++failures;  // run when it returns
    if (clickOption(caption, 5000, L"Complete System Scan") != 0 || selfTestClicks != 3) ++failures;
    if (clickOption(caption, 200, L"Scan Now") != 1) ++failures;  // a push button is no option
    // The option buttons are cramped on purpose; the layout checks below count only their own faults.
    DestroyWindow(quick);
    DestroyWindow(complete);
    {
        RemoteListReader reader(list);
        if (!reader.ready() || reader.rows() != 2 || reader.columns() != 2) ++failures;
        else if (reader.text(0, 0) != L"First \u00e4" || reader.text(0, 1) != L"C:\\first" ||
                 reader.text(1, 0) != L"Second" || reader.checked(0) || !reader.checked(1))
            ++failures;
    }
    if (printRows(caption) != 0) ++failures;
    if (layoutFaults(window) != 0) ++failures;
    // A caption too long for its button, a button half over the list and one outside the
    // client area: three faults.
    CreateWindowExW(0, L"BUTTON", L"A caption far too long for it", WS_CHILD | WS_VISIBLE, 10, 120, 40, 24, window,
                    nullptr, windowClass.hInstance, nullptr);
    CreateWindowExW(0, L"BUTTON", L"On", WS_CHILD | WS_VISIBLE, 100, 80, 60, 24, window, nullptr,
                    windowClass.hInstance, nullptr);
    CreateWindowExW(0, L"BUTTON", L"Out", WS_CHILD | WS_VISIBLE, 250, 150, 200, 24, window, nullptr,
                    windowClass.hInstance, nullptr);
    if (layoutFaults(window) != 3) ++failures;
    if (closeWindow(caption, 5000) != 0) ++failures;
    if (FindWindowW(nullptr, caption) != nullptr) ++failures;
    std::printf("self-test: %d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main() {
    // Sizes and fonts are read as the program's windows have them, in pixels of their DPI,
    // not in the 96-DPI picture the system would give an unaware reader.
    SetProcessDPIAware();
    std::vector<std::wstring> args = sorvane::platform::win32::CommandLineArguments();
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    if (args.size() == 1 && args[0] == L"self-test") return selfTest();
    if (args.size() == 2 && args[0] == L"rows") return printRows(args[1]);
    if (args.size() >= 3 && args[0] == L"layout")
        return checkLayout(args[1], static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)),
                           std::vector<std::wstring>(args.begin() + 3, args.end()));
    if ((args.size() == 4 || args.size() == 5) && args[0] == L"colwidth")
        return columnWidth(args[1], std::stoi(args[2]), std::stoi(args[3]), args.size() == 5 ? std::stoi(args[4]) : -1);
    if (args.size() == 3 && args[0] == L"endsession")
        return endSession(args[1], static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)));
    if (args.size() == 4 && args[0] == L"click")
        return clickButton(args[1], static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)), args[3]);
    if (args.size() == 4 && args[0] == L"timed-click")
        return timedClick(args[1], static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)), args[3]);
    if (args.size() == 4 && args[0] == L"click-option")
        return clickOption(args[1], static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)), args[3]);
    if (args.size() == 4 && args[0] == L"click-label")
        return clickLabel(args[1], static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)), args[3]);
    if (args.size() == 3 && args[0] == L"hidden")
        return waitHidden(args[1], static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)));
    if (args.size() == 3 && args[0] == L"tray")
        return trayMessage(args[1], static_cast<UINT>(std::wcstoul(args[2].c_str(), nullptr, 10)));
    if (args.size() == 4 && args[0] == L"choose")
        return chooseListEntry(args[1], static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10)),
                               static_cast<int>(std::wcstol(args[3].c_str(), nullptr, 10)));
    if (args.size() >= 3 && (args[0] == L"wait" || args[0] == L"close")) {
        const auto timeoutMs = static_cast<DWORD>(std::wcstoul(args[2].c_str(), nullptr, 10));
        if (args[0] == L"close") return args.size() == 3 ? closeWindow(args[1], timeoutMs) : 2;
        return waitFor(args[1], timeoutMs, std::vector<std::wstring>(args.begin() + 3, args.end()));
    }
    std::fprintf(stderr, "usage: window_probe wait CAPTION TIMEOUT_MS [CHILD_CAPTION...] | close CAPTION TIMEOUT_MS | "
                         "click CAPTION TIMEOUT_MS BUTTON | timed-click CAPTION TIMEOUT_MS BUTTON | click-label CAPTION TIMEOUT_MS LABEL | click-option CAPTION TIMEOUT_MS OPTION | hidden CAPTION TIMEOUT_MS | "
                         "tray CAPTION MOUSE_MESSAGE | rows CAPTION | colwidth CAPTION COLUMNS COLUMN [PIXELS] | "
                         "endsession CAPTION TIMEOUT_MS | choose CAPTION TIMEOUT_MS INDEX | layout CAPTION TIMEOUT_MS [BUTTON=MARKER...] | self-test\n");
    return 2;
}
