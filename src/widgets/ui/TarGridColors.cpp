#include "widgets/ui/TarGridColors.h"

#include <QApplication>
#include <QPalette>

TarGridColors::TarGridColors()
{
    const QPalette palette = QApplication::palette();
    FixedTextColor = palette.color(QPalette::Active, QPalette::WindowText);
    FixedBackgroundColor = palette.color(QPalette::Active, QPalette::Button);
    SelectedTextColor = palette.color(QPalette::Active, QPalette::HighlightedText);
    SelectedBackgroundColor = palette.color(QPalette::Active, QPalette::Highlight);
    TextColor = palette.color(QPalette::Active, QPalette::Text);
    BackgroundColor1 = palette.color(QPalette::Active, QPalette::Base);
    BackgroundColor2 = BackgroundColor1;
}
