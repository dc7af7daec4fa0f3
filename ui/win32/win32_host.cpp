#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>

#include "ui/win32/host_impl.h"
#include "platform/scoped_value.h"
#include "platform/trace.h"
#include "platform/win32/library_search.h"
#include "platform/win32/system_time.h"
#include "platform/win32/wide.h"

namespace sorvane::ui {

using namespace win32;
using platform::win32::narrow;
using platform::win32::widen;

namespace {

// The system's own text for an error, in the user's language; the number when it has none.
std::string systemErrorText(std::uint32_t code) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = length > 0 && text != nullptr ? std::wstring(text, length) : L"";
    if (text != nullptr) LocalFree(text);
    while (!result.empty() && std::iswspace(result.back())) result.pop_back();
    return result.empty() ? "error " + std::to_string(code) : narrow(result);
}

constexpr wchar_t kFormClass[] = L"SorvaneForm";
constexpr UINT kTrayMessage = Win32Host::trayCallbackMessage;
static_assert(kTrayMessage >= WM_APP && kTrayMessage <= 0xBFFF);
constexpr UINT kTrayId = 1;
// WM_DPICHANGED, which the headers declare only for newer targets than this build's.
constexpr UINT kDpiChangedMessage = 0x02E0;
// The message a later start broadcasts to bring the running copy forward.
constexpr wchar_t ShowRunningCopyMessage[] = L"Sorvane.ShowRunningCopy";
// A yield returns once it has dispatched this long, even if a busy timer keeps the queue full.
constexpr DWORD kYieldBudgetMs = 100;
// Between the items of long work the queue is looked at no more often than this: under Wine
// every look costs a round trip to the server, far more than a scan's item, while a click or
// a repaint waiting this long is not noticed.
constexpr ULONGLONG kItemYieldIntervalMs = 25;
// And the labels and bars that long work keeps setting are shown no more often than this:
// each shows itself with a few round trips of its own, and ten times a second is as often
// as a figure can be read.
constexpr ULONGLONG kItemShowIntervalMs = 100;

LRESULT CALLBACK formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    // Until the host has attached its view (and after it detached it), the defaults apply.
    auto* view = reinterpret_cast<FormView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (view == nullptr || view->window.get() != window) return DefWindowProcW(window, message, wParam, lParam);
    Win32Host::Impl& host = *view->host;
    // Counts a window procedure on the stack, so that views of destroyed forms outlive it.
    platform::ScopedValue<int> scope(host.dispatchDepth, host.dispatchDepth + 1);
    try {
        return host.formMessage(*view, message, wParam, lParam);
    } catch (...) {
        // Handlers never throw at the user: the failing step is skipped.
        TraceHandlerFailure(*view->form, message);
        return 0;
    }
}

bool registerFormClass(HINSTANCE instance) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, kFormClass, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = formProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    return RegisterClassExW(&wc) != 0;
}

// What a box answers when it could not be shown: the way out it offers.
Answer unshownAnswer(std::uint32_t style) {
    switch (mb::buttons(style)) {
    case mb::OkOnly: return Answer::Ok;
    case mb::YesNo: return Answer::No;
    case mb::AbortRetryIgnore: return Answer::Abort;
    default: return Answer::Cancel;
    }
}

NOTIFYICONDATAW trayData(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = kTrayId;
    return data;
}

void copyTip(NOTIFYICONDATAW& data, std::wstring_view wide) {
    const std::size_t length = std::min(wide.size(), std::size(data.szTip) - 1);
    std::copy_n(wide.data(), length, data.szTip);
    data.szTip[length] = L'\0';
}

// The icon record of a form's tray icon with everything it shows.
NOTIFYICONDATAW fullTrayData(const FormView& view) {
    NOTIFYICONDATAW data = trayData(view.window.get());
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = view.icon ? view.icon.get() : LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    copyTip(data, view.trayTip);
    return data;
}

// Whether the pointer is over a link-style label that can be clicked.
bool pointsAtEnabledLink(const FormView& form, HWND child) {
    for (const auto& control : form.controls)
        if (control->window == child) return drawnAsLink(*control->control) && control->control->enabled();
    return false;
}

}  // namespace

void win32::TraceHandlerFailure(const Control& control, std::string_view event) noexcept {
    try {
        std::string where = control.form().name() + "." + control.name();
        if (control.index() >= 0) where += "(" + std::to_string(control.index()) + ")";
        where += " " + std::string(event);
        platform::TraceCaughtException(where);
    } catch (...) {
        platform::TraceCaughtException("control handler");
    }
}

void win32::TraceHandlerFailure(const Form& form, UINT message) noexcept {
    try {
        platform::TraceCaughtException(form.name() + " message " + std::to_string(message));
    } catch (...) {
        platform::TraceCaughtException("form handler");
    }
}

