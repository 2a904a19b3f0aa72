#include "app/ui/TitlePanel.h"

#include <QHBoxLayout>
#include <QLabel>

using namespace Qt::StringLiterals;

TitlePanel::TitlePanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(u"pnlTitle"_s);
    setFixedHeight(70);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(0x80, 0, 0));
    setPalette(background);

    // The logos have no pictures yet; hidden, they take no room from the title.
    m_image321 = new QLabel(this);
    m_image321->setObjectName(u"Image321"_s);
    m_image321->setToolTip(u"Solid edge logo"_s);
    m_image321->hide();
    m_image322 = new QLabel(this);
    m_image322->setObjectName(u"Image322"_s);
    m_image322->hide();

    m_lblTitle = new QLabel(u"Velmar solid edge utils"_s, this);
    m_lblTitle->setObjectName(u"lblTitle"_s);
    QFont titleFont(u"Tahoma"_s);
    titleFont.setBold(true);
    titleFont.setPixelSize(24);
    m_lblTitle->setFont(titleFont);
    QPalette text = m_lblTitle->palette();
    text.setColor(QPalette::WindowText, Qt::white);
    m_lblTitle->setPalette(text);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 0, 16, 0);
    layout->addWidget(m_image321);
    layout->addWidget(m_image322);
    layout->addWidget(m_lblTitle);
    layout->addStretch();
}
