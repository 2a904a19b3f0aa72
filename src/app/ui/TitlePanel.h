#pragma once
// The title strip across the top of the main window (`pnlTitle`): the program's name in large
// white letters (`lblTitle`) and the two logo pictures (`Image321`, `Image322`) on a maroon
// background.

#include <QFrame>

class QLabel;

class TitlePanel : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TitlePanel)
public:
    explicit TitlePanel(QWidget* parent = nullptr);

private:
    QLabel* m_image321 = nullptr;
    QLabel* m_image322 = nullptr;
    QLabel* m_lblTitle = nullptr;
};
