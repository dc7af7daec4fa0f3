#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ui/host.h"

namespace sorvane::ui {

class Form;

// Position and size in twips (1/1440 inch; 15 twips a pixel at 96 dpi), relative to the container.
struct Geometry {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Geometry&, const Geometry&) = default;
};

// A colour as 0x00BBGGRR, as the classic BackColor and ForeColor held it.
using Color = std::int32_t;
// The system's own colour: nothing was set.
inline constexpr Color DefaultColor = -1;

struct MouseEvent {
    int button = 0;  // 1 left, 2 right, 4 middle
    int shift = 0;
    int x = 0;
    int y = 0;
    // The notification-area icon's message, whose code travels in x: a real move over the
    // window can carry the same number in twips.
    bool fromTray = false;
};

// Virtual-key codes the windows react to.
namespace key {
inline constexpr int Space = 0x20;
}  // namespace key

// One control of a form. It keeps its own state; every change is reported to the host.
class Control {
public:
    Control(Form& form, std::string name, int index, Control* container);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    // The classic type name ("Label", "CommandButton", ...), used by features that walk controls by type.
    virtual std::string_view typeName() const = 0;

    const std::string& name() const { return name_; }
    // Position in a control array, or -1 for a single control.
    int index() const { return index_; }
    Form& form() const { return form_; }
    Control* container() const { return container_; }

    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool visible() const { return visible_; }
    void setVisible(bool visible);
    const Geometry& geometry() const { return geometry_; }
    void setGeometry(const Geometry& geometry);
    void move(int left, int top, int width, int height) { setGeometry({left, top, width, height}); }
    bool italic() const { return italic_; }
    void setItalic(bool italic);
    bool bold() const { return bold_; }
    void setBold(bool bold);
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string text) { toolTip_ = std::move(text); }
    Color backColor() const { return backColor_; }
    void setBackColor(Color color);
    Color foreColor() const { return foreColor_; }
    void setForeColor(Color color);

    // Visible and enabled here and in every container up the chain.
    bool effectivelyVisible() const;
    bool effectivelyEnabled() const;

    // A user's click: runs onClick when the control can be clicked. Hosts and tests call it.
    virtual void click();
    void mouseMove(const MouseEvent& event) { if (onMouseMove) onMouseMove(event); }
    // A mouse button went down on the control; `event.button` is the one pressed.
    void mouseDown(const MouseEvent& event) { if (onMouseDown) onMouseDown(event); }
    void doubleClick() { if (onDblClick) onDblClick(); }
    // A mouse button released over the control, after the click it completed.
    void mouseUp(const MouseEvent& event) { if (onMouseUp) onMouseUp(event); }
    // A key released on the control (its virtual-key code), after the click it completed.
    void keyUp(int keyCode) { if (onKeyUp) onKeyUp(keyCode); }

    std::function<void()> onClick;
    std::function<void()> onDblClick;
    std::function<void(const MouseEvent&)> onMouseMove;
    std::function<void(const MouseEvent&)> onMouseDown;
    std::function<void(const MouseEvent&)> onMouseUp;
    std::function<void(int keyCode)> onKeyUp;

protected:
    void changed(Change change, int item = -1);

private:
    Form& form_;
    std::string name_;
    int index_;
    Control* container_;
    std::string caption_;
    bool enabled_ = true;
    bool visible_ = true;
    Geometry geometry_;
    bool italic_ = false;
    bool bold_ = false;
    std::string toolTip_;
    Color backColor_ = DefaultColor;
    Color foreColor_ = DefaultColor;
};

}  // namespace sorvane::ui
