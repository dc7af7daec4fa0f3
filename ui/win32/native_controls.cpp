#include <algorithm>
#include <cwchar>

#include "ui/win32/host_impl.h"
#include "platform/win32/system_time.h"
#include "platform/win32/wide.h"

namespace sorvane::ui {

using namespace win32;
using platform::win32::narrow;
using platform::win32::widen;

namespace {

Kind kindOf(const Control& control) {
    const Control* c = &control;
    if (dynamic_cast<const CommandButton*>(c)) return Kind::Button;
    if (dynamic_cast<const CheckBox*>(c)) return Kind::Check;
    if (dynamic_cast<const OptionButton*>(c)) return Kind::Option;
    if (dynamic_cast<const Frame*>(c)) return Kind::Frame;
    if (dynamic_cast<const Timer*>(c)) return Kind::Timer;
    if (dynamic_cast<const Menu*>(c)) return Kind::Menu;
    if (dynamic_cast<const ListView*>(c)) return Kind::List;
    if (dynamic_cast<const ProgressBar*>(c)) return Kind::Progress;
    if (dynamic_cast<const TabStrip*>(c)) return Kind::Tabs;
    if (dynamic_cast<const Image*>(c)) return Kind::Image;
    if (dynamic_cast<const Shape*>(c)) return Kind::Shape;
    if (dynamic_cast<const TextBox*>(c)) return Kind::Text;
    if (dynamic_cast<const ComboBox*>(c)) return Kind::Combo;
    if (dynamic_cast<const DatePicker*>(c)) return Kind::Date;
    if (dynamic_cast<const PictureBox*>(c)) return Kind::Picture;
    if (dynamic_cast<const SkinLabel*>(c)) return Kind::SkinLabel;
    return Kind::Label;
}

bool hasText(Kind kind) {
    return kind == Kind::Label || kind == Kind::Button || kind == Kind::Check || kind == Kind::Option ||
           kind == Kind::Frame || kind == Kind::Text || kind == Kind::SkinLabel;
}

// Controls that paint a whole area behind others: kept below the controls they hold.
bool isBackdrop(Kind kind) {
    // Skin labels sit behind the labels they copy, so a label that code updates shows its live text.
    return kind == Kind::Frame || kind == Kind::Tabs || kind == Kind::Shape || kind == Kind::Image ||
           kind == Kind::Picture || kind == Kind::SkinLabel;
}

int depthOf(const Control& control) {
    int depth = 0;
    for (const Control* c = control.container(); c != nullptr; c = c->container()) ++depth;
    return depth;
}

// Deeper containers above shallower ones; at one depth, backdrops below the rest. Within a
// layer, a control made later lies above one made earlier.
int layerOf(const ControlView& view) { return depthOf(*view.control) * 2 + (isBackdrop(view.kind) ? 0 : 1); }

bool isInside(const Control& control, const Control& container) {
    for (const Control* c = &control; c != nullptr; c = c->container())
        if (c == &container) return true;
    return false;
}

struct NativeClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

NativeClass nativeClassOf(const ControlView& view) {
    switch (view.kind) {
    case Kind::Label: return {L"STATIC", SS_LEFT | SS_NOTIFY, 0};
    case Kind::Button: return {L"BUTTON", BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP, 0};
    // Manual styles: the model decides the state and the native control only shows it.
    case Kind::Check: return {L"BUTTON", BS_3STATE | WS_TABSTOP, 0};
    case Kind::Option: return {L"BUTTON", BS_RADIOBUTTON | WS_TABSTOP, 0};
    case Kind::Frame: return {L"BUTTON", BS_GROUPBOX, 0};
    case Kind::List:
        // Every list shows the host's one icon list, which outlives any list that is destroyed.
        return {WC_LISTVIEWW, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_SHAREIMAGELISTS | WS_TABSTOP,
                WS_EX_CLIENTEDGE};
    case Kind::Progress: return {PROGRESS_CLASSW, PBS_SMOOTH, 0};
    case Kind::Tabs: return {WC_TABCONTROLW, WS_TABSTOP, 0};
    case Kind::Image: return {L"STATIC", SS_ICON | SS_NOTIFY, 0};
    case Kind::Shape: return {L"STATIC", SS_ETCHEDFRAME, 0};
    case Kind::Picture: return {L"STATIC", SS_NOTIFY, 0};
    case Kind::SkinLabel: return {L"STATIC", SS_LEFT, 0};
    case Kind::Text:
        if (static_cast<const TextBox&>(*view.control).multiLine())
            return {L"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
        return {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case Kind::Combo: return {L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    case Kind::Date: {
        const auto& picker = static_cast<const DatePicker&>(*view.control);
        return {DATETIMEPICK_CLASSW,
                static_cast<DWORD>((picker.showsTime() ? DTS_TIMEFORMAT : DTS_SHORTDATEFORMAT) | WS_TABSTOP |
                                   (picker.allowsNoValue() ? DTS_SHOWNONE : 0)),
                0};
    }
    case Kind::Timer:
    case Kind::Menu: break;
    }
    return {nullptr, 0, 0};
}

// The control class's own procedure, which every message ends in.
LRESULT passOn(const ControlView* view, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (view == nullptr || view->nativeProc == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return CallWindowProcW(view->nativeProc, window, message, wParam, lParam);
}

// Every control's messages pass here first. The view travels in the window's user data
// rather than through comctl32's subclass list, which Wine keeps in a window property: a
// look-up in the server for every message of every control, three for some, and painting
// the main window once is a few hundred messages.
LRESULT CALLBACK controlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* view = reinterpret_cast<ControlView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        if (view == nullptr || view->nativeProc == nullptr) return DefWindowProcW(window, message, wParam, lParam);
        const WNDPROC native = view->nativeProc;
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(native));
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return CallWindowProcW(native, window, message, wParam, lParam);
    }
    // A button switched on or off shows it with the next paint, as any other change does;
    // Wine's buttons paint themselves inside EnableWindow, a dozen calls to its server each.
    // The look comes from the window's style, which is set before this message.
    if (message == WM_ENABLE && view != nullptr &&
        (view->kind == Kind::Button || view->kind == Kind::Check || view->kind == Kind::Option)) {
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    // The form clips its children, so a group box must paint its own inside.
    if (message == WM_ERASEBKGND && view != nullptr && view->kind == Kind::Frame &&
        view->owner->host->eraseWithFormColor(*view->owner, window, reinterpret_cast<HDC>(wParam)))
        return TRUE;
    if (message == WM_PAINT && view != nullptr && view->kind == Kind::Picture) {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        view->owner->host->paintPicture(*view, dc);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND && view != nullptr && view->kind == Kind::Picture) return TRUE;
    if (message == WM_ERASEBKGND && view != nullptr && view->kind == Kind::Frame) {
        RECT area{};
        GetClientRect(window, &area);
        FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    // A column the user resized (dragged, or sized to fit by a double click on the divider)
    // keeps its new width in the model, so that what is stored is what was shown.
    if (message == WM_NOTIFY && view != nullptr && view->kind == Kind::List && view->owner != nullptr) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        const LRESULT result = passOn(view, window, message, wParam, lParam);
        if (header != nullptr && header->hwndFrom == ListView_GetHeader(window) &&
            (header->code == HDN_ITEMCHANGEDW || header->code == HDN_ITEMCHANGEDA ||
             header->code == HDN_ENDTRACKW || header->code == HDN_ENDTRACKA))
            view->owner->host->readColumnWidths(*view);
        return result;
    }
    if ((message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) && view != nullptr &&
        view->owner != nullptr) {
        Win32Host::Impl& host = *view->owner->host;
        MouseEvent event = host.mouseEvent(*view->owner, wParam, lParam);
        event.button = message == WM_LBUTTONDOWN ? 1 : message == WM_RBUTTONDOWN ? 2 : 4;
        ++host.dispatchDepth;
        try {
            view->control->mouseDown(event);
        } catch (...) {
            // A failing handler is skipped; the window keeps running.
            TraceHandlerFailure(*view->control, "MouseDown");
        }
        --host.dispatchDepth;
    }
    // Mouse-up runs after the native control has turned the release into its click.
    if (message == WM_LBUTTONUP && view != nullptr && view->owner != nullptr) {
        Win32Host::Impl& host = *view->owner->host;
        const MouseEvent event = host.mouseEvent(*view->owner, wParam, lParam);
        const LRESULT result = passOn(view, window, message, wParam, lParam);
        ++host.dispatchDepth;
        try {
            MouseEvent released = event;
            released.button = 1;
            view->control->mouseUp(released);
        } catch (...) {
            // A failing handler is skipped; the window keeps running.
            TraceHandlerFailure(*view->control, "MouseUp");
        }
        --host.dispatchDepth;
        return result;
    }
    // Key-up runs after the native control has turned a released space bar into its click.
    if (message == WM_KEYUP && view != nullptr && view->owner != nullptr) {
        Win32Host::Impl& host = *view->owner->host;
        const LRESULT result = passOn(view, window, message, wParam, lParam);
        ++host.dispatchDepth;
        try {
            view->control->keyUp(static_cast<int>(wParam));
        } catch (...) {
            // A failing handler is skipped; the window keeps running.
            TraceHandlerFailure(*view->control, "KeyUp");
        }
        --host.dispatchDepth;
        return result;
    }
    if (message == WM_CHAR && view != nullptr && view->owner != nullptr && view->kind == Kind::Text) {
        Win32Host::Impl& host = *view->owner->host;
        int key = static_cast<int>(wParam);
        ++host.dispatchDepth;
        try {
            static_cast<TextBox&>(*view->control).keyPress(key);
        } catch (...) {
            // A failing handler is skipped; the key goes to the box.
            TraceHandlerFailure(*view->control, "KeyPress");
        }
        --host.dispatchDepth;
        if (key == 0) return 0;
        wParam = static_cast<WPARAM>(key);
    }
    if (message == WM_MOUSEMOVE && view != nullptr && view->owner != nullptr) {
        Win32Host::Impl& host = *view->owner->host;
        ++host.dispatchDepth;
        try {
            view->control->mouseMove(host.mouseEvent(*view->owner, wParam, lParam));
        } catch (...) {
            // A failing handler is skipped; the window keeps running.
            TraceHandlerFailure(*view->control, "MouseMove");
        }
        --host.dispatchDepth;
    }
    return passOn(view, window, message, wParam, lParam);
}

void drawKindIcon(HDC dc, int kind, int size) {
    // Cookie, registry, file or process, folder, and anything else (excluded).
    static constexpr COLORREF fills[] = {RGB(196, 140, 70), RGB(70, 110, 200), RGB(250, 250, 250),
                                         RGB(235, 200, 80), RGB(210, 50, 50)};
    const int u = std::max(1, size / 16);
    HPEN pen = CreatePen(PS_SOLID, u, RGB(40, 40, 40));
    HBRUSH fill = CreateSolidBrush(fills[kind >= 0 && kind < 4 ? kind : 4]);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, fill);
    switch (kind) {
    case 0:
        Ellipse(dc, 1 * u, 1 * u, 15 * u, 15 * u);
        break;
    case 1:
        Rectangle(dc, 1 * u, 7 * u, 8 * u, 14 * u);
        Rectangle(dc, 8 * u, 7 * u, 15 * u, 14 * u);
        Rectangle(dc, 4 * u, 1 * u, 11 * u, 8 * u);
        break;
    case 2:
        Rectangle(dc, 3 * u, 1 * u, 13 * u, 15 * u);
        break;
    case 3:
        Rectangle(dc, 1 * u, 3 * u, 7 * u, 6 * u);
        Rectangle(dc, 1 * u, 5 * u, 15 * u, 14 * u);
        break;
    default:
        Ellipse(dc, 1 * u, 1 * u, 15 * u, 15 * u);
        SelectObject(dc, GetStockObject(WHITE_PEN));
        MoveToEx(dc, 4 * u, 4 * u, nullptr);
        LineTo(dc, 12 * u, 12 * u);
        break;
    }
    // Both go back before deleting: an object still selected into a DC is not deleted.
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    DeleteObject(fill);
}

}  // namespace

bool win32::drawnAsLink(const Control& control) {
    const auto* label = dynamic_cast<const Label*>(&control);
    return label != nullptr && label->linkStyle();
}

namespace {

using SystemParametersForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

// The system's message font for `dpi`: asked for that DPI where the system can answer
// (Windows 10 1607 and later), else read for the system's DPI and scaled.
LOGFONTW messageFont(int dpi, int systemDpi) {
    static const auto forDpi = reinterpret_cast<SystemParametersForDpiFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (forDpi != nullptr && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi)))
        return metrics.lfMessageFont;
    LOGFONTW face{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        face = metrics.lfMessageFont;
        face.lfHeight = DpiScale(dpi).fromDpi(face.lfHeight, systemDpi);
    } else {
        face.lfHeight = -mulDivRounded(8, dpi, 72);
        wcscpy(face.lfFaceName, L"MS Shell Dlg");
    }
    return face;
}

}  // namespace

