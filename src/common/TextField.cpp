#include "common/TextField.h"

QString ExtractField(const QString& text, QChar separator, int n)
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
    return text.mid(start, end < 0 ? -1 : end - start);
}

QString TrimControl(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32)
        ++first;
    while (last > first && text.at(last - 1).unicode() <= 32)
        --last;
    return text.mid(first, last - first);
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
