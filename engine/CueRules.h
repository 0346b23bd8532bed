#pragma once

#include "BatchPlan.h"
#include "FileList.h"
#include "FileSystem.h"
#include "NameBound.h"
#include "NamingRules.h"
#include "RowCue.h"

#include <concepts>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace renamer {

// The rules of what the rename button would do with each row, worked out
// before it is pressed. The rows are played one at a time, in the order the
// batch takes them (BatchPlan.h), against a ledger of the names in their
// folders: who had a name when its folder was read, and what the rows played
// so far did with it. The ledger is all the rules know of other rows, so that
// a fast index can serve them and a plain one can check that index. Written
// as templates over the ledger so that each row's play compiles into the
// index's loop.

// A row as its checks see it: its names and what is known of its folder.
struct CueRow {
    std::uint32_t number;
    std::string_view oldName;     // its FileName
    std::string_view newName;     // its NewName: empty for no proposal
    const DirectoryNames* folder; // the names in the row's folder as read; null when unread
    bool folderReplaced;          // folderWasReplaced() for the row
    bool oldNameIsUtf8;           // isValidUtf8(oldName)
    bool patternMissed;           // the current pattern does not match the old name
    bool keepsName;               // newName == oldName: the proposal is the name it has
};

// A row as the play sees it, once its checks are made: no names, only what
// the play asks of them, so that a ledger that made the checks beforehand
// need not read them again.
struct PlayedRow {
    std::uint32_t number;
    const DirectoryNames* folder; // the names in the row's folder as read; null when unread
    bool hasProposal;             // its NewName is not empty
    bool keepsName;               // its NewName is its FileName
    bool oldNameIsUtf8;           // isValidUtf8(FileName)
    bool patternMissed;           // the current pattern does not match the old name
};

// Whether the folder at the row's path is not the one the row's file was
// found in. Unknown identities pass; an unread folder tells nothing.
inline bool folderWasReplaced(const FileIdentity& rowFolder, const DirectoryNames* folder)
{
    return folder != nullptr && !maybeSameFolder(rowFolder, folder->folder);
}

// Which of a row's two names.
enum class RowName : std::uint8_t { Old, New };

// Who had a name when its folder was read.
struct DiskHolder {
    bool present = false;
    std::uint64_t inode = 0; // of the entry that had it; 0 where unknown
};

// What the rows played so far did with a name; both 0 while none touched it.
struct BatchHolder {
    std::uint32_t renamedToBy = 0;   // the row whose file has it now; 0 once that file left it
    std::uint32_t renamedAwayBy = 0; // the last row whose file left it
};

// The ledger: the rows, the names of their folders and what the rows played
// so far did with them. `row` gives a row as the play sees it, and
// `checkedAlone` what checkRowAlone says of a row with a proposal (a ledger
// may have worked that out beforehand, as it needs no other row). `nameOf`
// gives a row's old or new name as its folder compares names; a row's two
// names are equal when they are one entry of the folder (a change of letter
// case where case does not count). `firstRowNamed` gives the first row whose
// old name the name is (0 for none), and `nextRowNamedAlike` the next row
// with the same old name as a row. `renameTo` gives the name to the row's
// file; `renameAway` takes the row's file away from it.
template <class Ledger>
concept CueLedger = std::equality_comparable<typename Ledger::Name>
    && requires(Ledger& ledger, const Ledger& seen, const PlayedRow& row, const typename Ledger::Name& name,
                std::uint32_t number) {
           { seen.row(number) } -> std::same_as<PlayedRow>;
           { seen.checkedAlone(row) } -> std::same_as<RowCueKind>;
           { seen.nameOf(row, RowName::Old) } -> std::same_as<typename Ledger::Name>;
           { seen.heldOnDisk(name) } -> std::same_as<DiskHolder>;
           { seen.heldInBatch(name) } -> std::same_as<BatchHolder>;
           { seen.firstRowNamed(name) } -> std::same_as<std::uint32_t>;
           { seen.nextRowNamedAlike(number) } -> std::same_as<std::uint32_t>;
           ledger.renameTo(name, number);
           ledger.renameAway(name, number);
       };

// The checks that need the row alone, each returning Clean when the row
// passes it. They run only for a row with a proposal.

// Whether the name holds a "/" or a NUL, eight bytes at a time: every row's
// proposal is checked on every keystroke.
inline bool holdsSlashOrNul(std::string_view name)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    // Exact: nonzero if and only if one of the word's bytes is zero.
    const auto holdsZeroByte = [](std::uint64_t word) { return ((word - kOnes) & ~word & kHighs) != 0; };
    const auto holdsEither = [&](const char* bytes) {
        std::uint64_t word;
        std::memcpy(&word, bytes, sizeof word);
        return holdsZeroByte(word) || holdsZeroByte(word ^ (kOnes * '/'));
    };
    if (name.size() < sizeof(std::uint64_t))
        return name.find('/') != std::string_view::npos || name.find('\0') != std::string_view::npos;
    for (std::size_t at = 0; at + sizeof(std::uint64_t) <= name.size(); at += sizeof(std::uint64_t)) {
        if (holdsEither(name.data() + at))
            return true;
    }
    // The last eight bytes, which may overlap bytes already seen.
    return holdsEither(name.data() + name.size() - sizeof(std::uint64_t));
}

