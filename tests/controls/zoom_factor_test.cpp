// The zoom's arithmetic: the factor for a screen, window to layout pixels,
// and pixels enlarged.
#include "controls/zoom_factor.h"

#include <gtest/gtest.h>

TEST(ZoomFactor, AutomaticTakesTheNearestWholeFactorAndAChoiceWins) {
    const int dpis[] = {72, 96, 120, 143, 144, 168, 192, 216, 239, 240, 288, 480};
    const int factors[] = {1, 1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3};
    for (size_t i = 0; i < sizeof dpis / sizeof dpis[0]; ++i) EXPECT_EQ(ZoomFor(0, dpis[i]), factors[i]) << dpis[i];
    EXPECT_EQ(ZoomFor(2, 96), 2);
    EXPECT_EQ(ZoomFor(1, 288), 1);
    EXPECT_EQ(ZoomFor(7, 192), 2) << "no such choice: Automatic";
}

TEST(ZoomFactor, WindowPixelsRoundDownToLayoutPixelsAlsoOutsideTheWindow) {
    EXPECT_EQ(LayoutFromWindow(0, 2), 0);
    EXPECT_EQ(LayoutFromWindow(5, 2), 2);
    EXPECT_EQ(LayoutFromWindow(-1, 2), -1);
    EXPECT_EQ(LayoutFromWindow(-6, 3), -2);
    EXPECT_EQ(LayoutFromWindow(-7, 3), -3);
    // An edge: the layout pixels that cover window pixels up to it.
    EXPECT_EQ(LayoutCoveringWindow(6, 2), 3);
    EXPECT_EQ(LayoutCoveringWindow(7, 2), 4);
    EXPECT_EQ(LayoutCoveringWindow(707, 1), 707);
}

TEST(ZoomFactor, EnlargingRepeatsEveryPixelInBothDirections) {
    const std::uint32_t pixels[] = {1, 2, 3, 4, 5, 6};  // 3 x 2
    const std::vector<std::uint32_t> twice = EnlargePixels(pixels, 3, 2, 2);
    const std::vector<std::uint32_t> expected = {1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3,
                                                 4, 4, 5, 5, 6, 6, 4, 4, 5, 5, 6, 6};
    EXPECT_EQ(twice, expected);
    EXPECT_EQ(EnlargePixels(pixels, 3, 2, 1), std::vector<std::uint32_t>(pixels, pixels + 6));
    EXPECT_TRUE(EnlargePixels(pixels, 0, 2, 2).empty());
}
