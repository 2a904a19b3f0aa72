#include "common/SharedText.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(SharedText, Windows1250BytesDecodeAndRoundTrip)
{
    // "Kovač Šťastný" as the old program wrote it: č = E8, Š = 8A, ť = 9D, ý = FD.
    const QByteArray cp1250("Kova\xE8 \x8A\x9D" "astn\xFD");
    const QString text = DecodeSharedText(cp1250);
    EXPECT_EQ(text, QString::fromUtf8("Kovač Šťastný"));
    EXPECT_EQ(EncodeSharedText(text), cp1250);
}

TEST(SharedText, Utf8WithAndWithoutMarkReadsAsUtf8)
{
    EXPECT_EQ(DecodeSharedText(QByteArray("\xEF\xBB\xBF") + "\xC4\x8D"), QString::fromUtf8("č"));
    EXPECT_EQ(DecodeSharedText("\xC4\x8D"), QString::fromUtf8("č"));
}

TEST(SharedText, TextOutsideTheCodePageIsWrittenAsUtf8WithMark)
{
    const QString text = QString::fromUtf8("Ελληνικά č");
    const QByteArray bytes = EncodeSharedText(text);
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(DecodeSharedText(bytes), text);
}

TEST(SharedText, Cp1250BytesThatLookLikeUtf8StillReadBackUnchanged)
{
    // "Ä" (C4) followed by a character whose code is 8D would be valid UTF-8 as written in
    // Windows-1250, so the writer must choose UTF-8 with a mark for it.
    const QString text = QString(QChar(0x00C4)) + QChar(0x0164);
    EXPECT_EQ(DecodeSharedText(EncodeSharedText(text)), text);
}

TEST(SharedText, EveryByteValueSurvivesARoundTrip)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    const QString text = DecodeSharedText(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(DecodeSharedText(EncodeSharedText(text)), text);
}
