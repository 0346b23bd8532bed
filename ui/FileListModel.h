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
// row's cue shows as its look (CueLooks.h), and its reason as the tooltip
// and the accessible description of its cells. A name that is not valid
// UTF-8 says in its tooltip why it can never be renamed. Cells show control
// characters escaped, as the tooltips do.
class FileListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    // A role with no value of its own: a dataChanged for it says that the
    // tints the delegate draws behind a name may have moved.
    static constexpr int TintRole = Qt::UserRole;

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
    // columns whose cells changed in the same rows, one for the tints, one
    // for the cues.
    void show(const ChangeSet& changes);

private:
    QString cellText(int row, int column) const;

    const RenameSession& session_;
    // The rows the view knows of; it trails the list only while rows are
    // being announced, so that the view sees the count change in step.
    int shownRowCount_ = 0;
};

} // namespace renamer
