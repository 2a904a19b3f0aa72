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

    const FileList& list() const { return list_; }

    // Appends entries at the end (rows inserted, the view keeps its state).
    void appendEntries(const std::vector<FileEntry>& entries);
    // Any other change of the whole list: the view is reset afterwards.
    template <class F> void change(F&& f)
    {
        beginResetModel();
        f(list_);
        endResetModel();
        emit listChanged();
    }
    // A change of check boxes only: rows, order and the highlighted row stay.
    template <class F> void changeChecks(F&& f)
    {
        f(list_);
        if (list_.count() > 0)
            emit dataChanged(index(0, 0), index(list_.count() - 1, 0), {Qt::CheckStateRole});
        emit listChanged();
    }
    // Sorts by the list's sort column; the highlighted row stays on its entry.
    void sortList();
    // Makes Column the sort column and sorts.
    void sortBy(int column);
    // Sets one entry's file name in place.
    void setFileName(int row, const QString& name);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // A row's check box was changed through the view.
    void checkToggled(int row);
    // Entries were added, removed, re-ordered or changed.
    void listChanged();

private:
    FileList list_;
};
