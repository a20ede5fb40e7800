#include "controls/text_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

TEST(FormatReal, ThreeDecimalsUnlessWhole) {
    EXPECT_EQ(FormatReal(126.0f), "126");
    EXPECT_EQ(FormatReal(133.4923553f), "133.492");
    EXPECT_EQ(FormatReal(0.5f), "0.500");
    EXPECT_EQ(FormatReal(-2.25f), "-2.250");
    EXPECT_EQ(FormatReal(42000.0f), "42000");
    // Every float this large is whole, beyond the range of int as well.
    EXPECT_EQ(FormatReal(5e9f), "5000000000");
    EXPECT_EQ(FormatReal(0.0004f), "0.000");
}

TEST(FormatInt, PlainDecimal) {
    EXPECT_EQ(FormatInt(0), "0");
    EXPECT_EQ(FormatInt(-59), "-59");
    EXPECT_EQ(FormatInt(INT_MIN), "-2147483648");
}

TEST(ParseInt, LeadingIntegerOrZero) {
    EXPECT_EQ(ParseInt("12abc"), 12);
    EXPECT_EQ(ParseInt("abc12"), 0);
    EXPECT_EQ(ParseInt(""), 0);
    EXPECT_EQ(ParseInt("  -7"), -7);
    EXPECT_EQ(ParseInt("+5"), 5);
    EXPECT_EQ(ParseInt("3.9"), 3);
    // Beyond int the number saturates instead of wrapping.
    EXPECT_EQ(ParseInt("99999999999"), INT_MAX);
    EXPECT_EQ(ParseInt("-99999999999"), INT_MIN);
}

TEST(ParseReal, LeadingRealNarrowedToSinglePrecision) {
    EXPECT_EQ(ParseReal(""), 0.0f);
    EXPECT_EQ(ParseReal("x1"), 0.0f);
    EXPECT_EQ(ParseReal("133.492"), 133.492f);
    EXPECT_EQ(ParseReal("44100 samples"), 44100.0f);
    EXPECT_EQ(ParseReal("1e300"), INFINITY);
    EXPECT_EQ(ParseReal("-1e300"), -INFINITY);
}
