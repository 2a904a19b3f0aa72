// ExtractField: the field splitter shared by list files, seed files and property set files.
#include "common/TextField.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ExtractField, PiecesCountedFromOneAndUntrimmed)
{
    EXPECT_EQ(ExtractField(u"a;b;c"_s, u';', 1), u"a"_s);
    EXPECT_EQ(ExtractField(u"a;b;c"_s, u';', 2), u"b"_s);
    EXPECT_EQ(ExtractField(u"a;b;c"_s, u';', 3), u"c"_s);
    EXPECT_EQ(ExtractField(u" a ; b "_s, u';', 2), u" b "_s);
    EXPECT_EQ(ExtractField(u"x=y;z"_s, u'=', 2), u"y;z"_s);
}

TEST(ExtractField, MissingPiecesAreEmpty)
{
    EXPECT_EQ(ExtractField(u"a;b"_s, u';', 3), u""_s);
    EXPECT_EQ(ExtractField(u"a;"_s, u';', 2), u""_s);
    EXPECT_EQ(ExtractField(u"a;"_s, u';', 3), u""_s);
    EXPECT_EQ(ExtractField(u""_s, u';', 1), u""_s);
    EXPECT_EQ(ExtractField(u";;"_s, u';', 2), u""_s);
    EXPECT_EQ(ExtractField(u"a;b"_s, u';', 0), u""_s);
}

TEST(ExtractField, TextWithoutSeparatorIsOnePiece)
{
    EXPECT_EQ(ExtractField(u"abc"_s, u';', 1), u"abc"_s);
    EXPECT_EQ(ExtractField(u"abc"_s, u';', 2), u""_s);
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
    EXPECT_EQ(ExtractField(big, u';', 2), u"qqq"_s);
}
