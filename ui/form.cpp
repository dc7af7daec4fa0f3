#include "ui/form.h"

namespace sorvane::ui {

Form::Form(Host& host, std::string name) : host_(host), name_(std::move(name)) { host_.formMade(*this); }

Form::Form(Host& host, const FormLayout& layout) : Form(host, std::string(layout.name)) {
    layout_ = &layout;
    for (const ControlDesign& design : layout.controls) {
        Control& control = addDesigned(design);
        control.setGeometry(design.geometry);
        if (!design.caption.empty()) control.setCaption(std::string(design.caption));
        if (auto* list = dynamic_cast<ListView*>(&control))
            for (const ColumnDesign& column : design.columns) list->addColumn(std::string(column.header), column.width);
        if (auto* strip = dynamic_cast<TabStrip*>(&control))
            for (std::string_view tab : design.tabs) strip->addTab(std::string(tab));
    }
}

Control& Form::addDesigned(const ControlDesign& design) {
    Control* container = nullptr;
    if (!design.container.empty()) {
        container = find(design.container, design.containerIndex);
        if (container == nullptr) throw designMismatch(design.container, design.containerIndex);
    }
    std::string name(design.name);
    switch (design.type) {
    case ControlType::Label: return add<Label>(std::move(name), design.index, container);
    case ControlType::CommandButton: return add<CommandButton>(std::move(name), design.index, container);
    case ControlType::Frame: return add<Frame>(std::move(name), design.index, container);
    case ControlType::Image: return add<Image>(std::move(name), design.index, container);
    case ControlType::SkinLabel: return add<SkinLabel>(std::move(name), design.index, container);
    case ControlType::PictureBox: return add<PictureBox>(std::move(name), design.index, container);
    case ControlType::Shape: return add<Shape>(std::move(name), design.index, container);
    case ControlType::CheckBox: return add<CheckBox>(std::move(name), design.index, container);
    case ControlType::OptionButton: return add<OptionButton>(std::move(name), design.index, container);
    case ControlType::TextBox: return add<TextBox>(std::move(name), design.index, container);
    case ControlType::ComboBox: return add<ComboBox>(std::move(name), design.index, container);
    case ControlType::DatePicker: return add<DatePicker>(std::move(name), design.index, container);
    case ControlType::ProgressBar: return add<ProgressBar>(std::move(name), design.index, container);
    case ControlType::Timer: return add<Timer>(std::move(name), design.index, container);
    case ControlType::Menu: return add<Menu>(std::move(name), design.index, container);
    case ControlType::TabStrip: return add<TabStrip>(std::move(name), design.index, container);
    case ControlType::ListView: return add<ListView>(std::move(name), design.index, container);
    }
    throw designMismatch(design.name, design.index);
}

void Form::setCaptions(std::span<const LoadCaption> captions) {
    for (const LoadCaption& loaded : captions) designed<Control>(loaded.name).setCaption(loaded.caption);
}

std::logic_error Form::designMismatch(std::string_view name, int index) const {
    std::string what = name_ + " has no designed control " + std::string(name);
    if (index >= 0) what += "(" + std::to_string(index) + ")";
    return std::logic_error(what + " of the type asked for");
}

// A form dropped while loaded must not leave the host holding a window that points at it.
Form::~Form() {
    if (!loaded_) return;
    loaded_ = false;
    visible_ = false;
    host_.destroy(*this);
}

void Form::load() {
    if (loaded_) return;
    loaded_ = true;
    host_.formChanged(*this, Change::Created);
    Form_Load();
    if (loaded_ && host_.formLoaded) host_.formLoaded(*this);
}

void Form::show(bool modal) {
    load();
    if (!loaded_) return;  // Form_Load may have unloaded the form again
    // A window that appears is laid out for the state and size it shows in, as any later
    // change of them is: its first show, and every show after a hide.
    const bool appearing = !visible_;
    visible_ = true;
    if (appearing && modal) Form_Resize();  // before the nested loop holds the caller
    host_.show(*this, modal);
    if (appearing && !modal && loaded_ && visible_) Form_Resize();
}

void Form::hide() {
    if (!visible_) return;
    visible_ = false;
    host_.hide(*this);
}

bool Form::unload(UnloadMode mode) {
    if (!loaded_) return true;
    bool cancel = false;
    Form_QueryUnload(cancel, mode);
    if (cancel) return false;
    runUnloadOnly();
    return true;
}

void Form::runUnloadOnly() {
    if (!loaded_) return;
    Form_Unload();
    visible_ = false;
    loaded_ = false;
    host_.destroy(*this);
}

void Form::setCaption(std::string caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    if (loaded_) host_.formChanged(*this, Change::Caption);
}

void Form::setWindowState(WindowState state) {
    if (state == state_) return;
    state_ = state;
    if (loaded_) host_.formChanged(*this, Change::WindowState);
    Form_Resize();
}

void Form::setSize(int width, int height) {
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    if (loaded_) host_.formChanged(*this, Change::Geometry);
    Form_Resize();
}

void Form::setPosition(int left, int top) {
    if (left == left_ && top == top_) return;
    left_ = left;
    top_ = top;
    if (loaded_) host_.formChanged(*this, Change::Position);
}

void Form::setShowInTaskList(bool show) {
    if (show == showInTaskList_) return;
    showInTaskList_ = show;
    if (loaded_) host_.formChanged(*this, Change::TaskList);
}

void Form::setBackColor(Color color) {
    if (color == backColor_) return;
    backColor_ = color;
    if (loaded_) host_.formChanged(*this, Change::Colors);
}

void Form::setIcon(std::string icon) {
    icon_ = std::move(icon);
    if (loaded_) host_.formChanged(*this, Change::Icon);
}

void Form::setTopMost(bool topMost) {
    if (topMost == topMost_) return;
    topMost_ = topMost;
    if (loaded_) host_.formChanged(*this, Change::TopMost);
}

void Form::hostResized(WindowState state, int width, int height) {
    if (state == state_ && width == width_ && height == height_) return;
    state_ = state;
    width_ = width;
    height_ = height;
    Form_Resize();
}

Control* Form::find(std::string_view name, int index) const {
    for (const auto& control : controls_)
        if (control->name() == name && control->index() == index) return control.get();
    return nullptr;
}

int Form::upperBound(std::string_view name) const {
    int upper = -1;
    for (const auto& control : controls_)
        if (control->name() == name && control->index() > upper) upper = control->index();
    return upper;
}

}  // namespace sorvane::ui
