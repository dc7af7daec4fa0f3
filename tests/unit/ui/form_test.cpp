#include <gtest/gtest.h>

#include "ui/headless/headless_host.h"

using namespace sorvane::ui;

namespace {

struct LifeForm : Form {
    explicit LifeForm(Host& host) : Form(host, "frmLife") { add<Label>("lblTitle"); }
    void Form_Load() override {
        events.push_back("Load");
        controlOf(*this, "lblTitle").setCaption("Ready");
    }
    void Form_QueryUnload(bool& cancel, UnloadMode mode) override {
        events.push_back("QueryUnload" + std::to_string(static_cast<int>(mode)));
        cancel = refuse;
    }
    void Form_Unload() override { events.push_back("Unload"); }
    void Form_Resize() override { events.push_back("Resize"); }
    void Form_MouseMove(const MouseEvent& event) override { events.push_back("Mouse" + std::to_string(event.x)); }
    std::vector<std::string> events;
    bool refuse = false;
};

using Events = std::vector<std::string>;

TEST(FormLifetime, LoadOnceQueryUnloadCancelsAndUnloadAllowsReload) {
    HeadlessHost host;
    LifeForm form(host);
    form.show();
    form.show();
    EXPECT_EQ(form.events, (Events{"Load", "Resize"})) << "only the show that makes it appear lays it out";
    form.hide();
    form.show();
    EXPECT_EQ(form.events, (Events{"Load", "Resize", "Resize"})) << "a show after a hide lays it out again";
    EXPECT_EQ(captionOf(form, "lblTitle"), "Ready");

    form.refuse = true;
    form.hostCloseRequest();
    EXPECT_TRUE(form.loaded());
    EXPECT_TRUE(form.visible());
    form.refuse = false;
    EXPECT_TRUE(form.unload());
    EXPECT_FALSE(form.loaded());
    EXPECT_FALSE(form.visible());
    EXPECT_EQ(form.events, (Events{"Load", "Resize", "Resize", "QueryUnload0", "QueryUnload1", "Unload"}));

    form.events.clear();
    form.load();
    form.runUnloadOnly();
    EXPECT_EQ(form.events, (Events{"Load", "Unload"})) << "the direct call skips QueryUnload";
    EXPECT_THROW(controlOf(form, "lblMissing"), std::invalid_argument);
}

TEST(FormResize, OncePerChangeWhoeverMadeIt) {
    HeadlessHost host;
    LifeForm form(host);
    form.load();
    form.events.clear();
    form.setWindowState(WindowState::Minimized);
    form.setWindowState(WindowState::Minimized);
    form.setSize(9000, 6000);
    form.setSize(9000, 6000);
    form.hostResized(WindowState::Minimized, 9000, 6000);
    form.hostResized(WindowState::Normal, 9000, 6000);
    form.hostSyncGeometry(WindowState::Maximized, 12000, 9000);
    EXPECT_EQ(form.events, (Events{"Resize", "Resize", "Resize"}));
    EXPECT_EQ(form.windowState(), WindowState::Maximized);
    EXPECT_EQ(form.width(), 12000);
}

TEST(FormControls, ArraysGrowAtRunTimeAndTrayMessagesReachMouseMove) {
    HeadlessHost host;
    LifeForm form(host);
    form.load();
    auto& first = form.add<Label>("lblItem", 0);
    form.add<Label>("lblItem", 3);
    EXPECT_EQ(form.upperBound("lblItem"), 3);
    EXPECT_EQ(form.upperBound("lblNone"), -1);
    EXPECT_EQ(form.find("lblItem", 0), &first);
    EXPECT_EQ(form.findAs<CheckBox>("lblItem", 0), nullptr);

    form.events.clear();
    host.trayMouse(form, 515);
    EXPECT_EQ(form.events, Events{"Mouse515"});
}

}  // namespace
