#pragma once
#include <span>
#include <string>
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

// Which labels a skinned window's load copies into its skin-label array "SkinLabel1", drawn over
// the skin's ground: none, the labels beside the array's first element, or every label.
enum class SkinLabelCopies { None, BesideFirst, EveryLabel };

// A window as designed: the name the program and the translation files know it by, its
// controls in the order the window holds them (the order its translation items are listed in),
// and the skin-label copies its load makes.
struct FormLayout {
    std::string_view name;
    std::span<const ControlDesign> controls;
    SkinLabelCopies skinLabelCopies = SkinLabelCopies::None;
};

// A caption a window gives one of its designed controls as it loads, from what the design cannot
// know (the product's name, a message in the chosen language).
struct LoadCaption {
    std::string_view name;
    std::string caption;
};

}  // namespace sorvane::ui
