#include "widgets/MessageBoxLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace msgbox {

int RoundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double diff = value - lower;
    double result = lower;
    if (diff > 0.5)
        result = lower + 1;
    else if (diff == 0.5)
        result = std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
    return static_cast<int>(result);
}

int MakeOdd(int value)
{
    return value / 2 * 2 + 1;
}

int CorrectDefaultButton(int defaultButton, int buttonCount)
{
    return defaultButton < 0 || defaultButton >= buttonCount ? 0 : defaultButton;
}

int CorrectPosition(int position)
{
    return position < kScreenCenter || position > kOwnerFormCenter ? kMainFormCenter : position;
}

namespace {

// Wrapped height at the given width; an empty text still gets one pixel.
int TextHeight(const Input& input, int width)
{
    const int h = input.wrappedTextHeight ? input.wrappedTextHeight(width) : 0;
    return h <= 0 ? 1 : h;
}

} // namespace

Layout LayoutMessageBox(const Input& input)
{
    if (input.captionExtents.empty())
        throw std::invalid_argument("message box without buttons");

    Layout out;
    const int count = static_cast<int>(input.captionExtents.size());

    // Buttons: the widest and tallest caption with room around it, never smaller than a
    // button's own size, odd in both directions, and the same for every button.
    int widest = 0;
    int tallest = 0;
    for (const Size& s : input.captionExtents) {
        widest = std::max(widest, s.width);
        tallest = std::max(tallest, s.height);
    }
    out.buttonWidth = MakeOdd(std::max(widest + kCaptionRoomX, input.minimumButton.width));
    out.buttonHeight = MakeOdd(std::max(tallest + kCaptionRoomY, input.minimumButton.height));

    out.hasIcon = input.hasIcon;
    out.iconSpace = input.hasIcon ? kIconSpace : 0;
    const int iconHeight = input.hasIcon ? kIconSize : 0;
    if (input.hasIcon)
        out.icon = Rect{kMargin, kMargin, kIconSize, kIconSize};

    out.buttonsWidth = count * out.buttonWidth + (count - 1) * kButtonGap;

    // A quarter of the screen, but at least wide enough for the row of buttons.
    int dialogWidth = RoundHalfEven(input.screenWidth * 0.25);
    if (dialogWidth < out.buttonsWidth + kTextRoom)
        dialogWidth = out.buttonsWidth + kTextRoom;

    int labelWidth = dialogWidth - kTextRoom - out.iconSpace;
    int labelHeight = TextHeight(input, labelWidth);

    // A text block much taller than wide is widened to about four times its height, to an odd
    // number of pixels, and the dialog grows with it.
    if (static_cast<double>(labelWidth) / labelHeight < kTextAspect) {
        const std::int64_t area = std::int64_t(kTextAspect) * labelWidth * labelHeight;
        const int side = RoundHalfEven(std::sqrt(static_cast<double>(area)));
        labelWidth = 2 * (side / 2) + 1;
        dialogWidth = labelWidth + kTextRoom + out.iconSpace;
        labelHeight = TextHeight(input, labelWidth);
    }
    if (labelHeight < iconHeight)
        labelHeight = iconHeight;

    out.client = Size{dialogWidth,
                      kMargin + labelHeight + kTextToButtons + out.buttonHeight + kMargin};

    // The text sits centred right of the icon column, one pixel right of the exact centre.
    out.label = Rect{out.iconSpace + (out.client.width - out.iconSpace - labelWidth) / 2 + 1,
                     kMargin, labelWidth, labelHeight};

    // The row of buttons is centred below the text.
    const int top = out.label.top + out.label.height + kTextToButtons;
    int left = (out.client.width - out.buttonsWidth) / 2;
    for (int i = 0; i < count; ++i) {
        out.buttons.push_back(Rect{left, top, out.buttonWidth, out.buttonHeight});
        left += out.buttonWidth + kButtonGap;
    }
    return out;
}

} // namespace msgbox
