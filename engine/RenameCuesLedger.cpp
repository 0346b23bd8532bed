#include "RenameCues.h"

#include "CueRules.h"

#include <algorithm>

namespace renamer {

const RowCueComputer::KeyState* RowCueComputer::playedState(KeyNumber key) const
{
    const KeyState& state = keyStates_[key];
    return state.run == run_ ? &state : nullptr;
}

RowCueComputer::KeyState& RowCueComputer::touch(KeyNumber key)
{
    KeyState& state = keyStates_[key];
    if (state.run != run_)
        state = {run_, 0, 0};
    return state;
}

// The rows, the keys' states of this run, the holders of the proposals no
// key has, and the keys' entries on disk, read as the rules read their
// ledger.
class RowCueComputer::Ledger {
public:
    // A key, or a proposal no file has nor had: that of `row`, which holders_
    // follows from the earlier rows that propose the same.
    struct Name {
        KeyNumber key;
        std::uint32_t row;

        bool operator==(const Name&) const = default;
    };

    Ledger(RowCueComputer& tables, const std::vector<std::uint8_t>& patternMissed)
        : tables_(tables)
        , patternMissed_(patternMissed)
    {
    }

    // Made of the tables alone: the hashing left in each proposal what the
    // play asks of the row's names.
    PlayedRow row(std::uint32_t number) const
    {
        const RowKeys& keys = tables_.rows_[number - 1];
        const Proposal& proposal = tables_.proposals_[number - 1];
        const bool notLookedUp = proposal.key == kNotLookedUp;
        return {number,
                tables_.directories_[keys.directory].names,
                !notLookedUp || proposal.previousSame == kNotLookedUpKeepingName,
                (notLookedUp && proposal.previousSame == kNotLookedUpKeepingName)
                    || (proposal.key == kFailedAlone && failedRelation(proposal) == kFailedKeepingName),
                keys.oldNameIsUtf8 != 0,
                number <= patternMissed_.size() && patternMissed_[number - 1] != 0};
    }
    RowCueKind checkedAlone(const PlayedRow& row) const
    {
        const Proposal& proposal = tables_.proposals_[row.number - 1];
        return proposal.key == kFailedAlone ? failedKind(proposal) : RowCueKind::Clean;
    }
    Name nameOf(const PlayedRow& row, RowName which) const
    {
        const KeyNumber oldKey = tables_.rows_[row.number - 1].oldKey;
        const Proposal& proposal = tables_.proposals_[row.number - 1];
        const KeyNumber key = which == RowName::Old ? oldKey : proposal.key;
        // A name that is the old one, or that name in other letter case
        // where case does not count, is the old name's entry.
        if (key == kCaseOnly || (key == kFailedAlone && failedRelation(proposal) != 0))
            return {oldKey, 0};
        // A proposal not looked up is told apart from the old name alone.
        if (key == kFailedAlone)
            return {kNoKey, row.number};
        return {key, key == kNoKey ? row.number : 0};
    }
    DiskHolder heldOnDisk(const Name& name) const
    {
        if (name.key == kNoKey)
            return {};
        const Key& key = tables_.keys_[name.key];
        return {key.onDisk != 0, key.inode};
    }
    BatchHolder heldInBatch(const Name& name) const
    {
        if (name.key == kNoKey)
            return {tables_.holders_[name.row - 1], 0};
        const KeyState* state = tables_.playedState(name.key);
        return state != nullptr ? BatchHolder{state->renamedToBy, state->renamedAwayBy} : BatchHolder{};
    }
    std::uint32_t firstRowNamed(const Name& name) const
    {
        return name.key == kNoKey ? 0 : tables_.firstRowOf(tables_.keys_[name.key]);
    }
    std::uint32_t nextRowNamedAlike(std::uint32_t row) const
    {
        if (tables_.nextRowNamedAlike_.empty())
            return 0;
        const auto next = tables_.nextRowNamedAlike_.find(row);
        return next == tables_.nextRowNamedAlike_.end() ? 0 : next->second;
    }
    void renameTo(const Name& name, std::uint32_t row)
    {
        if (name.key == kNoKey)
            tables_.holders_[name.row - 1] = row;
        else
            tables_.touch(name.key).renamedToBy = row;
    }
    // Only an old name is renamed away, and every old name is a key.
    void renameAway(const Name& name, std::uint32_t row)
    {
        KeyState& state = tables_.touch(name.key);
        state.renamedToBy = 0;
        state.renamedAwayBy = row;
    }

private:
    RowCueComputer& tables_;
    const std::vector<std::uint8_t>& patternMissed_;
};

// Each row's cue goes in place, and the rows whose cue differs from the last
// run's are noted: at the row's turn, when its cue of the last run is still
// there, or, for a row that waits and whose cue may change again, once the
// play is over.
class RowCueComputer::CueSink {
public:
    CueSink(std::vector<RowCue>& cues, std::size_t kept, std::vector<std::pair<std::uint32_t, RowCue>>& unsettled,
            const std::unordered_map<std::uint32_t, RowCue>& notes)
        : cues_(cues)
        , kept_(kept)
        , unsettled_(unsettled)
        , notes_(notes)
    {
        unsettled_.clear();
    }

