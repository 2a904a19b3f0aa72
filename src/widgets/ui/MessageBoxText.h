#pragma once
// The text block of the message box. It measures and paints the text with the same line
// breaking, so the height given to the layout is the height it paints: breaks at word
// boundaries, breaks inside a word only when the word alone is wider than the block (a long
// path stays readable instead of being cut off), line breaks in the text are kept and tabs
// are expanded to every eighth blank.

#include <QWidget>

class MessageBoxText : public QWidget {
    Q_OBJECT
public:
    MessageBoxText(const QString& text, QWidget* parent);

    QString Text() const { return m_text; }

    // Height of the text wrapped at the given width with the given font; 0 for an empty text.
    static int WrappedHeight(const QFont& font, const QString& text, int width,
                             Qt::LayoutDirection direction = Qt::LeftToRight);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};
