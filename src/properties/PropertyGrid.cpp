#include "properties/PropertyGrid.h"

#include "common/FsPath.h"
#include "common/PathText.h"
#include "common/TextField.h"
#include "compound/SystemProperties.h"

#include <QHash>
#include <QSet>

#include <memory>

using namespace Qt::StringLiterals;

int FillPropertyHeader(TarCells& cells, const PropertyDefinitions& definitions, const PropertyDefinitions* system)
{
    int col = 1;
    for (int i = 0; i < definitions.Count(); ++i, ++col) {
        const TCustomPropertie* d = definitions.Item(i);
        TarCell* header = cells.GetCell(col, 0);
        header->SetText(d->name);
        header->items = d->lookupValues;
    }
    for (int i = 0; system && i < system->Count(); ++i) {
        const TCustomPropertie* d = system->Item(i);
        const cfb::SystemPropertyDefinition* definition = cfb::FindSystemProperty(d->name.toStdString());
        if (!definition)
            continue;
        TarCell* header = cells.GetCell(col, 0);
        header->SetText(kSystemPropertyPrefix + QString::fromUtf8(definition->name));
        header->items = d->lookupValues;
        cells.SetColumnReadOnly(col, !definition->editable);
        ++col;
    }
    return col;
}

QStringList SystemColumnNames(const TarCells& cells, int colCount)
{
    QStringList names;
    for (int c = 1; c < colCount; ++c)
        if (const QString own = SystemPropertyName(cells.GetText(c, 0)); !own.isEmpty())
            names << own;
    return names;
}

QString PropertyRowLabel(int row, const QString& path)
{
    return QString::number(row) + u". "_s + ExtractFileName(path);
}

RowsFilled FillPropertyRows(TarCells& cells, int colCount, const QList<LoadedDocument>& documents)
{
    RowsFilled filled;
    cells.BuildTextIndex(1, 0, colCount - 1, 0);
    // The cell each column got in the current row, so that a second property of the same name
    // overwrites it instead of adding a second cell at one position.
    std::vector<TarCell*> inRow(static_cast<std::size_t>(std::max(colCount, 0)), nullptr);
    // The column headed `header` (ignoring case); -1 for none.
    const auto columnOf = [&](const QString& header) -> qint32 {
        qint32 col = -1;
        qint32 headerRow = -1;
        return cells.FindText(header, col, headerRow) && col >= 1 && col < colCount ? col : -1;
    };
    // The column of each custom property name as it is spelled: documents repeat their names,
    // and an exact lookup spares folding the case of every name of every document.
    QHash<QString, qint32> customColumns;
    for (qsizetype i = 0; i < documents.size(); ++i) {
        const LoadedDocument& d = documents[i];
        if (d.status == LoadedDocument::Cancelled) {
            filled.cancelled = true;
            break;
        }
        if (d.status == LoadedDocument::Missing) {
            filled.missingPath = d.path;
            break;
        }
        if (d.status == LoadedDocument::Failed) {
            // Gone between the check and the read: missing all the same.
            if (!NotARegularFileReason(d.path).isEmpty())
                filled.missingPath = d.path;
            else
                filled.error = d.error;
            break;
        }
        const int row = static_cast<int>(i) + 1;
        auto label = std::make_unique<TarCell>(0, row);
        label->text = PropertyRowLabel(row, d.path);
        label->data = d.path;
        cells.Add(std::move(label));
        std::fill(inRow.begin(), inRow.end(), nullptr);
        // The cell of column `col` in this row, made when missing; null for no column (-1).
        const auto cellAt = [&](qint32 col) -> TarCell* {
            if (col < 0)
                return nullptr;
            TarCell*& cell = inRow[static_cast<std::size_t>(col)];
            if (!cell)
                cell = cells.Add(std::make_unique<TarCell>(col, row));
            return cell;
        };
        for (const LoadedProperty& p : d.properties) {
            auto it = customColumns.constFind(p.name);
            if (it == customColumns.cend())
                // A custom property named like a column of the document's own is not that column.
                it = customColumns.insert(p.name, SystemPropertyName(p.name).isNull() ? columnOf(p.name) : -1);
            if (TarCell* cell = cellAt(*it))
                cell->SetText(PropertyDisplayText(p.value));
        }
        for (const LoadedProperty& p : d.system)
            if (TarCell* cell = cellAt(columnOf(kSystemPropertyPrefix + p.name)))
                cell->SetText(PropertyDisplayText(p.value));
        for (const QString& name : d.systemReadOnly)
            if (TarCell* cell = cellAt(columnOf(kSystemPropertyPrefix + name)))
                cell->readOnly = true;
        filled.rows = row;
    }
    cells.ClearTextIndex();
    cells.ClearChanged();
    return filled;
}

std::vector<DocumentChanges> CollectDocumentChanges(const TarCells& cells, int colCount, int rowCount)
{
    std::vector<DocumentChanges> result(static_cast<std::size_t>(std::max(rowCount - 1, 0)));
    if (result.empty())
        return result;
    cells.ForEachInRange(1, 1, colCount - 1, rowCount - 1, [&](const TarCell& cell) {
        if (cell.changed)
            result[static_cast<std::size_t>(cell.row - 1)].changed = true;
    });
    QStringList names;
    for (int c = 1; c < colCount; ++c)
        names.append(cells.GetText(c, 0));
    for (int r = 1; r < rowCount; ++r) {
        DocumentChanges& d = result[static_cast<std::size_t>(r - 1)];
        d.path = cells.GetData(0, r);
        if (!d.changed)
            continue;
        for (int c = 1; c < colCount; ++c) {
            TarCell* cell = nullptr;
            const bool found = cells.Find(c, r, cell);
            // The document's own properties: only what was changed, and never a cell the user
            // may not change.
            if (const QString own = SystemPropertyName(names[c - 1]); !own.isNull()) {
                if (!own.isEmpty() && found && cell->changed && !cells.ReadOnly(c, r))
                    d.system.emplace_back(own, cell->text);
                continue;
            }
            if (found)
                d.properties.Add(names[c - 1], cell->text, !cell->changed);
            else
                d.properties.Add(names[c - 1], QString(), false);
        }
    }
    return result;
}

