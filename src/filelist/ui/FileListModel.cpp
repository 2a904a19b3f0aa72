#include "filelist/ui/FileListModel.h"

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FileListModel::AppendEntries(const std::vector<FileEntry>& entries)
{
    if (entries.empty())
        return;
    const int first = m_list.Count();
    beginInsertRows({}, first, first + int(entries.size()) - 1);
    m_list.Append(entries);
    endInsertRows();
    emit ListChanged();
}

void FileListModel::SortList()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> moved = m_list.Sort();
    // The view's highlighted and current rows are persistent indexes: they follow their entry
    // to its new place instead of staying at the same row number.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& i : before)
        after.append(index(moved[size_t(i.row())], i.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit ListChanged();
}

void FileListModel::SortBy(int column)
{
    m_list.SetSortColumn(column);
    SortList();
}

void FileListModel::SetFileName(int row, const QString& name)
{
    if (row < 0 || row >= m_list.Count())
        return;
    m_list.At(row).fileName = name;
    emit dataChanged(index(row, 0), index(row, 0));
    emit ListChanged();
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list.Count();
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_list.Count())
        return {};
    const FileEntry& e = m_list.At(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == 0 ? e.fileName : e.directory;
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return e.checked ? Qt::Checked : Qt::Unchecked;
        break;
    case Qt::ToolTipRole:
        return e.FullPath();
    default:
        break;
    }
    return {};
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole || index.row() >= m_list.Count())
        return false;
    const bool checked = value.toInt() == Qt::Checked;
    FileEntry& e = m_list.At(index.row());
    if (e.checked != checked) {
        e.checked = checked;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        emit CheckToggled(index.row());
    }
    return true;
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return section == 0 ? QStringLiteral("File name") : QStringLiteral("Dir");
    return {};
}
