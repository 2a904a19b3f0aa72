// Tab-separated text as spreadsheets write and read it.

#include "widgets/TabText.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(TabText, ParsesWhatSpreadsheetsWrite)
{
    const struct {
        QString text;
        TextBlock rows;
    } cases[] = {
        {u""_s, {}},
        {u"a\tb\r\nc\td\r\n"_s, {{u"a"_s, u"b"_s}, {u"c"_s, u"d"_s}}},         // CR LF, trailing line end
        {u"a\tb\nc"_s, {{u"a"_s, u"b"_s}, {u"c"_s}}},                         // LF, none at the end, ragged
        {u"a\rb\r"_s, {{u"a"_s}, {u"b"_s}}},                                   // lone CR
        {u"\"x\ty\"\t\"two\r\nlines\"\r\n"_s, {{u"x\ty"_s, u"two\r\nlines"_s}}}, // tab and line break quoted
        {u"\"say \"\"hi\"\"\"\tb"_s, {{u"say \"hi\""_s, u"b"_s}}},             // doubled quotes
        {u"5\" pipe\t\"\"\r\n"_s, {{u"5\" pipe"_s, u""_s}}},                   // quote inside, empty quoted cell
        {u"\"open\"tail\tx"_s, {{u"opentail"_s, u"x"_s}}},                     // text after the closing quote
        {u"\"unclosed\ttab"_s, {{u"unclosed\ttab"_s}}},                        // quote never closed
        {u"a\t\r\n\r\nb\t"_s, {{u"a"_s, u""_s}, {u""_s}, {u"b"_s, u""_s}}},     // empty cells and rows
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseTabText(c.text), c.rows) << c.text.toStdString();
}

TEST(TabText, FormatsQuotingOnlyWhatNeedsItAndReadsBack)
{
    const TextBlock rows{{u"plain"_s, u"tab\there"_s, u"say \"hi\""_s}, {u"two\nlines"_s, u""_s, u"cr\r"_s}};
    const QString text = FormatTabText(rows, {u"A"_s, u"B"_s, u"C"_s});
    EXPECT_EQ(text, u"A\tB\tC\r\nplain\t\"tab\there\"\t\"say \"\"hi\"\"\"\r\n\"two\nlines\"\t\t\"cr\r\"\r\n"_s);
    TextBlock expected = rows;
    expected.insert(expected.begin(), QStringList{u"A"_s, u"B"_s, u"C"_s});
    EXPECT_EQ(ParseTabText(text), expected);
    EXPECT_EQ(ParseTabText(FormatTabText(rows)), rows);
}

// A text over a megabyte without quotes is read in pieces on several threads: the rows come out
// whole and in order whatever line ends meet the pieces' edges, and a trailing tab still counts.
TEST(TabText, LargeTextReadInPiecesKeepsEveryRow)
{
    QString text;
    TextBlock expected;
    for (int r = 0; r < 80000; ++r) {
        expected.push_back({u"row %1"_s.arg(r), QString(), u"x%1"_s.arg(r % 7)});
        text += expected.back()[0] + u"\t\t"_s + expected.back()[2] + (r % 3 == 0 ? u"\n"_s : u"\r\n"_s);
    }
    text += u"last\t"_s;
    expected.push_back({u"last"_s, QString()});
    ASSERT_GT(text.size(), qsizetype(1) << 20);
    EXPECT_EQ(ParseTabText(text), expected);
}
