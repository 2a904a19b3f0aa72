// libFuzzer target over property set files. Any bytes are read as a set; the rows read, saved
// into a new file and into the file they came from, read back with the same values. Saving goes
// through the real file code, into a folder of this process under /dev/shm (or TMPDIR).

#include "FuzzCheck.h"

#include "common/SafeFile.h"
#include "common/TextField.h"
#include "properties/PropertySetFile.h"

#include <QByteArray>
#include <QDir>
#include <QHash>
#include <QSet>
#include <QString>

#include <cstdint>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A folder of this process for the files saved, removed at the end.
class ScratchFolder {
public:
    ScratchFolder()
    {
        const QString base = QDir(u"/dev/shm"_s).exists() ? u"/dev/shm"_s : QDir::tempPath();
        m_path = base + u"/krdl-fuzz-property-set-"_s + QString::number(getpid());
        QDir().mkpath(m_path);
    }
    ~ScratchFolder() { QDir(m_path).removeRecursively(); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    QString File(const QString& name) const { return m_path + u'/' + name; }

private:
    QString m_path;
};

// The rows a save writes back as they are: the first row of each path (paths compare ignoring
// case), and in it the first value of each name (the file keys a value by its name).
QList<PropertySetRow> Distinct(const QList<PropertySetRow>& rows)
{
    QList<PropertySetRow> kept;
    QSet<QString> paths;
    for (const PropertySetRow& row : rows) {
        if (paths.contains(CaseKey(row.path)))
            continue;
        paths.insert(CaseKey(row.path));
        PropertySetRow distinct{row.path, {}};
        QSet<QString> names;
        for (const auto& value : row.values) {
            const QString name = CaseKey(u"CustomProp"_s + QString(value.first).replace(u'=', u'_'));
            if (!names.contains(name)) {
                names.insert(name);
                distinct.values.append(value);
            }
        }
        kept.append(distinct);
    }
    return kept;
}

QList<PropertySetRow> ReadBack(const QString& fileName)
{
    QList<PropertySetRow> rows;
    QString reason;
    Require(ReadPropertySet(fileName, rows, &reason), "a property set file written is readable");
    return rows;
}

bool SameRow(const PropertySetRow& a, const PropertySetRow& b)
{
    return a.path == b.path && a.values == b.values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<PropertySetRow> rows;
    if (!ParsePropertySet(bytes, rows))
        return 0;
    const QList<PropertySetRow> distinct = Distinct(rows);

    // Into a new file: exactly the rows saved.
    static const ScratchFolder folder;
    const QString fresh = folder.File(u"new.props"_s);
    QFile::remove(fresh);
    SavePropertySet(fresh, distinct);
    const QList<PropertySetRow> saved = ReadBack(fresh);
    Require(saved.size() == distinct.size(), "a new set file holds one row per row saved");
    for (qsizetype i = 0; i < saved.size(); ++i)
        Require(SameRow(saved[i], distinct[i]), "a new set file gives back the rows saved");

    // Into the file read: each row saved is the first row of its path, with the values saved.
    const QString merged = folder.File(u"merged.props"_s);
    Require(ReplaceFileContents(merged, bytes), "the work folder takes a file");
    SavePropertySet(merged, distinct);
    const QList<PropertySetRow> mergedRows = ReadBack(merged);
    QHash<QString, const PropertySetRow*> firstOfPath;
    for (const PropertySetRow& row : mergedRows)
        if (!firstOfPath.contains(CaseKey(row.path)))
            firstOfPath.insert(CaseKey(row.path), &row);
    for (const PropertySetRow& row : distinct) {
        const PropertySetRow* got = firstOfPath.value(CaseKey(row.path));
        Require(got && got->values == row.values, "a set file saved into gives back the rows saved");
    }
    return 0;
}
