#pragma once

#include <concepts>
#include <cstdint>
#include <span>
#include <vector>

namespace renamer {

// The order in which a batch renames its rows: the batch follows it on disk,
// and the cues play it beforehand against their ledger.
//
// Rows take their turns in list order. A row whose new name is free when its
// turn comes is renamed at once. A row whose new name is held by the file of
// a row that has not moved yet but will (a later row, or an earlier one that
// waits itself) waits until that file has left the name: when a row's file
// leaves its old name, the rows waiting for that name are played again, in
// list order; the first takes the name, the others then find it taken. A
// chain of renames thus runs from its free end, and a chain whose free end
// cannot go moves nothing. A row whose wait would lead back to itself closes
// a cycle (a→b, b→a), which is carried out at once as one step. A row whose
// name stays held by a file that will not move fails.

// What playing a row came to.
enum class TurnOutcome : std::uint8_t {
    Moved,   // renamed (a change of letter case only included)
    Stayed,  // done without moving its file: no proposal, or the name it has
    Stopped, // failed; its file stays where it was
    Blocked, // its new name is held by a file the batch has not moved: the plan decides
};

struct Turn {
    TurnOutcome outcome;
    // For Blocked: the first row whose old name is the name in the way (as
    // its folder compares names), 0 when no row has it.
    std::uint32_t nameRow = 0;
};

// What the plan asks of whoever plays the rows: the batch, or the cues.
template <class Player>
concept PlanPlayer = requires(Player& player, const Player& seen, std::uint32_t row,
                              std::span<const std::uint32_t> cycle) {
    // Plays the row: its checks and, where its new name is free, its rename.
    // `waitedFor` is the row it waited for before being played again, 0 at
    // its turn.
    { player.play(row, row) } -> std::same_as<Turn>;
    // Whether the row's proposal takes its file off its old name, as its
    // folder compares names (so not a change of letter case where case does
    // not count).
    { seen.leavesItsName(row) } -> std::same_as<bool>;
    // The first row with the same old name, and the next one after `row`
    // (0 for none).
    { seen.oldNameRow(row) } -> std::same_as<std::uint32_t>;
    { seen.nextRowNamedAlike(row) } -> std::same_as<std::uint32_t>;
    // The row waits until the file of `holder` has left the name it wants.
    player.waitFor(row, row);
    // The row fails: its new name stays held by a file that will not move,
    // that of `failedHolder` where a row would have moved it but failed.
    player.blockedBy(row, row);
    // Renames the cycle's rows at once: cycle[i] takes the name of the file
    // of cycle[i + 1], the last row that of cycle[0]. False when it failed,
    // and the batch stops.
    { player.rotate(cycle) } -> std::same_as<bool>;
    // Whether a failure has stopped the batch: the cues play on past one.
    { seen.stopped() } -> std::same_as<bool>;
};

class BatchPlan {
public:
    // A new batch of `rowCount` rows, whose turns are then taken in order.
    void start(std::uint32_t rowCount)
    {
        rowCount_ = rowCount;
        turn_ = 0;
        waiting_ = 0;
        rows_.clear();
    }

    // Row `row`'s turn, after every earlier row's.
    template <PlanPlayer Player>
    void takeTurn(Player& player, std::uint32_t row)
    {
        turn_ = row;
        play(player, row, 0);
    }

    // Row `row`'s turn, after every earlier row's, for a row already played
    // apart: one that neither waits nor is waited for.
    void passTurn(std::uint32_t row)
    {
        turn_ = row;
        setDone(row);
    }

private:
    enum class State : std::uint8_t { Unplayed, Waiting, Done };
    // A row's state, and, for the name that is its old name when it is the
    // first row with that name, the rows waiting for the name.
    struct Row {
        State state = State::Unplayed;
        std::uint32_t holder = 0;      // while waiting: the row whose file holds the name it wants
        std::uint32_t nextWaiter = 0;  // the next row waiting for the same name, or woken with it, in list order
        std::uint32_t firstWaiter = 0; // as a name: the first row waiting for it
    };

    // Until a row waits, every row before the turn is done and none after
    // it has played: the rows' states are kept only from the first wait on.
    State stateOf(std::uint32_t row) const
    {
        if (rows_.empty())
            return row < turn_ ? State::Done : State::Unplayed;
        return rows_[row].state;
    }
    void keepStates()
    {
        if (!rows_.empty())
            return;
        rows_.assign(rowCount_ + 1, Row{});
        for (std::uint32_t row = 1; row < turn_; ++row)
            rows_[row].state = State::Done;
    }
    void setDone(std::uint32_t row)
    {
        if (!rows_.empty())
            rows_[row].state = State::Done;
    }

