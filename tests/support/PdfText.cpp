#include "support/PdfText.h"

#include "support/ProcessRun.h"

using namespace Qt::StringLiterals;

namespace testfiles {

// Through `RunProcess`, so that a Windows test program reaches the Debian host's pdftotext too.
bool HavePdfToText()
{
    static const bool have = RunProcess("pdftotext", {"-v"}).Succeeded();
    return have;
}

QString PdfToText(const QString& pdf, const QStringList& options)
{
    std::vector<std::string> arguments;
    for (const QString& option : options)
        arguments.push_back(option.toStdString());
    arguments.push_back(pdf.toStdString());
    arguments.push_back("-");
    const ProcessRun run = RunProcess("pdftotext", arguments);
    return run.Succeeded() ? QString::fromStdString(run.out) : QString();
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
