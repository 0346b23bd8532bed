#pragma once

#include "RenameSession.h"
#include "ShapedTexts.h"

#include <QStyledItemDelegate>

#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace renamer {

class FileListModel;

// Draws the cells of the file list: in the old name the text the pattern
// matches on one tint, in the new name the text that changes on another;
// long names shortened in the middle so that the extension stays in view;
// the row number with less padding than the names, so that four digits fit
// the narrow column. Spans are asked of the session only for rows being
// drawn, one regular-expression run per row. Every text is made to stand out
// from what is behind it by the usual 4.5:1. Selected cells are drawn as the
// style draws a selection, made dark or light enough for its text, without
// tints but with a cue's mark.
class FileListDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    FileListDelegate(const RenameSession& session, const FileListModel& model, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // The cell's tooltip as it is drawn in `option.rect`: the model's (the
    // row's cue) first, then the whole text where the cell shows it cut short.
    QString toolTip(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // The cell's text as it is drawn in `option.rect`: whole, or shortened.
    QString shownText(const QStyleOptionViewItem& option, const QModelIndex& index) const;

    // Room between the row number and its cell's left edge, in pixels; on
    // the right the grid line is room enough.
    static constexpr int kNumberPadding = 1;

private:
    struct CellLayout;
    CellLayout layOut(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    const RowSpans& spansOf(std::size_t row) const;

    const RenameSession& session_;
    const FileListModel& model_;
    // The spans of the rows drawn since the session last changed: a row's
    // two name cells share one run, and drawing the same rows again (a
    // tooltip, a scroll back) needs none.
    mutable std::uint64_t cachedRevision_ = 0;
    mutable std::unordered_map<std::size_t, RowSpans> cachedSpans_;
    mutable ShapedTexts shapedTexts_;
};

} // namespace renamer