inline RowCueKind nameIsValid(const CueRow& row)
{
    const std::string_view name = row.newName;
    const bool invalid = name == "." || name == ".." || holdsSlashOrNul(name);
    return invalid ? RowCueKind::InvalidName : RowCueKind::Clean;
}

// Also a name the preview cut short is longer than any volume holds.
inline RowCueKind nameFitsAnyVolume(const CueRow& row)
{
    return row.newName.size() > kLongestPossibleName ? RowCueKind::NameTooLong : RowCueKind::Clean;
}

// A row that keeps its name renames nothing, so neither its folder's rights
// nor its volume's rules concern it; an unread folder tells nothing of them.
inline bool renamesInReadFolder(const CueRow& row)
{
    return row.folder != nullptr && !row.keepsName;
}

inline RowCueKind folderAllowsRenaming(const CueRow& row)
{
    if (!renamesInReadFolder(row))
        return RowCueKind::Clean;
    switch (row.folder->access) {
    case FolderAccess::Writable:
        return RowCueKind::Clean;
    case FolderAccess::ReadOnlyVolume:
        return RowCueKind::ReadOnlyVolume;
    case FolderAccess::NoWriteRights:
        return RowCueKind::NoWriteRights;
    case FolderAccess::InDocumentPortal:
        return RowCueKind::InDocumentPortal;
    }
    return RowCueKind::Clean;
}

// The volume's naming rules and its length limit, counted in its unit, in
// one pass over the name.
inline RowCueKind volumeTakesName(const CueRow& row)
{
    if (!renamesInReadFolder(row))
        return RowCueKind::Clean;
    const DirectoryNames& folder = *row.folder;
    if (!followsWindowsRules(folder.volumeKind)) // bytes are counted, and only "/" and NUL are refused
        return row.newName.size() > folder.longestName ? RowCueKind::NameTooLong : RowCueKind::Clean;
    const auto refusal = refusalOf(row.newName, folder.volumeKind, folder.longestName);
    if (!refusal)
        return RowCueKind::Clean;
    return refusal->kind == NameRefusalKind::TooLong ? RowCueKind::NameTooLong : RowCueKind::NotAWindowsName;
}

inline RowCueKind folderIsTheRows(const CueRow& row)
{
    return row.folderReplaced ? RowCueKind::FolderReplaced : RowCueKind::Clean;
}

template <RowCueKind (*... checks)(const CueRow&)>
RowCueKind firstFailedCheck(const CueRow& row)
{
    RowCueKind kind = RowCueKind::Clean;
    static_cast<void>((((kind = checks(row)) == RowCueKind::Clean) && ...));
    return kind;
}

// The checks of the row alone, in the order they apply.
inline RowCueKind checkRowAlone(const CueRow& row)
{
    return firstFailedCheck<nameIsValid, nameFitsAnyVolume, folderAllowsRenaming, volumeTakesName, folderIsTheRows>(
        row);
}

// The checks against the ledger.

// Whether the file the batch would find under the old name is the row's
// own: the file an earlier row renamed to it, none when an earlier row
// renamed its file away, else the one on disk; where the folder could not be
// read, it is taken to be there. A file an earlier row moved there came from
// another name, so it is another file unless inode numbers say otherwise.
template <CueLedger Ledger>
RowCue sourceIsThere(const PlayedRow& row, const FileList& list, const Ledger& ledger, const typename Ledger::Name& old)
{
    const BatchHolder played = ledger.heldInBatch(old);
    const std::uint64_t inode = list.inodeOf(row.number);
    bool found = true;
    bool mine = true;
    if (played.renamedToBy != 0) {
        const std::uint64_t moved = list.inodeOf(played.renamedToBy);
        mine = moved != 0 && moved == inode;
    } else if (played.renamedAwayBy != 0) {
        found = false;
    } else if (row.folder != nullptr) {
        const DiskHolder disk = ledger.heldOnDisk(old);
        found = disk.present;
        mine = maybeSameInode(disk.inode, inode);
    }
    if (found && mine)
        return {};
    // Not there: moved away by an earlier row, or gone or replaced on disk.
    if (played.renamedAwayBy != 0 && maybeSameInode(list.inodeOf(played.renamedAwayBy), inode))
        return {RowCueKind::RenamedByEarlierRow, played.renamedAwayBy};
    return {found ? RowCueKind::SourceReplaced : RowCueKind::SourceGone};
}