CellsRefused ReadOnlyCellsIn(const TarCells& cells, const CellArea& area)
{
    CellsRefused refused;
    for (qint32 c = area.left; c <= area.right; ++c)
        for (const qint32 r : area.rows)
            if (cells.ReadOnly(c, r) && refused.count++ == 0) {
                refused.col = c;
                refused.row = r;
            }
    return refused;
}

std::vector<CellWrite> WritableCellWrites(const TarCells& cells, const CellArea& area, const QString& value,
                                          CellsRefused* refused)
{
    if (refused)
        *refused = ReadOnlyCellsIn(cells, area);
    std::vector<CellWrite> writes;
    for (qint32 c = area.left; c <= area.right; ++c)
        for (const qint32 r : area.rows)
            if (!cells.ReadOnly(c, r))
                writes.push_back({c, r, value});
    return writes;
}

CellsRefused DeletePropertyCells(TarCells& cells, const CellArea& area)
{
    const CellsRefused refused = ReadOnlyCellsIn(cells, area);
    std::vector<std::pair<qint32, qint32>> gone;
    for (qint32 c = area.left; c <= area.right; ++c) {
        const bool own = !SystemPropertyName(cells.GetText(c, 0)).isNull();
        for (const qint32 r : area.rows) {
            TarCell* cell = nullptr;
            // A missing cell is a property the document does not have: nothing to remove.
            if (!cells.Find(c, r, cell) || cells.ReadOnly(c, r))
                continue;
            if (!own)
                gone.emplace_back(c, r);
            else if (!cell->text.isNull())
                cell->SetText(QString());
        }
    }
    cells.DeleteAt(std::move(gone));
    return refused;
}

QString ReadOnlyCellReason(const TarCells& cells, int col, int row)
{
    if (!cells.ReadOnly(col, row))
        return {};
    const QString header = cells.GetText(col, 0);
    const cfb::SystemPropertyDefinition* definition = cfb::FindSystemProperty(SystemPropertyName(header).toStdString());
    if (!definition)
        return u"%1 is read only and cannot be changed here."_s.arg(header);
    const QString set = QString::fromUtf8(cfb::SystemSetName(definition->set));
    if (!definition->editable)
        return u"%1 (the document's %2 set) is shown only and cannot be changed here."_s.arg(header, set);
    return u"%1 cannot be set in \"%2\": the document has no %3 set, and that set is never added."_s.arg(
        header, cells.GetData(0, row), set);
}

QList<PropertySetRow> PropertySetRowsFromCells(const TarCells& cells, int colCount, int rowCount)
{
    QList<PropertySetRow> rows;
    for (int r = 1; r < rowCount; ++r) {
        PropertySetRow row;
        row.path = cells.GetData(0, r);
        if (row.path.isEmpty())
            continue;
        for (int c = 1; c < colCount; ++c)
            row.values.append({cells.GetText(c, 0), cells.GetText(c, r)});
        rows.append(row);
    }
    return rows;
}

int PutPropertySet(TarCells& cells, int colCount, int rowCount, const QList<PropertySetRow>& rows,
                   PropertySetPlacement* placement, bool fromCsv)
{
    QHash<QString, QList<int>> gridRows; // `CaseKey` of the path -> grid rows
    for (int r = 1; r < rowCount; ++r) {
        const QString path = cells.GetData(0, r);
        if (!path.isEmpty())
            gridRows[CaseKey(path)].append(r);
    }
    cells.BuildTextIndex(1, 0, colCount - 1, 0);
    const auto columnOf = [&](const QString& name) {
        qint32 col = -1;
        qint32 headerRow = -1;
        return cells.FindText(name, col, headerRow) && col >= 1 && col < colCount ? col : -1;
    };
    QSet<QString> reported; // `CaseKey` of "P" + path, "N" + name
    const auto report = [&](QStringList& list, QChar kind, const QString& text) {
        if (placement && !reported.contains(kind + CaseKey(text))) {
            reported.insert(kind + CaseKey(text));
            list.append(text);
        }
    };
    int set = 0;
    for (const PropertySetRow& row : rows) {
        const auto it = gridRows.constFind(CaseKey(row.path));
        if (placement) {
            for (const auto& value : row.values)
                if (columnOf(value.first) < 0)
                    report(placement->unplacedNames, u'N', value.first);
            if (it == gridRows.cend())
                report(placement->unplacedPaths, u'P', row.path);
        }
        if (it == gridRows.cend())
            continue;
        for (const int r : *it) {
            for (const auto& [name, value] : row.values) {
                const qint32 col = columnOf(name);
                if (col < 0 || (fromCsv && value.isEmpty()))
                    continue;
                if (cells.ReadOnly(col, r)) {
                    if (placement)
                        ++placement->readOnly;
                    continue;
                }
                ++set;
                // `GetText` creates no cell, so a cell without text is only created to be set.
                if (!fromCsv || cells.GetText(col, r) != value)
                    cells.GetCell(col, r)->SetText(value);
            }
        }
    }
    cells.ClearTextIndex();
    if (placement)
        placement->set = set;
    return set;
}
