#pragma once
// The independent readers the tests compare the engine with: olefile (Debian's python3-olefile,
// run with /usr/bin/python3) with the section parser in tools/olereader.py, and libgsf's `gsf`.
// Where they are missing, a test makes its own checks and then skips the comparison with a
// message (`KRDL_SKIP_WITHOUT_INDEPENDENT_READERS`).

#include "compound/OleView.h"
#include "support/ProcessRun.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#define KRDL_SKIP_WITHOUT_INDEPENDENT_READERS()                                                        \
    do {                                                                                               \
        if (!olecheck::Missing().empty())                                                              \
            GTEST_SKIP() << olecheck::Missing();                                                       \
    } while (false)

namespace indep {

struct OleView {
    bool ok = false;
    QString error;
    int codePage = -1; // -1: no user-defined section or no code page in it
    QString firstSection;
    QJsonArray properties; // {id, name, vt, value} in table order
    QJsonObject streams;   // path -> sha256
    QString rootClsid;
    int sectorSize = 0;
};

inline OleView ReadWithOlefile(const QString& path)
{
    // Through RunProcess, which reaches the Debian host's programs from under Wine too.
    const testfiles::ProcessRun run = testfiles::RunProcess(
        "/usr/bin/python3", {KRDL_SOURCE_DIR "/tests/compound/tools/olereader.py", path.toStdString()});
    OleView v;
    if (!run.Succeeded()) {
        v.error = QString::fromStdString(run.Describe());
        return v;
    }
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    v.ok = !o.isEmpty();
    v.codePage = o.value(QStringLiteral("codepage")).isNull() ? -1 : o.value(QStringLiteral("codepage")).toInt();
    v.firstSection = o.value(QStringLiteral("first_section")).toString();
    v.properties = o.value(QStringLiteral("properties")).toArray();
    v.streams = o.value(QStringLiteral("streams")).toObject();
    v.rootClsid = o.value(QStringLiteral("root_clsid")).toString();
    v.sectorSize = o.value(QStringLiteral("sector_size")).toInt();
    return v;
}

// Names of the properties olefile found, in table order.
inline QStringList OleNames(const OleView& v)
{
    QStringList names;
    for (const auto& p : v.properties)
        names << p.toObject().value(QStringLiteral("name")).toString();
    return names;
}

inline QJsonObject OleProperty(const OleView& v, const QString& name)
{
    for (const auto& p : v.properties)
        if (p.toObject().value(QStringLiteral("name")).toString() == name)
            return p.toObject();
    return {};
}

// Runs `gsf ARGS...`; returns its standard output, or a null string when it failed.
inline QString Gsf(const QStringList& args)
{
    std::vector<std::string> arguments;
    for (const QString& a : args)
        arguments.push_back(a.toStdString());
    const testfiles::ProcessRun run = testfiles::RunProcess("gsf", arguments);
    if (!run.Succeeded())
        return {};
    const QString out = QString::fromStdString(run.out);
    return out.isNull() ? QStringLiteral("") : out;
}

// The user-defined property names `gsf listprops` reports (its own names, with a colon, left out).
inline QStringList GsfCustomNames(const QString& path)
{
    QStringList names;
    const QString out = Gsf({QStringLiteral("listprops"), path});
    for (const QString& line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (!line.contains(QLatin1Char(':')))
            names << line;
    names.sort();
    return names;
}

} // namespace indep
