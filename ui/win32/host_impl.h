#pragma once
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <set>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/handles.h"
#include "ui/dpi_scale.h"
#include "ui/form.h"
#include "ui/win32/win32_host.h"

namespace sorvane::ui {

namespace win32 {

using platform::win32::BitmapHandle;
using platform::win32::BrushHandle;
using platform::win32::FontHandle;
using platform::win32::IconHandle;
using platform::win32::ImageListHandle;
using platform::win32::MenuHandle;
using platform::win32::WindowHandle;

enum class Kind { Label, Button, Check, Option, Frame, Timer, Menu, List, Progress, Tabs, Image, Shape, Text, Combo, Date, Picture, SkinLabel };

struct FormView;

// The native side of one control. Child windows belong to their form's window and die with it.
struct ControlView {
    Control* control = nullptr;
    FormView* owner = nullptr;
    Kind kind = Kind::Label;
    UINT id = 0;
    HWND window = nullptr;
    WNDPROC nativeProc = nullptr;  // the control class's procedure, behind the host's own
    IconHandle icon;
    BitmapHandle bitmap;
    int columns = 0;  // columns the native list view has
    BrushHandle brush;  // the control's back colour, when it has one
};

struct FormView {
    Form* form = nullptr;
    Win32Host::Impl* host = nullptr;
    WindowHandle window;
    // The DPI of the monitor the window stands on: its twips become these pixels.
    DpiScale scale;
    MenuHandle menu;
    IconHandle icon;
    std::vector<std::unique_ptr<ControlView>> controls;
    std::map<const Control*, ControlView*> byControl;
    std::map<UINT, ControlView*> byId;
    UINT nextId = 100;
    int applying = 0;  // changes made by code are under way: their WM_SIZE is not the user's
    int frozen = 0;
    // Frozen while shown. The window's own redraw goes off only once a change other than a
    // label's or a bar's arrives (those wait in `deferred` anyway): switching it off and on
    // costs Wine a style change each way, which at one progress burst per hundred items cost
    // the scan more than the items did.
    bool redrawOff = false;
    bool redrawSent = false;  // WM_SETREDRAW FALSE went out for this freeze
    // What a freeze kept from painting: the controls changed while the window's redraw was
    // off, or all of it when a paint was waiting as redraw went off. Asked again, and no
    // more, once the freeze is over.
    std::set<HWND> unpainted;
    bool unpaintedAll = false;
    bool repaintDue = false;  // a freeze ended: the controls above are asked again
    // Labels and bars changed while frozen: shown when messages next run, which is the first
    // moment the screen could show them, so that many bursts between two looks at the queue
    // cost one update of each.
    std::set<ControlView*> deferred;
    bool wakePosted = false;  // a message is on its way, so that even an idle loop shows them
    ULONGLONG labelsShown = 0;  // when deferred labels and bars were last shown
    bool tray = false;       // the icon is in the notification area
    bool trayWanted = false;  // the form asked for one: it comes (back) when the taskbar does
    std::wstring trayTip;  // shown again when Explorer restarts
    BrushHandle brush;  // the form's back colour, when it has one
};

inline std::wstring windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

// Inside a catch block of a window procedure: the handler that threw, named by its form and
// control ("frmMain.optMode(1) MouseUp") or its form and message, reaches the trace.
void TraceHandlerFailure(const Control& control, std::string_view event) noexcept;
void TraceHandlerFailure(const Form& form, UINT message) noexcept;

// A label drawn as a link (underlined, the link colour, a hand pointer).
bool drawnAsLink(const Control& control);

}  // namespace win32

struct Win32Host::Impl {
    Impl();

    HINSTANCE instance = nullptr;
    // The system's DPI, read once at start: what a window has until it knows its own, and
    // what the screen's measures are given in.
    int dpi = 96;
    // The message font in each style, per DPI that a window has shown it at.
    std::map<int, win32::FontHandle> fonts;
    // The results lists' kind icons, per DPI that a window has shown them at.
    std::map<int, win32::ImageListHandle> smallIcons;
    std::map<const Form*, std::unique_ptr<win32::FormView>> forms;
    // Views of destroyed forms, kept until no window procedure of theirs is on the stack.
    std::vector<std::unique_ptr<win32::FormView>> graveyard;
    int dispatchDepth = 0;
    int syncing = 0;  // native state is being set from the model: its notifications are not the user's
    ULONGLONG lastPump = 0;  // when a pass over the queue last ended
    bool quitting = false;
    bool busy = false;
    // Broadcast when Explorer (re)starts its taskbar: icons must be added again.
    UINT taskbarCreated = 0;
    // Broadcast by a later start of the program to the running copy's windows.
    UINT showRunningCopy = 0;
    Host* host = nullptr;