    void set(std::uint32_t row, RowCue cue, bool settled)
    {
        // What a kill left matters more than a proposal that changes
        // nothing, which is what every row shows right after a drop.
        if ((cue.kind == RowCueKind::Clean || cue.kind == RowCueKind::Unchanged) && !notes_.empty()) {
            if (const auto note = notes_.find(row); note != notes_.end())
                cue = note->second;
        }
        RowCue& slot = cues_[row - 1];
        if (row > lastTurn_) {
            lastTurn_ = row;
            if (row <= kept_) { // a new row is shown whole
                if (!settled)
                    unsettled_.emplace_back(row, slot);
                else if (slot != cue)
                    changed_.include(row);
            }
        }
        slot = cue;
    }

    RowRange finish()
    {
        for (const auto& [row, before] : unsettled_) {
            if (cues_[row - 1] != before)
                changed_.include(row);
        }
        return changed_;
    }

private:
    std::vector<RowCue>& cues_;
    std::size_t kept_;
    std::vector<std::pair<std::uint32_t, RowCue>>& unsettled_;
    const std::unordered_map<std::uint32_t, RowCue>& notes_;
    std::uint32_t lastTurn_ = 0;
    RowRange changed_;
};

bool RowCueComputer::standsAlone(std::uint32_t row) const
{
    const Proposal& proposal = proposals_[row - 1];
    if (proposal.key < kPlayedAlone || (proposal.key == kNoKey && proposal.previousSame != 0))
        return false;
    // Even without a proposal: the play asks a row whose old name another
    // row wants whether it leaves it. The state of an old name is read only
    // by its first row, the one that may be playing it meanwhile.
    const KeyNumber oldKey = rows_[row - 1].oldKey;
    return firstRowOf(keys_[oldKey]) == row && keyStates_[oldKey].run != run_;
}

RowRange RowCueComputer::playLoneRows(std::size_t first, std::size_t last, std::vector<RowCue>& cues,
                                      std::size_t kept, const std::vector<std::uint8_t>& patternMissed)
{
    // A lone row reads and writes only its own holder and its old name's
    // state, so that pieces of rows play at the same time.
    Ledger ledger(*this, patternMissed);
    std::vector<std::pair<std::uint32_t, RowCue>> neverUnsettled;
    CueSink sink(cues, kept, neverUnsettled, notes_);
    CuePlay<Ledger, CueSink> play(*list_, ledger, sink);
    for (std::size_t row = first; row <= last; ++row) {
        const auto number = static_cast<std::uint32_t>(row);
        if (!standsAlone(number))
            continue;
        holders_[row - 1] = 0;
        play.play(number, 0);
        proposals_[row - 1].key = kPlayedAlone;
    }
    return sink.finish();
}

RowRange RowCueComputer::playRows(const FileList& list, std::vector<RowCue>& cues, std::size_t kept,
                                  const std::vector<std::uint8_t>& patternMissed)
{
    const std::size_t rowCount = list.rowCount();

    // The state that rows a few steps ahead will read is fetched already, so
    // that those memory reads overlap.
    constexpr std::size_t kAhead = 16;
    const auto prefetch = [&](std::size_t row) {
        const Proposal& proposal = proposals_[row - 1];
        if (proposal.key == kPlayedAlone)
            return;
        // Old names' keys mostly follow the rows, but among the many arrays
        // the play reads in step the processor does not foresee them.
        const KeyNumber oldKey = rows_[row - 1].oldKey;
        __builtin_prefetch(&keyStates_[oldKey]);
        __builtin_prefetch(&keys_[oldKey]);
        if (proposal.key == kNoKey && proposal.previousSame != 0)
            __builtin_prefetch(&holders_[proposal.previousSame - 1]);
        else if (proposal.key < kPlayedAlone)
            __builtin_prefetch(&keyStates_[proposal.key]);
    };
    for (std::size_t row = 1; row <= std::min(kAhead, rowCount); ++row)
        prefetch(row);
    static_assert(CueLedger<Ledger>);
    Ledger ledger(*this, patternMissed);
    CueSink sink(cues, kept, unsettled_, notes_);
    CuePlay<Ledger, CueSink> play(list, ledger, sink);
    static_assert(PlanPlayer<decltype(play)>);
    plan_.start(static_cast<std::uint32_t>(rowCount));
    for (std::size_t row = 1; row <= rowCount; ++row) {
        if (row + kAhead <= rowCount)
            prefetch(row + kAhead);
        const Proposal& proposal = proposals_[row - 1];
        if (proposal.key == kPlayedAlone) {
            plan_.passTurn(static_cast<std::uint32_t>(row));
            continue;
        }
        // A proposal that is no key is held, before this row is played, by
        // whoever held it after the last row that proposed it too. Such a
        // row is never blocked, so it plays at its turn, after that row.
        if (proposal.key == kNoKey)
            holders_[row - 1] = proposal.previousSame != 0 ? holders_[proposal.previousSame - 1] : 0;
        plan_.takeTurn(play, static_cast<std::uint32_t>(row));
    }
    return sink.finish();
}

} // namespace renamer