HFONT Win32Host::Impl::font(int shownAt, bool bold, bool italic, bool underline) {
    FontHandle& slot = fonts[shownAt * 8 + (bold ? 1 : 0) + (italic ? 2 : 0) + (underline ? 4 : 0)];
    if (!slot) {
        LOGFONTW face = messageFont(shownAt, dpi);
        face.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        face.lfItalic = italic ? TRUE : FALSE;
        face.lfUnderline = underline ? TRUE : FALSE;
        slot.reset(CreateFontIndirectW(&face));
    }
    return slot.get();
}

namespace {

using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

// The small-icon size for `dpi`: asked for that DPI where the system can answer (Windows 10
// 1607 and later), else read for the system's DPI and scaled.
int smallIconSize(int dpi, int systemDpi) {
    static const auto forDpi = reinterpret_cast<GetSystemMetricsForDpiFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
    const int size = forDpi != nullptr ? forDpi(SM_CXSMICON, static_cast<UINT>(dpi)) : 0;
    if (size > 0) return size;
    const int atSystemDpi = GetSystemMetrics(SM_CXSMICON);
    return atSystemDpi > 0 ? DpiScale(dpi).fromDpi(atSystemDpi, systemDpi) : DpiScale(dpi).fromDpi(16, ClassicDpi);
}

}  // namespace

