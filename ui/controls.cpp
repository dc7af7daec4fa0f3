#include <algorithm>

#include "ui/form.h"

namespace sorvane::ui {

Control::Control(Form& form, std::string name, int index, Control* container)
    : form_(form), name_(std::move(name)), index_(index), container_(container) {}

void Control::changed(Change change, int item) {
    if (form_.loaded()) form_.host().controlChanged(*this, change, item);
}

void Control::setCaption(std::string caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    changed(Change::Caption);
}

void Control::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    changed(typeName() == "Timer" ? Change::Timer : Change::Enabled);
}

void Control::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    changed(Change::Visible);
}

void Control::setGeometry(const Geometry& geometry) {
    if (geometry == geometry_) return;
    geometry_ = geometry;
    changed(Change::Geometry);
}

void Control::setItalic(bool italic) {
    if (italic == italic_) return;
    italic_ = italic;
    changed(Change::Font);
}

void Label::setLinkStyle(bool link) {
    if (link == linkStyle_) return;
    linkStyle_ = link;
    changed(Change::Font);
}

void Control::setBold(bool bold) {
    if (bold == bold_) return;
    bold_ = bold;
    changed(Change::Font);
}

void Control::setBackColor(Color color) {
    if (color == backColor_) return;
    backColor_ = color;
    changed(Change::Colors);
}

void Control::setForeColor(Color color) {
    if (color == foreColor_) return;
    foreColor_ = color;
    changed(Change::Colors);
}

void PictureBox::setImageBytes(std::string bytes) {
    if (bytes == image_) return;
    image_ = std::move(bytes);
    changed(Change::Value);
}

bool Control::effectivelyVisible() const {
    for (const Control* c = this; c != nullptr; c = c->container())
        if (!c->visible()) return false;
    return true;
}

bool Control::effectivelyEnabled() const {
    for (const Control* c = this; c != nullptr; c = c->container())
        if (!c->enabled()) return false;
    return true;
}

void Control::click() {
    if (effectivelyEnabled() && onClick) onClick();
}

void Image::setPicture(std::string picture) {
    picture_ = std::move(picture);
    changed(Change::Value);
}

void CheckBox::setValue(int value) {
    // Any other value is refused, as the classic control refused it: the box keeps its state
    // and no Click runs, so nothing is written back.
    if (value < 0 || value > 2) return;
    if (value == value_) return;
    value_ = value;
    changed(Change::Value);
    if (onClick) onClick();
}

void CheckBox::click() {
    if (!effectivelyEnabled()) return;
    setValue(value_ == 1 ? 0 : 1);
}

void OptionButton::setValueQuietly(bool on) {
    if (on == value_) return;
    value_ = on;
    changed(Change::Value);
}

void OptionButton::setValue(bool on) {
    if (!on) {
        setValueQuietly(false);
        return;
    }
    for (const auto& other : form().controls()) {
        auto* option = dynamic_cast<OptionButton*>(other.get());
        if (option != nullptr && option != this && option->container() == container()) option->setValueQuietly(false);
    }
    setValueQuietly(true);
    if (onClick) onClick();
}

void OptionButton::click() {
    if (effectivelyEnabled()) setValue(true);
}

void TextBox::setText(std::string text) {
    if (text == caption()) return;
    setCaption(std::move(text));
    if (onChange) onChange();
}

void ComboBox::addItem(std::string text) {
    items_.push_back(std::move(text));
    changed(Change::Items);
}

void ComboBox::clear() {
    items_.clear();
    listIndex_ = -1;
    setCaption("");
    changed(Change::Items);
}

void ComboBox::setListIndex(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size())) return;
    listIndex_ = index;
    setCaption(index >= 0 ? items_[static_cast<std::size_t>(index)] : std::string());
    changed(Change::Value);
    if (onClick) onClick();
}

void DatePicker::setValue(const platform::DateTime& value) {
    if (value == value_ && hasValue_) return;
    value_ = value;
    hasValue_ = true;
    changed(Change::Value);
    if (onChange) onChange();
}

void DatePicker::setAllowsNoValue(bool allowed) {
    if (allowed == allowsNoValue_) return;
    allowsNoValue_ = allowed;
    changed(Change::Value);
}

