// ExtractField: the field splitter shared by list files, seed files and property set files.
#include "common/TextField.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ExtractField, PiecesCountedFromOneUntrimmedAndEmptyWhenMissing)
{
    const struct {
        const char16_t* text;
        char16_t separator;
        int index;
        const char16_t* piece;
    } cases[] = {
        {u"a;b;c", u';', 1, u"a"}, {u"a;b;c", u';', 2, u"b"}, {u"a;b;c", u';', 3, u"c"},
        {u" a ; b ", u';', 2, u" b "}, {u"x=y;z", u'=', 2, u"y;z"},
        // missing pieces
        {u"a;b", u';', 3, u""}, {u"a;", u';', 2, u""}, {u"a;", u';', 3, u""}, {u"", u';', 1, u""},
        {u";;", u';', 2, u""}, {u"a;b", u';', 0, u""},
        // no separator: one piece
        {u"abc", u';', 1, u"abc"}, {u"abc", u';', 2, u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtractField(QString::fromUtf16(c.text), QChar(c.separator), c.index), QString::fromUtf16(c.piece))
            << QString::fromUtf16(c.text).toStdString() << " #" << c.index;
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
