#include "properties/PropertyCsv.h"

#include "common/Error.h"
#include "common/SafeFile.h"
#include "common/SharedText.h"

#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Quoted when a reader with either separator would otherwise split or change it: a separator,
// a quote, a line break, or blanks at either end (some spreadsheets trim unquoted fields).
QString CsvField(const QString& text)
{
    bool quote = !text.isEmpty() && (IsBlank(text.front()) || IsBlank(text.back()));
    for (qsizetype i = 0; i < text.size() && !quote; ++i) {
        const QChar c = text[i];
        quote = c == u',' || c == u';' || c == u'"' || c == u'\r' || c == u'\n';
    }
    if (!quote)
        return text;
    QString out = text;
    out.replace(u'"', u"\"\""_s);
    return u'"' + out + u'"';
}

} // namespace

QString CsvText(const QList<QStringList>& records)
{
    QString out;
    for (const QStringList& record : records) {
        for (qsizetype i = 0; i < record.size(); ++i) {
            if (i > 0)
                out += u',';
            out += CsvField(record[i]);
        }
        out += u"\r\n"_s;
    }
    return out;
}

QChar DetectCsvSeparator(const QString& text)
{
    qsizetype commas = 0;
    qsizetype semicolons = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted; // a doubled quote toggles twice: still right
        else if (quoted)
            continue;
        else if (c == u'\r' || c == u'\n')
            break;
        else if (c == u',')
            ++commas;
        else if (c == u';')
            ++semicolons;
    }
    return semicolons > commas ? QChar(u';') : QChar(u',');
}

bool ParseCsvText(const QString& text, QList<QStringList>& records, QList<int>* lines, QString* error,
                  QChar separator)
{
    records.clear();
    if (lines)
        lines->clear();
    if (separator.isNull())
        separator = DetectCsvSeparator(text);
    const auto fail = [&](int line, const QString& what) {
        if (error)
            *error = u"line "_s + QString::number(line) + u": "_s + what;
        records.clear();
        if (lines)
            lines->clear();
        return false;
    };

    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    // One record per turn; `i` stands at its first character.
    while (i < n) {
        const int recordLine = line;
        QStringList record;
        bool quotedField = false;
        bool endOfRecord = false;
        while (!endOfRecord) {
            QString field;
            if (i < n && text[i] == u'"') {
                quotedField = true;
                const int fieldLine = line;
                ++i;
                for (;;) {
                    if (i >= n)
                        return fail(fieldLine, u"a quoted field that starts here has no closing quote"_s);
                    const QChar c = text[i++];
                    if (c == u'"') {
                        if (i < n && text[i] == u'"') {
                            field += u'"';
                            ++i;
                            continue;
                        }
                        break;
                    }
                    // A line break inside quotes is part of the value; CR LF counts as one line.
                    if (c == u'\n' || (c == u'\r' && (i >= n || text[i] != u'\n')))
                        ++line;
                    field += c;
                }
                if (i < n && text[i] != separator && text[i] != u'\r' && text[i] != u'\n')
                    return fail(line, u"text after the closing quote of a field (a quote inside a quoted field "
                                      "must be doubled)"_s);
            } else {
                const qsizetype start = i;
                while (i < n && text[i] != separator && text[i] != u'\r' && text[i] != u'\n')
                    ++i;
                field = text.mid(start, i - start);
            }
            record.append(field);
            if (i < n && text[i] == separator) {
                ++i;
                continue;
            }
            // End of the line or of the text: CR LF, LF or a lone CR.
            if (i < n && text[i] == u'\r')
                ++i;
            if (i < n && text[i] == u'\n')
                ++i;
            ++line;
            endOfRecord = true;
        }
        // An empty line (one empty unquoted field) is no record.
        if (record.size() == 1 && record.front().isEmpty() && !quotedField)
            continue;
        records.append(record);
        if (lines)
            lines->append(recordLine);
    }
    return true;
}

QStringList PropertyColumnNames(const TarCells& cells, int colCount)
{
    QStringList names;
    for (int c = 1; c < colCount; ++c)
        names.append(cells.GetText(c, 0));
    return names;
}

