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

// The keys' states of this run, the holders of the proposals no key has, and
// the keys' entries on disk, read as the rules read their ledger.
class RowCueComputer::Ledger {
public:
    // A key, or a proposal no file has nor had: that of `row`, which holders_
    // follows from the earlier rows that propose the same.
    struct Name {
        KeyNumber key;
        std::uint32_t row;

        bool operator==(const Name&) const = default;
    };

    explicit Ledger(RowCueComputer& tables) : tables_(tables) {}

    Name nameOf(const CueRow& row, RowName which) const
    {
        const KeyNumber oldKey = tables_.rows_[row.number - 1].oldKey;
        const KeyNumber key = which == RowName::Old ? oldKey : tables_.proposals_[row.number - 1].key;
        if (key == kCaseOnly)
            return {oldKey, 0};
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
};

RowRange RowCueComputer::playRows(const FileList& list, std::vector<RowCue>& cues,
                                  const std::vector<std::uint8_t>& patternMissed)
{
    const std::size_t rowCount = list.rowCount();
    RowRange changed;
    if (cues.size() > rowCount)
        cues.resize(rowCount);
    cues.reserve(rowCount);
    const SubItemIndex fileNameIndex = list.subItemIndex(ColumnKey::FileName);
    const SubItemIndex newNameIndex = list.subItemIndex(ColumnKey::NewName);

    // The state that rows a few steps ahead will read is fetched already, so
    // that those memory reads overlap.
    holders_.resize(rowCount);
    constexpr std::size_t kAhead = 16;
    const auto prefetch = [&](std::size_t row) {
        const Proposal& proposal = proposals_[row - 1];
        if (proposal.key == kNoKey && proposal.previousSame != 0)
            __builtin_prefetch(&holders_[proposal.previousSame - 1]);
        else if (proposal.key < kNotLookedUp)
            __builtin_prefetch(&keyStates_[proposal.key]);
    };
    for (std::size_t row = 1; row <= std::min(kAhead, rowCount); ++row)
        prefetch(row);
    static_assert(CueLedger<Ledger>);
    Ledger ledger(*this);
    for (std::size_t row = 1; row <= rowCount; ++row) {
        if (row + kAhead <= rowCount)
            prefetch(row + kAhead);
        // A proposal that is no key is held, before this row is played, by
        // whoever held it after the last row that proposed it too.
        if (const Proposal& proposal = proposals_[row - 1]; proposal.key == kNoKey)
            holders_[row - 1] = proposal.previousSame != 0 ? holders_[proposal.previousSame - 1] : 0;
        const RowKeys& keys = rows_[row - 1];
        const CueRow played{static_cast<std::uint32_t>(row),
                            list.cell(row, fileNameIndex),
                            list.cell(row, newNameIndex),
                            directories_[keys.directory].names,
                            keys.folderReplaced != 0,
                            keys.oldNameIsUtf8 != 0,
                            row <= patternMissed.size() && patternMissed[row - 1] != 0};
        const RowCue cue = playRow(played, list, ledger);
        if (row > cues.size()) {
            cues.push_back(cue); // a new row, shown whole
        } else if (cues[row - 1] != cue) {
            cues[row - 1] = cue;
            changed.include(row);
        }
    }
    return changed;
}

} // namespace renamer
