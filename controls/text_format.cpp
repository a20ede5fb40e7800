#include "controls/text_format.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string FormatInt(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", n);
    return buffer;
}

int ParseInt(const std::string& text) {
    // atoi's reading of the text; a number too large for an int saturates
    // instead of being undefined.
    const long long n = std::strtoll(text.c_str(), nullptr, 10);
    if (n > INT_MAX) return INT_MAX;
    if (n < INT_MIN) return INT_MIN;
    return static_cast<int>(n);
}

std::string FormatReal(float x) {
    // Whole values (also beyond the range of int) print without decimals;
    // NaN is never whole.
    const char* format = x != std::trunc(x) ? "%.3f" : "%.0f";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, static_cast<double>(x));
    return buffer;
}

float ParseReal(const std::string& text) { return NarrowToFloat(std::atof(text.c_str())); }

float NarrowToFloat(double d) {
    // Values between FLT_MAX and the next power of two still round to FLT_MAX.
    if (d >= 3.4028235677973366e38) return INFINITY;
    if (d <= -3.4028235677973366e38) return -INFINITY;
    return static_cast<float>(d);
}
