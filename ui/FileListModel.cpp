#include "FileListModel.h"

#include <QColor>

#include <algorithm>

namespace renamer {

namespace {

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

FileListModel::FileListModel(FileList& list, const std::vector<RowCue>& cues, QObject* parent)
    : QAbstractTableModel(parent)
    , list_(list)
    , cues_(cues)
    , shownRowCount_(static_cast<int>(list.rowCount()))
{
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownRowCount_;
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(list_.columnCount());
}

QString FileListModel::cellText(int row, int column) const
{
    const SubItemIndex index = list_.columns()[static_cast<std::size_t>(column)].subItemIndex;
    return fromUtf8(list_.cell(static_cast<std::size_t>(row) + 1, index));
}

const RowCue* FileListModel::cueOf(int row) const
{
    const auto position = static_cast<std::size_t>(row);
    return position < cues_.size() ? &cues_[position] : nullptr;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::ForegroundRole: {
        const RowCue* cue = cueOf(index.row());
        if (cue == nullptr)
            return {};
        if (cue->isError())
            return QColor(0xC0, 0x00, 0x00);
        if (cue->kind == RowCueKind::Unchanged && index.column() == columnOf(ColumnKey::NewName))
            return QColor(0x90, 0x90, 0x90);
        return {};
    }
    case Qt::ToolTipRole: {
        const RowCue* cue = cueOf(index.row());
        if (cue == nullptr || cue->kind == RowCueKind::Clean)
            return {};
        return fromUtf8(describeRowCue(*cue));
    }
    default:
        return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return {};
    return fromUtf8(list_.columns()[static_cast<std::size_t>(section)].header);
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int FileListModel::columnOf(std::string_view key) const
{
    return static_cast<int>(list_.columnPosition(key));
}

void FileListModel::showAppendedRows(const RowRange& rows)
{
    if (rows.empty())
        return;
    beginInsertRows({}, static_cast<int>(rows.first) - 1, static_cast<int>(rows.last) - 1);
    shownRowCount_ = static_cast<int>(rows.last);
    endInsertRows();
}

void FileListModel::showChangedCells(const RowRange& rows, std::initializer_list<std::string_view> keys)
{
    if (rows.empty() || keys.size() == 0)
        return;
    int firstColumn = columnCount();
    int lastColumn = -1;
    for (const std::string_view key : keys) {
        firstColumn = std::min(firstColumn, columnOf(key));
        lastColumn = std::max(lastColumn, columnOf(key));
    }
    emit dataChanged(index(static_cast<int>(rows.first) - 1, firstColumn),
                     index(static_cast<int>(rows.last) - 1, lastColumn), {Qt::DisplayRole});
}

void FileListModel::showChangedCues(const RowRange& rows)
{
    if (rows.empty())
        return;
    emit dataChanged(index(static_cast<int>(rows.first) - 1, 0),
                     index(static_cast<int>(rows.last) - 1, columnCount() - 1), {Qt::ForegroundRole, Qt::ToolTipRole});
}

void FileListModel::clear()
{
    beginResetModel();
    list_.clear();
    shownRowCount_ = 0;
    endResetModel();
}

} // namespace renamer
