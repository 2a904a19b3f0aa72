#include "widgets/GradientPattern.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace gradient {

int MulDiv(int number, int numerator, int denominator)
{
    const std::int64_t product = std::int64_t(number) * numerator;
    std::int64_t quotient = product / denominator;
    const std::int64_t remainder = product % denominator;
    if (2 * std::llabs(remainder) >= std::llabs(std::int64_t(denominator)))
        quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
    return int(quotient);
}

int ClampPercent(int value)
{
    return std::clamp(value, -kLimit, kLimit);
}

namespace {

// One channel of the table; c1 and c2 are the end values after the shift.
void FillChannel(TarGradientColors& table, std::uint8_t Rgb::*channel, int c1, int c2, int r)
{
    const int d = c2 - c1;
    auto set = [&](int i, int value) { table[std::size_t(i)].*channel = std::uint8_t(value); };
    if (r == 0) {
        for (int i = 0; i <= 255; ++i)
            set(i, c1 + (i * d) / 255);
    } else if (r > 0) {
        // Rises to the second colour at entry k, falls back to the first at 255. With r = 255
        // the rising part is empty, so k is never a divisor of zero.
        const int k = 255 - r;
        for (int i = 0; i < k; ++i)
            set(i, c1 + (i * d) / k);
        for (int i = k; i <= 255; ++i)
            set(i, c1 + ((255 - i) * d) / r);
    } else {
        // Starts at the second colour, reaches the first at entry k, returns to the second.
        const int k = -r;
        for (int i = 0; i <= k; ++i)
            set(i, c2 - (i * d) / k);
        for (int i = k + 1; i <= 255; ++i)
            set(i, c2 - ((255 - i) * d) / (255 - k));
    }
}

void ShiftEnds(int& c1, int& c2, int shift)
{
    if (shift > 0)
        c1 += MulDiv(c2 - c1, shift, 100);
    else if (shift < 0)
        c2 += MulDiv(c2 - c1, shift, 100);
}

} // namespace

TarGradientColors BuildGradientColors(Rgb first, Rgb second, int shift, int rotation)
{
    shift = ClampPercent(shift);
    const int r = MulDiv(255, ClampPercent(rotation), 100);
    TarGradientColors table{};
    for (std::uint8_t Rgb::*channel : {&Rgb::r, &Rgb::g, &Rgb::b}) {
        int c1 = first.*channel;
        int c2 = second.*channel;
        ShiftEnds(c1, c2, shift);
        FillChannel(table, channel, c1, c2, r);
    }
    return table;
}

