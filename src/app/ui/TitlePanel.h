#pragma once
// The title strip across the top of the main window (`pnlTitle`): a maroon-to-red gradient
// (`GradientTitle`) carrying the two logo pictures (`Image321`, `Image322`) and the program's name
// in large white letters (`lblTitle`).

#include <QFrame>

class QLabel;
class TarGradient;

class TitlePanel : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TitlePanel)
public:
    explicit TitlePanel(QWidget* parent = nullptr);

private:
    TarGradient* m_gradientTitle = nullptr;
    QLabel* m_image321 = nullptr;
    QLabel* m_image322 = nullptr;
    QLabel* m_lblTitle = nullptr;
};
