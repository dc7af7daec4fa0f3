#include <gtest/gtest.h>

#include "localization/skin.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_processes.h"
#include "ui/headless/headless_host.h"

namespace sorvane::localization {
namespace {

struct Window : ui::Form {
    explicit Window(ui::Host& host) : ui::Form(host, "frmTest") {
        add<ui::CommandButton>("cmd");
        add<ui::ListView>("lvw");
        add<ui::ComboBox>("cmb");
        add<ui::TextBox>("txt");
        add<ui::PictureBox>("pic");
        add<ui::ProgressBar>("pb");
        frame = &add<ui::Frame>("fra");
        auto& outer = add<ui::Label>("lblOuter");
        outer.move(10, 20, 300, 40);
        outer.setBold(true);
        outer.setCaption("Outer");
        auto& inner = add<ui::Label>("lblInner", -1, frame);
        inner.setCaption("Inner");
        inner.setVisible(false);
        setSize(4500, 3000);
    }
    ui::Frame* frame = nullptr;
};

TEST(Skin, RecolourFollowsTheControlType) {
    ui::HeadlessHost host;
    Window window(host);
    RecolorControls(window, 1, 2, 3);
    auto colors = [&](const char* name) {
        const ui::Control& c = ui::controlOf(window, name);
        return std::pair{c.backColor(), c.foreColor()};
    };
    EXPECT_EQ(colors("cmd"), std::pair(1, ui::DefaultColor));
    EXPECT_EQ(colors("lvw"), std::pair(1, 2));
    EXPECT_EQ(colors("cmb"), std::pair(1, 2));
    EXPECT_EQ(colors("txt"), std::pair(1, 2));
    EXPECT_EQ(colors("pic"), std::pair(3, ui::DefaultColor));
    EXPECT_EQ(colors("pb"), std::pair(ui::DefaultColor, ui::DefaultColor));
    EXPECT_EQ(colors("fra"), std::pair(ui::DefaultColor, ui::DefaultColor));
}

TEST(Skin, WindowStepsGiveAFullRegionOnlyOnNt6WithSkins) {
    ui::HeadlessHost host;
    Window window(host);
    const Skin skin = DefaultSkin();
    SkinWindow(window, skin, false, true);
    EXPECT_FALSE(host.windowRegion(window).has_value());
    SkinWindow(window, skin, true, false);
    EXPECT_FALSE(host.windowRegion(window).has_value());
    SkinWindow(window, skin, true, true);
    // Width and Height in twips, taken as pixels: larger than the window.
    EXPECT_EQ(host.windowRegion(window), (std::pair{4500, 3000}));
    EXPECT_EQ(window.backColor(), skin.window);
    EXPECT_EQ(ui::controlOf(window, "lblOuter").foreColor(), skin.text);
}

TEST(Skin, VersionTestAndHookOrder) {
    fakes::FakeProcesses processes;
    processes.setVersion({6, 1, 7601, 2});
    EXPECT_TRUE(IsNt6OrLater(processes));
    processes.setVersion({5, 1, 2600, 2});
    EXPECT_FALSE(IsNt6OrLater(processes));
    processes.setVersion({6, 0, 0, 1});  // a 9x platform id is never NT 6
    EXPECT_FALSE(IsNt6OrLater(processes));

    SkinHook hook;
    hook.attach(DefaultSkin());
    hook.start();
    EXPECT_TRUE(hook.running());
    processes.setVersion({5, 1, 2600, 2});
    StopSkinHookOnNt6(hook, processes);
    EXPECT_TRUE(hook.running());
    processes.setVersion({10, 0, 19045, 2});
    StopSkinHookOnNt6(hook, processes);
    EXPECT_FALSE(hook.running());
    using C = SkinHook::Call;
    EXPECT_EQ(hook.calls(), (std::vector<C>{C::Attach, C::Start, C::Stop}));
}

TEST(Skin, LabelCopiesTakeTheLabelsBesideElementZero) {
    ui::HeadlessHost host;
    Window window(host);
    // Element 0 at the window's level: only the outer label is copied.
    EXPECT_EQ(CopyLabelsToSkinLabels(window, "SkinLabel1", nullptr, false), 1);
    const ui::Control* copy = window.find("SkinLabel1", 1);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->typeName(), "SkinLabel");
    EXPECT_EQ(copy->caption(), "Outer");
    EXPECT_EQ(copy->geometry(), (ui::Geometry{10, 20, 300, 40}));
    EXPECT_TRUE(copy->bold());
    EXPECT_FALSE(window.find("SkinLabel1", 0)->visible());
    // An array whose element 0 sits in the frame takes the frame's labels.
    window.add<ui::SkinLabel>("SkinLabel2", 0, window.frame);
    EXPECT_EQ(CopyLabelsToSkinLabels(window, "SkinLabel2", nullptr, false), 1);
    EXPECT_EQ(window.find("SkinLabel2", 1)->caption(), "Inner");
    EXPECT_FALSE(window.find("SkinLabel2", 1)->visible());
    // Every label, each one above the upper bound.
    EXPECT_EQ(CopyLabelsToSkinLabels(window, "SkinLabel1", nullptr, true), 2);
    EXPECT_EQ(window.upperBound("SkinLabel1"), 3);
}

TEST(Skin, SkinFileOverridesTheDefaultColours) {
    const Skin skin = ParseSkin("face=#102030\r\nText = 0A0B0C\r\nPicture=zzzzzz\r\nnoise\r\nWindow=#FFFFF\r\n");
    EXPECT_EQ(skin.face, 0x302010);
    EXPECT_EQ(skin.text, 0x0C0B0A);
    EXPECT_EQ(skin.picture, DefaultSkin().picture);
    EXPECT_EQ(skin.window, DefaultSkin().window);
    fakes::FakeFileSystem files;
    EXPECT_EQ(LoadSkin(files, "C:\\App").face, DefaultSkin().face);
    files.addFile("C:\\App\\Skin.ini", "Face=000000");
    EXPECT_EQ(LoadSkin(files, "C:\\App").face, 0);
}

TEST(Banner, StripIsNarrowerByTheInsetAndShowsOnlyImages) {
    ui::HeadlessHost host;
    Window window(host);
    window.add<ui::Image>("wbPicture");
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "rest";
    std::string asked;
    SetUpBannerStrip(window, {100, 200, 6000, 900}, false, "http://banner.example/",
                     [&](std::string_view url) -> std::optional<std::string> {
                         asked = std::string(url);
                         return png;
                     });
    EXPECT_EQ(asked, "http://banner.example/");
    const auto* box = window.findAs<ui::PictureBox>("picBox");
    const auto* browser = window.findAs<ui::WebBrowser>("wbBanner");
    ASSERT_NE(box, nullptr);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(box->geometry(), (ui::Geometry{100, 200, 6000 - 280, 900}));
    EXPECT_EQ(browser->container(), box);
    EXPECT_EQ(browser->geometry(), (ui::Geometry{0, 0, 6000, 900}));
    EXPECT_EQ(browser->imageBytes(), png);
    EXPECT_FALSE(ui::controlOf(window, "wbPicture").visible());

    Window pixels(host);
    SetUpBannerStrip(pixels, {0, 0, 400, 60}, true, "http://banner.example/",
                     [](std::string_view) -> std::optional<std::string> { return "<html>page</html>"; });
    EXPECT_EQ(pixels.findAs<ui::PictureBox>("picBox")->geometry().width, 380);
    EXPECT_TRUE(pixels.findAs<ui::WebBrowser>("wbBanner")->imageBytes().empty());
}

}  // namespace
}  // namespace sorvane::localization
