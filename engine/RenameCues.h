#pragma once

#include "BatchPlan.h"
#include "DirectorySnapshot.h"
#include "FileList.h"
#include "RowCue.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace renamer {

// Works out every row's cue by playing the batch through in the order it
// takes the rows (BatchPlan.h) against the snapshot, as if every row played
// before that would succeed had been renamed: the rules of CueRules.h,
// played against the tables kept here as their ledger.
//
// What does not change between keystrokes (each row's folder and the look-up
// of its old name, the names on disk) is worked out once, when the list's
// rows or the snapshot have changed since the last run; a keystroke then
// looks up only the proposals, in tables it keeps from run to run, so that it
// allocates nothing and its memory look-ups overlap.
// The file name a cue names, where it names one: for LeftUnderTemporaryName
// the name the row's FileName `fileName` was made from, for SecondName the
// other name in `folder`, the row's folder as read; else empty.
std::string_view cuedName(const RowCue& cue, std::string_view fileName, const DirectoryNames* folder);

class RowCueComputer {
public:
    // Leaves one cue per row in `cues` and returns the rows whose cue changed,
    // among those that had one before. A row flagged in `patternMissed` (at
    // row - 1) that would rename cleanly is cued as a stale proposal.
    RowRange compute(const FileList& list, const DirectorySnapshot& snapshot, std::vector<RowCue>& cues,
                     const std::vector<std::uint8_t>& patternMissed = {});

private:
    using KeyNumber = std::uint32_t;
    static constexpr KeyNumber kNoKey = 0xFFFFFFFF;

    // A name in a directory, as the directory compares names: every name on
    // disk and every row's old name, each once.
    struct Key {
        std::uint32_t directory : 29;
        std::uint32_t textSource : 2; // a TextSource: where `text` points
        std::uint32_t onDisk : 1;     // an entry of the directory as read
        std::uint32_t text;
        std::uint64_t inode = 0;      // of the entry on disk, 0 where unknown
    };
    // What the batch played so far did with a key's name, in this run only
    // (older runs' states count as untouched). A key that some row proposes
    // is stamped with the run by the look-ups, untouched all the same: that
    // tells a row that no other row proposes its old name.
    struct KeyState {
        std::uint32_t run = 0;
        std::uint32_t renamedToBy = 0;   // the row whose file now has the name
        std::uint32_t renamedAwayBy = 0; // the row that renamed the name's file away
    };
    // What the rules need of a row that stays the same between keystrokes.
    struct RowKeys {
        std::uint32_t directory : 30;
        std::uint32_t folderReplaced : 1; // folderWasReplaced()
        std::uint32_t oldNameIsUtf8 : 1;
        KeyNumber oldKey;
    };
    struct Directory {
        const DirectoryNames* names; // null when unread
    };

    void prepare(const FileList& list, const DirectorySnapshot& snapshot);
    // The key of an entry of a read directory.
    KeyNumber keyOfEntry(std::uint32_t directory, std::uint32_t entry);
    // Finds the rows that notes_ gives a cue; part of prepare.
    void noteRows(const FileList& list);
    std::uint32_t hashKey(std::uint32_t directory, std::string_view key) const;
    std::string_view keyText(const Key& key) const;
    // The key of that name in that directory, or kNoKey.
    KeyNumber findKey(std::uint32_t directory, std::string_view key, std::uint32_t hash) const;
    // Whether a key has that hash: where none has, the name is no key,
    // whatever its text and folder.
    bool anyKeyHashes(std::uint32_t hash) const;
    KeyNumber addKey(const Key& key, std::uint32_t hash);
    // The first row whose old name is the key's, 0 for none.
    std::uint32_t firstRowOf(const Key& key) const;
    static void placeSlot(std::vector<std::uint64_t>& slots, std::uint64_t entry);
    KeyState& touch(KeyNumber key);
    const KeyState* playedState(KeyNumber key) const;
    // The name as its directory compares names, in `buffer` when folded.
    std::string_view compareForm(std::uint32_t directory, std::string_view name, std::string& buffer) const;

