#include "app/ui/TitlePanel.h"

#include "widgets/ui/TarGradient.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

using namespace Qt::StringLiterals;

namespace {

constexpr int kLogoSize = 56;

QPixmap EmptyLogo()
{
    QPixmap pixmap(kLogoSize, kLogoSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A solid block seen from above at an angle, its three faces in three shades of steel blue and
// a bright front edge: a solid with an edge.
QPixmap SolidEdgeLogo()
{
    QPixmap pixmap = EmptyLogo();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF top(28, 6), left(7, 17), right(49, 17), centre(28, 28), bottomLeft(7, 40),
        bottomRight(49, 40), bottom(28, 51);
    auto face = [&p](std::initializer_list<QPointF> corners, QColor colour) {
        QPainterPath path;
        path.moveTo(*corners.begin());
        for (const QPointF& c : corners)
            path.lineTo(c);
        path.closeSubpath();
        p.fillPath(path, colour);
    };
    face({top, right, centre, left}, QColor(0xd8, 0xe4, 0xf0));
    face({left, centre, bottom, bottomLeft}, QColor(0x4a, 0x78, 0xa8));
    face({centre, right, bottomRight, bottom}, QColor(0x2a, 0x4a, 0x70));
    p.setPen(QPen(QColor(0xff, 0xc0, 0x30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, bottom);
    return pixmap;
}

// The maker's badge: a white disc with a green ring and a maroon "T".
QPixmap MakerLogo()
{
    QPixmap pixmap = EmptyLogo();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x2e, 0x8b, 0x3a), 4));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(4, 4, kLogoSize - 8, kLogoSize - 8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x80, 0, 0));
    p.drawRect(QRectF(15, 15, 26, 7));
    p.drawRect(QRectF(24.5, 15, 7, 27));
    return pixmap;
}

QLabel* Logo(const QString& name, const QString& hint, const QPixmap& picture, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setToolTip(hint);
    label->setPixmap(picture);
    label->setFixedSize(picture.size());
    return label;
}

} // namespace

TitlePanel::TitlePanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(u"pnlTitle"_s);
    setFixedHeight(70);
    setFrameStyle(QFrame::Panel | QFrame::Raised);

    // The gradient fills the panel inside its bevel; logos and title lie on it.
    m_gradientTitle = new TarGradient(this);
    m_gradientTitle->setObjectName(u"GradientTitle"_s);
    m_gradientTitle->BeginUpdate();
    m_gradientTitle->SetColorBegin(QColor(0x80, 0, 0));
    m_gradientTitle->SetColorEnd(QColor(0xff, 0, 0));
    m_gradientTitle->SetStyle(gsLinearH);
    m_gradientTitle->EndUpdate();
    auto* frameLayout = new QHBoxLayout(this);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->addWidget(m_gradientTitle);

    m_image321 = Logo(u"Image321"_s, u"Solid edge logo"_s, SolidEdgeLogo(), m_gradientTitle);
    m_image322 = Logo(u"Image322"_s, u"Travenkalo"_s, MakerLogo(), m_gradientTitle);

    m_lblTitle = new QLabel(u"Velmar solid edge utils"_s, m_gradientTitle);
    m_lblTitle->setObjectName(u"lblTitle"_s);
    QFont titleFont(u"Tahoma"_s);
    titleFont.setBold(true);
    titleFont.setPixelSize(24);
    m_lblTitle->setFont(titleFont);
    QPalette text = m_lblTitle->palette();
    text.setColor(QPalette::WindowText, Qt::white);
    m_lblTitle->setPalette(text);

    auto* layout = new QHBoxLayout(m_gradientTitle);
    layout->setContentsMargins(4, 4, 16, 4);
    layout->setSpacing(4);
    layout->addWidget(m_image321, 0, Qt::AlignTop);
    layout->addWidget(m_image322, 0, Qt::AlignTop);
    layout->addSpacing(12);
    layout->addWidget(m_lblTitle);
    layout->addStretch();
}
