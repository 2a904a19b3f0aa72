// The grid over the cell store: drawing (read back from pixels), editing hooks, column fitting,
// selection and mouse positions.

#include "widgets/ui/TarGrid.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QColor kFixedBack(200, 200, 200), kFixedText(0, 0, 128), kSelBack(0, 0, 255), kSelText(255, 255, 0),
    kText(0, 0, 0), kEven(255, 255, 255), kOdd(0xF4, 0xFA, 0xFF), kChanged(255, 230, 150);

struct Ink {
    int left = INT_MAX, right = -1;
};

// Where pixels of another colour than `back` lie inside `rect` of `image`.
Ink InkIn(const QImage& image, const QRect& rect, const QColor& back)
{
    Ink ink;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixelColor(x, y) != back) {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
            }
    return ink;
}

class GridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFont font(u"DejaVu Sans"_s);
        font.setPixelSize(12);
        grid.setFont(font);
        grid.resize(400, 200);
    }
    // A cell's rectangle in the grid's own coordinates.
    QRect CellRect(int col, int row) const
    {
        const QRect r = grid.visualRect(grid.model()->index(row - grid.FixedRows(), col - grid.FixedCols()));
        return QRect(grid.viewport()->mapTo(&grid, r.topLeft()), r.size());
    }
    TarGrid grid;
};

} // namespace

TEST_F(GridTest, DrawsFixedSelectedStripedCellsAndAlignsNumbersRight)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia)); // decimal comma
    TarGridColors& c = grid.GridColors();
    c.fixedBackgroundColor = kFixedBack;
    c.fixedTextColor = kFixedText;
    c.selectedBackgroundColor = kSelBack;
    c.selectedTextColor = kSelText;
    c.textColor = kText;
    c.backgroundColor1 = kEven;
    c.backgroundColor2 = kOdd;
    c.changedBackgroundColor = kChanged;
    grid.SetColCount(3);
    grid.SetRowCount(5);
    grid.SetColWidths(0, 60);
    grid.SetColWidths(1, 90);
    grid.SetColWidths(2, 90);
    grid.Cell(1, 0)->SetText(u"12,5"_s); // fixed: left-aligned although a number
    grid.Cell(0, 1)->SetText(u"1. a"_s);
    grid.Cell(1, 1)->SetText(u"12,5"_s);
    grid.Cell(1, 2)->SetText(u"12.5"_s);
    grid.Cell(1, 3)->SetText(u"Steel 3"_s);
    grid.Cell(2, 3)->SetText(u"-7"_s);
    grid.Cell(2, 4)->SetText(u"0,25"_s);
    grid.CellsObject().ClearChanged();
    grid.Cell(2, 2)->SetText(u"edited"_s);
    grid.SetSelection(2, 4, 2, 4);
    grid.show();
    const QImage image = grid.grab().toImage();
    QLocale::setDefault(saved);

    const struct {
        int col, row;
        QColor back;
        int align; // -1 empty, 0 left, 1 right
    } cases[] = {
        {1, 0, kFixedBack, 0}, {0, 1, kFixedBack, 0}, {1, 1, kOdd, 1},  {1, 2, kEven, 0}, {2, 2, kChanged, 0},
        {1, 3, kOdd, 0},       {2, 3, kOdd, 1},       {1, 4, kEven, -1}, {2, 4, kSelBack, 1},
    };
    for (const auto& k : cases) {
        // Fixed cells are the headers: their rectangles come from the header sections.
        QRect rect = k.row == 0 ? QRect(CellRect(k.col, 1).left(), grid.horizontalHeader()->geometry().top(),
                                        CellRect(k.col, 1).width(), grid.DefaultRowHeight())
                   : k.col == 0 ? QRect(grid.verticalHeader()->geometry().left(), CellRect(1, k.row).top(),
                                        grid.ColWidths(0), CellRect(1, k.row).height())
                                : CellRect(k.col, k.row);
        rect.adjust(1, 1, -2, -2); // inside the grid lines and edges
        ASSERT_TRUE(QRect(QPoint(0, 0), image.size()).contains(rect)) << k.col << "," << k.row;
        EXPECT_EQ(image.pixelColor(rect.left() + rect.width() / 2, rect.bottom()), k.back) << k.col << "," << k.row;
        const Ink ink = InkIn(image, rect, k.back);
        if (k.align < 0) {
            EXPECT_EQ(ink.right, -1) << k.col << "," << k.row;
            continue;
        }
        ASSERT_GE(ink.right, 0) << "no text in " << k.col << "," << k.row;
        if (k.align == 0)
            EXPECT_LE(ink.left, rect.left() + 4) << k.col << "," << k.row;
        else
            EXPECT_GE(ink.right, rect.right() - 4) << k.col << "," << k.row;
        EXPECT_TRUE(k.align == 0 ? ink.right < rect.right() - 10 : ink.left > rect.left() + 10) << k.col << "," << k.row;
    }
}

