#pragma once
// Item model of the file list view: two columns ("File name", "Dir") over the FileList engine,
// with a check box on every row.

#include "filelist/FileList.h"

#include <QAbstractTableModel>

#include <vector>

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr);

    const FileList& List() const { return m_list; }

    // Appends entries at the end (rows inserted, the view keeps its state).
    void AppendEntries(const std::vector<FileEntry>& entries);
    // Any other change of the whole list: the view is reset afterwards.
    template <class F> void Change(F&& f)
    {
        beginResetModel();
        f(m_list);
        endResetModel();
        emit ListChanged();
    }
    // A change of check boxes only: rows, order and the highlighted row stay.
    template <class F> void ChangeChecks(F&& f)
    {
        f(m_list);
        if (m_list.Count() > 0)
            emit dataChanged(index(0, 0), index(m_list.Count() - 1, 0), {Qt::CheckStateRole});
        emit ListChanged();
    }
    // Sorts by the list's sort column; the highlighted row stays on its entry.
    void SortList();
    // Makes `column` the sort column and sorts.
    void SortBy(int column);
    // Sets one entry's file name in place.
    void SetFileName(int row, const QString& name);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // A row's check box was changed through the view.
    void CheckToggled(int row);
    // Entries were added, removed, re-ordered or changed.
    void ListChanged();

private:
    FileList m_list;
};
