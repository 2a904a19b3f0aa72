#include "common/TextField.h"

#include <algorithm>

QStringView FieldView(QStringView text, QChar separator, int n)
{
    if (n < 1)
        return {};
    qsizetype start = 0;
    for (int piece = 1; piece < n; ++piece) {
        const qsizetype next = text.indexOf(separator, start);
        if (next < 0)
            return {};
        start = next + 1;
    }
    const qsizetype end = text.indexOf(separator, start);
    return text.sliced(start, (end < 0 ? text.size() : end) - start);
}

QString ExtractField(const QString& text, QChar separator, int n)
{
    return FieldView(text, separator, n).toString();
}

QStringView TrimView(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.sliced(first, last - first);
}

QString TrimControl(const QString& text)
{
    return TrimView(text).toString();
}

QString AsciiUpper(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z')
            c = QChar(char16_t(u - 32));
    }
    return result;
}

QString OneLineField(const QString& text)
{
    // Most texts hold none of them; the replaces would scan each text four times to find that.
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c == u'\\' || c == u'\t' || c == u'\n' || c == u'\r'; }))
        return text;
    QString out = text;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    out.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    out.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return out;
}
