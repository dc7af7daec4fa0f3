#include <gtest/gtest.h>

#include <climits>

#include "ui/dpi_scale.h"

using namespace sorvane::ui;

TEST(DpiScale, TwipsBecomeThePixelsOfEachScale) {
    // 100%, 125%, 150% and 200%: a 1,440-twip inch is the DPI in pixels.
    for (int dpi : {96, 120, 144, 192}) {
        SCOPED_TRACE(dpi);
        const DpiScale scale(dpi);
        EXPECT_EQ(scale.toPixels(1440), dpi);
        EXPECT_EQ(scale.toTwips(dpi), 1440);
        EXPECT_EQ(scale.toPixels(0), 0);
    }
    EXPECT_EQ(DpiScale(96).toPixels(7500), 500);
    EXPECT_EQ(DpiScale(144).toPixels(7500), 750);
    EXPECT_EQ(DpiScale(120).toPixels(7500), 625);
}

TEST(DpiScale, RoundsHalfAwayFromZeroAsTheSystemDoes) {
    // 1,000 twips at 144 DPI are 100 pixels exactly; 1,005 are 100.5, which rounds up.
    EXPECT_EQ(DpiScale(144).toPixels(1005), 101);
    EXPECT_EQ(DpiScale(144).toPixels(1004), 100);
    // A window left or above the primary monitor has negative coordinates.
    EXPECT_EQ(DpiScale(144).toPixels(-1005), -101);
    EXPECT_EQ(DpiScale(96).toTwips(-10), -150);
    // 7 pixels at 120 DPI are 84 twips; at 144 DPI 70.
    EXPECT_EQ(DpiScale(120).toTwips(7), 84);
    EXPECT_EQ(DpiScale(144).toTwips(7), 70);
}

TEST(DpiScale, PixelsGoBackToTheTwipsTheyCameFrom) {
    // A size the window shows, read back into twips, shows as the same pixels again and
    // lies within half a pixel (and a twip of rounding) of the figure it came from: a form
    // that is shown, measured and shown again does not creep.
    for (int dpi : {96, 120, 144, 168, 192, 288}) {
        const DpiScale scale(dpi);
        for (int twips = -3000; twips <= 30000; twips += 7) {
            const int back = scale.toTwips(scale.toPixels(twips));
            ASSERT_LE(std::abs(back - twips), 1440 / dpi / 2 + 1) << dpi << " dpi, " << twips << " twips";
            ASSERT_EQ(scale.toPixels(back), scale.toPixels(twips)) << dpi << " dpi, " << twips << " twips";
        }
    }
}

TEST(DpiScale, AnUnknownDpiCountsAsTheClassicOne) {
    EXPECT_EQ(DpiScale(0).dpi(), 96);
    EXPECT_EQ(DpiScale(-5).dpi(), 96);
    EXPECT_EQ(DpiScale().dpi(), 96);
    EXPECT_EQ(DpiScale(0).toPixels(1500), 100);
}

TEST(DpiScale, LengthsMeasuredAtTheSystemsDpiFollowTheWindows) {
    // The message font read as -12 pixels at 96 DPI is -18 on a 144-DPI monitor and -15 at 120.
    EXPECT_EQ(DpiScale(144).fromDpi(-12, 96), -18);
    EXPECT_EQ(DpiScale(120).fromDpi(-12, 96), -15);
    // From a 150% system to a 100% monitor it shrinks back.
    EXPECT_EQ(DpiScale(96).fromDpi(-18, 144), -12);
    EXPECT_EQ(DpiScale(144).fromDpi(-18, 144), -18);
    // A measure taken at an unknown DPI stays as it is.
    EXPECT_EQ(DpiScale(144).fromDpi(-12, 0), -12);
}

TEST(DpiScale, MulDivAnswersAsTheSystemsForNoDivisorAndOverflow) {
    EXPECT_EQ(mulDivRounded(5, 3, 0), -1);
    EXPECT_EQ(mulDivRounded(INT_MAX, 2, 1), -1);
    EXPECT_EQ(mulDivRounded(INT_MAX, 1, 1), INT_MAX);
    EXPECT_EQ(mulDivRounded(3, 1, -2), -2);
    EXPECT_EQ(mulDivRounded(-3, -1, -2), -2);
    EXPECT_EQ(mulDivRounded(-3, 1, 2), -2);
    static_assert(mulDivRounded(1500, 96, 1440) == 100);
}
