#include "widgets/TabText.h"

namespace {

bool NeedsQuotes(const QString& cell)
{
    for (const QChar c : cell)
        if (c == u'\t' || c == u'"' || c == u'\n' || c == u'\r')
            return true;
    return false;
}

void AppendRow(QString& out, const QStringList& row)
{
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (i > 0)
            out += u'\t';
        const QString& cell = row[i];
        if (NeedsQuotes(cell)) {
            out += u'"';
            for (const QChar c : cell) {
                if (c == u'"')
                    out += u'"';
                out += c;
            }
            out += u'"';
        } else {
            out += cell;
        }
    }
    out += QLatin1String("\r\n");
}

} // namespace

QString FormatTabText(const TextBlock& rows, const QStringList& header)
{
    QString out;
    if (!header.isEmpty())
        AppendRow(out, header);
    for (const QStringList& row : rows)
        AppendRow(out, row);
    return out;
}

TextBlock ParseTabText(const QString& text)
{
    TextBlock rows;
    const qsizetype size = text.size();
    const QChar* chars = text.constData();
    QStringList row;
    QString cell;
    qsizetype i = 0;
    while (i < size) {
        // One cell starts at i.
        cell.truncate(0); // keeps the buffer for the next quoted cell
        if (chars[i] == u'"') {
            ++i;
            while (i < size) {
                if (chars[i] == u'"') {
                    if (i + 1 < size && chars[i + 1] == u'"') {
                        cell += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                cell += chars[i++];
            }
        }
        const qsizetype plain = i;
        while (i < size && chars[i] != u'\t' && chars[i] != u'\n' && chars[i] != u'\r')
            ++i;
        if (cell.isEmpty())
            row.append(QString(chars + plain, i - plain)); // the common unquoted cell: one allocation
        else
            row.append(cell.append(chars + plain, i - plain));
        if (i >= size)
            break;
        if (chars[i] == u'\t') {
            ++i;
            if (i == size)
                row.append(QString()); // a tab at the very end leaves one empty cell
            continue;
        }
        // A line end: CR LF, LF or CR.
        if (chars[i] == u'\r' && i + 1 < size && chars[i + 1] == u'\n')
            ++i;
        ++i;
        const qsizetype width = row.size();
        rows.push_back(std::move(row));
        row = QStringList();
        row.reserve(width);
    }
    if (!row.isEmpty())
        rows.push_back(std::move(row));
    return rows;
}
