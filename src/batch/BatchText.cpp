#include "batch/BatchText.h"

#include "common/FsPath.h"
#include "common/PathText.h"

namespace {

char16_t FoldAscii(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') ? char16_t(u - (u'a' - u'A')) : u;
}

} // namespace

int TextPos(const QString& subText, const QString& text, bool caseSensitive)
{
    if (subText.isEmpty() || subText.size() > text.size())
        return 0;
    const qsizetype last = text.size() - subText.size();
    for (qsizetype i = 0; i <= last; ++i) {
        qsizetype j = 0;
        if (caseSensitive) {
            while (j < subText.size() && text.at(i + j) == subText.at(j))
                ++j;
        } else {
            while (j < subText.size() && FoldAscii(text.at(i + j)) == FoldAscii(subText.at(j)))
                ++j;
        }
        if (j == subText.size())
            return int(i + 1);
    }
    return 0;
}

QString ReplaceTextOnce(const QString& text, const QString& oldText, const QString& newText, bool caseSensitive)
{
    const int p = TextPos(oldText, text, caseSensitive);
    if (p == 0)
        return text;
    return text.left(p - 1) + newText + text.mid(p - 1 + oldText.size());
}

bool IsPlainFileName(const QString& name, PathStyle style)
{
    return !name.isEmpty() && name != u"." && name != u".." && LastDelimiter(name, style) < 0
        && !name.contains(QChar(u'\0'));
}

QString ErrorSentence(const std::error_code& ec)
{
    QString text = ErrorText(ec).trimmed();
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}