QByteArray PropertyCsvBytes(const QStringList& names, const QList<PropertySetRow>& rows)
{
    QList<QStringList> records;
    records.reserve(rows.size() + 1);
    records.append(QStringList{u"Path"_s} + names);
    for (const PropertySetRow& row : rows) {
        QStringList record{row.path};
        for (qsizetype c = 0; c < names.size(); ++c)
            record.append(c < row.values.size() ? row.values[c].second : QString());
        records.append(record);
    }
    return EncodeSharedTextAs(CsvText(records), SharedEncoding::Utf8Bom);
}

void SavePropertyCsv(const QString& fileName, const QStringList& names, const QList<PropertySetRow>& rows)
{
    QString reason;
    if (!ReplaceFileContents(fileName, PropertyCsvBytes(names, rows), &reason))
        throw KrdlError(u"Unable to write to "_s + QFileInfo(fileName).absoluteFilePath() + u". "_s + reason);
}

bool ParsePropertyCsv(const QByteArray& bytes, PropertyCsv& csv, QString* error)
{
    csv = {};
    QList<QStringList> records;
    QList<int> lines;
    QString text;
    if (!DecodeSharedText(bytes, text, error) || !ParseCsvText(text, records, &lines, error))
        return false;
    const auto fail = [&](const QString& what) {
        if (error)
            *error = what;
        csv = {};
        return false;
    };
    if (records.isEmpty())
        return fail(u"line 1: the file is empty; it needs a header line with the path column and the property "
                    "names"_s);
    const QStringList& header = records.front();
    for (qsizetype r = 1; r < records.size(); ++r) {
        if (records[r].size() != header.size())
            return fail(u"line %1: %2 fields, but the header line has %3"_s.arg(lines[r])
                            .arg(records[r].size())
                            .arg(header.size()));
    }
    // Columns without a name: a spreadsheet keeps a column once typed into, even when emptied.
    QList<qsizetype> named;
    for (qsizetype c = 1; c < header.size(); ++c) {
        if (!header[c].isEmpty()) {
            named.append(c);
            csv.names.append(header[c]);
            continue;
        }
        for (qsizetype r = 1; r < records.size(); ++r)
            if (!records[r][c].isEmpty())
                return fail(u"line %1: a value in column %2, which has no name in the header line"_s.arg(lines[r])
                                .arg(c + 1));
    }
    for (qsizetype r = 1; r < records.size(); ++r) {
        // A spreadsheet writes a blank row as separators alone.
        if (std::all_of(records[r].cbegin(), records[r].cend(), [](const QString& f) { return f.isEmpty(); }))
            continue;
        PropertySetRow row;
        row.path = records[r].front();
        for (const qsizetype c : std::as_const(named))
            row.values.append({header[c], records[r][c]});
        csv.rows.append(row);
    }
    return true;
}

bool ReadPropertyCsv(const QString& fileName, PropertyCsv& csv, QString* error)
{
    csv = {};
    QByteArray bytes;
    QString reason;
    if (!ReadFileContents(fileName, bytes, &reason) || !ParsePropertyCsv(bytes, csv, &reason)) {
        if (error)
            *error = u"Cannot read file \""_s + fileName + u"\": "_s + reason;
        return false;
    }
    return true;
}

PropertySetPlacement PutPropertyCsv(TarCells& cells, int colCount, int rowCount, const PropertyCsv& csv)
{
    PropertySetPlacement placement;
    PutPropertySet(cells, colCount, rowCount, csv.rows, &placement, true);
    // The header's names, so that a column is reported also when no row has a value for it; a
    // row without a path sets nothing.
    PropertySetRow header;
    for (const QString& name : csv.names)
        header.values.append({name, QString()});
    PropertySetPlacement names;
    PutPropertySet(cells, colCount, rowCount, {header}, &names, true);
    for (const QString& name : std::as_const(names.unplacedNames))
        if (!placement.unplacedNames.contains(name, Qt::CaseInsensitive))
            placement.unplacedNames.append(name);
    return placement;
}
