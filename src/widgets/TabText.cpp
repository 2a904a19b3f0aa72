#include "widgets/TabText.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <thread>
#include <vector>

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

namespace {

// Parses text[begin, end) as a whole text of its own.
TextBlock ParseRange(const QChar* chars, qsizetype begin, qsizetype end)
{
    TextBlock rows;
    QStringList row;
    QString cell;
    qsizetype i = begin;
    while (i < end) {
        // One cell starts at i.
        cell.truncate(0); // keeps the buffer for the next quoted cell
        if (chars[i] == u'"') {
            ++i;
            while (i < end) {
                if (chars[i] == u'"') {
                    if (i + 1 < end && chars[i + 1] == u'"') {
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
        while (i < end && chars[i] != u'\t' && chars[i] != u'\n' && chars[i] != u'\r')
            ++i;
        if (cell.isEmpty())
            row.append(QString(chars + plain, i - plain)); // the common unquoted cell: one allocation
        else
            row.append(cell.append(chars + plain, i - plain));
        if (i >= end)
            break;
        if (chars[i] == u'\t') {
            ++i;
            if (i == end)
                row.append(QString()); // a tab at the very end leaves one empty cell
            continue;
        }
        // A line end: CR LF, LF or CR.
        if (chars[i] == u'\r' && i + 1 < end && chars[i + 1] == u'\n')
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

} // namespace

TextBlock ParseTabText(const QString& text)
{
    // A large text without quotes is read in pieces on several threads: no cell then spans a
    // line end, so a piece that starts after a LF reads exactly as it would in the whole.
    constexpr qsizetype kPiecesFrom = qsizetype(1) << 20;
    const qsizetype pieces = std::min<qsizetype>(std::max(std::thread::hardware_concurrency(), 1u), 8);
    if (text.size() < kPiecesFrom || pieces < 2 || text.contains(u'"'))
        return ParseRange(text.constData(), 0, text.size());
    std::vector<qsizetype> bounds{0};
    for (qsizetype i = 1; i < pieces; ++i) {
        const qsizetype lf = text.indexOf(u'\n', text.size() / pieces * i);
        if (lf < 0)
            break;
        if (lf + 1 > bounds.back() && lf + 1 < text.size())
            bounds.push_back(lf + 1);
    }
    bounds.push_back(text.size());
    std::vector<TextBlock> parts(bounds.size() - 1);
    std::vector<std::exception_ptr> errors(parts.size());
    {
        std::vector<std::thread> threads;
        for (std::size_t p = 1; p < parts.size(); ++p)
            threads.emplace_back([&, p] {
                try {
                    parts[p] = ParseRange(text.constData(), bounds[p], bounds[p + 1]);
                } catch (...) {
                    errors[p] = std::current_exception();
                }
            });
        try {
            parts[0] = ParseRange(text.constData(), bounds[0], bounds[1]);
        } catch (...) {
            errors[0] = std::current_exception();
        }
        for (std::thread& thread : threads)
            thread.join();
    }
    for (const std::exception_ptr& error : errors)
        if (error)
            std::rethrow_exception(error);
    TextBlock rows = std::move(parts[0]);
    std::size_t total = 0;
    for (const TextBlock& part : parts)
        total += part.size();
    rows.reserve(total);
    for (std::size_t p = 1; p < parts.size(); ++p)
        std::move(parts[p].begin(), parts[p].end(), std::back_inserter(rows));
    return rows;
}
