#include "widgets/CellReplace.h"

#include "widgets/CellTextTable.h"

#include <QRegularExpression>

namespace {

// The search as one compiled expression; plain text is escaped, so both kinds share one path.
QRegularExpression Compile(const ReplaceOptions& options, QString& error)
{
    if (options.find.isEmpty()) {
        error = QStringLiteral("Enter the text to find.");
        return {};
    }
    QString pattern = options.regularExpression ? options.find : QRegularExpression::escape(options.find);
    if (options.wholeCell)
        pattern = QRegularExpression::anchoredPattern(pattern);
    QRegularExpression::PatternOptions flags = QRegularExpression::UseUnicodePropertiesOption;
    if (!options.matchCase)
        flags |= QRegularExpression::CaseInsensitiveOption;
    QRegularExpression expression(pattern, flags);
    if (!expression.isValid()) {
        error = QStringLiteral("The regular expression is not valid: %1 (at character %2).")
                    .arg(expression.errorString())
                    .arg(expression.patternErrorOffset() + 1);
        return {};
    }
    expression.optimize();
    return expression;
}

} // namespace

ReplacePlan PlanReplace(const TarCells& cells, const CellArea& area, const ReplaceOptions& options,
                        const CellEditable& editable)
{
    ReplacePlan plan;
    const QRegularExpression expression = Compile(options, plan.error);
    if (!plan.error.isEmpty())
        return plan;
    // Plain replacement text is literal: a backslash in it stays a backslash.
    const QString literal = options.regularExpression ? QString() : options.replacement;
    const CellTextTable texts(cells, area.left, area.right, area.rows);
    for (const qint32 row : area.rows) {
        for (qint32 col = area.left; col <= area.right; ++col) {
            const QString& text = texts.Text(col, row);
            if (!text.contains(expression))
                continue;
            ++plan.matched;
            if (!MayEdit(editable, col, row)) {
                ++plan.refused;
                continue;
            }
            QString replaced = text;
            if (options.regularExpression) {
                replaced.replace(expression, options.replacement);
            } else {
                // Each match replaced by the literal text, walking the matches by hand.
                QString out;
                qsizetype last = 0;
                for (auto it = expression.globalMatch(text); it.hasNext();) {
                    const QRegularExpressionMatch match = it.next();
                    out += QStringView(text).mid(last, match.capturedStart() - last);
                    out += literal;
                    last = match.capturedEnd();
                }
                out += QStringView(text).mid(last);
                replaced = out;
            }
            if (replaced != text)
                plan.writes.push_back({col, row, replaced});
        }
    }
    return plan;
}

qint64 FindNextCell(const TarCells& cells, const CellArea& area, const ReplaceOptions& options, qint64 from,
                    QString* error)
{
    QString problem;
    const QRegularExpression expression = Compile(options, problem);
    if (error)
        *error = problem;
    const qint64 width = qint64(area.right) - area.left + 1;
    const qint64 count = width > 0 ? width * qint64(area.rows.size()) : 0;
    if (!problem.isEmpty() || count == 0)
        return -1;
    for (qint64 step = 1; step <= count; ++step) {
        const qint64 at = ((from < 0 ? -1 : from % count) + step) % count;
        const auto row = area.rows[static_cast<std::size_t>(at / width)];
        if (cells.GetText(area.left + static_cast<qint32>(at % width), row).contains(expression))
            return at;
    }
    return -1;
}

bool CellMatches(const QString& text, const ReplaceOptions& options)
{
    QString error;
    const QRegularExpression expression = Compile(options, error);
    return error.isEmpty() && text.contains(expression);
}