TEST_F(GridTest, InPlaceEditingGoesThroughTheHooks)
{
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.SetEditing(true);
    grid.Cell(1, 1)->SetText(u"old"_s);
    grid.CellsObject().ClearChanged();
    grid.show();

    // Opening the editor on an empty position creates an empty, unchanged cell.
    EXPECT_EQ(grid.GetEditText(2, 2), QString());
    TarCell* opened = nullptr;
    ASSERT_TRUE(grid.CellsObject().Find(2, 2, opened));
    EXPECT_FALSE(opened->changed);

    for (const bool commit : {false, true}) {
        grid.SetSelection(1, 1, 1, 1);
        grid.setFocus();
        QTest::keyClick(&grid, Qt::Key_F2);
        QLineEdit* editor = nullptr;
        for (QLineEdit* e : grid.viewport()->findChildren<QLineEdit*>())
            if (e->isVisible())
                editor = e;
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->text(), u"old"_s);
        editor->setText(u"new"_s);
        QTest::keyClick(editor, commit ? Qt::Key_Return : Qt::Key_Escape);
        QApplication::processEvents(); // the delegate commits through a queued call
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(grid.CellsObject().GetText(1, 1), commit ? u"new"_s : u"old"_s);
        EXPECT_EQ(grid.Cell(1, 1)->changed, commit);
    }
}

TEST_F(GridTest, ShownRowsKeepTheirCellsAndEditsThroughThemAreUndoable)
{
    grid.SetColCount(3);
    grid.SetRowCount(6);
    grid.SetEditing(true);
    for (int row = 1; row < 6; ++row) {
        grid.Cell(0, row)->SetText(u"%1."_s.arg(row));
        grid.Cell(1, row)->SetText(u"v%1"_s.arg(row));
    }
    grid.CellsObject().ClearChanged();
    grid.SetColWidths(1, 30);
    grid.show();

    grid.SetShownRows({4, 2, 9}); // 9 is no row of the grid
    EXPECT_EQ(grid.ShownRowCount(), 2);
    EXPECT_EQ(grid.model()->data(grid.model()->index(0, 0)).toString(), u"v4"_s);
    EXPECT_EQ(grid.model()->headerData(1, Qt::Vertical).toString(), u"2."_s);
    grid.SetSelection(1, 1, 2, 2);
    const CellArea area = grid.SelectedArea();
    EXPECT_EQ((std::vector<qint32>{area.left, area.right}), (std::vector<qint32>{1, 2}));
    EXPECT_EQ(area.rows, (std::vector<qint32>{4, 2}));

    // Typing into the first shown row changes grid row 4; a bulk write widens its column.
    grid.SetSelection(1, 1, 1, 1);
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_F2);
    QLineEdit* editor = grid.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(u"typed"_s);
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(grid.CellsObject().GetText(1, 4), u"typed"_s);
    grid.ApplyWrites({{1, 2, u"a text far wider than thirty pixels"_s}});
    EXPECT_GT(grid.ColWidths(1), 100);
    EXPECT_EQ(grid.History().StepCount(), 2u);
    ASSERT_TRUE(grid.Undo());
    ASSERT_TRUE(grid.Undo());
    EXPECT_FALSE(grid.Undo());
    EXPECT_EQ((QStringList{grid.CellsObject().GetText(1, 4), grid.CellsObject().GetText(1, 2)}),
              (QStringList{u"v4"_s, u"v2"_s}));
    EXPECT_FALSE(grid.Cell(1, 4)->changed || grid.Cell(1, 2)->changed);
    ASSERT_TRUE(grid.Redo());
    EXPECT_TRUE(grid.Cell(1, 4)->changed);

    grid.ShowAllRows();
    EXPECT_EQ(grid.ShownRowCount(), 5);
    EXPECT_EQ(grid.GridRow(4), 4);
}

