#include "support/PdfText.h"

#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace testfiles {

bool HavePdfToText()
{
    return !QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty();
}

QString PdfToText(const QString& pdf, const QStringList& options)
{
    QProcess p;
    p.start(u"pdftotext"_s, options + QStringList{pdf, u"-"_s});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

QList<QStringList> PdfPages(const QString& pdf)
{
    QList<QStringList> pages;
    QStringList texts = PdfToText(pdf, {u"-layout"_s}).split(u'\f');
    texts.removeLast(); // after the last page's form feed
    for (const QString& text : texts) {
        QStringList lines;
        for (const QString& line : text.split(u'\n')) {
            if (!line.trimmed().isEmpty())
                lines << line.trimmed();
        }
        pages << lines;
    }
    return pages;
}

} // namespace testfiles