Win32Host::Impl::Impl() {
    instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_TAB_CLASSES |
                     ICC_DATE_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);
    registerFormClass(instance);
    taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    showRunningCopy = RegisterWindowMessageW(ShowRunningCopyMessage);
    if (HDC screen = GetDC(nullptr)) {
        const int caps = GetDeviceCaps(screen, LOGPIXELSX);
        if (caps > 0) dpi = caps;
        ReleaseDC(nullptr, screen);
    }
}

FormView* Win32Host::Impl::viewOf(const Form& form) const {
    auto it = forms.find(&form);
    return it == forms.end() ? nullptr : it->second.get();
}

ControlView* Win32Host::Impl::viewOf(const Control& control) const {
    FormView* form = viewOf(control.form());
    if (form == nullptr) return nullptr;
    auto it = form->byControl.find(&control);
    return it == form->byControl.end() ? nullptr : it->second;
}

void Win32Host::Impl::collectGraveyard() {
    if (dispatchDepth == 0) graveyard.clear();
}

bool Win32Host::Impl::pump(ULONGLONG labelInterval) {
    showDeferred(labelInterval);
    const DWORD start = GetTickCount();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quitting = true;
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
        collectGraveyard();
        if (GetTickCount() - start > kYieldBudgetMs) break;
    }
    lastPump = GetTickCount64();
    return true;
}

void Win32Host::Impl::switchRedrawOff(FormView& form) {
    // Switching redraw off validates the window and all its children: a paint still waiting
    // is lost, and which window it was for is not known, so all of the form is asked again.
    if (HIWORD(GetQueueStatus(QS_PAINT)) & QS_PAINT) form.unpaintedAll = true;
    SendMessageW(form.window.get(), WM_SETREDRAW, FALSE, 0);
}

void Win32Host::Impl::holdPainting(FormView& form) {
    if (!form.redrawOff || form.redrawSent) return;
    switchRedrawOff(form);
    form.redrawSent = true;
}

void Win32Host::Impl::showSoon(FormView& form) {
    if (form.wakePosted) return;
    // A loop waiting in GetMessage after a sent message's handler would otherwise sleep on.
    form.wakePosted = PostMessageW(form.window.get(), WM_NULL, 0, 0) != FALSE;
}

void Win32Host::Impl::showDeferred(ULONGLONG labelInterval) {
    const ULONGLONG now = GetTickCount64();
    for (auto& [form, view] : forms) {
        if (view->frozen > 0 || (view->deferred.empty() && !view->repaintDue)) continue;
        if (!view->repaintDue && now - view->labelsShown < labelInterval) continue;
        view->wakePosted = false;
        view->labelsShown = now;
        HWND window = view->window.get();
        // A freeze that switched redraw off left controls to be asked again: the labels are
        // set out of sight then, or each would paint itself at once and again below. With
        // redraw left on, each label and bar shows itself as it is set, which costs less than
        // switching redraw off and on around them.
        const bool repaint = view->repaintDue && IsWindowVisible(window) != FALSE;
        if (repaint) switchRedrawOff(*view);
        for (ControlView* control : view->deferred) {
            applyCaption(*control);
            applyValue(*control);
        }
        view->deferred.clear();
        view->repaintDue = false;
        if (repaint) {
            SendMessageW(window, WM_SETREDRAW, TRUE, 0);
            constexpr UINT flags = RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN;
            if (view->unpaintedAll) {
                RedrawWindow(window, nullptr, nullptr, flags);
            } else {
                for (HWND control : view->unpainted)
                    if (IsWindow(control)) RedrawWindow(control, nullptr, nullptr, flags);
            }
        }
        view->unpainted.clear();
        view->unpaintedAll = false;
    }
}

void Win32Host::Impl::notePaint(FormView& form, const Control* control) {
    // Outside a freeze every change paints itself.
    if (!form.redrawOff) return;
    ControlView* view = control == nullptr ? nullptr : viewOf(*control);
    if (view == nullptr || view->window == nullptr) form.unpaintedAll = true;
    else form.unpainted.insert(view->window);
}

std::pair<int, int> Win32Host::Impl::windowPixels(const FormView& view) const {
    RECT rect{};
    if (IsIconic(view.window.get())) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(view.window.get(), &placement);
        rect = placement.rcNormalPosition;
    } else {
        GetWindowRect(view.window.get(), &rect);
    }
    return {rect.right - rect.left, rect.bottom - rect.top};
}

