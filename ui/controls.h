#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/locale.h"
#include "ui/control.h"

namespace sorvane::ui {

class Label : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "Label"; }
    // Drawn as a link: underlined in the system's link colour, with a hand pointer, so that a
    // label that runs a command reads as one.
    bool linkStyle() const { return linkStyle_; }
    void setLinkStyle(bool link);

private:
    bool linkStyle_ = false;
};

class CommandButton : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "CommandButton"; }
};

class Frame : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "Frame"; }
};

class Image : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "Image"; }
    // Name of a picture resource of the executable.
    const std::string& picture() const { return picture_; }
    void setPicture(std::string picture);

private:
    std::string picture_;
};

// The skinned label: a label the skin draws, one element of a window's SkinLabel1 array.
class SkinLabel : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "SkinLabel"; }
};

// A box that shows an encoded image (BMP, PNG, JPEG or GIF bytes) and may hold other controls.
class PictureBox : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "PictureBox"; }
    const std::string& imageBytes() const { return image_; }
    void setImageBytes(std::string bytes);
    bool border() const { return border_; }
    void setBorder(bool border) { border_ = border; }

private:
    std::string image_;
    bool border_ = true;
};

// The web view of a banner. It has no engine of its own: the page it was sent to is shown
// when it is an image, and the area stays empty otherwise.
class WebBrowser : public PictureBox {
public:
    using PictureBox::PictureBox;
    std::string_view typeName() const override { return "WebBrowser"; }
    const std::string& locationUrl() const { return location_; }
    void setLocationUrl(std::string url) { location_ = std::move(url); }

private:
    std::string location_;
};

class Shape : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "Shape"; }
};

// Value 0 unchecked, 1 checked, 2 grayed; any other value is refused. Setting a different
// value runs Click, as a user's click does.
class CheckBox : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "CheckBox"; }
    int value() const { return value_; }
    void setValue(int value);
    bool checked() const { return value_ == 1; }
    // A user's click toggles between checked and unchecked, then runs Click.
    void click() override;

private:
    int value_ = 0;
};

// Setting an option on runs its Click and turns off the other options of the same container.
class OptionButton : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "OptionButton"; }
    bool value() const { return value_; }
    void setValue(bool on);
    void click() override;

private:
    void setValueQuietly(bool on);
    bool value_ = false;
};

class TextBox : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "TextBox"; }
    const std::string& text() const { return caption(); }
    void setText(std::string text);
    std::function<void()> onChange;
    // Several lines with a vertical scroll bar, read only; set before the form is loaded.
    bool multiLine() const { return multiLine_; }
    void setMultiLine(bool on) { multiLine_ = on; }
    // A typed character, before the box takes it: the handler may change the code, and 0
    // swallows the key.
    void keyPress(int& keyAscii) { if (onKeyPress) onKeyPress(keyAscii); }
    std::function<void(int& keyAscii)> onKeyPress;

private:
    bool multiLine_ = false;
};

class ComboBox : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "ComboBox"; }
    void addItem(std::string text);
    void clear();
    const std::vector<std::string>& items() const { return items_; }
    // -1 when nothing is chosen.
    int listIndex() const { return listIndex_; }
    void setListIndex(int index);
    const std::string& text() const { return caption(); }

private:
    std::vector<std::string> items_;
    int listIndex_ = -1;
};

// A date or time picker holding a date and time value.
class DatePicker : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "DTPicker"; }
    const platform::DateTime& value() const { return value_; }
    // Gives the picker a value; one that held none takes it as well.
    void setValue(const platform::DateTime& value);
    bool showsTime() const { return showsTime_; }
    void setShowsTime(bool time) { showsTime_ = time; }
    std::function<void()> onChange;

    // A picker that may hold no value (the classic Null) shows a check box beside its text;
    // the user clears it there.
    bool allowsNoValue() const { return allowsNoValue_; }
    void setAllowsNoValue(bool allowed);
    // False while the picker holds no value; value() then keeps the date it opens on.
    bool hasValue() const { return hasValue_; }
    // Takes the value away, running Change as a user's clearing does.
    void setNoValue();

