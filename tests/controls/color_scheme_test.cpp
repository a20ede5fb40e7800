// The colour derivation. Expected bytes are worked through the single-precision
// steps by hand; several sit right at a truncation edge, where double
// arithmetic or a rounded constant would give a different byte.
#include "controls/color_scheme.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct Hsv {
    int hue, saturation, value;
};

Hsv Unpack(std::uint32_t packed) { return {HueOf(packed), SaturationOf(packed), ValueOf(packed)}; }

void ExpectHsv(Colorref rgb, Hsv expected) {
    const Hsv got = Unpack(RgbToHsv(rgb));
    EXPECT_EQ(got.hue, expected.hue) << std::hex << rgb;
    EXPECT_EQ(got.saturation, expected.saturation) << std::hex << rgb;
    EXPECT_EQ(got.value, expected.value) << std::hex << rgb;
}

// Field order: btnShadow, btnFace, btnHighlight, highlight, highlight2,
// highlightText, background.
void ExpectScheme(Colorref base, const Colorref (&expected)[7]) {
    ColorScheme scheme;
    scheme.DeriveFromBase(base);
    const Colorref got[7] = {scheme.btnShadow, scheme.btnFace,       scheme.btnHighlight, scheme.highlight,
                             scheme.highlight2, scheme.highlightText, scheme.background};
    const char* names[7] = {"btnShadow", "btnFace", "btnHighlight", "highlight", "highlight2", "highlightText",
                            "background"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(got[i], expected[i]) << names[i] << " of base " << std::hex << base << ": got " << got[i];
    }
}

}  // namespace

TEST(Max3Min3, PickTheExtremeWhereverItStands) {
    EXPECT_EQ(Max3(3, 1, 2), 3);
    EXPECT_EQ(Max3(1, 3, 2), 3);
    EXPECT_EQ(Max3(1, 2, 3), 3);
    EXPECT_EQ(Min3(-1, 0, 2), -1);
    EXPECT_EQ(Min3(0, -1, 2), -1);
    EXPECT_EQ(Min3(0, 2, -1), -1);
}

TEST(RgbToHsv, PacksTruncatedHueSaturationAndValue) {
    ExpectHsv(MakeColorref(0, 0, 0), {0, 0, 0});
    ExpectHsv(MakeColorref(255, 255, 255), {0, 0, 100});
    ExpectHsv(MakeColorref(0, 0, 255), {240, 100, 100});
    ExpectHsv(MakeColorref(0, 255, 255), {180, 100, 100});
    // Magenta: max is red and blue; red is tested first, giving -1 x 60 + 360.
    ExpectHsv(MakeColorref(255, 0, 255), {300, 100, 100});
    // 128 x (1/255) x 100 = 50.196 -> 50.
    ExpectHsv(MakeColorref(128, 0, 128), {300, 100, 50});
    // Green is the maximum: 2 + 2/3 - 1 lands a hair below 5/3, so 60 x that
    // is 99.99999 and truncates to 99, not 100.
    ExpectHsv(MakeColorref(64, 128, 32), {99, 75, 50});
    // The dark/light edge: 180 and 181 give 70 %, 182 gives 71 %.
    ExpectHsv(MakeColorref(181, 181, 181), {0, 0, 70});
    ExpectHsv(MakeColorref(182, 182, 182), {0, 0, 71});
}

TEST(HsvToRgb, WrapsHueOnceAndClampsTheRest) {
    EXPECT_EQ(HsvToRgb(-100, 100, 100), HsvToRgb(260, 100, 100));
    EXPECT_EQ(HsvToRgb(260, 100, 100), MakeColorref(85, 0, 255));
    EXPECT_EQ(HsvToRgb(450, 100, 100), HsvToRgb(90, 100, 100));
    EXPECT_EQ(HsvToRgb(90, 100, 100), MakeColorref(127, 255, 0));
    // 360 counts as 0; 720 is still above 360 after one subtraction and
    // becomes 360; -400 is still negative after one addition and becomes 0.
    EXPECT_EQ(HsvToRgb(360, 100, 100), MakeColorref(255, 0, 0));
    EXPECT_EQ(HsvToRgb(720, 100, 100), MakeColorref(255, 0, 0));
    EXPECT_EQ(HsvToRgb(-400, 100, 100), MakeColorref(255, 0, 0));
    // Saturation and value are clamped to [0, 1]; no saturation is grey.
    EXPECT_EQ(HsvToRgb(30, 150, -5), MakeColorref(0, 0, 0));
    EXPECT_EQ(HsvToRgb(30, 0, 50), MakeColorref(127, 127, 127));
    EXPECT_EQ(HsvToRgb(200, 0, 150), MakeColorref(255, 255, 255));
}

