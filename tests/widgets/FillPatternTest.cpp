// Values built from a pattern, row by row.

#include "widgets/FillPattern.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(FillPattern, FieldsAndCountersExpandPerRow)
{
    // Column 1 "Material" holds a value per row; rows 1..3 belong to three documents.
    TarCells cells;
    const QStringList paths{u"C:\\Work\\Frames\\flange.par"_s, u"/home/u/Frames/rib.v2.psm"_s, u"plate"_s};
    for (qint32 row = 1; row <= 3; ++row)
        cells.GetCell(1, row)->text = u"S%1"_s.arg(row);
    const QStringList headers{u""_s, u"Material"_s, u"Title"_s};
    const RowFilePath filePath = [&](qint32 row) { return paths[row - 1]; };
    const CellArea area{2, 2, {1, 2, 3}};
    const struct {
        QString pattern;
        QStringList values;
    } cases[] = {
        {u"{base}-{#:3}"_s, {u"flange-001"_s, u"rib.v2-002"_s, u"plate-003"_s}},
        {u"{name} in {folder}"_s, {u"flange.par in Frames"_s, u"rib.v2.psm in Frames"_s, u"plate in "_s}},
        {u"{col:material}/{#}"_s, {u"S1/1"_s, u"S2/2"_s, u"S3/3"_s}},
        {u"{#:2:10:-15}"_s, {u"10"_s, u"-05"_s, u"-20"_s}},
        {u"{{{#:1:0:5}}}"_s, {u"{0}"_s, u"{5}"_s, u"{10}"_s}},
    };
    for (const auto& c : cases) {
        FillPattern pattern;
        QString error;
        ASSERT_TRUE(pattern.Parse(c.pattern, headers, error)) << error.toStdString();
        EXPECT_EQ(PreviewFill(pattern, cells, area, filePath, 10), c.values) << c.pattern.toStdString();
        EXPECT_EQ(PreviewFill(pattern, cells, area, filePath, 2), c.values.mid(0, 2));
    }

    // The plan: one write per row, a value equal to the cell's text and read-only cells left out.
    FillPattern pattern;
    QString error;
    ASSERT_TRUE(pattern.Parse(u"{base}"_s, headers, error));
    cells.GetCell(2, 2)->text = u"rib.v2"_s;
    const FillPlan plan = PlanFill(pattern, cells, area, filePath, [](qint32, qint32 row) { return row != 3; });
    ASSERT_EQ(plan.writes.size(), 1u);
    EXPECT_EQ(plan.writes[0].text, u"flange"_s);
    EXPECT_EQ(plan.unchanged, 1);
    EXPECT_EQ(plan.refused, 1);
}

TEST(FillPattern, BadPatternsAreRefusedWithTheirPlace)
{
    const struct {
        QString pattern;
        QString errorPart;
    } cases[] = {
        {u"a{name"_s, u"character 2"_s},   {u"x}"_s, u"character 2"_s},
        {u"{file}"_s, u"{file}"_s},          {u"{col:Weight}"_s, u"\"Weight\""_s},
        {u"{#:0}"_s, u"{#:0}"_s},            {u"{#:3:x}"_s, u"{#:3:x}"_s},
        {u"{#:3:1:1:1}"_s, u"{#:3:1:1:1}"_s},
    };
    for (const auto& c : cases) {
        FillPattern pattern;
        QString error;
        EXPECT_FALSE(pattern.Parse(c.pattern, {u"Material"_s}, error)) << c.pattern.toStdString();
        EXPECT_TRUE(error.contains(c.errorPart)) << error.toStdString();
    }
}
