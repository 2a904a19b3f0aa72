#pragma once
// The sparse cell store behind `TarGrid`: only cells that were set exist; reading a position
// without a cell gives empty text. Each cell carries a shown text, a hidden string (`data`), a
// changed flag and a free list of strings (`items`). It is data without a view, so it lives
// below both the grid control (widgets/ui/TarGrid.h) and the property editor's rows and columns
// (properties/PropertyGrid.h).
//
// Typical use (the property editor):
//
//     TarCells& cells = grid.CellsObject();
//     cells.GetCell(1, 0)->SetText(u"Material"_s);          // header: created when missing
//     auto value = std::make_unique<TarCell>(1, 7);         // bulk load: Add without lookups
//     value->SetText(u"S235"_s);
//     cells.Add(std::move(value));
//     cells.BuildTextIndex(1, 0, cols - 1, 0);              // header text -> column
//     qint32 col, row;
//     if (cells.FindText(u"material"_s, col, row)) ...
//     cells.ClearTextIndex();
//     cells.ClearChanged();                                 // what was loaded is no change
//
// Lookups are binary searches over a list sorted lazily by (column, row), once after a run of
// additions. A cell created by `GetCell` in a sorted store goes into a small sorted side list
// that is merged in now and then, so that editing one cell of a million never re-sorts them all.
// Pointers to cells stay valid until the cell is deleted.

#include <QHash>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

class TarCell {
public:
    TarCell() = default;
    TarCell(qint32 col, qint32 row) : col(col), row(row) {}

    qint32 col = -1;
    qint32 row = -1;
    QString text;     // shown and edited
    QString data;     // hidden, never drawn
    bool changed = false;
    // The cell may not be changed (TarCells::ReadOnly), whatever its column says.
    bool readOnly = false;
    QStringList items;

    // Sets `text` and marks the cell changed, also when the text is the same. Writing `text`
    // directly leaves `changed` alone.
    void SetText(const QString& value)
    {
        text = value;
        changed = true;
    }
};

class TarCells {
public:
    TarCells() = default;
    TarCells(const TarCells&) = delete;
    TarCells& operator=(const TarCells&) = delete;

    // Takes the cell (nothing for null) without checking whether one exists at its position
    // already; with two cells at one position, lookups return either. Returns the cell.
    TarCell* Add(std::unique_ptr<TarCell> cell);
    // Exact lookup by position; sorts first when cells were added since the last lookup.
    bool Find(qint32 col, qint32 row, TarCell*& cell) const;
    // The cell at the position, created (empty, unchanged) when there is none. Never null.
    TarCell* GetCell(qint32 col, qint32 row);
    // `text` or `data` of the cell at the position; empty when there is none (nothing is created).
    QString GetText(qint32 col, qint32 row) const;
    QString GetData(qint32 col, qint32 row) const;
    // Deletes every cell with `col` in colFrom..colTo and `row` in rowFrom..rowTo (inclusive);
    // nothing when a bound is below its start.
    void DeleteRange(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo);
    // Deletes the cells at the positions (column, row), in one pass over the store however many
    // there are; positions without a cell are ignored.
    void DeleteAt(std::vector<std::pair<qint32, qint32>> positions);

    // Rebuilds the text index from the range: each position maps its upper-cased text to its
    // column and row; of equal texts the last position in (column, row) order wins. Positions
    // without text index the empty text. A snapshot: later changes of cells do not show.
    void BuildTextIndex(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo);
    void ClearTextIndex() { m_textIndex.clear(); }
    // Looks `text` up (ignoring case) in the text index; leaves col and row alone when absent.
    bool FindText(const QString& text, qint32& col, qint32& row) const;

    // Clears the `changed` flag of every cell.
    void ClearChanged();
    // Marks column `col` as one whose cells the user may not change.
    void SetColumnReadOnly(qint32 col, bool readOnly);
    // True when the user may not change the cell at the position (typing, filling, pasting,
    // replacing, deleting): its column is read only, or the cell itself is.
    bool ReadOnly(qint32 col, qint32 row) const;
    int Count() const { return static_cast<int>(m_main.size() + m_side.size()); }
    // True when every cell is known to be in (column, row) order, so that a lookup needs no
    // sort. Add and DeleteRange clear it; lookups set it.
    bool Sorted() const { return m_sorted; }

    // Calls f(const TarCell&) for the cells of the range in (column, row) order; of several
    // cells at one position only the one lookups return.
    template <class F> void ForEachInRange(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo, F&& f) const
    {
        if (colTo < colFrom || rowTo < rowFrom)
            return;
        Consolidate();
        const auto [first, last] = RangeBounds(colFrom, rowFrom, colTo, rowTo);
        qint64 previous = 0;
        for (std::size_t i = first; i < last; ++i) {
            const Entry& e = m_main[i];
            const TarCell& cell = *e.cell;
            if (cell.row < rowFrom || cell.row > rowTo || (i > first && e.key == previous))
                continue;
            previous = e.key;
            f(cell);
        }
    }

private:
    struct Entry {
        qint64 key; // (`col`, `row`) packed in sort order; valid while m_sorted
        std::unique_ptr<TarCell> cell;
    };

    static qint64 Key(qint32 col, qint32 row)
    {
        return static_cast<qint64>(col) * 4294967296LL + (static_cast<qint64>(row) + 2147483648LL);
    }
    void EnsureSorted() const;
    // Merges the side list into the main list (both sorted).
    void Consolidate() const;
    std::pair<std::size_t, std::size_t> RangeBounds(qint32 colFrom, qint32 rowFrom, qint32 colTo, qint32 rowTo) const;
    // Copies the keys of m_main into m_mainKeys and m_blockKeys after m_main changed.
    void MirrorKeys() const;
    TarCell* SearchMain(qint64 key) const;
    static TarCell* SearchSide(const std::vector<Entry>& list, qint64 key);

    std::vector<qint32> m_readOnlyColumns; // sorted
    // Lookups sort lazily, so the lists change under const calls.
    mutable std::vector<Entry> m_main; // sorted while m_sorted
    // The keys of m_main alone, and every kBlock-th of them: a lookup in a million cells waits
    // for memory, and these keep the memory it reads small.
    static constexpr std::size_t kBlock = 32;
    mutable std::vector<qint64> m_mainKeys;
    mutable std::vector<qint64> m_blockKeys;
    mutable std::vector<Entry> m_side; // sorted always; only used while m_sorted
    mutable bool m_sorted = false;
    QHash<QString, std::pair<qint32, qint32>> m_textIndex;
};