    // A row's proposal as looked up before the batch is played: its key
    // (kNoKey when no file has the name nor had it at first, kCaseOnly for a
    // change of letter case alone where case does not count), and for a
    // proposal that is no key the nearest earlier row that proposes the same
    // name (0 for none). Rows without a proposal to look up (none, the old
    // name, or one that fails a check of the row alone) are not looked up.
    // Until the rows are sorted by hash, previousSame holds the hash of a
    // proposal that is no key: the sort takes it from there, so that the
    // look-ups read hashes in order rather than proposals all over the rows.
    struct Proposal {
        KeyNumber key;
        std::uint32_t previousSame;
    };
    static constexpr KeyNumber kCaseOnly = 0xFFFFFFFE;
    // No proposal (previousSame 0), or the row's own name
    // (kNotLookedUpKeepingName), that passed the checks of the row alone.
    static constexpr KeyNumber kNotLookedUp = 0xFFFFFFFD;
    static constexpr std::uint32_t kNotLookedUpKeepingName = 1;
    // A proposal that fails a check of the row alone (checkRowAlone): it is
    // not looked up, and its previousSame holds the RowCueKind of the check
    // and, in the bits above, how the proposal stands to the old name: the
    // same, a change of letter case alone where case does not count, or
    // another name (0); failedAlone writes them, failedKind and
    // failedRelation read them.
    static constexpr KeyNumber kFailedAlone = 0xFFFFFFFC;
    static constexpr std::uint32_t kFailedKeepingName = 1;
    static constexpr std::uint32_t kFailedChangingCase = 2;
    static constexpr unsigned kFailedRelationShift = 8;
    static Proposal failedAlone(RowCueKind kind, std::uint32_t relation)
    {
        return {kFailedAlone, static_cast<std::uint32_t>(kind) | relation << kFailedRelationShift};
    }
    static RowCueKind failedKind(const Proposal& failed)
    {
        return static_cast<RowCueKind>(failed.previousSame & ((1u << kFailedRelationShift) - 1));
    }
    static std::uint32_t failedRelation(const Proposal& failed) { return failed.previousSame >> kFailedRelationShift; }
    // A row that stands alone, already played apart from the others: the
    // play passes its turn.
    static constexpr KeyNumber kPlayedAlone = 0xFFFFFFFB;
    struct RowHash {
        std::uint32_t row;
        std::uint32_t hash;
    };

    // The look-ups run in three steps, so that they stay within the cache
    // and use every core: every proposal's hash (stretches of rows at the
    // same time); the rows in order of their hash's first bits; the look-ups
    // of the rows of each such part, whose table slots lie together (parts
    // at the same time).
    void hashProposals(std::size_t first, std::size_t last);
    void sortByHash();
    void lookUpParts(std::size_t firstPart, std::size_t lastPart);
    // The tables as the rules' ledger (CueLedger), for one run's play, and
    // where its cues go.
    class Ledger;
    class CueSink;
    // Whether the row's play reads nothing that another row's play writes:
    // its old name is no row's proposal nor an earlier row's old name, and it
    // proposes nothing, its old name (letter case aside), or a name no file
    // has or had and no earlier row proposes. Such a row never waits, and the
    // rows after it that read what it wrote (that propose the same name or
    // have the same old name) do not stand alone. Most rows stand alone:
    // they are played on every core, before the play takes the others one at
    // a time.
    bool standsAlone(std::uint32_t row) const;
    // Plays the rows first..last that stand alone; returns the rows whose cue
    // changed, among the `kept` that had one before.
    RowRange playLoneRows(std::size_t first, std::size_t last, std::vector<RowCue>& cues, std::size_t kept,
                          const std::vector<std::uint8_t>& patternMissed);
    // Plays every row that does not stand alone in order, once its proposal
    // is looked up; returns the rows whose cue changed, among the `kept`
    // that had one before.
    RowRange playRows(const FileList& list, std::vector<RowCue>& cues, std::size_t kept,
                      const std::vector<std::uint8_t>& patternMissed);
    void startRun();

    const FileList* list_ = nullptr;
    std::uint64_t preparedRows_ = 0;
    std::uint64_t preparedSnapshot_ = 0;

    std::vector<Directory> directories_;
    std::vector<RowKeys> rows_;
    std::vector<Key> keys_;
    std::vector<std::uint64_t> keySlots_;         // hash (high half) and key number + 1 (low half); 0 is empty
    NameList foldedNames_;                        // keys' texts in directories that ignore case
    std::vector<std::uint32_t> firstRowOfFolded_; // by folded name: the first row whose old name it is, or 0
    std::unordered_map<std::uint32_t, std::uint32_t> nextRowNamedAlike_; // rows whose old name a later row has too
    std::vector<KeyState> keyStates_;
    // By row: the cue a row that would otherwise be clean shows instead, for
    // what a killed batch may have left on it. Mostly empty.
    std::unordered_map<std::uint32_t, RowCue> notes_;
    std::vector<Proposal> proposals_;           // by row - 1, for this run
    std::vector<std::uint32_t> holders_;        // by row - 1: who holds a proposal that is no key, once the row is played
    std::vector<RowHash> rowsByHash_;           // the rows looked up, by the first bits of their hash
    std::vector<std::uint32_t> partStarts_;     // where each part starts in rowsByHash_
    BatchPlan plan_;
    std::vector<std::pair<std::uint32_t, RowCue>> unsettled_; // rows that waited, with their cue before the run
    std::uint32_t run_ = 0;
    std::string folded_;
    std::string foldedOld_;
};

} // namespace renamer
