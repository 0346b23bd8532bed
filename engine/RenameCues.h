#pragma once

#include "FileList.h"
#include "FileSystem.h"
#include "NameTable.h"
#include "NamingRules.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <deque>
#include <unordered_map>
#include <vector>

namespace renamer {

// What pressing the rename button would do with a row, seen before it is
// pressed. Anything from InvalidName on would stop the batch at that row.
enum class RowCueKind : std::uint8_t {
    Clean,               // no proposal, or a rename that would succeed
    Unchanged,           // the proposal is the name the file already has
    StaleProposal,       // would rename, but the current pattern does not match the name
    InvalidName,         // contains "/" or NUL, or is "." or ".."
    NameTooLong,         // longer than the directory allows, counted in its volume's unit
    NotAWindowsName,     // a name Windows volumes refuse or Windows could not open (refusalOf says why)
    ReadOnlyVolume,      // the folder lies on a volume mounted read-only
    NoWriteRights,       // the user may not rename files in the folder
    TakenOnDisk,         // another entry of the directory has the name
    TakenByEarlierRow,   // an earlier row, once renamed, would hold the name
    SourceGone,          // the file no longer has its old name
    RenamedByEarlierRow, // an earlier row of the same file would rename it first
    SourceReplaced,      // the old name belongs to another file now
    FolderReplaced,      // the row's folder path names another folder now
};

struct RowCue {
    RowCueKind kind = RowCueKind::Clean;
    std::uint32_t otherRow = 0; // the earlier row that causes it, where one does

    bool isError() const { return kind >= RowCueKind::InvalidName; }
    bool operator==(const RowCue&) const = default;
};

// A short Simplified Chinese explanation of a cue, for a tooltip; empty for
// a clean row. `refusal`, for a NotAWindowsName cue, names the rule the new
// name breaks.
std::string describeRowCue(const RowCue& cue, const std::optional<NameRefusal>& refusal = std::nullopt);

// The names in each directory that rows live in, as they were when read: taken
// when rows are added and after a batch, not on every keystroke.
class DirectorySnapshot {
public:
    // Reads the directories of the given rows, each once, again where it was
    // read before: a drop brings the snapshot of its folders up to date.
    void readDirectoriesOf(const FileList& list, FileSystem& fileSystem, const RowRange& rows);
    // Reads every directory of the list again.
    void refresh(const FileList& list, FileSystem& fileSystem);
    // Reads one directory again, after it changed.
    void read(const std::string& path, FileSystem& fileSystem);
    void clear();

    class Directory {
    public:
        explicit Directory(DirectoryNames names);
        Directory(const Directory&) = delete;
        Directory& operator=(const Directory&) = delete;

        // `name` must already be folded where the directory ignores case.
        bool contains(std::string_view name, std::size_t hash) const { return names_.find(0, name, hash) != nullptr; }
        // The inode number of the entry of that name (0 where unknown), or
        // null when there is none.
        const std::uint64_t* inodeOf(std::string_view name, std::size_t hash) const
        {
            return names_.find(0, name, hash);
        }
        bool caseInsensitive() const { return caseInsensitive_; }
        std::size_t longestName() const { return longestName_; } // in lengthUnitOf(volumeKind())
        VolumeKind volumeKind() const { return volumeKind_; }
        FolderAccess access() const { return access_; }
        const FileIdentity& identity() const { return identity_; }

    private:
        NameList storage_; // the table views into it
        NameTable<std::uint64_t> names_;
        bool caseInsensitive_;
        std::size_t longestName_;
        VolumeKind volumeKind_;
        FolderAccess access_;
        FileIdentity identity_;
    };
    // Null when the directory was not read or could not be.
    const Directory* find(std::string_view path) const;

private:
    std::unordered_map<std::string, std::unique_ptr<Directory>> directories_;
};

// Works out every row's cue by playing the batch through in row order against
// the snapshot, as if every earlier row that would succeed had been renamed.
// Linear in the rows; keeps its tables from run to run so that a keystroke
// allocates next to nothing.
class RowCueComputer {
public:
    // Leaves one cue per row in `cues` and returns the rows whose cue changed,
    // among those that had one before. A row flagged in `patternMissed` (at
    // row - 1) that would rename cleanly is cued as a stale proposal.
    RowRange compute(const FileList& list, const DirectorySnapshot& snapshot, std::vector<RowCue>& cues,
                     const std::vector<bool>& patternMissed = {});

private:
    struct NameState {
        std::uint32_t renamedAwayBy = 0; // the row that renamed the name's file away
        std::uint32_t renamedToBy = 0;   // the row whose file now has the name
    };

    RowCue play(std::uint32_t row, std::string_view directory, std::string_view oldName, std::string_view newName);
    // Where the row's file is, if not under its old name as the batch would
    // find it there.
    RowCue findSource(const RowOrigin& origin, const DirectorySnapshot::Directory* directory,
                      const NameState* old, std::string_view oldKey, std::size_t oldHash) const;
    std::uint32_t directoryId(std::string_view path);
    // The name as its directory compares names; folded names are kept alive
    // in `folded_` for the run.
    std::string_view key(const DirectorySnapshot::Directory* directory, std::string_view name);

    const FileList* list_ = nullptr;
    const DirectorySnapshot* snapshot_ = nullptr;
    NameTable<NameState> names_;
    NameTable<std::uint32_t> directoryIds_;
    std::vector<const DirectorySnapshot::Directory*> directories_;
    std::string_view lastPath_;
    std::uint32_t lastDirectoryId_ = 0;
    std::deque<std::string> folded_;
    std::string scratch_;
};

} // namespace renamer
