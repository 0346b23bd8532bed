#pragma once

#include "ChangeSet.h"
#include "FileList.h"
#include "FileSystem.h"
#include "PreviewNames.h"
#include "Progress.h"
#include "RegularExpression.h"
#include "RenameCues.h"

#include "CueTexts.h"
#include "TextSpans.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
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
    // `progress` hears now and then that a long drop goes on; the rows it
    // adds are reported only in the change set returned.
    ChangeSet drop(const std::vector<std::string>& paths, std::string_view pattern, std::string_view replacement,
                   const Progress::Listener& progress = {});
    // The pattern or the replacement was edited. Besides the proposals and
    // cues that changed, the change set names the rows whose matches a new
    // pattern may have moved.
    ChangeSet edit(std::string_view pattern, std::string_view replacement);
    // The rename button: every proposal applied in the order of the plan
    // (ApplyNames), stopping at the first failure, whose message the change
    // set then carries. `progress`
    // hears, at most once per progress interval, the rows renamed since its
    // last report; the change set returned still names them all.
    ChangeSet apply(const Progress::Listener& progress = {});
    // How often a long drop or batch reports its progress.
    static constexpr std::chrono::milliseconds kProgressInterval{50};
    void setProgressInterval(Progress::Clock::duration interval) { progressInterval_ = interval; }

    // The clear button: no rows, and the start-up hint on the status line.
    ChangeSet clear();

    // Folders changed on disk, outside the program: their names are read
    // again and the cues recomputed. Folders no row lives in are ignored.
    ChangeSet foldersChanged(const std::vector<std::string>& paths);

    // The folders the rows live in, each once, in the order rows first came
    // from them: what to watch for changes made outside the program.
    const std::vector<std::string>& folders() const { return folders_; }

    // Where the pattern of the last preview matches the row's FileName and
    // where its NewName differs from the FileName, worked out now by that
    // preview's own proposer, from its compiled pattern: meant for the few
    // rows a window draws. A NewName the pattern did not give (one from an
    // earlier pattern) is compared with the FileName as a whole.
    RowSpans spans(std::size_t row) const;
    // Counts the actions that changed anything shown, so that what was worked
    // out for a row can be kept until the next one.
    std::uint64_t revision() const { return revision_; }

private:
    // Recomputes every cue; returns the rows whose cue changed.
    RowRange updateCues();
    void addFoldersOf(const RowRange& rows);

    FileSystem& fileSystem_;
    RegularExpressionFactory makeRegularExpression_;
    FileList list_;
    DirectorySnapshot snapshot_;
    RowCueComputer cueComputer_;
    std::vector<RowCue> cues_;
    // The last preview's missed rows and proposer. The proposer outlives its
    // run so that drawing a row needs no compiling; its match state is
    // scratch space, which is why spans() can be const.
    PreviewRun lastPreview_;
    std::string previewPattern_; // the pattern of the last preview
    std::vector<std::string> folders_;
    std::unordered_set<std::string> folderSet_;
    std::uint64_t revision_ = 0;
    Progress::Clock::duration progressInterval_ = kProgressInterval;
};

} // namespace renamer
