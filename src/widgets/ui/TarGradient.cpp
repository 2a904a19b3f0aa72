#include "widgets/ui/TarGradient.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QScopeGuard>

#include <cstring>

namespace {

gradient::Rgb ToRgb(const QColor& color)
{
    const QColor c = color.toRgb();
    return {std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())};
}

QImage ToImage(const gradient::GradientPattern& pattern)
{
    QImage image(pattern.Width(), pattern.Height(), QImage::Format_RGB888);
    for (int y = 0; y < pattern.Height(); ++y)
        std::memcpy(image.scanLine(y), pattern.Row(y), std::size_t(pattern.Width()) * sizeof(gradient::Rgb));
    return image;
}

// Colours are kept as plain RGB so that equal colours compare equal whatever model (RGB, HSV,
// CMYK) they were given in.
QColor PlainRgb(const QColor& color)
{
    const QColor c = color.toRgb();
    return QColor(c.red(), c.green(), c.blue());
}

} // namespace

TarGradient::TarGradient(QWidget* parent)
    : QWidget(parent)
    , m_colorBegin(Qt::white)
    , m_colorEnd(PlainRgb(QGuiApplication::palette().color(QPalette::Button)))
{
    // Every pixel is painted, so nothing needs erasing behind the control.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 100);
    UpdatePattern();
}

TarGradient::~TarGradient() = default;

void TarGradient::SetColorBegin(const QColor& color)
{
    const QColor c = PlainRgb(color);
    if (c == m_colorBegin)
        return;
    m_colorBegin = c;
    m_useSysColors = false;
    UpdatePattern();
}

void TarGradient::SetColorEnd(const QColor& color)
{
    const QColor c = PlainRgb(color);
    if (c == m_colorEnd)
        return;
    m_colorEnd = c;
    m_useSysColors = false;
    UpdatePattern();
}

void TarGradient::SetUseSysColors(bool on)
{
    if (on == m_useSysColors)
        return;
    m_useSysColors = on;
    if (on)
        UpdateSysColors();
}

void TarGradient::SetStyle(TarGradientStyle style)
{
    ChangeProperty(m_style, style);
}

void TarGradient::SetShift(int shift)
{
    ChangeProperty(m_shift, gradient::ClampPercent(shift));
}

void TarGradient::SetRotation(int rotation)
{
    ChangeProperty(m_rotation, gradient::ClampPercent(rotation));
}

void TarGradient::SetReverse(bool reverse)
{
    ChangeProperty(m_reverse, reverse);
}

void TarGradient::SetOnCustom(TCustomGradientEvent handler)
{
    m_onCustom = std::move(handler);
    if (m_style == gsCustom)
        UpdatePattern();
}

void TarGradient::BeginUpdate()
{
    ++m_updateCount;
}

void TarGradient::EndUpdate()
{
    if (m_updateCount > 0)
        --m_updateCount;
    if (m_updateCount == 0 && m_updatePending)
        UpdatePattern();
}

void TarGradient::UpdatePattern()
{
    m_updatePending = true;
    if (m_updateCount != 0)
        return;
    m_updatePending = false;

    gradient::Rgb first = ToRgb(m_colorBegin);
    gradient::Rgb second = ToRgb(m_colorEnd);
    if (m_reverse)
        std::swap(first, second);
    m_colors = gradient::BuildGradientColors(first, second, m_shift, m_rotation);
    BuildPattern(first, second);
    update();
}

void TarGradient::BuildPattern(gradient::Rgb first, gradient::Rgb second)
{
    // Cleared on every way out, also when a builder or the handler throws.
    m_building = true;
    const auto built = qScopeGuard([this] { m_building = false; });

    if (m_style != gsCustom)
        m_pattern = ToImage(gradient::BuildGradientPattern(m_style, m_colors));
    else if (m_onCustom)
        m_onCustom(this, m_colors, m_pattern);
    else
        m_pattern = ToImage(gradient::BuildQuadrantPattern(first, second));
}

void TarGradient::UpdateSysColors()
{
    BeginUpdate();
    SetColorBegin(ActiveTitleColor());
    SetColorEnd(ActiveTitleGradientColor());
    m_useSysColors = true;
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
    if (m_building)
        return;
    QPainter painter(this);
    // No smoothing: the painter scales by pixel replication.
    if (m_pattern.isNull())
        painter.fillRect(rect(), m_colorBegin);
    else
        painter.drawImage(rect(), m_pattern);
}

bool TarGradient::event(QEvent* event)
{
    // Sent to every widget when the platform's colours (the application palette) change.
    if (event->type() == QEvent::ApplicationPaletteChange && m_useSysColors)
        UpdateSysColors();
    return QWidget::event(event);
}