TEST(DeriveFromBase, BlackTakesTheDarkTableWithHueZero) {
    // btnShadow: hue -10 -> 350, sector 5: (v, p, t1) = (0.9, 0.63, 0.675);
    // 0.9 in single precision x 255 = 229.4999 -> 229.
    ExpectScheme(MakeColorref(0, 0, 0), {MakeColorref(229, 160, 172), MakeColorref(178, 107, 166),
                                         MakeColorref(38, 7, 7), MakeColorref(152, 76, 61),
                                         MakeColorref(101, 56, 56), MakeColorref(0, 0, 0),
                                         MakeColorref(119, 89, 178)});
}

TEST(DeriveFromBase, WhiteTakesTheLightTableWithHueZero) {
    // btnShadow: hue 90, sector 1: (t1, v, p) = (0.3, 0.4, 0.2); 40 x 0.01f
    // falls just below 0.4, so its green is 101, not 102.
    const Colorref light[7] = {MakeColorref(76, 101, 50),   MakeColorref(178, 71, 89),  MakeColorref(255, 229, 229),
                               MakeColorref(127, 95, 191),  MakeColorref(255, 178, 178), MakeColorref(84, 68, 114),
                               MakeColorref(152, 132, 91)};
    ExpectScheme(MakeColorref(255, 255, 255), light);
    // The base's saturation plays no part: pure red derives the same scheme.
    ExpectScheme(MakeColorref(255, 0, 0), light);
}

TEST(DeriveFromBase, HueCarriesOverAndValuePicksTheTable) {
    // Value 70: still dark, and grey has hue 0, so it matches black.
    ExpectScheme(MakeColorref(180, 180, 180), {MakeColorref(229, 160, 172), MakeColorref(178, 107, 166),
                                               MakeColorref(38, 7, 7), MakeColorref(152, 76, 61),
                                               MakeColorref(101, 56, 56), MakeColorref(0, 0, 0),
                                               MakeColorref(119, 89, 178)});
    // Blue, hue 240: the light table turned by 240 degrees.
    ExpectScheme(MakeColorref(0, 0, 255), {MakeColorref(101, 50, 76), MakeColorref(71, 89, 178),
                                           MakeColorref(229, 229, 255), MakeColorref(95, 191, 127),
                                           MakeColorref(178, 178, 255), MakeColorref(68, 114, 84),
                                           MakeColorref(132, 91, 152)});
    // Dark green, hue 99: background at hue -1 wraps to 359.
    ExpectScheme(MakeColorref(64, 128, 32), {MakeColorref(196, 229, 160), MakeColorref(178, 165, 107),
                                             MakeColorref(18, 38, 7), MakeColorref(78, 152, 61),
                                             MakeColorref(72, 101, 56), MakeColorref(0, 0, 0),
                                             MakeColorref(178, 89, 90)});
    // Tan, hue 29, value 78: light table.
    ExpectScheme(MakeColorref(200, 150, 100), {MakeColorref(51, 101, 50), MakeColorref(178, 105, 71),
                                               MakeColorref(255, 241, 229), MakeColorref(173, 95, 191),
                                               MakeColorref(255, 215, 178), MakeColorref(106, 68, 114),
                                               MakeColorref(143, 152, 91)});
}

TEST(DeriveFromBase, ReplacesTheSystemColoursOfANewScheme) {
    ColorScheme scheme;
    scheme.highlight2 = 0x123456;
    ColorScheme copy = scheme;
    copy.DeriveFromBase(MakeColorref(0, 0, 0));
    EXPECT_EQ(copy.highlight2, MakeColorref(101, 56, 56));
    EXPECT_EQ(scheme.highlight2, 0x123456u);
}

TEST(RandomCustomColor, ThreeDrawsGiveBlueGreenRed) {
    std::srand(7);
    const int blue = std::rand() % 256;
    const int green = std::rand() % 256;
    const int red = std::rand() % 256;
    std::srand(7);
    EXPECT_EQ(RandomCustomColor(), MakeColorref(red, green, blue));
}
