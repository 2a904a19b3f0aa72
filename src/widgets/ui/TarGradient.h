#pragma once
// A control that fills its rectangle with a gradient between two colours in one of 24 shapes.
// Every property change rebuilds a colour table and a small pattern whose size depends on the
// shape only; painting just scales that pattern over the rectangle by pixel replication, so a
// resize costs nothing but the copy.

#include "widgets/GradientPattern.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <functional>

class TarGradient : public QWidget {
    Q_OBJECT
public:
    // Builds the pattern of gsCustom: may resize and fill Pattern as it likes; whatever it leaves
    // there is painted. Colors is the table of the current colours, shift and rotation.
    using TCustomGradientEvent =
        std::function<void(TarGradient* sender, const TarGradientColors& colors, QImage& pattern)>;

    // White to the button face colour, gsRadialC, 100 × 100, first pattern built.
    explicit TarGradient(QWidget* parent = nullptr);
    ~TarGradient() override;

    QColor ColorBegin() const { return m_colorBegin; }
    QColor ColorEnd() const { return m_colorEnd; }
    // Both setters stop the colours from following the platform (UseSysColors off).
    void SetColorBegin(const QColor& color);
    void SetColorEnd(const QColor& color);

    // On: the colours are the platform's active title colours, now and after every change of
    // them. Off: the present colours stay.
    bool UseSysColors() const { return m_useSysColors; }
    void SetUseSysColors(bool on);

    TarGradientStyle Style() const { return m_style; }
    void SetStyle(TarGradientStyle style);
    // Percent, -100..100; values outside are clamped.
    int Shift() const { return m_shift; }
    void SetShift(int shift);
    int Rotation() const { return m_rotation; }
    void SetRotation(int rotation);
    // Swaps the roles of the two colours.
    bool Reverse() const { return m_reverse; }
    void SetReverse(bool reverse);

    void SetOnCustom(TCustomGradientEvent handler);

    // Rebuilds asked for between BeginUpdate and the matching EndUpdate run once, at the end.
    void BeginUpdate();
    void EndUpdate();

    // The table and pattern of the last build.
    const TarGradientColors& Colors() const { return m_colors; }
    const QImage& Pattern() const { return m_pattern; }
    // True while a pattern is being built (painting then leaves the control alone).
    bool Building() const { return m_building; }

    // Rebuilds table and pattern and repaints; deferred while an update is open.
    virtual void UpdatePattern();
    // Takes the platform's active title colours as the two colours and turns UseSysColors on.
    virtual void UpdateSysColors();

    // The colours UpdateSysColors takes. Qt's palette has no title bar roles: the active
    // highlight is the colour the platform gives active, selected things (on Windows the classic
    // active caption colour), the active window colour the surface it fades into.
    static QColor ActiveTitleColor();
    static QColor ActiveTitleGradientColor();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void BuildPattern(gradient::Rgb first, gradient::Rgb second);
    // Stores a property and rebuilds the pattern, unless the property already has that value.
    template <class T>
    void ChangeProperty(T& property, const T& value)
    {
        if (property == value)
            return;
        property = value;
        UpdatePattern();
    }

    QColor m_colorBegin;
    QColor m_colorEnd;
    bool m_useSysColors = false;
    TarGradientStyle m_style = gsRadialC;
    int m_shift = 0;
    int m_rotation = 0;
    bool m_reverse = false;
    TCustomGradientEvent m_onCustom;

    TarGradientColors m_colors{};
    QImage m_pattern;
    bool m_building = false;
    int m_updateCount = 0;
    bool m_updatePending = false;
};
