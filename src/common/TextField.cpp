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

namespace {

// Where the first lone surrogate of `text` at or after `from` stands, or -1.
qsizetype NextLoneSurrogate(const QString& text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i; // a pair: one character
        else if (c.isSurrogate())
            return i;
    }
    return -1;
}

} // namespace

QString CaseKey(const QString& text)
{
    qsizetype lone = NextLoneSurrogate(text, 0);
    if (lone < 0)
        return text.toUpper();
    QString key;
    key.reserve(text.size());
    qsizetype start = 0;
    while (lone >= 0) {
        key += QStringView(text).sliced(start, lone - start).toString().toUpper();
        key += text[lone];
        start = lone + 1;
        lone = NextLoneSurrogate(text, start);
    }
    key += QStringView(text).sliced(start).toString().toUpper();
    return key;
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