HIMAGELIST Win32Host::Impl::listIcons(int shownAt) {
    ImageListHandle& icons = smallIcons[shownAt];
    if (icons) return icons.get();
    const int size = smallIconSize(shownAt, dpi);
    icons.reset(ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 5, 0));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    for (int kind = 0; kind < 5; ++kind) {
        BitmapHandle picture(CreateCompatibleBitmap(screen, size, size));
        HGDIOBJ old = SelectObject(dc, picture.get());
        const COLORREF key = RGB(255, 0, 255);
        HBRUSH background = CreateSolidBrush(key);
        RECT all{0, 0, size, size};
        FillRect(dc, &all, background);
        DeleteObject(background);
        drawKindIcon(dc, kind, size);
        SelectObject(dc, old);
        ImageList_AddMasked(icons.get(), picture.get(), key);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return icons.get();
}

void Win32Host::Impl::createControl(FormView& form, Control& control) {
    if (form.byControl.count(&control) != 0) return;
    auto view = std::make_unique<ControlView>();
    view->control = &control;
    view->owner = &form;
    view->kind = kindOf(control);
    view->id = form.nextId++;
    ControlView& ref = *view;
    form.byControl[&control] = view.get();
    form.byId[ref.id] = view.get();
    form.controls.push_back(std::move(view));

    if (ref.kind == Kind::Timer) {
        armTimer(form, ref);
        return;
    }
    if (ref.kind == Kind::Menu) return;  // the menu bar is rebuilt by the caller

    const NativeClass native = nativeClassOf(ref);
    const std::wstring text = hasText(ref.kind) ? widen(control.caption()) : std::wstring();
    // Made in its place, shown or hidden, switched on or off: each of these set afterwards
    // would cost a round trip to the window server per control (under Wine a good part of
    // the main window's start).
    const RECT place = placeOf(ref);
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | native.style | (control.effectivelyVisible() ? WS_VISIBLE : 0) |
                        (control.effectivelyEnabled() ? 0 : WS_DISABLED);
    ref.window = CreateWindowExW(native.exStyle, native.name, text.c_str(), style, place.left, place.top,
                                 place.right - place.left, place.bottom - place.top, form.window.get(),
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ref.id)), instance, nullptr);
    if (ref.window == nullptr) return;
    SetWindowLongPtrW(ref.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&ref));
    ref.nativeProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(ref.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc)));
    if (ref.kind == Kind::List) {
        ListView_SetExtendedListViewStyle(ref.window, LVS_EX_FULLROWSELECT);
        ListView_SetImageList(ref.window, listIcons(form.scale.dpi()), LVSIL_SMALL);
    }
    // Its first paint is still to come: nothing set here needs to ask for one.
    ++syncing;
    applyFont(ref, false);
    applyCaption(ref);
    applyItems(ref);
    applyValue(ref);
    applyColors(ref, false);
    --syncing;
}

