#include "common/TarCells.h"

#include "common/TextField.h"

#include <algorithm>
#include <cmath>

namespace {

// The side list is merged into the main list when it outgrows this: about the square root of
// the store, so that inserting stays cheap and merging happens seldom.
std::size_t SideLimit(std::size_t mainSize)
{
    return std::max<std::size_t>(64, static_cast<std::size_t>(std::sqrt(static_cast<double>(mainSize))));
}

} // namespace

TarCell* TarCells::Add(std::unique_ptr<TarCell> cell)
{
    if (!cell)
        return nullptr;
    TarCell* added = cell.get();
    m_main.push_back({0, std::move(cell)});
    m_sorted = false;
    return added;
}

void TarCells::EnsureSorted() const
{
    if (m_sorted)
        return;
    for (Entry& e : m_side)
        m_main.push_back(std::move(e));
    m_side.clear();
    for (Entry& e : m_main)
        e.key = Key(e.cell->col, e.cell->row);
    const auto byKey = [](const Entry& a, const Entry& b) { return a.key < b.key; };
    if (!std::is_sorted(m_main.begin(), m_main.end(), byKey))
        std::sort(m_main.begin(), m_main.end(), byKey);
    MirrorKeys();
    m_sorted = true;
}

void TarCells::MirrorKeys() const
{
    m_mainKeys.resize(m_main.size());
    for (std::size_t i = 0; i < m_main.size(); ++i)
        m_mainKeys[i] = m_main[i].key;
    m_blockKeys.clear();
    for (std::size_t i = 0; i < m_mainKeys.size(); i += kBlock)
        m_blockKeys.push_back(m_mainKeys[i]);
}

void TarCells::Consolidate() const
{
    EnsureSorted();
    if (m_side.empty())
        return;
    // Merge from the back so that nothing is moved twice and no second list is needed.
    std::size_t a = m_main.size();
    std::size_t b = m_side.size();
    m_main.resize(a + b);
    for (std::size_t out = a + b; b > 0;) {
        if (a > 0 && m_main[a - 1].key > m_side[b - 1].key)
            m_main[--out] = std::move(m_main[--a]);
        else
            m_main[--out] = std::move(m_side[--b]);
    }
    m_side.clear();
    MirrorKeys();
}

TarCell* TarCells::SearchMain(qint64 key) const
{
    // The sample of every kBlock-th key is small enough to stay in the cache; it names the one
    // block of keys that can hold `key`, so a lookup reads few cache lines of the large list.
    const auto next = std::upper_bound(m_blockKeys.begin(), m_blockKeys.end(), key);
    if (next == m_blockKeys.begin())
        return nullptr;
    const std::size_t first = static_cast<std::size_t>(next - m_blockKeys.begin() - 1) * kBlock;
    const auto begin = m_mainKeys.begin() + static_cast<std::ptrdiff_t>(first);
    const auto end = m_mainKeys.begin() + static_cast<std::ptrdiff_t>(std::min(first + kBlock, m_mainKeys.size()));
    const auto at = std::lower_bound(begin, end, key);
    return at != end && *at == key ? m_main[static_cast<std::size_t>(at - m_mainKeys.begin())].cell.get() : nullptr;
}

TarCell* TarCells::SearchSide(const std::vector<Entry>& list, qint64 key)
{
    const auto at = std::lower_bound(list.begin(), list.end(), key, [](const Entry& e, qint64 k) { return e.key < k; });
    return at != list.end() && at->key == key ? at->cell.get() : nullptr;
}

bool TarCells::Find(qint32 col, qint32 row, TarCell*& cell) const
{
    EnsureSorted();
    const qint64 key = Key(col, row);
    TarCell* found = SearchMain(key);
    if (!found)
        found = SearchSide(m_side, key);
    if (!found)
        return false;
    cell = found;
    return true;
}

TarCell* TarCells::GetCell(qint32 col, qint32 row)
{
    TarCell* cell = nullptr;
    if (Find(col, row, cell))
        return cell;
    // Find left the store sorted: keep it so by inserting into the side list.
    const qint64 key = Key(col, row);
    auto cellPtr = std::make_unique<TarCell>(col, row);
    cell = cellPtr.get();
    const auto at = std::lower_bound(m_side.begin(), m_side.end(), key, [](const Entry& e, qint64 k) { return e.key < k; });
    m_side.insert(at, Entry{key, std::move(cellPtr)});
    if (m_side.size() > SideLimit(m_main.size()))
        Consolidate();
    return cell;
}

QString TarCells::GetText(qint32 col, qint32 row) const
{
    TarCell* cell = nullptr;
    return Find(col, row, cell) ? cell->text : QString();
}

