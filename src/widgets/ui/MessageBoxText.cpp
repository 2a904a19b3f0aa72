#include "widgets/ui/MessageBoxText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

namespace {

// Line breaks of any style become the separator QTextLayout breaks lines at.
QString LayoutText(QString text)
{
    text.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    text.replace(QLatin1Char('\r'), QChar::LineSeparator);
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

// Breaks the text into lines of the given width; returns the height of all lines.
qreal BreakLines(QTextLayout& layout, const QFont& font, int width, Qt::LayoutDirection direction)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(direction);
    option.setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 8);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}

} // namespace

MessageBoxText::MessageBoxText(const QString& text, QWidget* parent)
    : QWidget(parent), m_text(text)
{
    setAccessibleName(text);
}

int MessageBoxText::WrappedHeight(const QFont& font, const QString& text, int width,
                                  Qt::LayoutDirection direction)
{
    if (text.isEmpty())
        return 0;
    QTextLayout layout(LayoutText(text), font);
    return int(std::ceil(BreakLines(layout, font, width, direction)));
}

void MessageBoxText::paintEvent(QPaintEvent*)
{
    if (m_text.isEmpty())
        return;
    QTextLayout layout(LayoutText(m_text), font(), this);
    BreakLines(layout, font(), width(), layoutDirection());
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, QPointF(0, 0));
}
