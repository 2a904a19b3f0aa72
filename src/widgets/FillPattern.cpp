#include "widgets/FillPattern.h"

#include "common/PathText.h"
#include "widgets/CellTextTable.h"

#include <algorithm>


namespace {

bool ReadNumber(const QString& text, qint64& value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok);
    return ok;
}

QString Counter(qint64 value, int width)
{
    const QString digits = QString::number(value < 0 ? -(value + 1) + 1ULL : quint64(value));
    return (value < 0 ? QStringLiteral("-") : QString()) + digits.rightJustified(width, u'0');
}

} // namespace

bool FillPattern::Parse(const QString& pattern, const QStringList& headers, QString& error)
{
    m_fields.clear();
    error.clear();
    QString text;
    const auto flushText = [&] {
        if (!text.isEmpty())
            m_fields.push_back({FieldKind::Text, text});
        text.clear();
    };
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'}') {
            if (i + 1 < pattern.size() && pattern[i + 1] == u'}') {
                text += c;
                ++i;
                continue;
            }
            error = QStringLiteral("A \"}\" at character %1 closes no field; write \"}}\" for a brace.").arg(i + 1);
            return false;
        }
        if (c != u'{') {
            text += c;
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == u'{') {
            text += c;
            ++i;
            continue;
        }
        const qsizetype close = pattern.indexOf(u'}', i + 1);
        if (close < 0) {
            error = QStringLiteral("The field at character %1 has no closing \"}\".").arg(i + 1);
            return false;
        }
        const QString body = pattern.mid(i + 1, close - i - 1);
        const QString where = QStringLiteral(" (field {%1} at character %2)").arg(body).arg(i + 1);
        Field field;
        if (body == u"name") {
            field.kind = FieldKind::Name;
        } else if (body == u"base") {
            field.kind = FieldKind::Base;
        } else if (body == u"folder") {
            field.kind = FieldKind::Folder;
        } else if (body.startsWith(u"col:")) {
            const QString header = body.mid(4);
            field.kind = FieldKind::Column;
            field.column = -1;
            for (qsizetype col = 0; col < headers.size(); ++col)
                if (headers[col].compare(header, Qt::CaseInsensitive) == 0) {
                    field.column = qint32(col);
                    break;
                }
            if (field.column < 0) {
                error = QStringLiteral("No column is headed \"%1\"").arg(header) + where + u'.';
                return false;
            }
        } else if (body == u"#" || body.startsWith(u"#:")) {
            field.kind = FieldKind::Counter;
            const QStringList parts = body.split(u':');
            qint64 width = 1;
            if (parts.size() > 4 || (parts.size() >= 2 && !ReadNumber(parts[1], width)) ||
                (parts.size() >= 3 && !ReadNumber(parts[2], field.start)) ||
                (parts.size() >= 4 && !ReadNumber(parts[3], field.step)) || width < 1 || width > 18) {
                error = QStringLiteral("A counter is {#}, {#:WIDTH} or {#:WIDTH:START:STEP}, with a width from 1 to 18") +
                        where + u'.';
                return false;
            }
            field.width = int(width);
        } else {
            error = QStringLiteral("Unknown field; use {name}, {base}, {folder}, {col:Header} or {#:WIDTH:START:STEP}") +
                    where + u'.';
            return false;
        }
        flushText();
        m_fields.push_back(std::move(field));
        i = close;
    }
    flushText();
    return true;
}

QString FillPattern::Expand(const TarCells& cells, qint32 row, const QString& filePath, qint64 index) const
{
    QString out;
    for (const Field& field : m_fields) {
        switch (field.kind) {
        case FieldKind::Text: out += field.text; break;
        case FieldKind::Name: out += ExtractFileName(filePath); break;
        case FieldKind::Base: {
            const QString name = ExtractFileName(filePath);
            const qsizetype dot = name.lastIndexOf(u'.');
            out += dot > 0 ? name.left(dot) : name;
            break;
        }
        case FieldKind::Folder: {
            const qsizetype last = LastDelimiter(filePath);
            out += last > 0 ? ExtractFileName(filePath.left(last)) : QString();
            break;
        }
        case FieldKind::Column: out += cells.GetText(field.column, row); break;
        case FieldKind::Counter: {
            // Wraps instead of overflowing on absurd starts and steps.
            const qint64 value = qint64(quint64(field.start) + quint64(field.step) * quint64(index));
            out += Counter(value, field.width);
            break;
        }
        }
    }
    return out;
}

FillPlan PlanFill(const FillPattern& pattern, const TarCells& cells, const CellArea& area, const RowFilePath& filePath,
                  const CellEditable& editable)
{
    FillPlan plan;
    const CellTextTable texts(cells, area.left, area.right, area.rows);
    plan.writes.reserve(area.rows.size() * std::size_t(std::max(0, area.right - area.left + 1)));
    qint64 index = 0;
    for (const qint32 row : area.rows) {
        const QString value = pattern.Expand(cells, row, filePath ? filePath(row) : QString(), index++);
        for (qint32 col = area.left; col <= area.right; ++col) {
            if (!MayEdit(editable, col, row))
                ++plan.refused;
            else if (texts.Text(col, row) == value)
                ++plan.unchanged;
            else
                plan.writes.push_back({col, row, value});
        }
    }
    return plan;
}

QStringList PreviewFill(const FillPattern& pattern, const TarCells& cells, const CellArea& area,
                        const RowFilePath& filePath, int count)
{
    QStringList values;
    for (std::size_t i = 0; i < area.rows.size() && values.size() < count; ++i)
        values.append(pattern.Expand(cells, area.rows[i], filePath ? filePath(area.rows[i]) : QString(), qint64(i)));
    return values;
}