QString TarCells::GetData(qint32 col, qint32 row) const
{
    TarCell* cell = nullptr;
    return Find(col, row, cell) ? cell->data : QString();
}

std::pair<std::size_t, std::size_t> TarCells::RangeBounds(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo) const
{
    const auto first = std::lower_bound(m_mainKeys.begin(), m_mainKeys.end(), Key(colFrom, rowFrom));
    const auto last = std::upper_bound(first, m_mainKeys.end(), Key(colTo, rowTo));
    return {static_cast<std::size_t>(first - m_mainKeys.begin()), static_cast<std::size_t>(last - m_mainKeys.begin())};
}

void TarCells::DeleteRange(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo)
{
    if (colTo < colFrom || rowTo < rowFrom || Count() == 0) {
        m_sorted = false;
        return;
    }
    Consolidate();
    // Cells of the range lie between its first and last position in (column, row) order; only
    // their rows need a check. Every cell at a position goes, also a second one at the same place.
    const auto [first, last] = RangeBounds(colFrom, rowFrom, colTo, rowTo);
    const auto begin = m_main.begin() + static_cast<std::ptrdiff_t>(first);
    const auto end = m_main.begin() + static_cast<std::ptrdiff_t>(last);
    const auto kept = std::remove_if(begin, end, [&](const Entry& e) { return e.cell->row >= rowFrom && e.cell->row <= rowTo; });
    m_main.erase(kept, end);
    if (m_main.size() < m_main.capacity() / 2) {
        m_main.shrink_to_fit();
        m_mainKeys.shrink_to_fit();
    }
    // A delete counts as a change of order, like Add: the next lookup checks the order again,
    // which costs one pass over the keys since removing cells kept the rest in order.
    m_sorted = false;
}

void TarCells::DeleteAt(std::vector<std::pair<qint32, qint32>> positions)
{
    if (positions.empty() || Count() == 0)
        return;
    Consolidate();
    std::vector<qint64> keys;
    keys.reserve(positions.size());
    for (const auto& [col, row] : positions)
        keys.push_back(Key(col, row));
    std::sort(keys.begin(), keys.end());
    const auto kept = std::remove_if(m_main.begin(), m_main.end(), [&keys](const Entry& e) {
        return std::binary_search(keys.begin(), keys.end(), Key(e.cell->col, e.cell->row));
    });
    m_main.erase(kept, m_main.end());
    m_sorted = false;
}

void TarCells::BuildTextIndex(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo)
{
    m_textIndex.clear();
    if (colTo < colFrom || rowTo < rowFrom)
        return;
    // Walking the cells instead of every position keeps a large range cheap. Positions without
    // text all index the empty name; the last of them wins, so only that one is looked for.
    std::vector<std::pair<qint64, bool>> filled; // (position, has text) in (column, row) order
    ForEachInRange(colFrom, rowFrom, colTo, rowTo, [&](const TarCell& cell) {
        if (!cell.text.isEmpty())
            m_textIndex.insert(CaseKey(cell.text), {cell.col, cell.row});
        filled.emplace_back(Key(cell.col, cell.row), !cell.text.isEmpty());
    });
    qint64 col = colTo;
    qint64 row = rowTo;
    for (auto it = filled.rbegin(); it != filled.rend(); ++it) {
        if (it->first != Key(static_cast<qint32>(col), static_cast<qint32>(row)) || !it->second)
            break; // no cell here, or one without text
        if (--row < rowFrom) {
            row = rowTo;
            if (--col < colFrom)
                return; // every position has text
        }
    }
    m_textIndex.insert(QString(), {static_cast<qint32>(col), static_cast<qint32>(row)});
}

bool TarCells::FindText(const QString& text, qint32& col, qint32& row) const
{
    const auto it = m_textIndex.constFind(CaseKey(text));
    if (it == m_textIndex.constEnd())
        return false;
    col = it->first;
    row = it->second;
    return true;
}

void TarCells::ClearChanged()
{
    for (const Entry& e : m_main)
        e.cell->changed = false;
    for (const Entry& e : m_side)
        e.cell->changed = false;
}

void TarCells::SetColumnReadOnly(qint32 col, bool readOnly)
{
    const auto at = std::lower_bound(m_readOnlyColumns.begin(), m_readOnlyColumns.end(), col);
    const bool marked = at != m_readOnlyColumns.end() && *at == col;
    if (readOnly && !marked)
        m_readOnlyColumns.insert(at, col);
    else if (!readOnly && marked)
        m_readOnlyColumns.erase(at);
}

bool TarCells::ReadOnly(qint32 col, qint32 row) const
{
    if (std::binary_search(m_readOnlyColumns.begin(), m_readOnlyColumns.end(), col))
        return true;
    TarCell* cell = nullptr;
    return Find(col, row, cell) && cell->readOnly;
}
