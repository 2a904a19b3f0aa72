// The number test that decides a cell's alignment in the grid.

#include "widgets/NumberText.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(IsNumberText, WithTheLocaleDecimalSeparator)
{
    const struct {
        const char16_t* text;
        bool comma, point;
    } cases[] = {
        {u"12,5", true, false}, {u"12.5", false, true}, {u" -3 ", true, true}, {u"+4e-3", true, true},
        {u"1.5E+10", false, true}, {u",5", true, false}, {u"5.", false, true}, {u"1,000.5", false, false},
        {u"", false, false},     {u"  ", false, false}, {u"-", false, false}, {u"1e", false, false},
        {u"12a", false, false},  {u"inf", false, false}, {u"nan", false, false}, {u"0x1F", false, false},
        {u"1 2", false, false},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(IsNumberText(text, u","_s), c.comma) << text.toStdString();
        EXPECT_EQ(IsNumberText(text, u"."_s), c.point) << text.toStdString();
    }
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
    EXPECT_TRUE(IsNumberText(u"12,5"_s));
    EXPECT_FALSE(IsNumberText(u"12.5"_s));
    QLocale::setDefault(saved);
}