TEST_F(GridTest, ColumnFittingDeletingAndSizes)
{
    grid.SetColCount(4);
    grid.SetRowCount(3);
    grid.OptimalColWidths();
    for (int col = 0; col < 4; ++col)
        EXPECT_EQ(grid.ColWidths(col), 15) << col;
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    const QString wide = u"A much wider text than the header"_s;
    grid.Cell(1, 0)->SetText(u"Name"_s);
    grid.Cell(1, 2)->SetText(wide);
    grid.Cell(1, 3)->SetText(wide + wide); // beyond RowCount: not measured
    grid.Cell(0, 1)->SetText(u"1. part.par"_s);
    grid.AutoSizeColumn(1);
    grid.AutoSizeColumn(0);
    EXPECT_EQ(grid.ColWidths(1), QFontMetrics(grid.font()).horizontalAdvance(wide) + 15);
    EXPECT_EQ(grid.ColWidths(0), QFontMetrics(grid.font()).horizontalAdvance(u"1. part.par"_s) + 15);

    // Only texts that can be the widest are measured: the result must still be the widest.
    const QStringList sets[] = {
        {u"AVAVAVAVAV"_s, u"WWWWWWW"_s, u"iiiiiiiiiiiiiiiii"_s, u"To Ty Te"_s, u"1.5"_s},
        {u"Zobnik Ø40 čšž"_s, u"Zobnik Ø40 csz"_s, u"אבגדה"_s, u"e\u0301e\u0301e\u0301"_s, u"😀😀😀😀😀😀😀😀😀😀😀😀"_s},
        {u"2024-05-17"_s, u"2024-11-11"_s, u"2024-10-10"_s, u"2024-08-08"_s},
    };
    for (const QStringList& texts : sets) {
        TarGrid column;
        column.setFont(grid.font());
        column.SetColCount(2);
        column.SetRowCount(int(texts.size()) + 1);
        int widest = 0;
        for (int i = 0; i < texts.size(); ++i) {
            column.Cell(1, i + 1)->SetText(texts[i]);
            widest = std::max(widest, QFontMetrics(grid.font()).horizontalAdvance(texts[i]));
        }
        column.AutoSizeColumn(1);
        EXPECT_EQ(column.ColWidths(1), widest + 15) << texts.join(u' ').toStdString();
    }

    // Shrinking the grid keeps the store; deleting a range empties it there.
    grid.SetRowCount(2);
    EXPECT_EQ(grid.CellsObject().GetText(1, 2), wide);
    grid.DeleteCells(1, 1, 3, 5);
    EXPECT_EQ(grid.CellsObject().GetText(1, 2), QString());
    EXPECT_EQ(grid.CellsObject().GetText(1, 0), u"Name"_s);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(GridTest, SelectionAndMouseReleasesInGridCells)
{
    grid.SetColCount(4);
    grid.SetRowCount(6);
    grid.show();
    grid.SetSelection(2, 1, 3, 5);
    EXPECT_EQ(grid.Selection(), QRect(QPoint(2, 1), QPoint(3, 5)));
    EXPECT_EQ(std::pair(grid.Col(), grid.Row()), std::pair(2, 1));

    QSignalSpy ups(&grid, &TarGrid::MouseUp);
    const QPoint data = CellRect(1, 3).center();
    const QPoint header(CellRect(2, 1).center().x(), grid.horizontalHeader()->geometry().center().y());
    const QPoint fixedCol(grid.verticalHeader()->geometry().center().x(), CellRect(1, 2).center().y());
    const QPoint below(data.x(), CellRect(1, 5).bottom() + 10);
    const struct {
        QWidget* target;
        QPoint at;
        Qt::MouseButton button;
        int col, row;
    } cases[] = {
        {grid.viewport(), data, Qt::RightButton, 1, 3},
        {grid.horizontalHeader()->viewport(), header, Qt::LeftButton, 2, 0},
        {grid.verticalHeader()->viewport(), fixedCol, Qt::LeftButton, 0, 2},
        {grid.viewport(), below, Qt::RightButton, 1, -1},
    };
    for (const auto& c : cases) {
        ups.clear();
        QTest::mouseClick(c.target, c.button, {}, c.target->mapFrom(&grid, c.at));
        ASSERT_EQ(ups.size(), 1);
        EXPECT_EQ(ups[0][0].value<Qt::MouseButton>(), c.button);
        EXPECT_EQ(std::pair(ups[0][1].toInt(), ups[0][2].toInt()), std::pair(c.col, c.row));
    }
    EXPECT_EQ(grid.Selection(), QRect(QPoint(2, 1), QPoint(3, 5))) << "clicks on fixed cells and right clicks select nothing";
}

TEST_F(GridTest, TheFixedColumnIsSizedByDraggingItsRightEdge)
{
    grid.SetColCount(4);
    grid.SetRowCount(6);
    grid.show();
    QSignalSpy ups(&grid, &TarGrid::MouseUp);
    const int headerRow = grid.horizontalHeader()->geometry().center().y();
    const struct {
        QWidget* target;
        int fromEdge; // where the drag starts, from the fixed column's right edge
        int y;
    } grips[] = {
        {grid.verticalHeader()->viewport(), -2, CellRect(1, 2).center().y()},
        {grid.findChild<QAbstractButton*>(), -1, headerRow},
        {grid.horizontalHeader()->viewport(), 1, headerRow},
    };
    for (const auto& g : grips) {
        ASSERT_NE(g.target, nullptr);
        grid.SetColWidths(0, 60);
        const QPoint start = g.target->mapFrom(&grid, QPoint(grid.verticalHeader()->x() + 60 + g.fromEdge, g.y));
        QTest::mousePress(g.target, Qt::LeftButton, {}, start);
        QTest::mouseMove(g.target, start + QPoint(40, 0));
        QTest::mouseRelease(g.target, Qt::LeftButton, {}, start + QPoint(40, 0));
        EXPECT_EQ(grid.ColWidths(0), 100 + g.fromEdge) << g.target->metaObject()->className();
        EXPECT_EQ(grid.verticalHeader()->width(), grid.ColWidths(0));
        // The fixed row and the cells start at the new edge.
        EXPECT_EQ(grid.horizontalHeader()->x(), grid.verticalHeader()->x() + grid.ColWidths(0));
        EXPECT_EQ(grid.viewport()->x(), grid.horizontalHeader()->x());
    }
    EXPECT_TRUE(ups.isEmpty()) << "a drag of the edge is no click on a cell";
}
