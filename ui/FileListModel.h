#pragma once

#include "FileList.h"
#include "RenameCues.h"

#include <QAbstractTableModel>

#include <initializer_list>
#include <string_view>

namespace renamer {

// Shows the engine's file list in a table view. It keeps no copy of the
// rows: every cell is read from the list when the view asks for it. The
// engine changes the list; the window then tells the model what changed, so
// the view refreshes only that. A row whose rename would fail is drawn red
// with the reason as its tooltip; an unchanged proposal is drawn grey.
class FileListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    // `cues` holds one cue per row once computed; fewer means no cues yet.
    FileListModel(FileList& list, const std::vector<RowCue>& cues, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The view's column for a column key.
    int columnOf(std::string_view key) const;

    // Rows the engine has appended at the end.
    void showAppendedRows(const RowRange& rows);
    // Cells of the given columns that the engine has rewritten in these rows.
    void showChangedCells(const RowRange& rows, std::initializer_list<std::string_view> keys);
    // Rows whose cue the engine has recomputed to something new.
    void showChangedCues(const RowRange& rows);
    // Removes every row from the list.
    void clear();

private:
    QString cellText(int row, int column) const;
    const RowCue* cueOf(int row) const;

    FileList& list_;
    const std::vector<RowCue>& cues_;
    // The rows the view knows of; it trails the list only while rows are
    // being announced, so that the view sees the count change in step.
    int shownRowCount_ = 0;
};

} // namespace renamer
