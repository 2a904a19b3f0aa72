// Layout of the message box with fixed metrics: a text of a given total width that wraps into
// lines of 13 pixels, captions of given extents.
#include "widgets/MessageBoxLayout.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace msgbox;

namespace {

constexpr int kLine = 13;

// A text totalWidth pixels long on one line, wrapped into as many 13-pixel lines as it needs.
// Records the widths it was asked about.
struct FakeText {
    explicit FakeText(int total) : totalWidth(total) {}
    int totalWidth;
    std::vector<int> asked;
    std::function<int(int)> fn()
    {
        return [this](int width) {
            asked.push_back(width);
            if (totalWidth == 0)
                return 0;
            return (totalWidth + width - 1) / width * kLine;
        };
    }
};

Input input(std::vector<Size> captions, int screen, bool icon, FakeText& text)
{
    Input in;
    in.captionExtents = std::move(captions);
    in.screenWidth = screen;
    in.hasIcon = icon;
    in.wrappedTextHeight = text.fn();
    return in;
}

} // namespace

TEST(MessageBoxLayout, RoundingHelpers)
{
    EXPECT_EQ(RoundHalfEven(256.5), 256);
    EXPECT_EQ(RoundHalfEven(257.5), 258);
    EXPECT_EQ(RoundHalfEven(256.75), 257);
    EXPECT_EQ(RoundHalfEven(256.25), 256);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(MakeOdd(80), 81);
    EXPECT_EQ(MakeOdd(81), 81);
    EXPECT_EQ(MakeOdd(75), 75);
    EXPECT_EQ(MakeOdd(0), 1);
}

TEST(MessageBoxLayout, CorrectionsOfDefaultAndPosition)
{
    EXPECT_EQ(CorrectDefaultButton(5, 2), 0);
    EXPECT_EQ(CorrectDefaultButton(2, 2), 0);
    EXPECT_EQ(CorrectDefaultButton(-1, 2), 0);
    EXPECT_EQ(CorrectDefaultButton(1, 2), 1);
    for (int p : {4, 5, 6, 7})
        EXPECT_EQ(CorrectPosition(p), p);
    for (int p : {-1, 0, 3, 8, 100})
        EXPECT_EQ(CorrectPosition(p), kMainFormCenter);
}

TEST(MessageBoxLayout, OneShortButtonIsTheMinimumSizeAndCentred)
{
    FakeText text(100);
    const Layout l = LayoutMessageBox(input({{15, 13}}, 1024, false, text));
    EXPECT_EQ(l.buttonWidth, 75);
    EXPECT_EQ(l.buttonHeight, 25);
    EXPECT_EQ(l.client.width, 256);
    EXPECT_EQ(l.label, (Rect{17, 16, 224, 13}));
    EXPECT_EQ(l.client.height, 13 + 25 + 56);
    ASSERT_EQ(l.buttons.size(), 1u);
    // (256 - 75) div 2 truncates the half pixel.
    EXPECT_EQ(l.buttons[0], (Rect{90, 16 + 13 + 24, 75, 25}));
    EXPECT_FALSE(l.hasIcon);
    EXPECT_EQ(l.icon, Rect{});
    EXPECT_EQ(text.asked, std::vector<int>{224});
}

TEST(MessageBoxLayout, ButtonSizesAreOddAndEqual)
{
    FakeText text(50);
    // Widest caption 64 + 16 = 80 -> 81; tallest 18 + 8 = 26 -> 27. The narrow, short caption
    // gets the same size.
    const Layout l = LayoutMessageBox(input({{20, 13}, {64, 13}, {30, 18}}, 1024, false, text));
    EXPECT_EQ(l.buttonWidth, 81);
    EXPECT_EQ(l.buttonHeight, 27);
    EXPECT_EQ(l.buttonsWidth, 3 * 81 + 2 * 8);
    // 259 + 32 is wider than the quarter screen.
    EXPECT_EQ(l.client.width, 291);
    ASSERT_EQ(l.buttons.size(), 3u);
    const int left = 16;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(l.buttons[i].left, left + i * (81 + 8));
        EXPECT_EQ(l.buttons[i].top, l.buttons[0].top);
        EXPECT_EQ(l.buttons[i].width, 81);
        EXPECT_EQ(l.buttons[i].height, 27);
    }
    // A measured width of 59 + 16 = 75 is already odd and stays; a larger present button size
    // wins over the captions and is made odd too.
    FakeText t2(50);
    Input in = input({{59, 13}}, 1024, false, t2);
    EXPECT_EQ(LayoutMessageBox(in).buttonWidth, 75);
    in.minimumButton = {90, 30};
    const Layout big = LayoutMessageBox(in);
    EXPECT_EQ(big.buttonWidth, 91);
    EXPECT_EQ(big.buttonHeight, 31);
}

TEST(MessageBoxLayout, QuarterScreenWidthRoundsHalfToEven)
{
    struct Case { int screen; int width; };
    for (Case c : {Case{1024, 256}, Case{1026, 256}, Case{1030, 258}, Case{1027, 257},
                   Case{1025, 256}, Case{1280, 320}}) {
        FakeText text(10);
        EXPECT_EQ(LayoutMessageBox(input({{15, 13}}, c.screen, false, text)).client.width, c.width)
            << "screen " << c.screen;
    }
}

