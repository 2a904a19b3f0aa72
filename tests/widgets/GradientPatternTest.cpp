// The gradient's integer recipes: rounding, colour tables with shift and rotation, pattern sizes
// and landmark pixels of every shape.
#include "widgets/GradientPattern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

using namespace gradient;

namespace {

const Rgb kBlack{0, 0, 0};
const Rgb kWhite{255, 255, 255};
const Rgb kMaroon{128, 0, 0};
const Rgb kRed{255, 0, 0};

// A table whose entry i is red i, green 255 - i: a pattern pixel tells which entry it got.
TarGradientColors identityTable()
{
    TarGradientColors t{};
    for (int i = 0; i < 256; ++i)
        t[std::size_t(i)] = Rgb{std::uint8_t(i), std::uint8_t(255 - i), 0};
    return t;
}

} // namespace

TEST(GradientPattern, MulDivRoundsHalvesAwayFromZero)
{
    struct Case { int a, b, c, expected; };
    const Case cases[] = {
        {255, 50, 100, 128},  {255, -50, 100, -128}, {-255, -50, 100, 128}, {255, 1, 100, 3},
        {127, -50, 100, -64}, {10, 1, 4, 3},         {-10, 1, 4, -3},       {7, 1, 3, 2},
        {255, 100, 100, 255}, {10, 1, -4, -3},       {2000000000, 3, 4, 1500000000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << " * " << c.b << " / " << c.c;
}

TEST(GradientPattern, ColourTableEntries)
{
    struct Case {
        const char* name;
        Rgb first, second;
        int shift, rotation;
        std::vector<std::pair<int, int>> redAt; // entry -> red value
    };
    const Case cases[] = {
        {"maroon to red", kMaroon, kRed, 0, 0,
         {{0, 128}, {1, 128}, {2, 128}, {3, 129}, {127, 191}, {128, 191}, {254, 254}, {255, 255}}},
        {"shift 50", kBlack, kWhite, 50, 0, {{0, 128}, {128, 191}, {255, 255}}},
        {"shift -50", kBlack, kWhite, -50, 0, {{0, 0}, {255, 127}}},
        {"shift 120 acts as 100", kBlack, kWhite, 120, 0, {{0, 255}, {128, 255}, {255, 255}}},
        {"rotation 50", kBlack, kWhite, 0, 50,
         {{0, 0}, {1, 2}, {126, 252}, {127, 255}, {128, 253}, {200, 109}, {254, 1}, {255, 0}}},
        {"rotation -50", kBlack, kWhite, 0, -50,
         {{0, 255}, {1, 254}, {127, 2}, {128, 0}, {129, 3}, {200, 145}, {254, 253}, {255, 255}}},
        {"rotation 1", kBlack, kWhite, 0, 1, {{251, 253}, {252, 255}, {253, 170}, {254, 85}, {255, 0}}},
        {"rotation 100", kBlack, kWhite, 0, 100, {{0, 255}, {1, 254}, {128, 127}, {255, 0}}},
        {"rotation -100", kBlack, kWhite, 0, -100, {{0, 255}, {1, 254}, {128, 127}, {255, 0}}},
        {"rotation 100, maroon to red", kMaroon, kRed, 0, 100, {{0, 255}, {255, 128}}},
        {"rotation -100, maroon to red", kMaroon, kRed, 0, -100, {{0, 255}, {255, 128}}},
        {"falling ramp truncates toward zero", kRed, kMaroon, 0, 0, {{0, 255}, {3, 254}, {128, 192}, {255, 128}}},
    };
    for (const Case& c : cases) {
        const TarGradientColors t = BuildGradientColors(c.first, c.second, c.shift, c.rotation);
        for (auto [entry, red] : c.redAt)
            EXPECT_EQ(t[std::size_t(entry)].r, red) << c.name << ", entry " << entry;
        // Channels that are equal at both ends stay flat whatever the shape of the ramp.
        if (c.first.g == c.second.g) {
            for (const Rgb& e : t)
                ASSERT_EQ(e.g, c.first.g) << c.name;
        }
    }
}

TEST(GradientPattern, ChannelsRampIndependently)
{
    // Red rises by 240, green falls by 180, blue stays: entry 128 is 10 + 120, 200 - 90, 30.
    const TarGradientColors t = BuildGradientColors({10, 200, 30}, {250, 20, 30}, 0, 0);
    EXPECT_EQ(t[0], (Rgb{10, 200, 30}));
    EXPECT_EQ(t[128], (Rgb{130, 110, 30}));
    EXPECT_EQ(t[255], (Rgb{250, 20, 30}));
}

TEST(GradientPattern, SizeAndLandmarkPixelsOfEveryShape)
{
    struct Landmark { int x, y, entry; };
    struct Case {
        TarGradientStyle style;
        PatternSize size;
        std::vector<Landmark> pixels;
    };
    const Case cases[] = {
        {gsRadialC, {362, 362},
         {{180, 180, 0}, {181, 180, 0}, {0, 0, 255}, {0, 361, 255}, {361, 180, 180}, {180, 0, 180}, {180, 361, 181}}},
        {gsRadialT, {362, 181}, {{180, 0, 0}, {181, 0, 0}, {0, 180, 255}, {180, 180, 180}}},
        {gsRadialB, {362, 181}, {{180, 180, 0}, {181, 180, 0}, {0, 0, 255}, {181, 0, 180}}},
        {gsRadialL, {181, 362}, {{0, 180, 0}, {0, 181, 0}, {180, 0, 255}, {180, 361, 255}}},
        {gsRadialR, {181, 362}, {{180, 180, 0}, {180, 181, 0}, {0, 0, 255}, {0, 361, 255}}},
        // Roots round to the nearest integer: sqrt 2 -> 1, sqrt 5 -> 2, sqrt 13 -> 4, sqrt 20 -> 4.
        {gsRadialTL, {181, 181}, {{0, 0, 0}, {180, 180, 255}, {3, 4, 5}, {1, 1, 1}, {1, 2, 2}, {2, 3, 4}, {2, 4, 4}}},
        {gsRadialTR, {181, 181}, {{180, 0, 0}, {0, 0, 180}, {177, 4, 5}, {0, 180, 255}}},
        {gsRadialBL, {181, 181}, {{0, 180, 0}, {3, 176, 5}, {180, 0, 255}}},
        {gsRadialBR, {181, 181}, {{180, 180, 0}, {0, 0, 255}, {178, 177, 4}}},
        {gsLinearH, {256, 1}, {{0, 0, 0}, {37, 0, 37}, {255, 0, 255}}},
        {gsLinearV, {1, 256}, {{0, 0, 0}, {0, 200, 200}, {0, 255, 255}}},
        {gsReflectedH, {1, 512}, {{0, 0, 255}, {0, 255, 0}, {0, 256, 0}, {0, 511, 255}}},
        {gsReflectedV, {512, 1}, {{0, 0, 255}, {255, 0, 0}, {256, 0, 0}, {511, 0, 255}}},
        {gsDiagonalLF, {128, 129}, {{0, 0, 0}, {10, 20, 30}, {127, 128, 255}}},
        {gsDiagonalLB, {128, 129}, {{127, 0, 0}, {0, 0, 127}, {0, 128, 255}}},
        {gsDiagonalRF, {256, 256}, {{0, 0, 255}, {100, 155, 0}, {254, 0, 1}, {255, 255, 255}}},
        {gsDiagonalRB, {256, 256}, {{0, 0, 0}, {10, 30, 20}, {255, 0, 255}, {0, 255, 255}}},
        {gsArrowL, {129, 256}, {{0, 0, 255}, {128, 127, 0}, {128, 128, 0}, {10, 127, 118}, {10, 128, 118}, {0, 255, 255}}},
        {gsArrowR, {129, 256}, {{0, 127, 0}, {128, 0, 255}, {0, 128, 0}, {128, 255, 255}}},
        {gsArrowU, {256, 129}, {{0, 0, 255}, {127, 128, 0}, {128, 128, 0}, {255, 0, 255}}},
        {gsArrowD, {256, 129}, {{127, 0, 0}, {0, 128, 255}, {128, 0, 0}, {255, 128, 255}}},
        {gsDiamond, {256, 256},
         {{0, 0, 255}, {127, 127, 1}, {128, 127, 1}, {127, 128, 1}, {128, 128, 1}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}}},
        {gsButterfly, {256, 256},
         {{0, 0, 128}, {127, 0, 255}, {0, 127, 1}, {128, 0, 255}, {255, 127, 1}, {0, 128, 0}, {127, 255, 254}, {128, 255, 255}, {255, 128, 1}}},
    };
    const TarGradientColors table = identityTable();
    for (const Case& c : cases) {
        EXPECT_EQ(GradientPatternSize(c.style), c.size) << "style " << int(c.style);
        const GradientPattern p = BuildGradientPattern(c.style, table);
        ASSERT_EQ(p.Width(), c.size.width) << "style " << int(c.style);
        ASSERT_EQ(p.Height(), c.size.height) << "style " << int(c.style);
        for (const Landmark& l : c.pixels)
            EXPECT_EQ(p.Pixel(l.x, l.y), table[std::size_t(l.entry)])
                << "style " << int(c.style) << " pixel (" << l.x << ", " << l.y << ")";
        // Every shape spans the table: the far end is entry 255, the near end entry 0 (1 for the
        // diamond, whose four centre pixels lie one step off the middle).
        int lo = 255, hi = 0;
        for (int y = 0; y < p.Height(); ++y)
            for (int x = 0; x < p.Width(); ++x) {
                lo = std::min(lo, int(p.Pixel(x, y).r));
                hi = std::max(hi, int(p.Pixel(x, y).r));
            }
        EXPECT_EQ(lo, c.style == gsDiamond ? 1 : 0) << "style " << int(c.style);
        EXPECT_EQ(hi, 255) << "style " << int(c.style);
    }
}

TEST(GradientPattern, CustomAndUnknownStylesAreNotBuiltFromTheTable)
{
    EXPECT_EQ(GradientPatternSize(gsCustom), (PatternSize{2, 2}));
    EXPECT_THROW(BuildGradientPattern(gsCustom, identityTable()), std::invalid_argument);
    EXPECT_THROW(BuildGradientPattern(TarGradientStyle(24), identityTable()), std::invalid_argument);
    EXPECT_THROW(GradientPatternSize(TarGradientStyle(-1)), std::invalid_argument);

    const GradientPattern q = BuildQuadrantPattern(kMaroon, kRed);
    EXPECT_EQ(q.Pixel(0, 0), kMaroon);
    EXPECT_EQ(q.Pixel(1, 1), kMaroon);
    EXPECT_EQ(q.Pixel(1, 0), kRed);
    EXPECT_EQ(q.Pixel(0, 1), kRed);
}
