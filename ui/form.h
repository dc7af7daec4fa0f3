#pragma once
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "ui/control.h"
#include "ui/controls.h"
#include "ui/host.h"
#include "ui/layout.h"

namespace sorvane::ui {

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

// Why a form is closing, numbered as the classic QueryUnload's UnloadMode.
enum class UnloadMode { ControlMenu = 0, Code = 1, WindowsSession = 2, TaskManager = 3 };

// A window described by its ordered list of typed controls. Subclasses declare their
// controls as members (via add) and override the Form_ events they need.
class Form {
public:
    Form(Host& host, std::string name);
    // A window built from its design: the layout's name, and its controls with their
    // geometry, captions, columns and tabs. Throws std::logic_error on a table that names a
    // container it does not hold before.
    Form(Host& host, const FormLayout& layout);
    Form(Host& host, const FormLayout&& layout) = delete;  // the window keeps its design
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& name() const { return name_; }
    Host& host() const { return host_; }
    // The design the window was built from; null for one whose controls were added as code.
    const FormLayout* layout() const { return layout_; }

    // Runs Form_Load the first time; a later call does nothing until the form is unloaded.
    void load();
    bool loaded() const { return loaded_; }
    // Loads when needed, then shows; a modal show returns when the form is hidden or unloaded.
    // A form that was not visible runs Form_Resize as it appears.
    void show(bool modal = false);
    void hide();
    // Form_QueryUnload (may cancel), then Form_Unload; the controls keep their state.
    // Returns false when QueryUnload cancelled.
    bool unload(UnloadMode mode = UnloadMode::Code);
    // Runs Form_Unload alone, as a direct call of the handler does.
    void runUnloadOnly();

    bool visible() const { return visible_; }
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);
    WindowState windowState() const { return state_; }
    // Runs Form_Resize when the state changes.
    void setWindowState(WindowState state);
    // Position in twips of the window's top-left corner on the screen.
    int left() const { return left_; }
    int top() const { return top_; }
    void setPosition(int left, int top);
    int width() const { return width_; }
    int height() const { return height_; }
    // Size in twips of the whole window; runs Form_Resize when it changes.
    void setSize(int width, int height);
    bool showInTaskList() const { return showInTaskList_; }
    void setShowInTaskList(bool show);
    const std::string& icon() const { return icon_; }
    void setIcon(std::string icon);
    // A window that must be seen at once (an alert) stays above other programs' windows.
    bool topMost() const { return topMost_; }
    void setTopMost(bool topMost);
    // The window's own background; DefaultColor keeps the system's.
    Color backColor() const { return backColor_; }
    void setBackColor(Color color);

    // Called by hosts when the window itself was resized or changed state.
    void hostResized(WindowState state, int width, int height);
    // Records the window's state and size without Form_Resize: for a change made by code,
    // whose Form_Resize already ran.
    void hostSyncGeometry(WindowState state, int width, int height) {
        state_ = state;
        width_ = width;
        height_ = height;
    }
    void hostMouseMove(const MouseEvent& event) { Form_MouseMove(event); }
    // The user's close request (close box): runs unload with the control-menu mode.
    void hostCloseRequest() { unload(UnloadMode::ControlMenu); }
    // The user's session ends (logoff, shutdown): the form closes as for any other close,
    // with the session mode, before the system ends the process.
    void hostSessionEnding() { unload(UnloadMode::WindowsSession); }
    void hostVisibility(bool visible) { visible_ = visible; }

    template <class T>
    T& add(std::string name, int index = -1, Control* container = nullptr) {
        static_assert(std::is_base_of_v<Control, T>);
        auto control = std::make_unique<T>(*this, std::move(name), index, container);
        T& ref = *control;
        controls_.push_back(std::move(control));
        if (loaded_) host_.controlChanged(ref, Change::Created);
        return ref;
    }
    Control* find(std::string_view name, int index = -1) const;
    // The control the form was designed with under this name, as its type; throws
    // std::logic_error when there is none of that type, so a window that binds its members
    // to its layout fails as it is built, not on a later click.
    template <class T>
    T& designed(std::string_view name, int index = -1) const {
        if (auto* control = dynamic_cast<T*>(find(name, index))) return *control;
        throw designMismatch(name, index);
    }
    // Sets the captions a load gives designed controls; throws as designed() does.
    void setCaptions(std::span<const LoadCaption> captions);
    template <class T>
    T* findAs(std::string_view name, int index = -1) const {
        return dynamic_cast<T*>(find(name, index));
    }
    // Highest index of a control array, or -1 when it has no element.
    int upperBound(std::string_view name) const;
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }

protected:
    virtual void Form_Load() {}
    virtual void Form_QueryUnload(bool& cancel, UnloadMode mode) { (void)cancel; (void)mode; }
    virtual void Form_Unload() {}
    virtual void Form_Resize() {}
    virtual void Form_MouseMove(const MouseEvent& event) { (void)event; }

private:
    Control& addDesigned(const ControlDesign& design);
    std::logic_error designMismatch(std::string_view name, int index) const;

    Host& host_;
    std::string name_;
    const FormLayout* layout_ = nullptr;
    std::string caption_;
    std::vector<std::unique_ptr<Control>> controls_;
    bool loaded_ = false;
    bool visible_ = false;
    WindowState state_ = WindowState::Normal;
    int width_ = 0;
    int height_ = 0;
    int left_ = 0;
    int top_ = 0;
    bool showInTaskList_ = true;
    std::string icon_;
    bool topMost_ = false;
    Color backColor_ = DefaultColor;
};

}  // namespace sorvane::ui
