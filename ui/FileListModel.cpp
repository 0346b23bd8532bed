#include "FileListModel.h"

#include "CueLooks.h"
#include "VisibleText.h"

#include <QColor>
#include <QFont>

#include <algorithm>

namespace renamer {

namespace {

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int viewRow(std::size_t row)
{
    return static_cast<int>(row) - 1;
}

} // namespace

FileListModel::FileListModel(const RenameSession& session, QObject* parent)
    : QAbstractTableModel(parent)
    , session_(session)
    , shownRowCount_(static_cast<int>(session.fileList().rowCount()))
{
}

int FileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownRowCount_;
}

int FileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(session_.fileList().columnCount());
}

QString FileListModel::cellText(int row, int column) const
{
    const FileList& list = session_.fileList();
    const SubItemIndex index = list.columns()[static_cast<std::size_t>(column)].subItemIndex;
    return fromUtf8(withVisibleControls(list.cell(static_cast<std::size_t>(row) + 1, index)));
}

QVariant FileListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    // While a clear is being announced the list is already empty.
    const auto row = static_cast<std::size_t>(index.row()) + 1;
    if (row > session_.fileList().rowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::ForegroundRole: {
        const CueLook& look = cueLook(session_.cue(row).kind);
        if (!look.ink.isValid() || !look.appliesTo(index.column() == columnOf(ColumnKey::NewName)))
            return {};
        return look.ink;
    }
    case Qt::FontRole: {
        const CueLook& look = cueLook(session_.cue(row).kind);
        if (!look.slanted || !look.appliesTo(index.column() == columnOf(ColumnKey::NewName)))
            return {};
        QFont font;
        font.setItalic(true);
        return font;
    }
    // The same words for a screen reader as for the mouse.
    case Qt::AccessibleDescriptionRole:
    case Qt::ToolTipRole:
        if (session_.cue(row).kind == RowCueKind::Clean)
            return {};
        return fromUtf8(withVisibleControls(session_.cueText(row)));
    default:
        return {};
    }
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return {};
    return fromUtf8(session_.fileList().columns()[static_cast<std::size_t>(section)].header);
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int FileListModel::columnOf(std::string_view key) const
{
    return static_cast<int>(session_.fileList().columnPosition(key));
}

void FileListModel::show(const ChangeSet& changes)
{
    if (changes.cleared) {
        beginResetModel();
        shownRowCount_ = 0;
        endResetModel();
    }
    if (!changes.appended.empty()) {
        beginInsertRows({}, viewRow(changes.appended.first), viewRow(changes.appended.last));
        shownRowCount_ = static_cast<int>(changes.appended.last);
        endInsertRows();
    }

    // Cells, column by column in display order; a column whose rows equal
    // its left neighbour's joins that neighbour's signal.
    const auto& columns = session_.fileList().columns();
    int runStart = -1;
    RowRange runRows;
    const auto flush = [&](int runEnd) {
        if (runStart >= 0)
            emit dataChanged(index(viewRow(runRows.first), runStart), index(viewRow(runRows.last), runEnd),
                             {Qt::DisplayRole});
        runStart = -1;
    };
    for (int column = 0; column < columnCount(); ++column) {
        const RowRange rows = changes.cellsOf(columns[static_cast<std::size_t>(column)].key);
        if (runStart >= 0 && rows == runRows)
            continue;
        flush(column - 1);
        if (!rows.empty()) {
            runStart = column;
            runRows = rows;
        }
    }
    flush(columnCount() - 1);

    if (!changes.tints.empty()) {
        const int fileName = columnOf(ColumnKey::FileName);
        emit dataChanged(index(viewRow(changes.tints.first), fileName), index(viewRow(changes.tints.last), fileName),
                         {TintRole});
    }
    if (!changes.cues.empty())
        emit dataChanged(index(viewRow(changes.cues.first), 0), index(viewRow(changes.cues.last), columnCount() - 1),
                         {Qt::ForegroundRole, Qt::FontRole, Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}

} // namespace renamer
