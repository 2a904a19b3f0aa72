#include "widgets/ui/TarGridColors.h"

#include <QApplication>
#include <QPalette>

TarGridColors::TarGridColors()
{
    const QPalette palette = QApplication::palette();
    fixedTextColor = palette.color(QPalette::Active, QPalette::WindowText);
    fixedBackgroundColor = palette.color(QPalette::Active, QPalette::Button);
    selectedTextColor = palette.color(QPalette::Active, QPalette::HighlightedText);
    selectedBackgroundColor = palette.color(QPalette::Active, QPalette::Highlight);
    textColor = palette.color(QPalette::Active, QPalette::Text);
    backgroundColor1 = palette.color(QPalette::Active, QPalette::Base);
    backgroundColor2 = backgroundColor1;
    readOnlyTextColor = palette.color(QPalette::Disabled, QPalette::Text);
    // The cells' own background a quarter of the way to the palette's mid grey, so that it
    // stands apart from both row colours on light and dark palettes alike.
    const QColor base = backgroundColor1;
    const QColor mid = palette.color(QPalette::Active, QPalette::Mid);
    readOnlyBackgroundColor = QColor((3 * base.red() + mid.red()) / 4, (3 * base.green() + mid.green()) / 4,
                                     (3 * base.blue() + mid.blue()) / 4);
    // Changed cells a third of the way to amber: unlike either row colour, the grey of read-only
    // cells or the highlight, and the bold text on it stays readable on dark palettes too.
    const QColor amber(0xFF, 0xC1, 0x07);
    changedBackgroundColor = QColor((2 * base.red() + amber.red()) / 3, (2 * base.green() + amber.green()) / 3,
                                    (2 * base.blue() + amber.blue()) / 3);
}
