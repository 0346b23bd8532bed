#include "RenameSession.h"

#include "ApplyNames.h"
#include "DroppedItems.h"
#include "FreedMemory.h"
#include "PreviewNames.h"
#include "UserTexts.h"

#include <optional>

namespace renamer {

namespace {

// Below this many rows, a drop leaves too little free for returning it to
// be worth a walk through the heap.
constexpr std::size_t kRowsWorthReturningMemory = 65536;

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
    const DirectoryNames* directory = snapshot_.find(list_.cell(row, ColumnKey::Path));
    std::optional<NameRefusal> refusal;
    if (rowCue.kind == RowCueKind::NotAWindowsName && directory != nullptr)
        refusal = refusalOf(list_.cell(row, ColumnKey::NewName), directory->volumeKind, directory->longestName);
    return describeRowCue(rowCue, refusal, cuedName(rowCue, list_.cell(row, ColumnKey::FileName), directory));
}

RowRange RenameSession::updateCues()
{
    return cueComputer_.compute(list_, snapshot_, cues_, lastPreview_.patternMissed);
}

void RenameSession::addFoldersOf(const RowRange& rows)
{
    if (rows.empty())
        return;
    std::optional<FileList::FolderNumber> previous;
    for (std::size_t row = rows.first; row <= rows.last; ++row) {
        const FileList::FolderNumber folder = list_.folderOf(row);
        if (folder == previous)
            continue;
        previous = folder;
        std::string path(list_.folderPath(folder));
        if (folderSet_.insert(path).second)
            folders_.push_back(std::move(path));
    }
}

ChangeSet RenameSession::drop(const std::vector<std::string>& paths, std::string_view pattern,
                              std::string_view replacement, const Progress::Listener& listener)
{
    ++revision_;
    Progress progress(listener, progressInterval_);
    const PreviewSettings preview{makeRegularExpression_, pattern, replacement, &lastPreview_};
    previewPattern_.assign(pattern);
    DropOutcome outcome = AddDroppedItems(list_, fileSystem_, paths, preview, &progress);
    addFoldersOf(outcome.appended);
    // The new rows' folders are in the snapshot now, so that a proposal whose
    // name is taken on disk is cued at once, not only after the next batch:
    // the dropped folders as the drop read them, the others read now.
    progress.keepAlive();
    snapshot_.readDirectoriesOf(list_, fileSystem_, outcome.appended, std::move(outcome.folders));
    progress.keepAlive();
    // A drop of many rows leaves its temporaries free in the heap; the cues
    // that come next would be allocated beside them.
    if (outcome.appended.last - outcome.appended.first >= kRowsWorthReturningMemory)
        returnFreedMemory();

    ChangeSet changes;
    changes.appended = outcome.appended;
    addCells(changes, ColumnKey::NewName, outcome.previewChanged);
    changes.cues = updateCues();
    changes.statusText = outcome.statusText;
    return changes;
}

ChangeSet RenameSession::edit(std::string_view pattern, std::string_view replacement)
{
    ++revision_;
    ChangeSet changes;
    // A new pattern may move the matches in any row's name. What the
    // replacement changes moves with the new name's text, or with its cue.
    if (pattern != previewPattern_ && list_.rowCount() != 0)
        changes.tints = {1, list_.rowCount()};
    addCells(changes, ColumnKey::NewName,
             PreviewNames(list_, makeRegularExpression_, pattern, replacement, list_.rowCount(), &lastPreview_));
    previewPattern_.assign(pattern);
    changes.cues = updateCues();
    return changes;
}

ChangeSet RenameSession::apply(const Progress::Listener& listener)
{
    ++revision_;
    Progress progress(listener, progressInterval_);
    const ApplyOutcome outcome = ApplyNames(list_, fileSystem_, &progress, &snapshot_);
    // The batch changed the folders; their names on disk are read again.
    progress.keepAlive();
    snapshot_.refresh(list_, fileSystem_);
    progress.keepAlive();

    ChangeSet changes;
    addCells(changes, ColumnKey::FileName, outcome.changed);
    addCells(changes, ColumnKey::NewName, outcome.changed);
    changes.cues = updateCues();
    changes.statusText = outcome.statusText;
    if (outcome.failure)
        changes.failureMessage = outcome.statusText;
    return changes;
}

ChangeSet RenameSession::clear()
{
    ++revision_;
    list_.clear();
    snapshot_.clear();
    cues_.clear();
    lastPreview_ = PreviewRun{};
    previewPattern_.clear();
    folders_.clear();
    folderSet_.clear();
    ChangeSet changes;
    changes.cleared = true;
    changes.statusText = std::string(kStartupHint);
    return changes;
}

ChangeSet RenameSession::foldersChanged(const std::vector<std::string>& paths)
{
    bool read = false;
    for (const std::string& path : paths) {
        if (!folderSet_.contains(path))
            continue; // a report that arrived after the list was cleared
        snapshot_.read(path, fileSystem_);
        read = true;
    }
    ChangeSet changes;
    if (read) {
        ++revision_;
        changes.cues = updateCues();
    }
    return changes;
}

RowSpans RenameSession::spans(std::size_t row) const
{
    RowSpans spans;
    if (row == 0 || row > list_.rowCount() || !lastPreview_.proposer)
        return spans;
    NameProposer& proposer = *lastPreview_.proposer;
    const std::string_view fileName = list_.cell(row, ColumnKey::FileName);
    const std::string_view newName = list_.cell(row, ColumnKey::NewName);
    const NameProposer::Outcome outcome = proposer.propose(fileName, row, &spans);
    if (outcome == NameProposer::Outcome::Failed)
        return RowSpans{};
    if (newName.empty() || newName == fileName)
        spans.changed.clear();
    else if (outcome != NameProposer::Outcome::Proposed || proposer.proposal() != newName)
        spans.changed = differingSpans(fileName, newName);
    return spans;
}

} // namespace renamer