std::pair<int, int> Win32Host::Impl::windowTwips(const FormView& view) const {
    auto [width, height] = windowPixels(view);
    const Form& form = *view.form;
    // Keep the model's own figures when they are what the window shows, so no rounding drifts in.
    const DpiScale scale = view.scale;
    const int w = scale.toPixels(form.width()) == width ? form.width() : scale.toTwips(width);
    const int h = scale.toPixels(form.height()) == height ? form.height() : scale.toTwips(height);
    return {w, h};
}

void Win32Host::Impl::syncGeometryQuietly(FormView& view) {
    auto [width, height] = windowTwips(view);
    view.form->hostSyncGeometry(view.form->windowState(), width, height);
}

void Win32Host::Impl::createForm(Form& form) {
    if (viewOf(form) != nullptr) return;
    auto view = std::make_unique<FormView>();
    view->form = &form;
    view->host = this;
    // Until the window exists its monitor is not known: it is made at the system's DPI.
    view->scale = DpiScale(dpi);
    const bool sized = form.width() > 0 && form.height() > 0;
    const std::wstring caption = widen(form.caption());
    ++view->applying;
    const DWORD exStyle =
        (form.showInTaskList() ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW) | (form.topMost() ? WS_EX_TOPMOST : 0);
    HWND window = CreateWindowExW(exStyle, kFormClass, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT,
                                  sized ? view->scale.toPixels(form.width()) : CW_USEDEFAULT,
                                  sized ? view->scale.toPixels(form.height()) : CW_USEDEFAULT, nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr) return;  // no display: the form lives on as state only
    view->window.reset(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view.get()));
    FormView& ref = *view;
    forms[&form] = std::move(view);
    applyFormIcon(ref);
    if (form.left() != 0 || form.top() != 0)
        SetWindowPos(window, nullptr, ref.scale.toPixels(form.left()), ref.scale.toPixels(form.top()), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Now on its monitor, the window takes that monitor's DPI before any control is made.
    if (const DpiScale own(windowDpi(window)); own != ref.scale) {
        ref.scale = own;
        if (sized)
            SetWindowPos(window, nullptr, 0, 0, own.toPixels(form.width()), own.toPixels(form.height()),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    applyFormColors(ref);
    for (const auto& control : form.controls()) createControl(ref, *control);
    rebuildMenu(ref);
    arrangeZOrder(ref);
    --ref.applying;
    syncGeometryQuietly(ref);
}

void Win32Host::Impl::applyFormIcon(FormView& view) {
    HICON shown = nullptr;
    view.icon.reset();
    if (!view.form->icon().empty()) {
        const std::wstring name = widen(view.form->icon());
        view.icon.reset(static_cast<HICON>(LoadImageW(instance, name.c_str(), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
        shown = view.icon.get();
    }
    SendMessageW(view.window.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(shown));
    SendMessageW(view.window.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(shown));
}

void Win32Host::Impl::applyTaskList(FormView& view) {
    HWND window = view.window.get();
    LONG_PTR ex = GetWindowLongPtrW(window, GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_APPWINDOW | WS_EX_TOOLWINDOW);
    ex |= view.form->showInTaskList() ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW;
    const bool shown = IsWindowVisible(window) != FALSE;
    ++view.applying;
    // The taskbar reads the style when a window appears.
    if (shown) ShowWindow(window, SW_HIDE);
    SetWindowLongPtrW(window, GWL_EXSTYLE, ex);
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
    if (shown) ShowWindow(window, SW_SHOWNA);
    --view.applying;
}

void Win32Host::Impl::applyWindowState(FormView& view) {
    HWND window = view.window.get();
    if (!IsWindowVisible(window)) return;  // applied when the form is shown
    int command = SW_RESTORE;
    if (view.form->windowState() == WindowState::Minimized) command = SW_MINIMIZE;
    else if (view.form->windowState() == WindowState::Maximized) command = SW_MAXIMIZE;
    ++view.applying;
    ShowWindow(window, command);
    --view.applying;
    syncGeometryQuietly(view);
}

void Win32Host::Impl::onSize(FormView& view, WPARAM kind) {
    if (view.applying > 0 || kind == SIZE_MAXHIDE || kind == SIZE_MAXSHOW) return;
    if (!IsWindowVisible(view.window.get())) return;
    const WindowState state = kind == SIZE_MINIMIZED   ? WindowState::Minimized
                              : kind == SIZE_MAXIMIZED ? WindowState::Maximized
                                                       : WindowState::Normal;
    auto [width, height] = windowPixels(view);
    Form& form = *view.form;
    if (state == form.windowState() && view.scale.toPixels(form.width()) == width &&
        view.scale.toPixels(form.height()) == height)
        return;
    form.hostResized(state, view.scale.toTwips(width), view.scale.toTwips(height));
}

int Win32Host::Impl::windowDpi(HWND window) const {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    // Windows 10 1607 and later; before it every window has the system's DPI.
    static const auto forWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT own = forWindow != nullptr ? forWindow(window) : 0;
    return own > 0 ? static_cast<int>(own) : dpi;
}

void Win32Host::Impl::onDpiChanged(FormView& view, int newDpi, const RECT& suggested) {
    const DpiScale scale(newDpi);
    HWND window = view.window.get();
    const bool changed = scale != view.scale;
    view.scale = scale;
    ++view.applying;
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (changed) {
        ++syncing;
        for (auto& control : view.controls) {
            if (control->window == nullptr) continue;
            applyFont(*control);
            applyGeometry(*control);
            if (control->kind == Kind::List) {
                applyColumns(*control);
                ListView_SetImageList(control->window, listIcons(newDpi), LVSIL_SMALL);
            }
        }
        --syncing;
        RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    --view.applying;
    // The controls keep their twips. The window's own size in twips hardly changes (the
    // system scales its frame too); where it does, the form lays itself out for it.
    auto [width, height] = windowTwips(view);
    view.form->hostResized(view.form->windowState(), width, height);
}

MouseEvent Win32Host::Impl::mouseEvent(const FormView& view, WPARAM wParam, LPARAM lParam) const {
    MouseEvent event;
    event.button = ((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0) | ((wParam & MK_MBUTTON) ? 4 : 0);
    event.shift = ((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0) | (GetKeyState(VK_MENU) < 0 ? 4 : 0);
    event.x = view.scale.toTwips(static_cast<short>(LOWORD(lParam)));
    event.y = view.scale.toTwips(static_cast<short>(HIWORD(lParam)));
    return event;
}

LRESULT Win32Host::Impl::formMessage(FormView& view, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = view.window.get();
    if (message == showRunningCopy && showRunningCopy != 0) {
        // Every top-level window of this copy hears the broadcast; the first one answers and
        // the others find the window already in front.
        Form* form = host != nullptr && host->laterStartAsked ? host->laterStartAsked() : nullptr;
        if (FormView* front = form != nullptr ? viewOf(*form) : nullptr) {
            HWND target = front->window.get();
            if (IsIconic(target)) ShowWindow(target, SW_RESTORE);
            SetForegroundWindow(target);
        }
        return 0;
    }
    if (message == taskbarCreated && taskbarCreated != 0) {
        // Also an icon whose first adding failed, because the program started before the taskbar.
        if (view.trayWanted) {
            NOTIFYICONDATAW data = fullTrayData(view);
            view.tray = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
        }
        return 0;
    }
    switch (message) {
    case WM_COMMAND: onCommand(view, wParam, lParam); return 0;
    case WM_NOTIFY: return onNotify(view, *reinterpret_cast<NMHDR*>(lParam));
    case WM_TIMER: {
        auto it = view.byId.find(static_cast<UINT>(wParam));
        if (it != view.byId.end() && it->second->kind == Kind::Timer) static_cast<Timer&>(*it->second->control).tick();
        return 0;
    }
    case WM_SIZE: onSize(view, wParam); return 0;
    case WM_CLOSE: view.form->hostCloseRequest(); return 0;
    // The session may end; the closing steps run once it does, since nothing runs after.
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION:
        if (wParam != FALSE) view.form->hostSessionEnding();
        return 0;
    case WM_MOUSEMOVE: view.form->hostMouseMove(mouseEvent(view, wParam, lParam)); return 0;
    case kDpiChangedMessage:
        if (lParam != 0) onDpiChanged(view, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case kTrayMessage:
        if (lParam >= WM_MOUSEFIRST && lParam <= WM_MOUSELAST)
            view.form->hostMouseMove({0, 0, static_cast<int>(lParam), 0, true});
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        if (HBRUSH brush = controlColor(view, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
            return reinterpret_cast<LRESULT>(brush);
        break;
    case WM_ERASEBKGND:
        if (eraseWithFormColor(view, window, reinterpret_cast<HDC>(wParam))) return TRUE;
        break;
    case WM_SETCURSOR:
        if (busy) {
            SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_WAIT)));
            return TRUE;
        }
        if (pointsAtEnabledLink(view, reinterpret_cast<HWND>(wParam))) {
            SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
            return TRUE;
        }
        break;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32Host::Impl::onCommand(FormView& view, WPARAM wParam, LPARAM lParam) {
    auto it = view.byId.find(LOWORD(wParam));
    if (it == view.byId.end()) return;
    ControlView& control = *it->second;
    const UINT code = HIWORD(wParam);
    if (lParam == 0) {  // a menu item
        if (control.kind == Kind::Menu && code == 0) control.control->click();
        return;
    }
    if (syncing > 0) return;
    switch (control.kind) {
    case Kind::Button:
    case Kind::Check:
    case Kind::Option:
    case Kind::Label:
    case Kind::Image:
        if (code == BN_CLICKED) control.control->click();  // STN_CLICKED has the same number
        else if (code == BN_DOUBLECLICKED) control.control->doubleClick();
        break;
    case Kind::Combo:
        if (code == CBN_SELCHANGE) {
            const auto index = static_cast<int>(SendMessageW(control.window, CB_GETCURSEL, 0, 0));
            static_cast<ComboBox&>(*control.control).setListIndex(index);
        }
        break;
    case Kind::Text:
        if (code == EN_CHANGE) {
            static_cast<TextBox&>(*control.control).setText(narrow(windowText(control.window)));
        }
        break;
    default: break;
    }
}

LRESULT Win32Host::Impl::onNotify(FormView& view, NMHDR& header) {
    auto it = view.byId.find(static_cast<UINT>(header.idFrom));
    if (it == view.byId.end() || it->second->window != header.hwndFrom) return 0;
    ControlView& control = *it->second;
    if (control.kind == Kind::List) {
        auto& list = static_cast<ListView&>(*control.control);
        switch (header.code) {
        case LVN_GETDISPINFOW: {
            auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
            if (info.item.iItem < 0 || static_cast<std::size_t>(info.item.iItem) >= list.count()) return 0;
            const ListItem& row = list.item(static_cast<std::size_t>(info.item.iItem));
            if ((info.item.mask & LVIF_TEXT) != 0 && info.item.pszText != nullptr && info.item.cchTextMax > 0) {
                const std::wstring text =
                    widen(info.item.iSubItem == 0 ? row.text : row.subItem(static_cast<std::size_t>(info.item.iSubItem)));
                const std::size_t length = std::min(text.size(), static_cast<std::size_t>(info.item.cchTextMax - 1));
                std::copy_n(text.data(), length, info.item.pszText);
                info.item.pszText[length] = L'\0';
            }
            // The classic image list counts from 1.
            if ((info.item.mask & LVIF_IMAGE) != 0) info.item.iImage = row.smallIcon > 0 ? row.smallIcon - 1 : I_IMAGENONE;
            return 0;
        }
        case LVN_ITEMCHANGED: {
            auto& change = reinterpret_cast<NMLISTVIEW&>(header);
            if (syncing > 0 || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0) return 0;
            const auto row = static_cast<std::size_t>(change.iItem);
            if (row >= list.count()) return 0;
            const UINT flipped = change.uNewState ^ change.uOldState;
            if ((flipped & LVIS_SELECTED) != 0 && (change.uNewState & LVIS_SELECTED) != 0)
                list.setSelectedIndex(change.iItem);
            if (list.checkBoxes() && (flipped & LVIS_STATEIMAGEMASK) != 0) {
                const UINT image = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
                const bool checked = image == 2;
                if (image != 0 && list.item(row).checked != checked) list.userCheck(row, checked);
            }
            return 0;
        }
        case NM_CLICK: list.click(); return 0;
        case NM_DBLCLK: list.doubleClick(); return 0;
        default: return 0;
        }
    }
    if (control.kind == Kind::Tabs && header.code == TCN_SELCHANGE) {
        const auto index = static_cast<int>(SendMessageW(control.window, TCM_GETCURSEL, 0, 0));
        static_cast<TabStrip&>(*control.control).select(index + 1);
        return 0;
    }
    if (control.kind == Kind::Date && header.code == DTN_DATETIMECHANGE && syncing == 0) {
        auto& change = reinterpret_cast<NMDATETIMECHANGE&>(header);
        auto& picker = static_cast<DatePicker&>(*control.control);
        if (change.dwFlags == GDT_NONE) {
            picker.setNoValue();
            return 0;
        }
        if (change.dwFlags != GDT_VALID) return 0;
        picker.setValue(platform::win32::fromSystemTime(change.st));
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------

Win32Host::Win32Host() : impl_(std::make_unique<Impl>()) { impl_->host = this; }

Win32Host::~Win32Host() {
    while (!impl_->forms.empty()) destroy(*const_cast<Form*>(impl_->forms.begin()->first));
    impl_->dispatchDepth = 0;
    impl_->collectGraveyard();
}

void* Win32Host::windowOf(const Form& form) const {
    impl_->showDeferred();
    FormView* view = impl_->viewOf(form);
    return view == nullptr ? nullptr : view->window.get();
}

void* Win32Host::windowOf(const Control& control) const {
    impl_->showDeferred();
    ControlView* view = impl_->viewOf(control);
    return view == nullptr ? nullptr : view->window;
}

int Win32Host::dpi() const { return impl_->dpi; }

int Win32Host::dpiOf(const Form& form) const {
    const FormView* view = impl_->viewOf(form);
    return view != nullptr ? view->scale.dpi() : impl_->dpi;
}

void Win32Host::formChanged(Form& form, Change change) {
    if (change == Change::Created) {
        impl_->createForm(form);
        return;
    }
    FormView* view = impl_->viewOf(form);
    if (view == nullptr) return;
    impl_->holdPainting(*view);
    HWND window = view->window.get();
    impl_->notePaint(*view, nullptr);
    switch (change) {
    case Change::Caption: SetWindowTextW(window, widen(form.caption()).c_str()); break;
    case Change::WindowState: impl_->applyWindowState(*view); break;
    case Change::Geometry:
        if (form.windowState() == WindowState::Normal && !IsIconic(window) && !IsZoomed(window)) {
            ++view->applying;
            SetWindowPos(window, nullptr, 0, 0, view->scale.toPixels(form.width()), view->scale.toPixels(form.height()),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            --view->applying;
        }
        break;
    case Change::TaskList: impl_->applyTaskList(*view); break;
    case Change::Icon: impl_->applyFormIcon(*view); break;
    case Change::Position:
        ++view->applying;
        SetWindowPos(window, nullptr, view->scale.toPixels(form.left()), view->scale.toPixels(form.top()), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        --view->applying;
        break;
    case Change::TopMost:
        SetWindowPos(window, form.topMost() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        break;
    case Change::Colors: impl_->applyFormColors(*view); break;
    default: break;
    }
}

void Win32Host::controlChanged(Control& control, Change change, int item) {
    FormView* form = impl_->viewOf(control.form());
    if (form == nullptr) return;
    if (change == Change::Created) {
        impl_->holdPainting(*form);
        impl_->notePaint(*form, nullptr);
        impl_->createControl(*form, control);
        ControlView* created = impl_->viewOf(control);
        if (created != nullptr && created->kind == Kind::Menu) impl_->rebuildMenu(*form);
        else if (created != nullptr) impl_->placeInZOrder(*form, *created);
        return;
    }
    ControlView* view = impl_->viewOf(control);
    if (view == nullptr) return;
    if (view->kind == Kind::Menu) {
        impl_->notePaint(*form, nullptr);
        impl_->rebuildMenu(*form);
        return;
    }
    if (view->kind == Kind::Timer) {
        if (change == Change::Timer) impl_->armTimer(*form, *view);
        return;
    }
    if (view->window == nullptr) return;
    auto& host = *impl_;
    // Showing, hiding, moving or switching a control (and what it holds) on or off may
    // change what lies around it; other changes stay inside its own window.
    const bool local = change != Change::Visible && change != Change::Geometry && change != Change::Enabled;
    host.notePaint(*form, local ? &control : nullptr);
    const bool shownLater = (change == Change::Caption || change == Change::Value) &&
                            (view->kind == Kind::Label || view->kind == Kind::Progress);
    if (shownLater && form->redrawOff) {
        form->deferred.insert(view);
        host.showSoon(*form);
        return;
    }
    host.holdPainting(*form);
    switch (change) {
    case Change::Caption: host.applyCaption(*view); break;
    case Change::Enabled: host.forSelfAndInside(*form, control, &Impl::applyEnabled); break;
    case Change::Visible: host.forSelfAndInside(*form, control, &Impl::applyVisible); break;
    case Change::Geometry: host.forSelfAndInside(*form, control, &Impl::applyGeometry); break;
    case Change::Value: host.applyValue(*view); break;
    case Change::Font: host.applyFont(*view); break;
    case Change::Items: host.applyItems(*view); break;
    case Change::Columns:
        if (view->kind == Kind::List) host.applyColumns(*view);
        break;
    case Change::ItemAdded:
        if (view->kind == Kind::List) host.insertRow(*view, item);
        break;
    case Change::ItemRemoved:
        if (view->kind == Kind::List) {
            ++host.syncing;
            SendMessageW(view->window, LVM_DELETEITEM, static_cast<WPARAM>(item), 0);
            --host.syncing;
        }
        break;
    case Change::Colors: host.applyColors(*view); break;
    case Change::ItemUpdated:
        if (view->kind == Kind::List) {
            host.syncRowCheck(*view, item);
            SendMessageW(view->window, LVM_REDRAWITEMS, static_cast<WPARAM>(item), item);
        }
        break;
    default: break;
    }
}

void Win32Host::show(Form& form, bool modal) {
    FormView* view = impl_->viewOf(form);
    if (view == nullptr) return;
    HWND window = view->window.get();
    HWND previouslyActive = GetActiveWindow();
    int command = SW_SHOW;
    if (form.windowState() == WindowState::Minimized) command = SW_SHOWMINIMIZED;
    else if (form.windowState() == WindowState::Maximized) command = SW_SHOWMAXIMIZED;
    else if (IsIconic(window) || IsZoomed(window)) command = SW_RESTORE;
    ++view->applying;
    ShowWindow(window, command);
    --view->applying;
    impl_->notePaint(*view, nullptr);
    impl_->syncGeometryQuietly(*view);
    if (!modal) return;

    // The other forms wait while this one is up.
    std::vector<HWND> disabled;
    for (auto& [other, otherView] : impl_->forms) {
        HWND w = otherView->window.get();
        if (otherView.get() == view || !IsWindowEnabled(w)) continue;
        EnableWindow(w, FALSE);
        disabled.push_back(w);
    }
    const Form* target = &form;
    auto stillUp = [&] { return impl_->viewOf(*target) != nullptr && target->loaded() && target->visible(); };
    waitUntil([&] { return !stillUp(); });
    for (HWND w : disabled)
        if (IsWindow(w)) EnableWindow(w, TRUE);
    if (previouslyActive != nullptr && previouslyActive != window && IsWindow(previouslyActive))
        SetActiveWindow(previouslyActive);
}

void Win32Host::hide(Form& form) {
    FormView* view = impl_->viewOf(form);
    if (view == nullptr) return;
    ++view->applying;
    ShowWindow(view->window.get(), SW_HIDE);
    --view->applying;
}

void Win32Host::destroy(Form& form) {
    auto it = impl_->forms.find(&form);
    if (it == impl_->forms.end()) return;
    std::unique_ptr<FormView> view = std::move(it->second);
    impl_->forms.erase(it);
    HWND window = view->window.get();
    if (view->tray) {
        NOTIFYICONDATAW data = trayData(window);
        Shell_NotifyIconW(NIM_DELETE, &data);
    }
    for (auto& control : view->controls)
        if (control->kind == Kind::Timer) KillTimer(window, control->id);
    // Messages sent while the window goes away find no view.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    SetMenu(window, nullptr);
    view->menu.reset();
    view->window.reset();
    impl_->graveyard.push_back(std::move(view));
    impl_->collectGraveyard();
}

Answer Win32Host::messageBox(std::string_view text, std::string_view title, std::uint32_t style) {
    impl_->showDeferred();
    HWND owner = GetActiveWindow();
    if (owner != nullptr && !IsWindowEnabled(owner)) owner = nullptr;
    const std::wstring wideText = widen(text);
    const std::wstring wideTitle = widen(title);
    const int result =
        MessageBoxW(owner, wideText.c_str(), wideTitle.c_str(), style | (owner == nullptr ? MB_TASKMODAL : 0U));
    if (result < static_cast<int>(Answer::Ok) || result > static_cast<int>(Answer::No)) return unshownAnswer(style);
    return static_cast<Answer>(result);
}

void Win32Host::yield() {
    impl_->pump();
    impl_->collectGraveyard();
}

void Win32Host::yieldBetweenItems() {
    if (GetTickCount64() - impl_->lastPump < kItemYieldIntervalMs) return;
    impl_->pump(kItemShowIntervalMs);
    impl_->collectGraveyard();
}

void Win32Host::sleep(std::uint32_t ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        if (!impl_->pump()) return;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void Win32Host::waitUntil(const std::function<bool()>& done) {
    // Asleep on the queue between messages; every dispatched message may be the answer.
    MSG message;
    for (;;) {
        impl_->showDeferred();
        if (impl_->quitting || done()) break;
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            impl_->quitting = true;
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
        impl_->collectGraveyard();
    }
}

void Win32Host::run() {
    MSG message;
    for (;;) {
        impl_->collectGraveyard();
        impl_->showDeferred();
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    impl_->quitting = true;
}

void Win32Host::quit() {
    impl_->quitting = true;
    PostQuitMessage(0);
}

bool Win32Host::quitting() const { return impl_->quitting; }

void Win32Host::freezePainting(Form& form, bool frozen) {
    FormView* view = impl_->viewOf(form);
    if (view == nullptr) return;
    HWND window = view->window.get();
    if (frozen) {
        // Only a shown window is frozen: WM_SETREDRAW clears the visible flag of a hidden one.
        if (view->frozen++ == 0 && IsWindowVisible(window)) view->redrawOff = true;
        return;
    }
    if (view->frozen == 0 || --view->frozen > 0) return;
    view->redrawOff = false;
    if (view->redrawSent) {
        view->redrawSent = false;
        SendMessageW(window, WM_SETREDRAW, TRUE, 0);
        // Nothing paints before messages run again, which is when the burst is shown: only
        // the controls it changed, not the whole window.
        view->repaintDue = true;
        impl_->showSoon(*view);
    }
}

void Win32Host::setBusyCursor(bool busy) {
    impl_->busy = busy;
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(busy ? IDC_WAIT : IDC_ARROW)));
}

std::optional<std::string> Win32Host::chooseFile(Form& owner, std::string_view title, std::string_view filter) {
    if (const platform::Status loaded = platform::win32::LoadDelayLoadedLibrary(L"comdlg32.dll"); !loaded.ok()) {
        // No dialog to show: the box says why, and the caller sees a cancel (a name can still be typed).
        messageBox("comdlg32.dll: " + systemErrorText(loaded.code()), owner.caption(), mb::Exclamation);
        return std::nullopt;
    }
    // "Text files|*.txt|All|*.*" becomes the dialog's list of NUL-separated pairs.
    std::wstring pairs = widen(filter);
    if (pairs.find(L'|') == std::wstring::npos) pairs = pairs + L'|' + pairs;
    std::replace(pairs.begin(), pairs.end(), L'|', L'\0');
    pairs.push_back(L'\0');
    const std::wstring caption = widen(title);
    std::wstring path(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    FormView* view = impl_->viewOf(owner);
    dialog.hwndOwner = view == nullptr ? nullptr : view->window.get();
    dialog.lpstrFilter = filter.empty() ? nullptr : pairs.c_str();
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
    // The program finds its files beside the executable, so the current folder must not move.
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    impl_->showDeferred();
    const bool chosen = GetOpenFileNameW(&dialog) != FALSE;
    if (!chosen) return std::nullopt;
    return narrow(path.c_str());
}

bool Win32Host::trayAdd(Form& owner, std::string_view toolTip) {
    FormView* view = impl_->viewOf(owner);
    if (view == nullptr) return false;
    view->trayTip = widen(toolTip);
    view->trayWanted = true;
    NOTIFYICONDATAW data = fullTrayData(*view);
    const bool done = Shell_NotifyIconW(view->tray ? NIM_MODIFY : NIM_ADD, &data) != FALSE;
    view->tray = view->tray || done;
    return done;
}

void Win32Host::traySetToolTip(Form& owner, std::string_view toolTip) {
    FormView* view = impl_->viewOf(owner);
    if (view == nullptr || !view->trayWanted) return;
    view->trayTip = widen(toolTip);
    if (!view->tray) return;
    NOTIFYICONDATAW data = trayData(view->window.get());
    data.uFlags = NIF_TIP;
    copyTip(data, view->trayTip);
    Shell_NotifyIconW(NIM_MODIFY, &data);
}

void Win32Host::trayRemove(Form& owner) {
    FormView* view = impl_->viewOf(owner);
    if (view == nullptr) return;
    view->trayWanted = false;
    if (!view->tray) return;
    NOTIFYICONDATAW data = trayData(view->window.get());
    Shell_NotifyIconW(NIM_DELETE, &data);
    view->tray = false;
}

bool Win32Host::trayBalloon(Form& owner, std::string_view title, std::string_view text) {
    FormView* view = impl_->viewOf(owner);
    if (view == nullptr || !view->tray) return false;
    NOTIFYICONDATAW data = trayData(view->window.get());
    data.uFlags = NIF_INFO;
    data.dwInfoFlags = NIIF_INFO;
    const auto copyCut = [](std::wstring_view wide, wchar_t* field, std::size_t capacity) {
        const std::size_t length = std::min(wide.size(), capacity - 1);
        std::copy_n(wide.data(), length, field);
        field[length] = L'\0';
    };
    copyCut(widen(title), data.szInfoTitle, std::size(data.szInfoTitle));
    copyCut(widen(text), data.szInfo, std::size(data.szInfo));
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void Win32Host::askRunningCopyToShow() {
    // The running copy may take the foreground: this start, which the user just made, holds
    // the right to give it away.
    AllowSetForegroundWindow(ASFW_ANY);
    if (impl_->showRunningCopy != 0)
        PostMessageW(HWND_BROADCAST, impl_->showRunningCopy, 0, 0);
}

ScreenArea Win32Host::screenArea() const {
    ScreenArea area;
    area.dpi = impl_->dpi;
    RECT desktop{};
    if (GetClientRect(GetDesktopWindow(), &desktop)) {
        area.width = desktop.right - desktop.left;
        area.height = desktop.bottom - desktop.top;
    }
    RECT taskbar{};
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    area.taskbarHeight = tray != nullptr && GetWindowRect(tray, &taskbar) ? taskbar.bottom - taskbar.top : 0;
    return area;
}

std::unique_ptr<Host> makeWin32Host() { return std::make_unique<Win32Host>(); }

}  // namespace sorvane::ui
