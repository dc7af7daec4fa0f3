#include <gtest/gtest.h>

#include "ui/form.h"
#include "ui/headless/headless_host.h"

using namespace sorvane::ui;

namespace {

constexpr ColumnDesign Columns[] = {{"Threat", 2200}, {"Location"}};
constexpr std::string_view Tabs[] = {"Scan", "Schedule"};
constexpr ControlDesign Controls[] = {
    {.name = "fraChoice", .type = ControlType::Frame, .geometry = {120, 120, 3000, 900}, .caption = "Choice"},
    {.name = "optChoice", .type = ControlType::OptionButton, .index = 0, .container = "fraChoice", .caption = "On"},
    {.name = "optChoice", .type = ControlType::OptionButton, .index = 1, .container = "fraChoice", .caption = "Off"},
    {.name = "optOther", .type = ControlType::OptionButton, .caption = "Elsewhere"},
    {.name = "lvwFound", .type = ControlType::ListView, .geometry = {120, 1200, 6000, 2000}, .columns = Columns},
    {.name = "tabPages", .type = ControlType::TabStrip, .tabs = Tabs},
    {.name = "lblCount", .type = ControlType::Label, .geometry = {120, 3300, 900, 300}},
};
constexpr FormLayout Layout{"frmDesigned", Controls};

TEST(FormLayout, BuildsTheControlsInTableOrderWithTheirDesign) {
    HeadlessHost host;
    Form form(host, Layout);
    EXPECT_EQ(form.name(), "frmDesigned");
    ASSERT_EQ(form.controls().size(), std::size(Controls));
    for (std::size_t i = 0; i < std::size(Controls); ++i) {
        EXPECT_EQ(form.controls()[i]->name(), Controls[i].name);
        EXPECT_EQ(form.controls()[i]->index(), Controls[i].index);
    }
    auto& frame = form.designed<Frame>("fraChoice");
    EXPECT_EQ(frame.geometry(), (Geometry{120, 120, 3000, 900}));
    EXPECT_EQ(frame.caption(), "Choice");
    EXPECT_EQ(form.designed<OptionButton>("optChoice", 1).container(), &frame);
    EXPECT_EQ(form.designed<OptionButton>("optOther").container(), nullptr);
    EXPECT_EQ(captionOf(form, "lblCount"), "") << "no designed caption: the window fills it in";

    const auto& list = form.designed<ListView>("lvwFound");
    ASSERT_EQ(list.columns().size(), 2u);
    EXPECT_EQ(list.columns()[0].header, "Threat");
    EXPECT_EQ(list.columns()[0].width, 2200);
    EXPECT_EQ(list.columns()[1].width, 1400) << "the list view's own default width";
    EXPECT_EQ(form.designed<TabStrip>("tabPages").tabs(), (std::vector<std::string>{"Scan", "Schedule"}));
    EXPECT_EQ(form.designed<TabStrip>("tabPages").selected(), 1);

    // The container from the table is the one the option rule goes by: turning one option of
    // the frame on turns off its sibling there, not the option outside it.
    form.designed<OptionButton>("optOther").setValue(true);
    form.designed<OptionButton>("optChoice", 0).setValue(true);
    form.designed<OptionButton>("optChoice", 1).setValue(true);
    EXPECT_FALSE(form.designed<OptionButton>("optChoice", 0).value());
    EXPECT_TRUE(form.designed<OptionButton>("optOther").value());
}

TEST(FormLayout, EveryTypeMakesTheControlThatReportsItsClassicName) {
    HeadlessHost host;
    for (int t = 0; t <= static_cast<int>(ControlType::ListView); ++t) {
        const auto type = static_cast<ControlType>(t);
        const ControlDesign one[] = {{.name = "ctl", .type = type}};
        const FormLayout layout{"frm", one};
        Form form(host, layout);
        ASSERT_EQ(form.controls().size(), 1u);
        EXPECT_EQ(form.controls()[0]->typeName(), TypeName(type)) << t;
    }
}

TEST(FormLayout, ATableOrABindingThatDoesNotMatchFailsAsTheWindowIsBuilt) {
    HeadlessHost host;
    constexpr ControlDesign orphan[] = {{.name = "lblInside", .type = ControlType::Label, .container = "fraLater"},
                                      {.name = "fraLater", .type = ControlType::Frame}};
    const FormLayout orphanLayout{"frmOrphan", orphan};
    EXPECT_THROW(Form(host, orphanLayout), std::logic_error);

    Form form(host, Layout);
    EXPECT_THROW(form.designed<CommandButton>("lblCount"), std::logic_error) << "a label bound as a button";
    EXPECT_THROW(form.designed<OptionButton>("optChoice"), std::logic_error) << "an array element without its index";
    EXPECT_THROW(form.designed<Label>("lblMissing"), std::logic_error);
}

}  // namespace
