#pragma once

#include "ChangeSet.h"
#include "RenameSession.h"

#include <QAbstractTableModel>

#include <string_view>

namespace renamer {

// Shows the session's file list in a table view. It keeps no copy of the
// rows and changes nothing: every cell is read from the list when the view
// asks for it, and after each user action the window hands it the action's
// change set, which it turns into exactly the signals for what changed. A
// row whose rename would fail is drawn red with the reason as its tooltip;
// an unchanged proposal is drawn grey; one left from an earlier pattern,
// which the current one does not match, brown and leaning. A name that is
// not valid UTF-8 says in its tooltip why it can never be renamed.
class FileListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit FileListModel(const RenameSession& session, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The view's column for a column key.
    int columnOf(std::string_view key) const;

    // Tells the view what one user action changed: a reset for a clear, one
    // insertion for appended rows, one dataChanged per run of adjacent
    // columns whose cells changed in the same rows, one for the cues.
    void show(const ChangeSet& changes);

private:
    QString cellText(int row, int column) const;

    const RenameSession& session_;
    // The rows the view knows of; it trails the list only while rows are
    // being announced, so that the view sees the count change in step.
    int shownRowCount_ = 0;
};

} // namespace renamer