TEST(MessageBoxLayout, ButtonRowWiderThanQuarterScreenWidensTheDialog)
{
    FakeText text(10);
    // Four buttons of 81: 4 * 81 + 3 * 8 = 348, plus 32 of room.
    const Layout l = LayoutMessageBox(input({{64, 13}, {10, 13}, {10, 13}, {10, 13}}, 1024, false, text));
    EXPECT_EQ(l.buttonsWidth, 348);
    EXPECT_EQ(l.client.width, 380);
    EXPECT_EQ(l.label.width, 348);
    EXPECT_EQ(l.buttons.front().left, 16);
    EXPECT_EQ(l.buttons.back().left + l.buttons.back().width, 380 - 16);
    // A small screen: the buttons decide as well.
    FakeText t2(10);
    EXPECT_EQ(LayoutMessageBox(input({{15, 13}}, 200, false, t2)).client.width, 75 + 32);
}

TEST(MessageBoxLayout, TallTextIsWidenedToAnOddWidthAboutFourTimesItsHeight)
{
    FakeText text(5000);
    const Layout l = LayoutMessageBox(input({{15, 13}}, 1024, false, text));
    // At 224: 23 lines = 299 high; 224 / 299 < 4. round(sqrt(4 * 224 * 299)) = round(517.59) =
    // 518, made odd: 519. Measured again at 519: 10 lines = 130 high.
    ASSERT_EQ(text.asked, (std::vector<int>{224, 519}));
    EXPECT_EQ(l.label.width, 519);
    EXPECT_EQ(l.label.height, 130);
    EXPECT_EQ(l.client.width, 519 + 32);
    EXPECT_EQ(l.label.left, 17);
    EXPECT_EQ(l.client.height, 130 + 25 + 56);
    EXPECT_EQ(l.buttons[0].top, 16 + 130 + 24);
    EXPECT_EQ(l.buttons[0].left, (551 - 75) / 2);
}

TEST(MessageBoxLayout, AspectCorrectionKeepsAnOddRoundedSide)
{
    // At 224 the text takes 5 lines = 65 pixels: round(sqrt(4 * 224 * 65)) = round(241.33) = 241,
    // odd already, so it stays.
    FakeText text(1000);
    const Layout l = LayoutMessageBox(input({{15, 13}}, 1024, false, text));
    ASSERT_EQ(text.asked, (std::vector<int>{224, 241}));
    EXPECT_EQ(l.label.width, 241);
    EXPECT_EQ(l.label.height, 5 * kLine);
    EXPECT_EQ(l.client.width, 241 + 32);
    EXPECT_EQ(l.label.left, 17);
}

TEST(MessageBoxLayout, RatioOfExactlyFourIsLeftAlone)
{
    // A screen of 960 makes the label 208 wide; four lines are 52 high: exactly 4:1.
    FakeText text(4 * 208);
    const Layout l = LayoutMessageBox(input({{15, 13}}, 960, false, text));
    EXPECT_EQ(text.asked, std::vector<int>{208});
    EXPECT_EQ(l.label.width, 208);
    EXPECT_EQ(l.label.height, 52);
}

TEST(MessageBoxLayout, IconTakesItsColumnAndRaisesShortTextTo32)
{
    FakeText text(50);
    const Layout l = LayoutMessageBox(input({{15, 13}, {12, 13}}, 1024, true, text));
    EXPECT_TRUE(l.hasIcon);
    EXPECT_EQ(l.icon, (Rect{16, 16, 32, 32}));
    EXPECT_EQ(l.iconSpace, 48);
    EXPECT_EQ(text.asked, std::vector<int>{256 - 32 - 48});
    EXPECT_EQ(l.label, (Rect{48 + 16 + 1, 16, 176, 32}));
    // Buttons 16 + 32 + 24 = 72 below the top; the first one centred over the whole width.
    EXPECT_EQ(l.buttons[0], (Rect{(256 - 158) / 2, 72, 75, 25}));
    EXPECT_EQ(l.buttons[1], (Rect{49 + 75 + 8, 72, 75, 25}));
    EXPECT_EQ(l.client.height, 32 + 25 + 56);
}

TEST(MessageBoxLayout, IconWithTallTextWidensPastTheIconColumn)
{
    FakeText text(3000);
    const Layout l = LayoutMessageBox(input({{15, 13}}, 1024, true, text));
    // At 176: 18 lines = 234; round(sqrt(4 * 176 * 234)) = round(405.88) = 406 -> 407.
    ASSERT_EQ(text.asked, (std::vector<int>{176, 407}));
    EXPECT_EQ(l.label.width, 407);
    EXPECT_EQ(l.client.width, 407 + 32 + 48);
    EXPECT_EQ(l.label.left, 48 + 17);
    EXPECT_EQ(l.label.height, 8 * kLine);
}

TEST(MessageBoxLayout, EmptyTextIsOnePixelHighOr32WithAnIcon)
{
    FakeText empty(0);
    // Height 1 against width 224 is far wider than 4:1: no correction.
    const Layout plain = LayoutMessageBox(input({{15, 13}}, 1024, false, empty));
    EXPECT_EQ(plain.label.height, 1);
    EXPECT_EQ(plain.label.width, 224);
    EXPECT_EQ(plain.client.height, 1 + 25 + 56);

    FakeText empty2(0);
    const Layout withIcon = LayoutMessageBox(input({{15, 13}}, 1024, true, empty2));
    EXPECT_EQ(withIcon.label.height, 32);
    EXPECT_EQ(withIcon.buttons[0].top, 72);

    Input noMeasure;
    noMeasure.captionExtents = {{15, 13}};
    noMeasure.screenWidth = 1024;
    EXPECT_EQ(LayoutMessageBox(noMeasure).label.height, 1);
}

TEST(MessageBoxLayout, NoCaptionsIsRefused)
{
    FakeText text(10);
    EXPECT_THROW(LayoutMessageBox(input({}, 1024, false, text)), std::invalid_argument);
}
