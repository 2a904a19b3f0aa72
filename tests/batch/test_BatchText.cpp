// Text search and replacement in file names, and the plain-name rule of renames.
#include "batch/BatchText.h"

#include <gtest/gtest.h>

TEST(BatchText, TextPosFindsTheFirstOccurrenceOneBased)
{
    EXPECT_EQ(TextPos("a", "banana.dft", true), 2);
    EXPECT_EQ(TextPos("banana.dft", "banana.dft", true), 1);
    EXPECT_EQ(TextPos(".dft", "banana.dft", true), 7);
    EXPECT_EQ(TextPos("x", "banana.dft", true), 0);
    EXPECT_EQ(TextPos("", "banana.dft", true), 0);
    EXPECT_EQ(TextPos("", "", false), 0);
    EXPECT_EQ(TextPos("banana.dft!", "banana.dft", true), 0);
    EXPECT_EQ(TextPos("nan", "banana", true), 3);
    EXPECT_EQ(TextPos("aab", "aaab", true), 2); // a partial match does not hide the next start
}

TEST(BatchText, TextPosFoldsOnlyAsciiLetters)
{
    EXPECT_EQ(TextPos("ABC", "xabcx.par", true), 0);
    EXPECT_EQ(TextPos("ABC", "xabcx.par", false), 2);
    EXPECT_EQ(TextPos("xAbC", "XaBc", false), 1);
    // Accented letters match only themselves.
    EXPECT_EQ(TextPos(QString::fromUtf8("Č"), QString::fromUtf8("ač.dft"), false), 0);
    EXPECT_EQ(TextPos(QString::fromUtf8("č"), QString::fromUtf8("ač.dft"), false), 2);
    EXPECT_EQ(TextPos(QString::fromUtf8("Ä"), QString::fromUtf8("ä"), false), 0);
    // Characters next to the letter ranges do not fold: '@' / '`' and '[' / '{'.
    EXPECT_EQ(TextPos("@", "`", false), 0);
    EXPECT_EQ(TextPos("[", "{", false), 0);
}

TEST(BatchText, ReplaceTextOnceChangesOnlyTheFirstOccurrence)
{
    EXPECT_EQ(ReplaceTextOnce("banana.dft", "a", "X", true), "bXnana.dft");
    EXPECT_EQ(ReplaceTextOnce("banana.dft", ".dft", ".bak", true), "banana.bak");
    EXPECT_EQ(ReplaceTextOnce("xabcx.par", "ABC", "New", false), "xNewx.par");
    EXPECT_EQ(ReplaceTextOnce("xabcx.par", "ABC", "New", true), "xabcx.par");
    // Characters outside the match keep their case; NewText goes in as typed.
    EXPECT_EQ(ReplaceTextOnce("AbCdE", "cd", "zZ", false), "AbzZE");
    EXPECT_EQ(ReplaceTextOnce("abc", "abc", "", true), "");
    EXPECT_EQ(ReplaceTextOnce("abc", "", "x", true), "abc");
    EXPECT_EQ(ReplaceTextOnce("aaa", "a", "aa", true), "aaaa");
}

TEST(BatchText, PlainFileNames)
{
    EXPECT_TRUE(IsPlainFileName("a.dft"));
    EXPECT_TRUE(IsPlainFileName(".hidden"));
    EXPECT_TRUE(IsPlainFileName("ab:c")); // a colon that is no drive colon
    EXPECT_FALSE(IsPlainFileName(""));
    EXPECT_FALSE(IsPlainFileName("."));
    EXPECT_FALSE(IsPlainFileName(".."));
    EXPECT_FALSE(IsPlainFileName("sub/a.dft"));
    EXPECT_FALSE(IsPlainFileName("sub\\a.dft"));
    EXPECT_FALSE(IsPlainFileName("C:a.dft"));
}
