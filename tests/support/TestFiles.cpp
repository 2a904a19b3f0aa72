#include "support/TestFiles.h"

#include "support/ProcessRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace testfiles {

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString PdfToTextMissing()
{
    static const QString why = [] {
        const ProcessRun run = RunProcess("pdftotext", {"-v"});
        return run.Succeeded() ? QString() : QStringLiteral("pdftotext (poppler-utils) cannot run: ") + QString::fromStdString(run.Describe());
    }();
    return why;
}

QString PdfToText(const QString& pdf, const QStringList& options)
{
    std::vector<std::string> arguments;
    for (const QString& o : options)
        arguments.push_back(o.toStdString());
    arguments.push_back(pdf.toStdString());
    arguments.push_back("-");
    const ProcessRun run = RunProcess("pdftotext", arguments);
    return run.Succeeded() ? QString::fromStdString(run.out) : QString();
}

} // namespace testfiles