    template <PlanPlayer Player>
    void play(Player& player, std::uint32_t row, std::uint32_t waitedFor)
    {
        const Turn turn = player.play(row, waitedFor);
        switch (turn.outcome) {
        case TurnOutcome::Moved:
            setDone(row);
            if (waiting_ != 0 && player.leavesItsName(row))
                release(player, row, false);
            return;
        case TurnOutcome::Stayed:
            setDone(row);
            return;
        case TurnOutcome::Stopped:
            setDone(row);
            if (waiting_ != 0 && !player.stopped())
                release(player, row, true);
            return;
        case TurnOutcome::Blocked:
            block(player, row, turn.nameRow);
            return;
        }
    }

    // The row's file left its old name, or will never leave it: the rows
    // waiting for that name are played again, in list order. After a
    // failure only those that waited for this very row are: any other
    // holder of the name still may move.
    template <PlanPlayer Player>
    void release(Player& player, std::uint32_t row, bool failed)
    {
        // The woken rows leave the name's list first, so that one that waits
        // again joins it afresh rather than being woken again at once.
        std::uint32_t woken = 0;
        std::uint32_t* wokenEnd = &woken;
        std::uint32_t* link = &rows_[player.oldNameRow(row)].firstWaiter;
        while (*link != 0) {
            Row& waiter = rows_[*link];
            if (failed && waiter.holder != row) {
                link = &waiter.nextWaiter;
                continue;
            }
            *wokenEnd = *link;
            wokenEnd = &waiter.nextWaiter;
            *link = waiter.nextWaiter;
            waiter.state = State::Unplayed;
            --waiting_;
        }
        *wokenEnd = 0;
        if (woken == 0)
            return;
        wakeQueue_.push_back(woken);
        if (waking_)
            return;
        // Depth first: the rows waiting for the names that a woken row frees
        // go before the other rows woken with it.
        waking_ = true;
        while (!wakeQueue_.empty()) {
            const std::uint32_t next = wakeQueue_.back();
            if (next == 0) {
                wakeQueue_.pop_back();
                continue;
            }
            Row& waiter = rows_[next];
            wakeQueue_.back() = waiter.nextWaiter;
            waiter.nextWaiter = 0;
            play(player, next, waiter.holder);
            if (player.stopped())
                wakeQueue_.clear();
        }
        waking_ = false;
    }

    template <PlanPlayer Player>
    void block(Player& player, std::uint32_t row, std::uint32_t nameRow)
    {
        // The first row that has the name and has yet to move its file off it.
        std::uint32_t holder = 0;
        std::uint32_t failedHolder = 0;
        for (std::uint32_t named = nameRow; named != 0; named = player.nextRowNamedAlike(named)) {
            if (named == row || !player.leavesItsName(named))
                continue;
            if (stateOf(named) != State::Done) {
                holder = named;
                break;
            }
            // Done without moving its file, or the name would be free.
            if (failedHolder == 0)
                failedHolder = named;
        }
        if (holder == 0) {
            setDone(row);
            player.blockedBy(row, failedHolder);
            if (waiting_ != 0 && !player.stopped())
                release(player, row, true);
            return;
        }
        std::uint32_t end = holder;
        while (stateOf(end) == State::Waiting)
            end = rows_[end].holder;
        if (end == row) {
            rotate(player, row, holder);
            return;
        }
        keepStates();
        Row& waiter = rows_[row];
        waiter.state = State::Waiting;
        waiter.holder = holder;
        std::uint32_t* link = &rows_[nameRow].firstWaiter;
        while (*link != 0 && *link < row)
            link = &rows_[*link].nextWaiter;
        waiter.nextWaiter = *link;
        *link = row;
        ++waiting_;
        player.waitFor(row, holder);
    }

    template <PlanPlayer Player>
    void rotate(Player& player, std::uint32_t row, std::uint32_t holder)
    {
        std::vector<std::uint32_t> cycle{row};
        for (std::uint32_t next = holder; next != row; next = rows_[next].holder) {
            cycle.push_back(next);
            unlinkWaiter(player.oldNameRow(rows_[next].holder), next);
        }
        const bool rotated = player.rotate(cycle);
        for (const std::uint32_t member : cycle)
            setDone(member);
        if (!rotated)
            return;
        // Those who waited for the cycle's names find them taken.
        for (const std::uint32_t member : cycle) {
            if (waiting_ == 0 || player.stopped())
                return;
            release(player, member, false);
        }
    }

    void unlinkWaiter(std::uint32_t name, std::uint32_t row)
    {
        std::uint32_t* link = &rows_[name].firstWaiter;
        while (*link != row)
            link = &rows_[*link].nextWaiter;
        *link = rows_[row].nextWaiter;
        rows_[row].nextWaiter = 0;
        --waiting_;
    }

    std::uint32_t rowCount_ = 0;
    std::uint32_t turn_ = 0;
    std::uint32_t waiting_ = 0;
    std::vector<Row> rows_;                // by row number; empty until a row waits
    std::vector<std::uint32_t> wakeQueue_; // lists of woken rows, being played again
    bool waking_ = false;
};

} // namespace renamer
