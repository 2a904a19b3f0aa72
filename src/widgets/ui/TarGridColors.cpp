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
}
