#include "common/Error.h"
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

TEST(SharedText, EveryFormWrittenReadsBackUnchanged)
{
    const QString texts[] = {
        u"Ελληνικά č"_s,          // beyond Windows-1250: UTF-8 with a mark
        QString(QChar(0x00C4)) + QChar(0x0164), // "ÄŤ" in Windows-1250 is "č" in UTF-8
        u"S235 蚞"_s,             // in UTF-8 without a mark it would read as Windows-1250 "čšž"
        u"Ä‡Ä‡Ä‡ č"_s,            // in Windows-1250 it would read as damaged UTF-8
        u"ďťżx"_s,                // in Windows-1250 it starts with the bytes of a mark
        u"Čćžšđ S235 čšž"_s,
        u"\uFEFFx"_s,            // a text that starts with a mark of its own (a file saved with two)
        u"\uFEFF\uFEFFx"_s,      // ... or with two
    };
    for (const QString& text : texts) {
        EXPECT_EQ(DecodeSharedText(EncodeSharedText(text)), text) << text.toStdString();
        for (const SharedEncoding form : {SharedEncoding::Cp1250, SharedEncoding::Utf8, SharedEncoding::Utf8Bom})
            EXPECT_EQ(DecodeSharedText(EncodeSharedTextAs(text, form)), text) << text.toStdString() << int(form);
    }
}

TEST(SharedText, DamagedUtf8IsRefusedWithTheLineOfItsFirstBadByte)
{
    const QByteArray damaged = "Path,Name\r\nC:\\a.par,\xC4\x8C\xC4\x87\xC5\xBE\xC5\xA1\xC4\x91\r\n"
                               "C:\\b.par,\xC4\x8C\xC4\x87\xC5\xBE\x9A\xC4\x91\r\n";
    QString text = u"old"_s;
    QString reason;
    SharedEncoding encoding = SharedEncoding::Utf8Bom;
    EXPECT_FALSE(DecodeSharedText(damaged, text, &reason, &encoding));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_TRUE(reason.startsWith(u"line 3: "_s)) << reason.toStdString();
    EXPECT_THROW(DecodeSharedText(damaged), KrdlError);
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
