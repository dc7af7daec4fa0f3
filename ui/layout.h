#pragma once
#include <span>
#include <string_view>

#include "ui/control.h"

namespace sorvane::ui {

// The control types a window can be designed with.
enum class ControlType {
    Label,
    CommandButton,
    Frame,
    Image,
    SkinLabel,
    PictureBox,
    Shape,
    CheckBox,
    OptionButton,
    TextBox,
    ComboBox,
    DatePicker,
    ProgressBar,
    Timer,
    Menu,
    TabStrip,
    ListView,
};

// The classic type name a control of this type reports as its typeName().
std::string_view TypeName(ControlType type);

// A list view's column as designed: header and width in twips.
struct ColumnDesign {
    std::string_view header;
    int width = 1400;
};

// One control of a window as designed. `container` names a control earlier in the same
// table (with `containerIndex` for an element of an array); empty means the window itself.
// An empty caption leaves the control's caption unset, for text the window fills in later.
struct ControlDesign {
    std::string_view name;
    ControlType type = ControlType::Label;
    int index = -1;
    std::string_view container{};
    int containerIndex = -1;
    Geometry geometry{};
    std::string_view caption{};
    std::span<const ColumnDesign> columns{};   // a list view's columns
    std::span<const std::string_view> tabs{};  // a tab strip's tabs
};

// A window as designed: the name the program and the translation files know it by, and its
// controls in the order the window holds them (the order its translation items are listed in).
struct FormLayout {
    std::string_view name;
    std::span<const ControlDesign> controls;
};

}  // namespace sorvane::ui