// Whether nobody has the new name when the row's turn comes: an earlier
// row's file that took it keeps it, and a file on disk keeps it unless an
// earlier row moved it away (the plan then decides whether a row that has
// yet to move it will).
template <CueLedger Ledger>
RowCue nameIsFree(const Ledger& ledger, const typename Ledger::Name& name)
{
    const BatchHolder played = ledger.heldInBatch(name);
    if (played.renamedToBy != 0)
        return {RowCueKind::TakenByEarlierRow, played.renamedToBy};
    if (played.renamedAwayBy == 0 && ledger.heldOnDisk(name).present)
        return {RowCueKind::TakenOnDisk};
    return {};
}

// Plays the rows for the plan (PlanPlayer): each row's cue, and for a row
// that would rename, the rename written in the ledger for the rows after it.
// `list` holds the rows, whose files the rules compare by inode. Each cue
// goes to `sink.set(row, cue, settled)`: a row's first cue comes at its
// turn, in row order; an unsettled one (the row waits) is set again later.
template <CueLedger Ledger, class Sink>
class CuePlay {
public:
    CuePlay(const FileList& list, Ledger& ledger, Sink& sink)
        : list_(list)
        , ledger_(ledger)
        , sink_(sink)
    {
    }

    Turn play(std::uint32_t number, std::uint32_t waitedFor)
    {
        const PlayedRow row = ledger_.row(number);
        if (!row.hasProposal)
            return settle(number, {row.oldNameIsUtf8 ? RowCueKind::Clean : RowCueKind::NameNotUtf8},
                          TurnOutcome::Stayed);
        if (const RowCueKind kind = ledger_.checkedAlone(row); kind != RowCueKind::Clean)
            return settle(number, {kind}, TurnOutcome::Stopped);
        const auto oldName = ledger_.nameOf(row, RowName::Old);
        if (const RowCue source = sourceIsThere(row, list_, ledger_, oldName); source.kind != RowCueKind::Clean)
            return settle(number, source, TurnOutcome::Stopped);
        if (row.keepsName)
            return settle(number, {RowCueKind::Unchanged}, TurnOutcome::Stayed);
        const auto newName = ledger_.nameOf(row, RowName::New);
        // A change of letter case only, where case does not count, leaves the
        // file in its entry, which the row then holds under the new spelling.
        if (newName != oldName) {
            const RowCue taken = nameIsFree(ledger_, newName);
            if (taken.kind == RowCueKind::TakenOnDisk)
                return {TurnOutcome::Blocked, ledger_.firstRowNamed(newName)};
            if (taken.kind != RowCueKind::Clean)
                return settle(number, taken, TurnOutcome::Stopped);
            ledger_.renameAway(oldName, number);
        }
        ledger_.renameTo(newName, number);
        const RowCue renamed = waitedFor != 0 ? RowCue{RowCueKind::MovesAfterRow, waitedFor} : RowCue{};
        return settle(number, row.patternMissed ? RowCue{RowCueKind::StaleProposal} : renamed, TurnOutcome::Moved);
    }

    bool leavesItsName(std::uint32_t number) const
    {
        const PlayedRow row = ledger_.row(number);
        return row.hasProposal && !row.keepsName
            && ledger_.nameOf(row, RowName::New) != ledger_.nameOf(row, RowName::Old);
    }
    std::uint32_t oldNameRow(std::uint32_t number) const
    {
        return ledger_.firstRowNamed(ledger_.nameOf(ledger_.row(number), RowName::Old));
    }
    std::uint32_t nextRowNamedAlike(std::uint32_t number) const { return ledger_.nextRowNamedAlike(number); }

    void waitFor(std::uint32_t number, std::uint32_t holder)
    {
        sink_.set(number, {RowCueKind::MovesAfterRow, holder}, false);
    }
    void blockedBy(std::uint32_t number, std::uint32_t failedHolder)
    {
        sink_.set(number, failedHolder != 0 ? RowCue{RowCueKind::BlockedByRow, failedHolder}
                                            : RowCue{RowCueKind::TakenOnDisk},
                  true);
    }
    // Every row of a cycle passed its checks when it was played, and since
    // then no file has left or taken any of the cycle's names: it renames.
    bool rotate(std::span<const std::uint32_t> cycle)
    {
        for (const std::uint32_t number : cycle)
            ledger_.renameAway(ledger_.nameOf(ledger_.row(number), RowName::Old), number);
        for (std::size_t i = 0; i < cycle.size(); ++i) {
            const PlayedRow row = ledger_.row(cycle[i]);
            ledger_.renameTo(ledger_.nameOf(row, RowName::New), cycle[i]);
            const std::uint32_t next = cycle[(i + 1) % cycle.size()];
            sink_.set(cycle[i],
                      row.patternMissed ? RowCue{RowCueKind::StaleProposal} : RowCue{RowCueKind::RotatesWithRow, next},
                      true);
        }
        return true;
    }
    bool stopped() const { return false; }

private:
    Turn settle(std::uint32_t number, const RowCue& cue, TurnOutcome outcome)
    {
        sink_.set(number, cue, true);
        return {outcome};
    }

    const FileList& list_;
    Ledger& ledger_;
    Sink& sink_;
};

} // namespace renamer
