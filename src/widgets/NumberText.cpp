#include "widgets/NumberText.h"

#include <QLocale>

bool IsNumberText(const QString& text, const QString& decimalPoint)
{
    const QChar* p = text.constData();
    const QChar* end = p + text.size();
    while (p < end && p->unicode() <= 32)
        ++p;
    while (end > p && (end - 1)->unicode() <= 32)
        --end;
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    if (p < end && (*p == u'+' || *p == u'-'))
        ++p;
    int digits = 0;
    while (p < end && isDigit(*p)) {
        ++p;
        ++digits;
    }
    if (!decimalPoint.isEmpty() && end - p >= decimalPoint.size()
        && QStringView(p, decimalPoint.size()) == decimalPoint) {
        p += decimalPoint.size();
        while (p < end && isDigit(*p)) {
            ++p;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (p < end && (*p == u'e' || *p == u'E')) {
        ++p;
        if (p < end && (*p == u'+' || *p == u'-'))
            ++p;
        if (p == end || !isDigit(*p))
            return false;
        while (p < end && isDigit(*p))
            ++p;
    }
    return p == end;
}

bool IsNumberText(const QString& text)
{
    return IsNumberText(text, QLocale().decimalPoint());
}
