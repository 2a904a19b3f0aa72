#pragma once
// The two integer stages behind the gradient control: a table of 256 colours between two end
// colours (with shift and rotation), and a small pattern bitmap whose pixels are table entries
// laid out by the style's shape. The pattern's size depends on the style only; the view scales
// it to whatever rectangle it fills. No Qt Gui here: colours are plain 8-bit RGB triples.

#include <array>
#include <cstdint>
#include <vector>

// The 24 shapes, in their stored order (the ordinal is the value).
enum TarGradientStyle : int {
    gsCustom,
    gsRadialC,
    gsRadialT,
    gsRadialB,
    gsRadialL,
    gsRadialR,
    gsRadialTL,
    gsRadialTR,
    gsRadialBL,
    gsRadialBR,
    gsLinearH,
    gsLinearV,
    gsReflectedH,
    gsReflectedV,
    gsDiagonalLF,
    gsDiagonalLB,
    gsDiagonalRF,
    gsDiagonalRB,
    gsArrowL,
    gsArrowR,
    gsArrowU,
    gsArrowD,
    gsDiamond,
    gsButterfly,
};

namespace gradient {

inline constexpr int kStyleCount = 24;
inline constexpr int kLimit = 100; // shift and rotation run from -kLimit to kLimit percent

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
static_assert(sizeof(Rgb) == 3, "pattern rows are copied into 24-bit image rows as they are");

} // namespace gradient

// Entry 0 holds the first colour and entry 255 the second, unless a rotation folds the table.
using TarGradientColors = std::array<gradient::Rgb, 256>;

namespace gradient {

// `number` × `numerator` / `denominator` over 64 bits, rounded to the nearest integer with halves
// away from zero. `denominator` must not be 0.
int MulDiv(int number, int numerator, int denominator);

// Clamps a shift or rotation to -kLimit..kLimit.
int ClampPercent(int value);

// The colour table of two colours. `shift` (-100..100) first moves one end toward the other: a
// positive shift moves the first colour, a negative one the second. `rotation` (-100..100) then
// folds the ramp: positive values rise to the second colour at entry 255 - R and fall back to the
// first at entry 255, negative ones start and end at the second colour with the first at entry -R
// (R = MulDiv(255, `rotation`, 100)). Every division truncates toward zero.
TarGradientColors BuildGradientColors(Rgb first, Rgb second, int shift, int rotation);

// A 24-bit picture, row after row, top row first.
class GradientPattern {
public:
    GradientPattern() = default;
    GradientPattern(int width, int height) : m_width(width), m_height(height), m_pixels(std::size_t(width) * std::size_t(height)) {}

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Empty() const { return m_pixels.empty(); }
    const Rgb& Pixel(int x, int y) const { return m_pixels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)]; }
    void SetPixel(int x, int y, Rgb c) { m_pixels[std::size_t(y) * std::size_t(m_width) + std::size_t(x)] = c; }
    const Rgb* Row(int y) const { return m_pixels.data() + std::size_t(y) * std::size_t(m_width); }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<Rgb> m_pixels;
};

struct PatternSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PatternSize&, const PatternSize&) = default;
};

// Width and height of the pattern of a style; gsCustom gives the 2 × 2 quadrant pattern.
// Throws std::invalid_argument for a value outside the 24 styles.
PatternSize GradientPatternSize(TarGradientStyle style);

// The pattern of a shaped style (gsRadialC to gsButterfly), every pixel a table entry. Throws std::invalid_argument for
// gsCustom (which its handler or BuildQuadrantPattern builds) and for values outside the styles.
GradientPattern BuildGradientPattern(TarGradientStyle style, const TarGradientColors& colors);

// gsCustom without a handler: 2 × 2, `first` at (0, 0) and (1, 1), `second` at (1, 0) and (0, 1).
GradientPattern BuildQuadrantPattern(Rgb first, Rgb second);

} // namespace gradient