    // The DPI the window is shown at; the system's where the system cannot tell it per window.
    int windowDpi(HWND window) const;
    win32::FormView* viewOf(const Form& form) const;
    win32::ControlView* viewOf(const Control& control) const;
    void collectGraveyard();
    // Dispatches what is queued; false when WM_QUIT arrived (it is posted again for the outer loop).
    bool pump(ULONGLONG labelInterval = 0);
    // A change that the window must paint: the control's own window, or all of the form.
    void notePaint(win32::FormView& form, const Control* control);
    // Switches a frozen window's redraw off before a change that would paint at once.
    void holdPainting(win32::FormView& form);
    // Sends WM_SETREDRAW FALSE, noting whether it threw a waiting paint away.
    void switchRedrawOff(win32::FormView& form);
    // Brings deferred labels and bars onto the screen and repaints what freezes held back;
    // runs before messages are looked at. Labels and bars alone wait while they were shown
    // less than `labelInterval` ms ago.
    void showDeferred(ULONGLONG labelInterval = 0);
    // Makes sure messages run soon, and with them showDeferred.
    void showSoon(win32::FormView& form);

    // Forms.
    void createForm(Form& form);
    void applyFormIcon(win32::FormView& view);
    void applyTaskList(win32::FormView& view);
    void applyWindowState(win32::FormView& view);
    void syncGeometryQuietly(win32::FormView& view);
    std::pair<int, int> windowPixels(const win32::FormView& view) const;
    std::pair<int, int> windowTwips(const win32::FormView& view) const;
    void onSize(win32::FormView& view, WPARAM kind);
    // The window moved to a monitor of another DPI (or that monitor's scale changed): it takes
    // the size the system suggests and lays its controls out again, in fonts of the new DPI.
    void onDpiChanged(win32::FormView& view, int dpi, const RECT& suggested);
    LRESULT formMessage(win32::FormView& view, UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(win32::FormView& view, WPARAM wParam, LPARAM lParam);
    LRESULT onNotify(win32::FormView& view, NMHDR& header);
    MouseEvent mouseEvent(const win32::FormView& view, WPARAM wParam, LPARAM lParam) const;

    // Controls.
    void createControl(win32::FormView& view, Control& control);
    void arrangeZOrder(win32::FormView& view);
    void placeInZOrder(win32::FormView& view, win32::ControlView& added);
    void rebuildMenu(win32::FormView& view);
    void appendMenuItem(win32::FormView& view, HMENU parent, win32::ControlView& item);
    void armTimer(win32::FormView& view, win32::ControlView& timer);
    void applyCaption(win32::ControlView& view);
    void applyEnabled(win32::ControlView& view);
    void applyVisible(win32::ControlView& view);
    void applyGeometry(win32::ControlView& view);
    // Where the control's window goes in its form's client area, in pixels.
    RECT placeOf(const win32::ControlView& view) const;
    // repaint false: for a window just made, whose first paint is still to come.
    void applyFont(win32::ControlView& view, bool repaint = true);
    void applyValue(win32::ControlView& view);
    void applyItems(win32::ControlView& view);
    void applyPicture(win32::ControlView& view);
    void applyColumns(win32::ControlView& view);
    void insertRow(win32::ControlView& view, int row);
    // Brings the widths the user gave the native columns into the model.
    void readColumnWidths(win32::ControlView& view);
    void syncRowCheck(win32::ControlView& view, int row);
    void forSelfAndInside(win32::FormView& view, const Control& control, void (Impl::*apply)(win32::ControlView&));
    HFONT font(int shownAt, bool bold, bool italic, bool underline = false);

    // Colours, pictures and the window region (skin_paint.cpp).
    void applyColors(win32::ControlView& view, bool repaint = true);
    void applyFormColors(win32::FormView& view);
    // The brush a control paints its ground with, its colours set on `dc`; null for the system's.
    HBRUSH controlColor(win32::FormView& form, HDC dc, HWND control);
    // Fills a frame's or the form's ground; false when the system's colour applies.
    bool eraseWithFormColor(win32::FormView& form, HWND window, HDC dc);
    void decodePicture(win32::ControlView& view);
    void paintPicture(win32::ControlView& view, HDC dc);
    bool setRegion(win32::FormView& form, int width, int height);
    // The kind icons at the small-icon size of `shownAt` DPI.
    HIMAGELIST listIcons(int shownAt);
};

}  // namespace sorvane::ui
