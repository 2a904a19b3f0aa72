// The gradient control on the offscreen platform: property rules, deferred rebuilds, the custom
// handler, the platform's title colours, and what it paints.
#include "widgets/ui/TarGradient.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <QSet>

#include <stdexcept>

namespace {

QImage paint(TarGradient& g, int width, int height)
{
    g.resize(width, height);
    return g.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A gsCustom control whose handler counts the builds and paints one pixel of the table's entry 0.
struct CountingGradient {
    TarGradient g;
    int builds = 0;
    CountingGradient()
    {
        g.SetStyle(gsCustom);
        g.SetOnCustom([this](TarGradient*, const TarGradientColors& colors, QImage& pattern) {
            ++builds;
            pattern = QImage(1, 1, QImage::Format_RGB888);
            pattern.setPixelColor(0, 0, QColor(colors[0].r, colors[0].g, colors[0].b));
        });
        builds = 0;
    }
};

} // namespace

TEST(TarGradient, StartsWithItsDefaultsAndAFirstPattern)
{
    TarGradient g;
    EXPECT_EQ(g.ColorBegin(), QColor(Qt::white));
    EXPECT_EQ(g.ColorEnd(), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(g.Style(), gsRadialC);
    EXPECT_EQ(g.size(), QSize(100, 100));
    EXPECT_TRUE(g.testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_EQ(g.Pattern().size(), QSize(362, 362));
    // The centre is the first colour, the corners the second.
    EXPECT_EQ(g.Pattern().pixelColor(180, 180), QColor(Qt::white));
    EXPECT_EQ(g.Pattern().pixelColor(0, 0), g.ColorEnd());
}

TEST(TarGradient, ReverseSwapsTheColours)
{
    TarGradient a, b;
    a.SetColorBegin(QColor(128, 0, 0));
    a.SetColorEnd(QColor(10, 200, 255));
    a.SetReverse(true);
    b.SetColorBegin(QColor(10, 200, 255));
    b.SetColorEnd(QColor(128, 0, 0));
    EXPECT_EQ(a.Colors(), b.Colors());
    EXPECT_EQ(a.Colors()[0], (gradient::Rgb{10, 200, 255}));
}

TEST(TarGradient, SettersClampAndRebuildOnlyOnChange)
{
    CountingGradient c;
    struct Step { const char* what; std::function<void()> set; std::function<int()> get; int stored; int builds; };
    const Step steps[] = {
        {"shift 120", [&] { c.g.SetShift(120); }, [&] { return c.g.Shift(); }, 100, 1},
        {"shift 100 again", [&] { c.g.SetShift(100); }, [&] { return c.g.Shift(); }, 100, 1},
        {"rotation -130", [&] { c.g.SetRotation(-130); }, [&] { return c.g.Rotation(); }, -100, 2},
        {"rotation -100 again", [&] { c.g.SetRotation(-100); }, [&] { return c.g.Rotation(); }, -100, 2},
        {"same begin colour", [&] { c.g.SetColorBegin(Qt::white); }, [] { return 0; }, 0, 2},
        {"reverse", [&] { c.g.SetReverse(true); }, [&] { return int(c.g.Reverse()); }, 1, 3},
        {"style", [&] { c.g.SetStyle(gsLinearH); }, [&] { return int(c.g.Style()); }, int(gsLinearH), 3},
    };
    for (const Step& s : steps) {
        s.set();
        EXPECT_EQ(s.get(), s.stored) << s.what;
        EXPECT_EQ(c.builds, s.builds) << s.what;
    }
}

TEST(TarGradient, ChangesInsideAnUpdateBuildOnceAtTheEnd)
{
    CountingGradient c;
    c.g.BeginUpdate();
    c.g.BeginUpdate();
    c.g.SetColorBegin(QColor(1, 2, 3));
    c.g.SetShift(10);
    c.g.SetRotation(20);
    c.g.EndUpdate();
    EXPECT_EQ(c.builds, 0);
    c.g.EndUpdate();
    EXPECT_EQ(c.builds, 1);
    c.g.BeginUpdate();
    c.g.EndUpdate(); // nothing was asked for
    EXPECT_EQ(c.builds, 1);
}

TEST(TarGradient, FailingHandlerClearsBuildingAndPropagates)
{
    TarGradient g;
    g.SetStyle(gsCustom);
    bool buildingSeen = false;
    // Handing a gsCustom control its handler builds with it at once.
    EXPECT_THROW(g.SetOnCustom([&](TarGradient* sender, const TarGradientColors&, QImage&) {
        buildingSeen = sender->Building();
        throw std::runtime_error("handler failed");
    }),
                 std::runtime_error);
    EXPECT_TRUE(buildingSeen);
    EXPECT_FALSE(g.Building());
    EXPECT_THROW(g.SetShift(5), std::runtime_error);
    EXPECT_FALSE(g.Building());
}

TEST(TarGradient, SystemColoursFollowThePaletteUntilAColourIsSet)
{
    const QPalette saved = QApplication::palette();
    auto setTitleColours = [](QColor active, QColor window) {
        QPalette p = QApplication::palette();
        p.setColor(QPalette::Active, QPalette::Highlight, active);
        p.setColor(QPalette::Active, QPalette::Window, window);
        QApplication::setPalette(p);
        // Widgets hear of the change through posted events, like of any settings change.
        QApplication::processEvents();
    };
    setTitleColours(QColor(0, 0, 128), QColor(166, 202, 240));

    TarGradient g;
    g.SetStyle(gsLinearH);
    g.SetUseSysColors(true);
    EXPECT_TRUE(g.UseSysColors());
    EXPECT_EQ(g.ColorBegin(), QColor(0, 0, 128));
    EXPECT_EQ(g.ColorEnd(), QColor(166, 202, 240));
    EXPECT_EQ(g.Colors()[255], (gradient::Rgb{166, 202, 240}));

    setTitleColours(QColor(0, 84, 227), QColor(61, 149, 255));
    EXPECT_EQ(g.ColorBegin(), QColor(0, 84, 227));
    EXPECT_EQ(g.Colors()[0], (gradient::Rgb{0, 84, 227}));

    g.SetColorBegin(QColor(128, 0, 0));
    EXPECT_FALSE(g.UseSysColors());
    setTitleColours(QColor(1, 1, 1), QColor(2, 2, 2));
    EXPECT_EQ(g.ColorBegin(), QColor(128, 0, 0));
    EXPECT_EQ(g.ColorEnd(), QColor(61, 149, 255));

    QApplication::setPalette(saved);
    QApplication::processEvents();
}

TEST(TarGradient, CustomWithoutHandlerPaintsFourQuadrantsByReplication)
{
    TarGradient g;
    g.SetColorBegin(QColor(128, 0, 0));
    g.SetColorEnd(QColor(255, 0, 0));
    g.SetStyle(gsCustom);
    const QImage img = paint(g, 100, 60);
    const QColor first(128, 0, 0), second(255, 0, 0);
    // Whole quadrants, no blended pixel anywhere.
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(img.pixelColor(x, y), ((x < 50) == (y < 30)) ? first : second) << x << "," << y;
}

TEST(TarGradient, HorizontalStripRunsFromMaroonToRed)
{
    TarGradient g;
    g.SetColorBegin(QColor(128, 0, 0));
    g.SetColorEnd(QColor(255, 0, 0));
    g.SetStyle(gsLinearH);
    ASSERT_EQ(g.Pattern().size(), QSize(256, 1));
    const QImage img = paint(g, 746, 70);
    EXPECT_EQ(img.pixelColor(0, 35), QColor(128, 0, 0));
    EXPECT_EQ(img.pixelColor(745, 35), QColor(255, 0, 0));
    QSet<int> reds;
    for (int x = 0; x < img.width(); ++x) {
        const QColor top = img.pixelColor(x, 0);
        EXPECT_EQ(top.green() + top.blue(), 0) << x;
        if (x > 0) {
            EXPECT_GE(top.red(), img.pixelColor(x - 1, 0).red()) << x;
        }
        for (int y = 1; y < img.height(); ++y)
            ASSERT_EQ(img.pixelColor(x, y), top) << x << "," << y;
        reds.insert(top.red());
    }
    // Every red of the table (128..255) shows, each over about three columns.
    EXPECT_EQ(reds.size(), 128);
}
