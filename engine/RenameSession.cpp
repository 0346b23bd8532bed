#include "RenameSession.h"

#include "ApplyNames.h"
#include "DroppedItems.h"
#include "PreviewNames.h"
#include "StatusTexts.h"

namespace renamer {

namespace {

void addCells(ChangeSet& changes, std::string_view key, const RowRange& rows)
{
    if (!rows.empty())
        changes.cells.push_back({key, rows});
}

} // namespace

RenameSession::RenameSession(FileSystem& fileSystem, RegularExpressionFactory makeRegularExpression)
    : fileSystem_(fileSystem)
    , makeRegularExpression_(std::move(makeRegularExpression))
{
}

const RowCue& RenameSession::cue(std::size_t row) const
{
    static const RowCue kClean;
    return row >= 1 && row <= cues_.size() ? cues_[row - 1] : kClean;
}

std::string RenameSession::cueText(std::size_t row) const
{
    const RowCue& rowCue = cue(row);
    std::optional<NameRefusal> refusal;
    if (rowCue.kind == RowCueKind::NotAWindowsName) {
        if (const DirectorySnapshot::Directory* directory = snapshot_.find(list_.cell(row, ColumnKey::Path)))
            refusal = refusalOf(list_.cell(row, ColumnKey::NewName), directory->volumeKind(), directory->longestName());
    }
    return describeRowCue(rowCue, refusal);
}

RowRange RenameSession::updateCues()
{
    return cueComputer_.compute(list_, snapshot_, cues_);
}

ChangeSet RenameSession::drop(const std::vector<std::string>& paths, std::string_view pattern,
                              std::string_view replacement)
{
    const DropOutcome outcome
        = AddDroppedItems(list_, fileSystem_, paths, PreviewSettings{makeRegularExpression_, pattern, replacement});
    // The new rows' folders are read now, so that a proposal whose name is
    // taken on disk is cued at once, not only after the next batch.
    snapshot_.readDirectoriesOf(list_, fileSystem_, outcome.appended);

    ChangeSet changes;
    changes.appended = outcome.appended;
    addCells(changes, ColumnKey::NewName, outcome.previewChanged);
    changes.cues = updateCues();
    changes.statusText = outcome.statusText;
    return changes;
}

ChangeSet RenameSession::edit(std::string_view pattern, std::string_view replacement)
{
    ChangeSet changes;
    addCells(changes, ColumnKey::NewName, PreviewNames(list_, makeRegularExpression_, pattern, replacement));
    changes.cues = updateCues();
    return changes;
}

ChangeSet RenameSession::apply()
{
    const ApplyOutcome outcome = ApplyNames(list_, fileSystem_);
    // The batch changed the folders; their names on disk are read again.
    snapshot_.refresh(list_, fileSystem_);

    ChangeSet changes;
    addCells(changes, ColumnKey::FileName, outcome.changed);
    addCells(changes, ColumnKey::NewName, outcome.changed);
    changes.cues = updateCues();
    changes.statusText = outcome.statusText;
    if (outcome.failed)
        changes.failureMessage = outcome.statusText;
    return changes;
}

ChangeSet RenameSession::clear()
{
    list_.clear();
    snapshot_.clear();
    cues_.clear();
    ChangeSet changes;
    changes.cleared = true;
    changes.statusText = std::string(kStartupHint);
    return changes;
}

} // namespace renamer
