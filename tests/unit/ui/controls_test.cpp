#include <gtest/gtest.h>

#include "ui/headless/headless_host.h"

using namespace sorvane::ui;

namespace {

struct OptionsForm : Form {
    explicit OptionsForm(Host& host) : Form(host, "frmOptions") {
        auto& frameA = add<Frame>("fraA");
        auto& frameB = add<Frame>("fraB");
        a1 = &add<OptionButton>("optA", 0, &frameA);
        a2 = &add<OptionButton>("optA", 1, &frameA);
        b1 = &add<OptionButton>("optB", 0, &frameB);
        b2 = &add<OptionButton>("optB", 1, &frameB);
        check = &add<CheckBox>("chkThing");
    }
    OptionButton* a1;
    OptionButton* a2;
    OptionButton* b1;
    OptionButton* b2;
    CheckBox* check;
};

TEST(CheckBox, ClickRunsOnlyWhenTheValueChanges) {
    HeadlessHost host;
    OptionsForm form(host);
    form.load();
    int clicks = 0;
    form.check->onClick = [&] { ++clicks; };

    form.check->setValue(1);
    form.check->setValue(1);
    EXPECT_EQ(clicks, 1);
    form.check->setValue(2);
    EXPECT_EQ(clicks, 2);
    form.check->setValue(0);
    EXPECT_EQ(clicks, 3);
    form.check->setValue(5);
    form.check->setValue(-1);
    EXPECT_EQ(form.check->value(), 0) << "only 0, 1 and 2 are values of a check box";
    EXPECT_EQ(clicks, 3);

    clickControl(form, "chkThing");
    EXPECT_TRUE(form.check->checked());
    EXPECT_EQ(clicks, 4);

    form.check->setEnabled(false);
    clickControl(form, "chkThing");
    EXPECT_TRUE(form.check->checked()) << "a disabled check box ignores the user";
    EXPECT_EQ(clicks, 4);
    form.check->setValue(0);
    EXPECT_EQ(clicks, 5) << "code still changes a disabled check box";
}

TEST(OptionButton, TurningOnClearsSiblingsOfTheSameContainerOnly) {
    HeadlessHost host;
    OptionsForm form(host);
    form.load();
    std::vector<std::string> clicked;
    for (auto* option : {form.a1, form.a2, form.b1, form.b2})
        option->onClick = [&clicked, option] { clicked.push_back(option->name() + std::to_string(option->index())); };

    form.b1->setValue(true);
    form.a1->setValue(true);
    form.a2->setValue(true);
    EXPECT_FALSE(form.a1->value());
    EXPECT_TRUE(form.a2->value());
    EXPECT_TRUE(form.b1->value()) << "an option in another frame is left alone";
    EXPECT_EQ(clicked, (std::vector<std::string>{"optB0", "optA0", "optA1"}));

    // Turning an option off leaves its siblings and runs no Click.
    form.a2->setValue(false);
    EXPECT_FALSE(form.a1->value());
    EXPECT_EQ(clicked.size(), 3U);

    form.b2->click();
    EXPECT_FALSE(form.b1->value());
    EXPECT_TRUE(form.b2->value());

    form.b2->setEnabled(false);
    form.b1->click();
    EXPECT_TRUE(form.b1->value()) << "the enabled sibling can still be chosen";
    form.b2->click();
    EXPECT_TRUE(form.b1->value()) << "a disabled option ignores the user";
}

TEST(ControlTree, DisabledOrHiddenContainerCarriesDown) {
    HeadlessHost host;
    OptionsForm form(host);
    auto& frame = controlOf(form, "fraA");
    int clicks = 0;
    form.a1->onClick = [&] { ++clicks; };
    frame.setEnabled(false);
    EXPECT_FALSE(form.a1->effectivelyEnabled());
    form.a1->click();
    EXPECT_EQ(clicks, 0);
    frame.setVisible(false);
    EXPECT_FALSE(form.a2->effectivelyVisible());
    EXPECT_TRUE(form.b1->effectivelyVisible());
}

struct ListForm : Form {
    explicit ListForm(Host& host) : Form(host, "frmList") {
        list = &add<ListView>("lvwItems");
        list->setCheckBoxes(true);
        list->addColumn("Name", 2000);
        list->addColumn("Where", 3000);
    }
    ListView* list;
};

TEST(ListView, AddRemoveAndCheckKeepRowsInStep) {
    HeadlessHost host;
    ListForm form(host);
    form.load();
    std::vector<std::size_t> checkedRows;
    form.list->onItemCheck = [&](std::size_t row) { checkedRows.push_back(row); };

    form.list->add("first", 1);
    form.list->add("second", 3);
    form.list->add("third", 4);
    form.list->setSubItem(1, 2, "C:\\x");
    EXPECT_EQ(form.list->item(1).subItem(2), "C:\\x");
    EXPECT_EQ(form.list->item(1).subItem(1), "");
    EXPECT_EQ(form.list->item(1).subItem(7), "");

    form.list->setChecked(0, true);
    EXPECT_TRUE(checkedRows.empty()) << "a check set by code runs no ItemCheck";
    tickRow(form, "lvwItems", 2, true);
    EXPECT_EQ(checkedRows, std::vector<std::size_t>{2});
    EXPECT_TRUE(form.list->item(2).checked);

    form.list->setSelectedIndex(2);
    form.list->remove(0);
    EXPECT_EQ(form.list->count(), 2U);
    EXPECT_EQ(form.list->item(0).text, "second");
    EXPECT_EQ(form.list->selectedIndex(), 1) << "the selection follows its row";
    EXPECT_EQ(form.list->findTextStartingWith("thi"), 1);
    EXPECT_EQ(form.list->findTextStartingWith("x"), -1);

    form.list->remove(5);
    EXPECT_EQ(form.list->count(), 2U);
    EXPECT_THROW(tickRow(form, "lvwMissing", 0, true), std::invalid_argument);

    form.list->clear();
    EXPECT_TRUE(form.list->empty());
    EXPECT_EQ(form.list->selectedIndex(), -1);
}

TEST(OtherControls, ClampAndSelectionRules) {
    HeadlessHost host;
    Form form(host, "frmMisc");
    auto& bar = form.add<ProgressBar>("pb1");
    auto& tabs = form.add<TabStrip>("TabStrip1");
    auto& combo = form.add<ComboBox>("cmbDays");
    form.load();

    bar.setValue(250);
    EXPECT_EQ(bar.value(), 100);
    bar.setValue(-3);
    EXPECT_EQ(bar.value(), 0);
    bar.setValue(80);
    bar.setMax(50);
    EXPECT_EQ(bar.value(), 50);

    int tabClicks = 0;
    tabs.onClick = [&] { ++tabClicks; };
    EXPECT_EQ(tabs.selected(), 0);
    tabs.addTab("One");
    tabs.addTab("Two");
    EXPECT_EQ(tabs.selected(), 1);
    tabs.select(2);
    tabs.select(3);
    EXPECT_EQ(tabs.selected(), 2);
    EXPECT_EQ(tabClicks, 1);

    combo.addItem("Monday");
    combo.addItem("Tuesday");
    combo.setListIndex(1);
    EXPECT_EQ(combo.text(), "Tuesday");
    combo.setListIndex(9);
    EXPECT_EQ(combo.listIndex(), 1);
    combo.clear();
    EXPECT_EQ(combo.listIndex(), -1);
    EXPECT_EQ(combo.text(), "");
}

}  // namespace
