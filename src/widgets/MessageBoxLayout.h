#pragma once
// Geometry of the message box, computed from measured sizes only, so that it can be checked
// without a window: the caller measures the button captions and the wrapped text with the real
// fonts and hands the numbers in; the result holds every rectangle of the dialog.

#include <functional>
#include <vector>

namespace msgbox {

struct Size {
    int width = 0;
    int height = 0;
};

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

// Fixed numbers of the layout, in pixels.
inline constexpr int kMargin = 16;           // top, bottom and icon margin
inline constexpr int kIconSize = 32;         // the icon is kIconSize square at (kMargin, kMargin)
inline constexpr int kIconSpace = 48;        // width of the icon column: icon + margin
inline constexpr int kTextRoom = 32;         // horizontal room around the text, both sides together
inline constexpr int kTextToButtons = 24;    // gap between text and buttons
inline constexpr int kButtonGap = 8;         // gap between two buttons
inline constexpr int kCaptionRoomX = 16;     // added to a caption's measured width
inline constexpr int kCaptionRoomY = 8;      // added to a caption's measured height
inline constexpr int kMinButtonWidth = 75;   // the usual push button size
inline constexpr int kMinButtonHeight = 25;
inline constexpr int kTextAspect = 4;        // wanted width : height of the text block

// Window placement kinds, with the same numbers as TarMsgPosition.
inline constexpr int kScreenCenter = 4;
inline constexpr int kDesktopCenter = 5;
inline constexpr int kMainFormCenter = 6;
inline constexpr int kOwnerFormCenter = 7;

struct Input {
    // Measured extent of each caption (one line, in the first button's font), in button order.
    std::vector<Size> captionExtents;
    // The buttons' own size before layout; neither dimension goes below it.
    Size minimumButton{kMinButtonWidth, kMinButtonHeight};
    int screenWidth = 0;
    bool hasIcon = false;
    // Height of the message text word-wrapped at the given width (0 for an empty text).
    std::function<int(int width)> wrappedTextHeight;
};

struct Layout {
    int buttonWidth = 0;
    int buttonHeight = 0;
    int buttonsWidth = 0;   // all buttons with the gaps between them
    int iconSpace = 0;
    Size client;            // client area of the dialog
    bool hasIcon = false;
    Rect icon;              // empty without an icon
    Rect label;
    std::vector<Rect> buttons;
};

// Lays the dialog out. Needs at least one caption; throws std::invalid_argument otherwise.
Layout LayoutMessageBox(const Input& input);

// A default index outside 0..count-1 becomes 0.
int CorrectDefaultButton(int defaultButton, int buttonCount);
// A placement outside the four centred kinds becomes kMainFormCenter.
int CorrectPosition(int position);

// Rounding to the nearest integer, ties to the even neighbour.
int RoundHalfEven(double value);
// value div 2 * 2 + 1: an even value grows by one, an odd one stays.
int MakeOdd(int value);

} // namespace msgbox