private:
    platform::DateTime value_{};
    bool showsTime_ = false;
    bool allowsNoValue_ = false;
    bool hasValue_ = true;
};

class ProgressBar : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "ProgressBar"; }
    int min() const { return min_; }
    int max() const { return max_; }
    int value() const { return value_; }
    void setMax(int max);
    // Values outside min..max are clamped, where the classic control raised an error.
    void setValue(int value);

private:
    int min_ = 0;
    int max_ = 100;
    int value_ = 0;
};

// Ticks every `interval` ms while enabled; a disabled timer or one of interval 0 never ticks.
class Timer : public Control {
public:
    Timer(Form& form, std::string name, int index, Control* container);
    std::string_view typeName() const override { return "Timer"; }
    std::uint32_t interval() const { return interval_; }
    void setInterval(std::uint32_t ms);
    bool on() const { return enabled(); }
    void setOn(bool on) { setEnabled(on); }
    // Called by the host when the timer is due.
    void tick() { if (enabled() && interval_ > 0 && onTimer) onTimer(); }
    std::function<void()> onTimer;

private:
    std::uint32_t interval_ = 0;
};

// A menu item; items whose container is a Menu are its sub-items. Caption "-" is a separator.
class Menu : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "Menu"; }
    bool checked() const { return checked_; }
    void setChecked(bool checked);

private:
    bool checked_ = false;
};

class TabStrip : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "TabStrip"; }
    void addTab(std::string caption);
    // Tab n (1-based); a tab that does not exist is left alone.
    void setTabCaption(std::size_t tab, std::string caption);
    const std::vector<std::string>& tabs() const { return tabs_; }
    // 1-based as the classic SelectedItem.Index; 0 when there are no tabs.
    int selected() const { return selected_; }
    // Selecting a tab runs Click, as the user's choice does.
    void select(int tab);

private:
    std::vector<std::string> tabs_;
    int selected_ = 0;
};

struct ListItem {
    std::string text;
    std::vector<std::string> subItems;  // sub-item i is subItems[i - 1]
    bool checked = false;
    int smallIcon = 0;
    std::string tag;
    // Sub-item i (1-based); empty when it was never set.
    const std::string& subItem(std::size_t i) const;
};

struct Column {
    std::string header;
    int width = 1400;  // twips
};

// Report-style list view, optionally with check boxes.
class ListView : public Control {
public:
    using Control::Control;
    std::string_view typeName() const override { return "ListView"; }

    bool checkBoxes() const { return checkBoxes_; }
    void setCheckBoxes(bool on) {
        if (on == checkBoxes_) return;
        checkBoxes_ = on;
        changed(Change::Columns);
    }

    void addColumn(std::string header, int width);
    const std::vector<Column>& columns() const { return columns_; }
    void setColumnWidth(std::size_t column, int width);
    // A width the user gave the column on screen; the host already shows it.
    void hostColumnWidth(std::size_t column, int width) {
        if (column < columns_.size()) columns_[column].width = width;
    }
    // Header text of column n (1-based); a column that does not exist is left alone.
    void setColumnHeader(std::size_t column, std::string header);

    std::size_t count() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const ListItem& item(std::size_t i) const { return items_.at(i); }
    const std::vector<ListItem>& items() const { return items_; }
    ListItem& add(std::string text, int smallIcon = 0);
    void setSubItem(std::size_t row, std::size_t sub, std::string text);
    void setText(std::size_t row, std::string text);
    // Programmatic check change: no ItemCheck event, as with the classic control.
    void setChecked(std::size_t row, bool checked);
    // A user's tick in the check box: changes the state and runs onItemCheck.
    void userCheck(std::size_t row, bool checked);
    void remove(std::size_t row);
    void clear();
    // First row whose text starts with `prefix` (as the classic FindItem with partial match), or -1.
    int findTextStartingWith(std::string_view prefix) const;
    int selectedIndex() const { return selected_; }
    void setSelectedIndex(int row) { selected_ = row; }

    std::function<void(std::size_t row)> onItemCheck;

private:
    bool checkBoxes_ = false;
    std::vector<Column> columns_;
    std::vector<ListItem> items_;
    int selected_ = -1;
};

}  // namespace sorvane::ui
