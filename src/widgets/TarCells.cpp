#include "widgets/TarCells.h"

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
    main_.push_back({0, std::move(cell)});
    sorted_ = false;
    return added;
}

void TarCells::EnsureSorted() const
{
    if (sorted_)
        return;
    for (Entry& e : side_)
        main_.push_back(std::move(e));
    side_.clear();
    for (Entry& e : main_)
        e.key = Key(e.cell->Col, e.cell->Row);
    const auto byKey = [](const Entry& a, const Entry& b) { return a.key < b.key; };
    if (!std::is_sorted(main_.begin(), main_.end(), byKey))
        std::sort(main_.begin(), main_.end(), byKey);
    MirrorKeys();
    sorted_ = true;
}

void TarCells::MirrorKeys() const
{
    mainKeys_.resize(main_.size());
    for (std::size_t i = 0; i < main_.size(); ++i)
        mainKeys_[i] = main_[i].key;
    blockKeys_.clear();
    for (std::size_t i = 0; i < mainKeys_.size(); i += kBlock)
        blockKeys_.push_back(mainKeys_[i]);
}

void TarCells::Consolidate() const
{
    EnsureSorted();
    if (side_.empty())
        return;
    // Merge from the back so that nothing is moved twice and no second list is needed.
    std::size_t a = main_.size();
    std::size_t b = side_.size();
    main_.resize(a + b);
    for (std::size_t out = a + b; b > 0;) {
        if (a > 0 && main_[a - 1].key > side_[b - 1].key)
            main_[--out] = std::move(main_[--a]);
        else
            main_[--out] = std::move(side_[--b]);
    }
    side_.clear();
    MirrorKeys();
}

TarCell* TarCells::SearchMain(qint64 key) const
{
    // The sample of every kBlock-th key is small enough to stay in the cache; it names the one
    // block of keys that can hold `key`, so a lookup reads few cache lines of the large list.
    const auto next = std::upper_bound(blockKeys_.begin(), blockKeys_.end(), key);
    if (next == blockKeys_.begin())
        return nullptr;
    const std::size_t first = static_cast<std::size_t>(next - blockKeys_.begin() - 1) * kBlock;
    const auto begin = mainKeys_.begin() + static_cast<std::ptrdiff_t>(first);
    const auto end = mainKeys_.begin() + static_cast<std::ptrdiff_t>(std::min(first + kBlock, mainKeys_.size()));
    const auto at = std::lower_bound(begin, end, key);
    return at != end && *at == key ? main_[static_cast<std::size_t>(at - mainKeys_.begin())].cell.get() : nullptr;
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
        found = SearchSide(side_, key);
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
    const auto at = std::lower_bound(side_.begin(), side_.end(), key, [](const Entry& e, qint64 k) { return e.key < k; });
    side_.insert(at, Entry{key, std::move(cellPtr)});
    if (side_.size() > SideLimit(main_.size()))
        Consolidate();
    return cell;
}

QString TarCells::GetText(qint32 col, qint32 row) const
{
    TarCell* cell = nullptr;
    return Find(col, row, cell) ? cell->Text : QString();
}

QString TarCells::GetData(qint32 col, qint32 row) const
{
    TarCell* cell = nullptr;
    return Find(col, row, cell) ? cell->Data : QString();
}

std::pair<std::size_t, std::size_t> TarCells::RangeBounds(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo) const
{
    const auto first = std::lower_bound(mainKeys_.begin(), mainKeys_.end(), Key(colFrom, rowFrom));
    const auto last = std::upper_bound(first, mainKeys_.end(), Key(colTo, rowTo));
    return {static_cast<std::size_t>(first - mainKeys_.begin()), static_cast<std::size_t>(last - mainKeys_.begin())};
}

void TarCells::DeleteRange(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo)
{
    if (colTo < colFrom || rowTo < rowFrom || Count() == 0) {
        sorted_ = false;
        return;
    }
    Consolidate();
    // Cells of the range lie between its first and last position in (column, row) order; only
    // their rows need a check. Every cell at a position goes, also a second one at the same place.
    const auto [first, last] = RangeBounds(colFrom, rowFrom, colTo, rowTo);
    const auto begin = main_.begin() + static_cast<std::ptrdiff_t>(first);
    const auto end = main_.begin() + static_cast<std::ptrdiff_t>(last);
    const auto kept = std::remove_if(begin, end, [&](const Entry& e) { return e.cell->Row >= rowFrom && e.cell->Row <= rowTo; });
    main_.erase(kept, end);
    if (main_.size() < main_.capacity() / 2) {
        main_.shrink_to_fit();
        mainKeys_.shrink_to_fit();
    }
    // A delete counts as a change of order, like Add: the next lookup checks the order again,
    // which costs one pass over the keys since removing cells kept the rest in order.
    sorted_ = false;
}

void TarCells::BuildTextIndex(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo)
{
    textIndex_.clear();
    if (colTo < colFrom || rowTo < rowFrom)
        return;
    // Walking the cells instead of every position keeps a large range cheap. Positions without
    // text all index the empty name; the last of them wins, so only that one is looked for.
    std::vector<std::pair<qint64, bool>> filled; // (position, has text) in (column, row) order
    ForEachInRange(colFrom, rowFrom, colTo, rowTo, [&](const TarCell& cell) {
        if (!cell.Text.isEmpty())
            textIndex_.insert(cell.Text.toUpper(), {cell.Col, cell.Row});
        filled.emplace_back(Key(cell.Col, cell.Row), !cell.Text.isEmpty());
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
    textIndex_.insert(QString(), {static_cast<qint32>(col), static_cast<qint32>(row)});
}

bool TarCells::FindText(const QString& text, qint32& col, qint32& row) const
{
    const auto it = textIndex_.constFind(text.toUpper());
    if (it == textIndex_.constEnd())
        return false;
    col = it->first;
    row = it->second;
    return true;
}

void TarCells::ClearChanged()
{
    for (const Entry& e : main_)
        e.cell->Changed = false;
    for (const Entry& e : side_)
        e.cell->Changed = false;
}
