#pragma once
#include <cstdint>
#include <functional>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane::ui {

class Control;
class Form;

// What changed on a control or form, so that a host can bring its rendering up to date.
enum class Change {
    Created,      // a control was added to a loaded form (control arrays grow at run time)
    Caption,
    Enabled,
    Visible,
    Geometry,
    Value,        // check state, option state, progress value, selected tab, picker value, text
    Font,
    Items,        // list contents replaced or cleared (item = -1)
    ItemAdded,    // item = its index
    ItemRemoved,  // item = its former index
    ItemUpdated,  // item = its index (text, sub-items, check, icon)
    Columns,
    Timer,        // enabled or interval of a timer
    WindowState,
    TaskList,     // whether the form shows in the task list
    Icon,
    Position,     // a form's left or top
    TopMost,      // whether the form stays above other programs' windows
    Colors,       // back or fore colour of a control or form
};

// The screen in pixels: the desktop and the taskbar along its bottom edge (0 without one).
struct ScreenArea {
    int width = 1024;
    int height = 768;
    int taskbarHeight = 30;
    // Pixels per logical inch, as the forms' twips are converted (1440 twips an inch).
    int dpi = 96;
};

// Message-box styles and answers, numbered as MessageBox and the classic MsgBox use them.
namespace mb {
inline constexpr std::uint32_t OkOnly = 0;
inline constexpr std::uint32_t OkCancel = 1;
inline constexpr std::uint32_t AbortRetryIgnore = 2;
inline constexpr std::uint32_t YesNoCancel = 3;
inline constexpr std::uint32_t YesNo = 4;
inline constexpr std::uint32_t RetryCancel = 5;
inline constexpr std::uint32_t Critical = 16;
inline constexpr std::uint32_t Question = 32;
inline constexpr std::uint32_t Exclamation = 48;
inline constexpr std::uint32_t Information = 64;
inline constexpr std::uint32_t DefaultButton2 = 256;
inline constexpr std::uint32_t DefaultButton3 = 512;
// The button set of a style (OkOnly .. RetryCancel).
inline constexpr std::uint32_t buttons(std::uint32_t style) { return style & 0x0F; }
}  // namespace mb

enum class Answer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// Renders forms and runs their events. One per process; all calls on the one UI thread.
class Host {
public:
    virtual ~Host() = default;

    // A form or one of its controls changed; `item` is the list row for item changes.
    virtual void formChanged(Form& form, Change change) = 0;
    virtual void controlChanged(Control& control, Change change, int item = -1) = 0;

    // Makes a loaded form visible; a modal show returns when the form is hidden or unloaded,
    // running a nested loop meanwhile.
    virtual void show(Form& form, bool modal) = 0;
    virtual void hide(Form& form) = 0;
    // The form was unloaded: release whatever renders it.
    virtual void destroy(Form& form) = 0;
    // A form was constructed, loaded or not. Nothing needs to follow; the headless host counts them.
    virtual void formMade(Form& form) { (void)form; }

    // A modal message box; the nested loop keeps timers and repaints going.
    virtual Answer messageBox(std::string_view text, std::string_view title, std::uint32_t style) = 0;
    // Lets pending events and due timers run, then returns (the classic DoEvents).
    virtual void yield() = 0;
    // Between the items of long work (a scan's definition lines): as yield, but a host may
    // skip the pass when it ran one a moment ago, so that thousands of small items do not
    // each pay for a look at an empty queue. Events still run within milliseconds.
    virtual void yieldBetweenItems() { yield(); }
    // Waits about `ms` milliseconds without spinning the processor, events still running.
    virtual void sleep(std::uint32_t ms) = 0;
    // Lets events run until `done` answers true or the program is quitting, without
    // spinning the processor: how a modeless window's question waits for its answer.
    virtual void waitUntil(const std::function<bool()>& done) {
        while (!done() && !quitting()) sleep(WaitSliceMs);
    }
    static constexpr std::uint32_t WaitSliceMs = 50;
    // Runs the message loop until quit() is called.
    virtual void run() = 0;
    virtual void quit() = 0;
    virtual bool quitting() const = 0;

    // Stops and resumes repainting of a form around a burst of changes.
    virtual void freezePainting(Form& form, bool frozen) = 0;
    virtual void setBusyCursor(bool busy) = 0;
    // The common file-open dialog; nothing when the user cancels.
    virtual std::optional<std::string> chooseFile(Form& owner, std::string_view title, std::string_view filter) = 0;

    // The notification-area icon of a form. Its mouse messages reach the form's
    // Form_MouseMove with the window message number as x.
    virtual bool trayAdd(Form& owner, std::string_view toolTip) = 0;
    virtual void traySetToolTip(Form& owner, std::string_view toolTip) = 0;
    virtual void trayRemove(Form& owner) = 0;
    // A short titled notice shown by the form's icon; false when no icon shows it.
    virtual bool trayBalloon(Form& owner, std::string_view title, std::string_view text) {
        (void)owner;
        (void)title;
        (void)text;
        return false;
    }

    // The desktop's size and the taskbar's height, for windows that place themselves.
    virtual ScreenArea screenArea() const { return {}; }

    // Runs after every form's Form_Load, for features that treat all windows alike (the skin).
    std::function<void(Form&)> formLoaded;

    // A later start of the program, which ends at once, asks the running copy to come
    // forward: the later one calls askRunningCopyToShow(); in the running copy the host
    // then calls laterStartAsked, and brings the form it answers to the front.
    virtual void askRunningCopyToShow() {}
    std::function<Form*()> laterStartAsked;

    // Gives a form's window a rectangular region of this many pixels from its top-left corner.
    // False when the host has no window to shape.
    virtual bool setWindowRegion(Form& form, int width, int height) {
        (void)form;
        (void)width;
        (void)height;
        return false;
    }
};

}  // namespace sorvane::ui
