// Text search and replacement in file names, and the plain-name rule of renames.
#include "batch/BatchText.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(BatchText, TextPosFindsTheFirstOccurrenceOneBasedFoldingOnlyAsciiLetters)
{
    const struct {
        QString text, in;
        bool caseSensitive;
        int pos;
    } cases[] = {
        {u"a"_s, u"banana.dft"_s, true, 2},
        {u"banana.dft"_s, u"banana.dft"_s, true, 1},
        {u".dft"_s, u"banana.dft"_s, true, 7},
        {u"x"_s, u"banana.dft"_s, true, 0},
        {u""_s, u"banana.dft"_s, true, 0},
        {u""_s, u""_s, false, 0},
        {u"banana.dft!"_s, u"banana.dft"_s, true, 0},
        {u"nan"_s, u"banana"_s, true, 3},
        {u"aab"_s, u"aaab"_s, true, 2}, // a partial match does not hide the next start
        {u"ABC"_s, u"xabcx.par"_s, true, 0},
        {u"ABC"_s, u"xabcx.par"_s, false, 2},
        {u"xAbC"_s, u"XaBc"_s, false, 1},
        // Accented letters match only themselves.
        {u"Č"_s, u"ač.dft"_s, false, 0},
        {u"č"_s, u"ač.dft"_s, false, 2},
        {u"Ä"_s, u"ä"_s, false, 0},
        // Characters next to the letter ranges do not fold: '@' / '`' and '[' / '{'.
        {u"@"_s, u"`"_s, false, 0},
        {u"["_s, u"{"_s, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextPos(c.text, c.in, c.caseSensitive), c.pos) << c.text.toStdString() << " in " << c.in.toStdString();
}

TEST(BatchText, ReplaceTextOnceChangesOnlyTheFirstOccurrence)
{
    EXPECT_EQ(ReplaceTextOnce(u"banana.dft"_s, u"a"_s, u"X"_s, true), u"bXnana.dft"_s);
    EXPECT_EQ(ReplaceTextOnce(u"banana.dft"_s, u".dft"_s, u".bak"_s, true), u"banana.bak"_s);
    EXPECT_EQ(ReplaceTextOnce(u"xabcx.par"_s, u"ABC"_s, u"New"_s, false), u"xNewx.par"_s);
    EXPECT_EQ(ReplaceTextOnce(u"xabcx.par"_s, u"ABC"_s, u"New"_s, true), u"xabcx.par"_s);
    // Characters outside the match keep their case; NewText goes in as typed.
    EXPECT_EQ(ReplaceTextOnce(u"AbCdE"_s, u"cd"_s, u"zZ"_s, false), u"AbzZE"_s);
    EXPECT_EQ(ReplaceTextOnce(u"abc"_s, u"abc"_s, u""_s, true), u""_s);
    EXPECT_EQ(ReplaceTextOnce(u"abc"_s, u""_s, u"x"_s, true), u"abc"_s);
    EXPECT_EQ(ReplaceTextOnce(u"aaa"_s, u"a"_s, u"aa"_s, true), u"aaaa"_s);
}

TEST(BatchText, PlainFileNamesByTheRulesOfEachStyle)
{
    struct Case {
        QString name;
        bool windows;
        bool posix;
    };
    const Case cases[] = {
        {u"a.dft"_s, true, true},        {u".hidden"_s, true, true},   {u"ab:c"_s, true, true},
        {u""_s, false, false},           {u"."_s, false, false},       {u".."_s, false, false},
        {u"sub/a.dft"_s, false, false},
        // A backslash or a drive colon moves a file on Windows; on POSIX it is part of the name.
        {u"sub\\a.dft"_s, false, true}, {u"C:a.dft"_s, false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsPlainFileName(c.name, PathStyle::Windows), c.windows) << c.name.toStdString();
        EXPECT_EQ(IsPlainFileName(c.name, PathStyle::Posix), c.posix) << c.name.toStdString();
    }
}
