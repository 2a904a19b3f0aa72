// ExtractField: the field splitter shared by list files, seed files and property set files.
#include "common/TextField.h"

#include <gtest/gtest.h>

TEST(ExtractField, PiecesCountedFromOneAndUntrimmed)
{
    EXPECT_EQ(ExtractField("a;b;c", u';', 1), "a");
    EXPECT_EQ(ExtractField("a;b;c", u';', 2), "b");
    EXPECT_EQ(ExtractField("a;b;c", u';', 3), "c");
    EXPECT_EQ(ExtractField(" a ; b ", u';', 2), " b ");
    EXPECT_EQ(ExtractField("x=y;z", u'=', 2), "y;z");
}

TEST(ExtractField, MissingPiecesAreEmpty)
{
    EXPECT_EQ(ExtractField("a;b", u';', 3), "");
    EXPECT_EQ(ExtractField("a;", u';', 2), "");
    EXPECT_EQ(ExtractField("a;", u';', 3), "");
    EXPECT_EQ(ExtractField("", u';', 1), "");
    EXPECT_EQ(ExtractField(";;", u';', 2), "");
    EXPECT_EQ(ExtractField("a;b", u';', 0), "");
}

TEST(ExtractField, TextWithoutSeparatorIsOnePiece)
{
    EXPECT_EQ(ExtractField("abc", u';', 1), "abc");
    EXPECT_EQ(ExtractField("abc", u';', 2), "");
}

TEST(ExtractField, LongTexts)
{
    QString line(300, u'x');
    line[279] = u';';
    line[0] = u'A';
    const QString first = ExtractField(line, u';', 1);
    EXPECT_EQ(first.size(), 279);
    EXPECT_EQ(first, line.left(279));
    EXPECT_EQ(ExtractField(line, u';', 2), QString(20, u'x'));

    const QString big = QString(5'000'000, u'p') + u';' + QString(3, u'q');
    EXPECT_EQ(ExtractField(big, u';', 1).size(), 5'000'000);
    EXPECT_EQ(ExtractField(big, u';', 2), "qqq");
}
