#include "widgets/CellTextTable.h"

#include <algorithm>

namespace {

const QString& EmptyText()
{
    static const QString empty;
    return empty;
}

} // namespace

CellTextTable::CellTextTable(const TarCells& cells, qint32 left, qint32 right, const std::vector<qint32>& rows)
    : m_left(left), m_right(right)
{
    if (rows.empty() || right < left)
        return;
    const auto [low, high] = std::minmax_element(rows.begin(), rows.end());
    m_top = *low;
    m_bottom = *high;
    const std::size_t height = std::size_t(m_bottom - m_top) + 1;
    m_texts.assign(height * std::size_t(right - left + 1), nullptr);
    cells.ForEachInRange(left, m_top, right, m_bottom, [&](const TarCell& cell) {
        m_texts[std::size_t(cell.col - left) * height + std::size_t(cell.row - m_top)] = &cell.text;
    });
}

const QString& CellTextTable::Text(qint32 col, qint32 row) const
{
    if (col < m_left || col > m_right || row < m_top || row > m_bottom)
        return EmptyText();
    const QString* text = m_texts[std::size_t(col - m_left) * (std::size_t(m_bottom - m_top) + 1) + std::size_t(row - m_top)];
    return text ? *text : EmptyText();
}
