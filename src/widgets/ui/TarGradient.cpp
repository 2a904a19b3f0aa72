#include "widgets/ui/TarGradient.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QScopeGuard>

#include <cstring>

namespace {

gradient::Rgb toRgb(const QColor& color)
{
    const QColor c = color.toRgb();
    return {std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())};
}

QImage toImage(const gradient::GradientPattern& pattern)
{
    QImage image(pattern.width(), pattern.height(), QImage::Format_RGB888);
    for (int y = 0; y < pattern.height(); ++y)
        std::memcpy(image.scanLine(y), pattern.row(y), std::size_t(pattern.width()) * sizeof(gradient::Rgb));
    return image;
}

// Colours are kept as plain RGB so that equal colours compare equal whatever model (RGB, HSV,
// CMYK) they were given in.
QColor plainRgb(const QColor& color)
{
    const QColor c = color.toRgb();
    return QColor(c.red(), c.green(), c.blue());
}

} // namespace

TarGradient::TarGradient(QWidget* parent)
    : QWidget(parent)
    , colorBegin_(Qt::white)
    , colorEnd_(plainRgb(QGuiApplication::palette().color(QPalette::Button)))
{
    // Every pixel is painted, so nothing needs erasing behind the control.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 100);
    UpdatePattern();
}

TarGradient::~TarGradient() = default;

void TarGradient::SetColorBegin(const QColor& color)
{
    const QColor c = plainRgb(color);
    if (c == colorBegin_)
        return;
    colorBegin_ = c;
    useSysColors_ = false;
    UpdatePattern();
}

void TarGradient::SetColorEnd(const QColor& color)
{
    const QColor c = plainRgb(color);
    if (c == colorEnd_)
        return;
    colorEnd_ = c;
    useSysColors_ = false;
    UpdatePattern();
}

void TarGradient::SetUseSysColors(bool on)
{
    if (on == useSysColors_)
        return;
    useSysColors_ = on;
    if (on)
        UpdateSysColors();
}

void TarGradient::SetStyle(TarGradientStyle style)
{
    changeProperty(style_, style);
}

void TarGradient::SetShift(int shift)
{
    changeProperty(shift_, gradient::ClampPercent(shift));
}

void TarGradient::SetRotation(int rotation)
{
    changeProperty(rotation_, gradient::ClampPercent(rotation));
}

void TarGradient::SetReverse(bool reverse)
{
    changeProperty(reverse_, reverse);
}

void TarGradient::SetOnCustom(TCustomGradientEvent handler)
{
    onCustom_ = std::move(handler);
    if (style_ == gsCustom)
        UpdatePattern();
}

void TarGradient::BeginUpdate()
{
    ++updateCount_;
}

void TarGradient::EndUpdate()
{
    if (updateCount_ > 0)
        --updateCount_;
    if (updateCount_ == 0 && updatePending_)
        UpdatePattern();
}

void TarGradient::UpdatePattern()
{
    updatePending_ = true;
    if (updateCount_ != 0)
        return;
    updatePending_ = false;

    gradient::Rgb first = toRgb(colorBegin_);
    gradient::Rgb second = toRgb(colorEnd_);
    if (reverse_)
        std::swap(first, second);
    colors_ = gradient::BuildGradientColors(first, second, shift_, rotation_);
    buildPattern(first, second);
    update();
}

void TarGradient::buildPattern(gradient::Rgb first, gradient::Rgb second)
{
    // Cleared on every way out, also when a builder or the handler throws.
    building_ = true;
    const auto built = qScopeGuard([this] { building_ = false; });

    if (style_ != gsCustom)
        pattern_ = toImage(gradient::BuildGradientPattern(style_, colors_));
    else if (onCustom_)
        onCustom_(this, colors_, pattern_);
    else
        pattern_ = toImage(gradient::BuildQuadrantPattern(first, second));
}

void TarGradient::UpdateSysColors()
{
    BeginUpdate();
    SetColorBegin(ActiveTitleColor());
    SetColorEnd(ActiveTitleGradientColor());
    useSysColors_ = true;
    EndUpdate();
}

QColor TarGradient::ActiveTitleColor()
{
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
}

QColor TarGradient::ActiveTitleGradientColor()
{
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Window);
}

void TarGradient::paintEvent(QPaintEvent*)
{
    if (building_)
        return;
    QPainter painter(this);
    // No smoothing: the painter scales by pixel replication.
    if (pattern_.isNull())
        painter.fillRect(rect(), colorBegin_);
    else
        painter.drawImage(rect(), pattern_);
}

bool TarGradient::event(QEvent* event)
{
    // Sent to every widget when the platform's colours (the application palette) change.
    if (event->type() == QEvent::ApplicationPaletteChange && useSysColors_)
        UpdateSysColors();
    return QWidget::event(event);
}
