#include "widgets/RowOrder.h"

#include "widgets/CellTextTable.h"
#include "widgets/NumberText.h"

#include <QCollator>
#include <QDate>

#include <algorithm>
#include <numeric>

namespace {

int Digit(QChar c)
{
    return c >= u'0' && c <= u'9' ? c.unicode() - u'0' : -1;
}

// yyyy-MM-dd, read by hand: the common case, and far quicker than a format-driven parse.
bool ReadIsoDate(const QString& text, QDate& date)
{
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return false;
    int values[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int part = 0; part < 3; ++part)
        for (int i = 0; i < lengths[part]; ++i) {
            const int digit = Digit(text[starts[part] + i]);
            if (digit < 0)
                return false;
            values[part] = values[part] * 10 + digit;
        }
    date = QDate(values[0], values[1], values[2]);
    return date.isValid();
}

} // namespace

std::vector<qint32> FilterRows(const TarCells& cells, const std::vector<qint32>& rows, qint32 left, qint32 right,
                               const QString& text)
{
    if (text.isEmpty())
        return rows;
    std::vector<qint32> shown;
    const CellTextTable texts(cells, left, right, rows);
    for (const qint32 row : rows)
        for (qint32 col = left; col <= right; ++col)
            if (texts.Text(col, row).contains(text, Qt::CaseInsensitive)) {
                shown.push_back(row);
                break;
            }
    return shown;
}

QString ShowingText(qsizetype shown, qsizetype total)
{
    return QStringLiteral("showing %1 of %2").arg(shown).arg(total);
}

SortKey MakeSortKey(const QString& text, const QLocale& locale)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {SortKind::Empty, 0};
    const QString decimalPoint = locale.decimalPoint();
    if (IsNumberText(trimmed, QStringLiteral(".")))
        return {SortKind::Number, trimmed.toDouble()};
    if (IsNumberText(trimmed, decimalPoint)) {
        QString dotted = trimmed;
        dotted.replace(decimalPoint, QStringLiteral("."));
        return {SortKind::Number, dotted.toDouble()};
    }
    QDate date;
    if (ReadIsoDate(trimmed, date))
        return {SortKind::Date, double(date.toJulianDay())};
    // Only short texts that start with a digit can be numeric dates; the locale's parse is slow,
    // so the rest never reaches it.
    if (trimmed.size() > 12 || Digit(trimmed[0]) < 0)
        return {SortKind::Text, 0};
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    date = locale.toDate(trimmed, format);
    if (!date.isValid())
        return {SortKind::Text, 0};
    // A two-digit year reads as 19yy; 00..49 mean this century, so that "01.02.24" sorts with
    // 2024-02-01 and not a hundred years before it.
    if (!format.contains(QLatin1String("yyyy")) && date.year() < 1950)
        date = date.addYears(100);
    return {SortKind::Date, double(date.toJulianDay())};
}

std::vector<qint32> SortRows(const TarCells& cells, const std::vector<qint32>& rows, qint32 col, Qt::SortOrder order,
                             const QLocale& locale)
{
    struct Item {
        SortKey key;
        qsizetype text = -1; // index into the collation keys for texts
    };
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<Item> items(rows.size());
    std::vector<QCollatorSortKey> textKeys;
    std::vector<QString> folded; // beside each key: equal texts are equal without asking the key

    const CellTextTable texts(cells, col, col, rows);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const QString& text = texts.Text(col, rows[i]);
        items[i].key = MakeSortKey(text, locale);
        if (items[i].key.kind == SortKind::Text) {
            items[i].text = qsizetype(textKeys.size());
            // Folded first: not every platform's collation keys honour the case setting (Wine's
            // put "alpha" after "Alpha"), and texts equal but for case keep their row order.
            folded.push_back(text.toCaseFolded());
            textKeys.push_back(collator.sortKey(folded.back()));
        }
    }
    // <0, 0, >0 as a before, equal to, after b in ascending order.
    const auto compare = [&](const Item& a, const Item& b) {
        if (a.key.kind != b.key.kind)
            return int(a.key.kind) - int(b.key.kind);
        switch (a.key.kind) {
        case SortKind::Number:
        case SortKind::Date: return a.key.value < b.key.value ? -1 : (b.key.value < a.key.value ? 1 : 0);
        case SortKind::Text:
            // Collation keys of equal texts do not always compare equal (under Wine they differ
            // from run to run), which would shuffle rows with one value.
            if (folded[std::size_t(a.text)] == folded[std::size_t(b.text)])
                return 0;
            return textKeys[std::size_t(a.text)].compare(textKeys[std::size_t(b.text)]);
        case SortKind::Empty: return 0;
        }
        return 0;
    };
    std::vector<std::size_t> index(rows.size());
    std::iota(index.begin(), index.end(), std::size_t(0));
    const bool descending = order == Qt::DescendingOrder;
    std::stable_sort(index.begin(), index.end(), [&](std::size_t a, std::size_t b) {
        const Item& left = items[a];
        const Item& right = items[b];
        // Empty cells stay at the end whichever way the rest goes.
        if ((left.key.kind == SortKind::Empty) != (right.key.kind == SortKind::Empty))
            return right.key.kind == SortKind::Empty;
        const int result = compare(left, right);
        return descending ? result > 0 : result < 0;
    });
    std::vector<qint32> sorted;
    sorted.reserve(rows.size());
    for (const std::size_t i : index)
        sorted.push_back(rows[i]);
    return sorted;
}

Qt::SortOrder NextSortOrder(qint32 sortedCol, Qt::SortOrder sortedOrder, qint32 clicked)
{
    if (clicked == sortedCol)
        return sortedOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    return Qt::AscendingOrder;
}