void DatePicker::setNoValue() {
    if (!hasValue_) return;
    hasValue_ = false;
    changed(Change::Value);
    if (onChange) onChange();
}

void ProgressBar::setMax(int max) {
    max_ = std::max(max, min_ + 1);
    value_ = std::min(value_, max_);
    changed(Change::Value);
}

void ProgressBar::setValue(int value) {
    value = std::clamp(value, min_, max_);
    if (value == value_) return;
    value_ = value;
    changed(Change::Value);
}

Timer::Timer(Form& form, std::string name, int index, Control* container)
    : Control(form, std::move(name), index, container) {
    setEnabled(false);
}

void Timer::setInterval(std::uint32_t ms) {
    if (ms == interval_) return;
    interval_ = ms;
    changed(Change::Timer);
}

void Menu::setChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    changed(Change::Value);
}

void TabStrip::addTab(std::string caption) {
    tabs_.push_back(std::move(caption));
    if (selected_ == 0) selected_ = 1;
    changed(Change::Items);
}

void TabStrip::setTabCaption(std::size_t tab, std::string caption) {
    if (tab < 1 || tab > tabs_.size() || tabs_[tab - 1] == caption) return;
    tabs_[tab - 1] = std::move(caption);
    changed(Change::Items);
}

void TabStrip::select(int tab) {
    if (tab < 1 || tab > static_cast<int>(tabs_.size())) return;
    selected_ = tab;
    changed(Change::Value);
    if (onClick) onClick();
}

const std::string& ListItem::subItem(std::size_t i) const {
    static const std::string empty;
    return i >= 1 && i <= subItems.size() ? subItems[i - 1] : empty;
}

void ListView::addColumn(std::string header, int width) {
    columns_.push_back({std::move(header), width});
    changed(Change::Columns);
}

void ListView::setColumnWidth(std::size_t column, int width) {
    if (column >= columns_.size() || columns_[column].width == width) return;
    columns_[column].width = width;
    changed(Change::Columns);
}

void ListView::setColumnHeader(std::size_t column, std::string header) {
    if (column < 1 || column > columns_.size() || columns_[column - 1].header == header) return;
    columns_[column - 1].header = std::move(header);
    changed(Change::Columns);
}

ListItem& ListView::add(std::string text, int smallIcon) {
    items_.push_back(ListItem{std::move(text), {}, false, smallIcon, {}});
    changed(Change::ItemAdded, static_cast<int>(items_.size() - 1));
    return items_.back();
}

void ListView::setSubItem(std::size_t row, std::size_t sub, std::string text) {
    if (row >= items_.size() || sub == 0) return;
    auto& subs = items_[row].subItems;
    if (subs.size() < sub) subs.resize(sub);
    subs[sub - 1] = std::move(text);
    changed(Change::ItemUpdated, static_cast<int>(row));
}

void ListView::setText(std::size_t row, std::string text) {
    if (row >= items_.size()) return;
    items_[row].text = std::move(text);
    changed(Change::ItemUpdated, static_cast<int>(row));
}

void ListView::setChecked(std::size_t row, bool checked) {
    if (row >= items_.size() || items_[row].checked == checked) return;
    items_[row].checked = checked;
    changed(Change::ItemUpdated, static_cast<int>(row));
}

void ListView::userCheck(std::size_t row, bool checked) {
    if (row >= items_.size()) return;
    setChecked(row, checked);
    if (onItemCheck) onItemCheck(row);
}

void ListView::remove(std::size_t row) {
    if (row >= items_.size()) return;
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(row));
    if (selected_ == static_cast<int>(row)) selected_ = -1;
    else if (selected_ > static_cast<int>(row)) --selected_;
    changed(Change::ItemRemoved, static_cast<int>(row));
}

void ListView::clear() {
    items_.clear();
    selected_ = -1;
    changed(Change::Items);
}

int ListView::findTextStartingWith(std::string_view prefix) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (std::string_view(items_[i].text).substr(0, prefix.size()) == prefix) return static_cast<int>(i);
    return -1;
}

}  // namespace sorvane::ui