void Win32Host::Impl::arrangeZOrder(FormView& form) {
    std::vector<ControlView*> order;
    for (auto& view : form.controls)
        if (view->window != nullptr) order.push_back(view.get());
    std::stable_sort(order.begin(), order.end(),
                     [](const ControlView* a, const ControlView* b) { return layerOf(*a) < layerOf(*b); });
    for (ControlView* view : order)
        SetWindowPos(view->window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32Host::Impl::placeInZOrder(FormView& form, ControlView& added) {
    // The others already stand in order (a control keeps its container for life): the newest
    // goes straight below the lowest control of a higher layer. One move, where restacking
    // all would cost one per control: a window adding its skin labels one by one paid over a
    // second for that at start under Wine.
    if (added.window == nullptr) return;
    const int layer = layerOf(added);
    const ControlView* above = nullptr;
    int aboveLayer = 0;
    for (auto& view : form.controls) {
        if (view.get() == &added || view->window == nullptr) continue;
        const int other = layerOf(*view);
        if (other > layer && (above == nullptr || other < aboveLayer)) {
            above = view.get();
            aboveLayer = other;
        }
    }
    SetWindowPos(added.window, above != nullptr ? above->window : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32Host::Impl::forSelfAndInside(FormView& form, const Control& control, void (Impl::*apply)(ControlView&)) {
    for (auto& view : form.controls)
        if (view->window != nullptr && isInside(*view->control, control)) (this->*apply)(*view);
}

void Win32Host::Impl::armTimer(FormView& form, ControlView& view) {
    const auto& timer = static_cast<const Timer&>(*view.control);
    if (!form.window) return;
    if (timer.enabled() && timer.interval() > 0) SetTimer(form.window.get(), view.id, timer.interval(), nullptr);
    else KillTimer(form.window.get(), view.id);
}

void Win32Host::Impl::appendMenuItem(FormView& form, HMENU parent, ControlView& item) {
    const Control& menu = *item.control;
    if (!menu.visible()) return;
    if (menu.caption() == "-") {
        AppendMenuW(parent, MF_SEPARATOR, 0, nullptr);
        return;
    }
    UINT flags = MF_STRING;
    if (!menu.enabled()) flags |= MF_GRAYED;
    if (static_cast<const Menu&>(menu).checked()) flags |= MF_CHECKED;
    HMENU sub = nullptr;
    for (auto& view : form.controls) {
        if (view->kind != Kind::Menu || view->control->container() != &menu) continue;
        if (sub == nullptr) sub = CreatePopupMenu();
        appendMenuItem(form, sub, *view);
    }
    const std::wstring text = widen(menu.caption());
    if (sub != nullptr) AppendMenuW(parent, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
    else AppendMenuW(parent, flags, item.id, text.c_str());
}

void Win32Host::Impl::rebuildMenu(FormView& form) {
    if (!form.window) return;
    MenuHandle bar;
    for (auto& view : form.controls) {
        if (view->kind != Kind::Menu || view->control->container() != nullptr) continue;
        if (!bar) bar.reset(CreateMenu());
        appendMenuItem(form, bar.get(), *view);
    }
    if (!bar && !form.menu) return;
    SetMenu(form.window.get(), bar.get());
    form.menu = std::move(bar);  // the old bar is destroyed once detached
    DrawMenuBar(form.window.get());
}

void Win32Host::Impl::applyCaption(ControlView& view) {
    if (!hasText(view.kind) || view.window == nullptr) return;
    const std::wstring wanted = widen(view.control->caption());
    // Setting an edit box to its own text would move the caret.
    if (windowText(view.window) == wanted) return;
    ++syncing;
    SetWindowTextW(view.window, wanted.c_str());
    --syncing;
}

void Win32Host::Impl::applyEnabled(ControlView& view) {
    if (view.window != nullptr) EnableWindow(view.window, view.control->effectivelyEnabled() ? TRUE : FALSE);
}

void Win32Host::Impl::applyVisible(ControlView& view) {
    if (view.window != nullptr) ShowWindow(view.window, view.control->effectivelyVisible() ? SW_SHOWNA : SW_HIDE);
}

RECT Win32Host::Impl::placeOf(const ControlView& view) const {
    const DpiScale scale = view.owner->scale;
    int left = 0;
    int top = 0;
    for (const Control* c = view.control; c != nullptr; c = c->container()) {
        left += c->geometry().left;
        top += c->geometry().top;
    }
    int height = scale.toPixels(view.control->geometry().height);
    int width = scale.toPixels(view.control->geometry().width);
    // A drop-down list's window includes its open list.
    if (view.kind == Kind::Combo) height += scale.toPixels(2400);
    // A picture box clips what it holds, as a container window would.
    if (const Control* box = view.control->container(); box != nullptr && box->typeName() == "PictureBox") {
        width = std::min(width, scale.toPixels(box->geometry().width - view.control->geometry().left));
        height = std::min(height, scale.toPixels(box->geometry().height - view.control->geometry().top));
    }
    const int x = scale.toPixels(left);
    const int y = scale.toPixels(top);
    return {x, y, x + std::max(0, width), y + std::max(0, height)};
}

void Win32Host::Impl::applyGeometry(ControlView& view) {
    if (view.window == nullptr) return;
    const RECT place = placeOf(view);
    SetWindowPos(view.window, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Host::Impl::applyFont(ControlView& view, bool repaint) {
    if (view.window == nullptr) return;
    SendMessageW(view.window, WM_SETFONT,
                 reinterpret_cast<WPARAM>(font(view.owner->scale.dpi(), view.control->bold(), view.control->italic(),
                                               drawnAsLink(*view.control))),
                 repaint ? TRUE : FALSE);
}

void Win32Host::Impl::applyPicture(ControlView& view) {
    const std::string& name = static_cast<const Image&>(*view.control).picture();
    view.icon.reset();
    view.bitmap.reset();
    LONG_PTR style = GetWindowLongPtrW(view.window, GWL_STYLE) & ~static_cast<LONG_PTR>(SS_TYPEMASK);
    if (!name.empty()) {
        const std::wstring resource = widen(name);
        view.icon.reset(static_cast<HICON>(LoadImageW(instance, resource.c_str(), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
        if (!view.icon)
            view.bitmap.reset(static_cast<HBITMAP>(LoadImageW(instance, resource.c_str(), IMAGE_BITMAP, 0, 0, 0)));
    }
    SetWindowLongPtrW(view.window, GWL_STYLE, style | (view.bitmap ? SS_BITMAP : SS_ICON));
    if (view.bitmap)
        SendMessageW(view.window, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(view.bitmap.get()));
    else
        SendMessageW(view.window, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(view.icon.get()));
    InvalidateRect(view.window, nullptr, TRUE);
}

void Win32Host::Impl::applyValue(ControlView& view) {
    if (view.window == nullptr) return;
    ++syncing;
    switch (view.kind) {
    case Kind::Check: {
        const int value = static_cast<const CheckBox&>(*view.control).value();
        SendMessageW(view.window, BM_SETCHECK,
                     value == 1 ? BST_CHECKED : value == 2 ? BST_INDETERMINATE : BST_UNCHECKED, 0);
        break;
    }
    case Kind::Option:
        SendMessageW(view.window, BM_SETCHECK,
                     static_cast<const OptionButton&>(*view.control).value() ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case Kind::Progress: {
        const auto& bar = static_cast<const ProgressBar&>(*view.control);
        SendMessageW(view.window, PBM_SETRANGE32, static_cast<WPARAM>(bar.min()), bar.max());
        SendMessageW(view.window, PBM_SETPOS, static_cast<WPARAM>(bar.value()), 0);
        break;
    }
    case Kind::Tabs:
        SendMessageW(view.window, TCM_SETCURSEL,
                     static_cast<WPARAM>(static_cast<const TabStrip&>(*view.control).selected() - 1), 0);
        break;
    case Kind::Combo:
        SendMessageW(view.window, CB_SETCURSEL,
                     static_cast<WPARAM>(static_cast<const ComboBox&>(*view.control).listIndex()), 0);
        break;
    case Kind::Date: {
        const auto& picker = static_cast<const DatePicker&>(*view.control);
        const auto& value = picker.value();
        if (value.year >= 1601 && value.month >= 1 && value.day >= 1) {
            SYSTEMTIME time = platform::win32::toSystemTime(value);
            SendMessageW(view.window, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
        }
        // Without a value the picker still shows the date it opens on, its check box cleared.
        if (!picker.hasValue() && picker.allowsNoValue()) {
            // Wine reads the pointer even though the value it points to does not count.
            SYSTEMTIME unused = platform::win32::toSystemTime(value);
            SendMessageW(view.window, DTM_SETSYSTEMTIME, GDT_NONE, reinterpret_cast<LPARAM>(&unused));
        }
        break;
    }
    case Kind::Image: applyPicture(view); break;
    case Kind::Picture: decodePicture(view); break;
    default: break;
    }
    --syncing;
}

void Win32Host::Impl::applyItems(ControlView& view) {
    if (view.window == nullptr) return;
    ++syncing;
    if (view.kind == Kind::Combo) {
        SendMessageW(view.window, CB_RESETCONTENT, 0, 0);
        for (const auto& item : static_cast<const ComboBox&>(*view.control).items()) {
            const std::wstring text = widen(item);
            SendMessageW(view.window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        applyValue(view);
    } else if (view.kind == Kind::Tabs) {
        SendMessageW(view.window, TCM_DELETEALLITEMS, 0, 0);
        int index = 0;
        for (const auto& tab : static_cast<const TabStrip&>(*view.control).tabs()) {
            std::wstring text = widen(tab);
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text.data();
            SendMessageW(view.window, TCM_INSERTITEMW, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&item));
        }
        applyValue(view);
    } else if (view.kind == Kind::List) {
        applyColumns(view);
        SendMessageW(view.window, LVM_DELETEALLITEMS, 0, 0);
        const auto& list = static_cast<const ListView&>(*view.control);
        for (std::size_t row = 0; row < list.count(); ++row) insertRow(view, static_cast<int>(row));
    }
    --syncing;
}

void Win32Host::Impl::applyColumns(ControlView& view) {
    const auto& list = static_cast<const ListView&>(*view.control);
    ++syncing;
    ListView_SetExtendedListViewStyleEx(view.window, LVS_EX_CHECKBOXES, list.checkBoxes() ? LVS_EX_CHECKBOXES : 0);
    const int wanted = static_cast<int>(list.columns().size());
    const int before = view.columns;
    for (int i = 0; i < wanted; ++i) {
        std::wstring header = widen(list.columns()[static_cast<std::size_t>(i)].header);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = header.data();
        column.cx = view.owner->scale.toPixels(list.columns()[static_cast<std::size_t>(i)].width);
        column.iSubItem = i;
        const UINT message = i < view.columns ? LVM_SETCOLUMNW : LVM_INSERTCOLUMNW;
        SendMessageW(view.window, message, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
    }
    while (view.columns > wanted) SendMessageW(view.window, LVM_DELETECOLUMN, static_cast<WPARAM>(--view.columns), 0);
    view.columns = wanted;
    // Rows already present learn to ask for the texts of new columns.
    if (wanted > before && before > 0) {
        const int rows = static_cast<int>(SendMessageW(view.window, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < rows; ++row) {
            for (int sub = before; sub < wanted; ++sub) {
                LVITEMW item{};
                item.iSubItem = sub;
                item.pszText = LPSTR_TEXTCALLBACKW;
                SendMessageW(view.window, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            }
        }
    }
    for (int row = 0; row < static_cast<int>(list.count()); ++row) syncRowCheck(view, row);
    --syncing;
}

void Win32Host::Impl::readColumnWidths(ControlView& view) {
    if (syncing > 0 || view.window == nullptr) return;
    auto& list = static_cast<ListView&>(*view.control);
    const int count = std::min(view.columns, static_cast<int>(list.columns().size()));
    const DpiScale scale = view.owner->scale;
    for (int i = 0; i < count; ++i) {
        const int shown = static_cast<int>(SendMessageW(view.window, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
        const auto column = static_cast<std::size_t>(i);
        // The model keeps its own figure while it is what the list shows, so no rounding drifts in.
        if (shown >= 0 && scale.toPixels(list.columns()[column].width) != shown)
            list.hostColumnWidth(column, scale.toTwips(shown));
    }
}

void Win32Host::Impl::insertRow(ControlView& view, int row) {
    ++syncing;
    // Texts and icons are asked for when drawn, so the row always shows the model.
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = row;
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.iImage = I_IMAGECALLBACK;
    const int at = static_cast<int>(SendMessageW(view.window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    for (int sub = 1; at >= 0 && sub < view.columns; ++sub) {
        LVITEMW text{};
        text.iSubItem = sub;
        text.pszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(view.window, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&text));
    }
    if (at >= 0) syncRowCheck(view, at);
    --syncing;
}

void Win32Host::Impl::syncRowCheck(ControlView& view, int row) {
    const auto& list = static_cast<const ListView&>(*view.control);
    if (!list.checkBoxes() || row < 0 || static_cast<std::size_t>(row) >= list.count()) return;
    ++syncing;
    ListView_SetCheckState(view.window, row, list.item(static_cast<std::size_t>(row)).checked ? TRUE : FALSE);
    --syncing;
}

}  // namespace sorvane::ui
