#pragma once

#include "ChangeSet.h"
#include "FileList.h"
#include "FileSystem.h"
#include "RegularExpression.h"
#include "RenameCues.h"

#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// The rows of one window and all that is kept with them: the file list, the
// names on disk in the folders the rows live in, and each row's cue. Every
// user action is one call here; this is the one place that knows in which
// order its steps run, and each call says exactly what it changed.
class RenameSession {
public:
    // `fileSystem` must outlive the session.
    RenameSession(FileSystem& fileSystem, RegularExpressionFactory makeRegularExpression);

    const FileList& fileList() const { return list_; }
    // What a batch would do with the row (1-based); clean for a row without
    // a proposal.
    const RowCue& cue(std::size_t row) const;
    // The row's cue in words, for its tooltip: empty for a clean row, and
    // naming the rule a volume's name breaks where that is the cue.
    std::string cueText(std::size_t row) const;

    // Files and folders dropped on the list, in the drop's order. `pattern`
    // and `replacement` are the texts of the boxes, for the preview that
    // follows a drop. A drop that fails stops silently: no status text.
    ChangeSet drop(const std::vector<std::string>& paths, std::string_view pattern, std::string_view replacement);
    // The pattern or the replacement was edited.
    ChangeSet edit(std::string_view pattern, std::string_view replacement);
    // The rename button: every proposal applied in row order, stopping at the
    // first failure, whose message the change set then carries.
    ChangeSet apply();
    // The clear button: no rows, and the start-up hint on the status line.
    ChangeSet clear();

    // The layout's width of a column, kept with the column.
    void setColumnWidth(std::string_view key, float twips) { list_.setColumnWidth(key, twips); }

private:
    // Recomputes every cue; returns the rows whose cue changed.
    RowRange updateCues();

    FileSystem& fileSystem_;
    RegularExpressionFactory makeRegularExpression_;
    FileList list_;
    DirectorySnapshot snapshot_;
    RowCueComputer cueComputer_;
    std::vector<RowCue> cues_;
};

} // namespace renamer
