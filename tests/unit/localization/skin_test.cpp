#include <gtest/gtest.h>

#include "localization/skin.h"
#include "platform/limits.h"
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

// The first bytes of a PNG of the given size.
std::string pngOf(std::uint32_t width, std::uint32_t height) {
    std::string bytes("\x89PNG\r\n\x1a\n\0\0\0\x0DIHDR", 16);
    for (std::uint32_t value : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>((value >> shift) & 0xFF);
    return bytes + "rest";
}

TEST(Banner, StripIsNarrowerByTheInsetAndShowsOnlyImagesOnceTheWindowRuns) {
    ui::HeadlessHost host;
    Window window(host);
    window.add<ui::Image>("wbPicture");
    window.load();
    const std::string png = pngOf(468, 60);
    std::vector<std::string> asked;
    SetUpBannerStrip(window, {100, 200, 6000, 900}, false, "http://banner.example/",
                     [&](std::string_view url) -> std::optional<std::string> {
                         asked.emplace_back(url);
                         return png;
                     });
    const auto* box = window.findAs<ui::PictureBox>("picBox");
    const auto* browser = window.findAs<ui::WebBrowser>("wbBanner");
    ASSERT_NE(box, nullptr);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(box->geometry(), (ui::Geometry{100, 200, 6000 - 280, 900}));
    EXPECT_EQ(browser->container(), box);
    EXPECT_EQ(browser->geometry(), (ui::Geometry{0, 0, 6000, 900}));
    EXPECT_FALSE(ui::controlOf(window, "wbPicture").visible());
    // Nothing is fetched while the window loads; the timer fetches once, after it shows.
    EXPECT_TRUE(asked.empty());
    EXPECT_TRUE(browser->imageBytes().empty());
    host.advance(BannerFetchDelayMs);
    EXPECT_EQ(asked, (std::vector<std::string>{"http://banner.example/"}));
    EXPECT_EQ(browser->imageBytes(), png);
    host.advance(10 * BannerFetchDelayMs);
    EXPECT_EQ(asked.size(), 1u);

    Window pixels(host);
    pixels.load();
    SetUpBannerStrip(pixels, {0, 0, 400, 60}, true, "http://banner.example/",
                     [](std::string_view) -> std::optional<std::string> { return "<html>page</html>"; });
    host.advance(BannerFetchDelayMs);
    EXPECT_EQ(pixels.findAs<ui::PictureBox>("picBox")->geometry().width, 380);
    EXPECT_TRUE(pixels.findAs<ui::WebBrowser>("wbBanner")->imageBytes().empty());

    // An image whose header claims a huge picture is not handed to the decoder.
    Window huge(host);
    huge.load();
    SetUpBannerStrip(huge, {0, 0, 400, 60}, true, "http://banner.example/",
                     [](std::string_view) -> std::optional<std::string> { return pngOf(100000, 100000); });
    host.advance(BannerFetchDelayMs);
    EXPECT_TRUE(huge.findAs<ui::WebBrowser>("wbBanner")->imageBytes().empty());
}

TEST(Banner, ImageSizesAreReadFromEachFormatsHeaderAndBounded) {
    EXPECT_EQ(ImageDimensions(pngOf(468, 60))->width, 468u);
    EXPECT_EQ(ImageDimensions(pngOf(468, 60))->height, 60u);
    const std::string gif("GIF89a\xD4\x01\x3C\x00rest", 14);
    ASSERT_TRUE(ImageDimensions(gif));
    EXPECT_EQ(ImageDimensions(gif)->width, 468u);
    EXPECT_EQ(ImageDimensions(gif)->height, 60u);
    // A top-down bitmap: negative height.
    std::string bmp("BM", 2);
    bmp += std::string(16, '\0');
    bmp += std::string("\xD4\x01\x00\x00\xC4\xFF\xFF\xFF", 8);
    ASSERT_TRUE(ImageDimensions(bmp));
    EXPECT_EQ(ImageDimensions(bmp)->width, 468u);
    EXPECT_EQ(ImageDimensions(bmp)->height, 60u);
    // A JPEG: an APP0 segment, then the frame header (height 60, width 468).
    const std::string jpeg("\xFF\xD8\xFF\xE0\x00\x04JF\xFF\xC0\x00\x11\x08\x00\x3C\x01\xD4\x03", 19);
    ASSERT_TRUE(ImageDimensions(jpeg));
    EXPECT_EQ(ImageDimensions(jpeg)->width, 468u);
    EXPECT_EQ(ImageDimensions(jpeg)->height, 60u);
    EXPECT_FALSE(ImageDimensions(std::string("\xFF\xD8\xFF\xE0\x00\x40", 6)));  // cut short
    EXPECT_FALSE(ImageDimensions(std::string("\x89PNG\r\n\x1a\n", 8)));
    EXPECT_FALSE(ImageDimensions("<html>"));

    EXPECT_TRUE(IsBannerImage(pngOf(limits::MaxBannerSide, 1)));
    EXPECT_FALSE(IsBannerImage(pngOf(limits::MaxBannerSide + 1, 1)));
    EXPECT_FALSE(IsBannerImage(pngOf(0, 60)));
    std::string big = pngOf(468, 60);
    big.resize(limits::MaxBannerBytes + 1, 'x');
    EXPECT_FALSE(IsBannerImage(big));
}

}  // namespace
}  // namespace sorvane::localization
