#include "ui/layout.h"

namespace sorvane::ui {

std::string_view TypeName(ControlType type) {
    switch (type) {
    case ControlType::Label: return "Label";
    case ControlType::CommandButton: return "CommandButton";
    case ControlType::Frame: return "Frame";
    case ControlType::Image: return "Image";
    case ControlType::SkinLabel: return "SkinLabel";
    case ControlType::PictureBox: return "PictureBox";
    case ControlType::Shape: return "Shape";
    case ControlType::CheckBox: return "CheckBox";
    case ControlType::OptionButton: return "OptionButton";
    case ControlType::TextBox: return "TextBox";
    case ControlType::ComboBox: return "ComboBox";
    case ControlType::DatePicker: return "DTPicker";
    case ControlType::ProgressBar: return "ProgressBar";
    case ControlType::Timer: return "Timer";
    case ControlType::Menu: return "Menu";
    case ControlType::TabStrip: return "TabStrip";
    case ControlType::ListView: return "ListView";
    }
    return {};
}

}  // namespace sorvane::ui