namespace {

int Square(int v)
{
    return v * v;
}

// Distance from the centre line of a 362-wide (or high) radial pattern: columns 180 and 181 both
// lie on it.
int CentredSquare(int i)
{
    return i <= 180 ? Square(180 - i) : Square(i - 181);
}

// The square root of a non-negative value rounded to the nearest integer. No integer has a root
// that ends in exactly .5, so there is no tie to break; the correction steps make the result exact
// whatever the floating-point root is off by.
int RoundSqrt(int value)
{
    int n = int(std::sqrt(double(value)));
    while (n > 0 && n * n > value)
        --n;
    while ((n + 1) * (n + 1) <= value)
        ++n;
    return value > n * n + n ? n + 1 : n;
}

bool IsRadial(TarGradientStyle style)
{
    return style >= gsRadialC && style <= gsRadialBR;
}

// The radial styles add a column term and a row term and take the rounded root.
int RadialColumnTerm(TarGradientStyle style, int x)
{
    switch (style) {
    case gsRadialC:
    case gsRadialT:
    case gsRadialB:
        return CentredSquare(x);
    case gsRadialL:
    case gsRadialTL:
    case gsRadialBL:
        return Square(x);
    default: // gsRadialR, gsRadialTR, gsRadialBR
        return Square(180 - x);
    }
}

int RadialRowTerm(TarGradientStyle style, int y)
{
    switch (style) {
    case gsRadialL:
    case gsRadialR:
        return CentredSquare(y);
    case gsRadialT:
    case gsRadialTL:
    case gsRadialTR:
        return Square(y);
    default: // gsRadialC (row 180 alone is the centre), gsRadialB, gsRadialBL, gsRadialBR
        return Square(180 - y);
    }
}

int ShapedIndex(TarGradientStyle style, int x, int y)
{
    switch (style) {
    case gsLinearH:
        return x;
    case gsLinearV:
        return y;
    case gsReflectedH:
        return y <= 255 ? 255 - y : y - 256;
    case gsReflectedV:
        return x <= 255 ? 255 - x : x - 256;
    case gsDiagonalLF:
        return x + y;
    case gsDiagonalLB:
        return y - x + 127;
    case gsDiagonalRF:
        return x + y < 255 ? 255 - (x + y) : x + y - 255;
    case gsDiagonalRB:
        return x > y ? x - y : y - x;
    case gsArrowL:
        return y <= 127 ? 255 - x - y : y - x;
    case gsArrowR:
        return y <= 127 ? x - y + 127 : x + y - 128;
    case gsArrowU:
        return x <= 127 ? 255 - x - y : x - y;
    case gsArrowD:
        return x <= 127 ? y - x + 127 : x + y - 128;
    case gsDiamond:
        if (y <= 127)
            return x <= 127 ? 255 - x - y : x - y;
        return x <= 127 ? y - x : x + y - 255;
    case gsButterfly:
        if (y <= 127)
            return x <= 127 ? x - y + 128 : 383 - x - y;
        return x <= 127 ? x + y - 128 : y - x + 128;
    default:
        return RoundSqrt(RadialColumnTerm(style, x) + RadialRowTerm(style, y));
    }
}

void RequireShaped(TarGradientStyle style)
{
    if (style <= gsCustom || style > gsButterfly)
        throw std::invalid_argument("not a shaped gradient style");
}

} // namespace

PatternSize GradientPatternSize(TarGradientStyle style)
{
    switch (style) {
    case gsCustom: return {2, 2};
    case gsRadialC: return {362, 362};
    case gsRadialT:
    case gsRadialB: return {362, 181};
    case gsRadialL:
    case gsRadialR: return {181, 362};
    case gsRadialTL:
    case gsRadialTR:
    case gsRadialBL:
    case gsRadialBR: return {181, 181};
    case gsLinearH: return {256, 1};
    case gsLinearV: return {1, 256};
    case gsReflectedH: return {1, 512};
    case gsReflectedV: return {512, 1};
    case gsDiagonalLF:
    case gsDiagonalLB: return {128, 129};
    case gsDiagonalRF:
    case gsDiagonalRB: return {256, 256};
    case gsArrowL:
    case gsArrowR: return {129, 256};
    case gsArrowU:
    case gsArrowD: return {256, 129};
    case gsDiamond:
    case gsButterfly: return {256, 256};
    }
    throw std::invalid_argument("not a gradient style");
}

GradientPattern BuildGradientPattern(TarGradientStyle style, const TarGradientColors& colors)
{
    RequireShaped(style);
    const PatternSize size = GradientPatternSize(style);
    GradientPattern pattern(size.width, size.height);
    if (IsRadial(style)) {
        // One root per pixel; the column terms are worked out once per build.
        std::vector<int> columns(std::size_t(size.width));
        for (int x = 0; x < size.width; ++x)
            columns[std::size_t(x)] = RadialColumnTerm(style, x);
        for (int y = 0; y < size.height; ++y) {
            const int rowTerm = RadialRowTerm(style, y);
            for (int x = 0; x < size.width; ++x)
                pattern.SetPixel(x, y, colors[std::size_t(RoundSqrt(columns[std::size_t(x)] + rowTerm))]);
        }
        return pattern;
    }
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            pattern.SetPixel(x, y, colors[std::size_t(ShapedIndex(style, x, y))]);
    return pattern;
}

GradientPattern BuildQuadrantPattern(Rgb first, Rgb second)
{
    GradientPattern pattern(2, 2);
    pattern.SetPixel(0, 0, first);
    pattern.SetPixel(1, 1, first);
    pattern.SetPixel(1, 0, second);
    pattern.SetPixel(0, 1, second);
    return pattern;
}

} // namespace gradient
