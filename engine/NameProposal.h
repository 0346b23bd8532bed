#pragma once

#include "RegularExpression.h"
#include "ReplaceMatches.h"
#include "ReplacementTemplate.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace renamer {

// What one preview run renames by: its pattern, compiled once
// (case-insensitive), and its replacement, parsed once against the pattern's
// groups. Immutable, so the run's threads share it.
class PreviewPattern {
public:
    PreviewPattern(const RegularExpressionFactory& compile, std::string_view pattern, std::string_view replacement);
    // The same pattern as `earlier`, sharing what it compiled, with another
    // replacement: a keystroke in the replacement box compiles nothing.
    PreviewPattern(const PreviewPattern& earlier, std::string_view replacement);

    // The compiled pattern, or where and why it was rejected.
    const CompiledPattern& regex() const { return *regex_; }
    // Parsed against the pattern's groups; a rejected pattern has none, and
    // its replacement is never used.
    const ReplacementTemplate& replacement() const { return replacement_; }

private:
    std::shared_ptr<const CompiledPattern> regex_; // immutable, so runs may share it too
    ReplacementTemplate replacement_;
};

// Works out rows' proposed names under a preview pattern, the same way for
// the preview and for drawing a row. One thread's: it holds match state and
// scratch space.
class NameProposer {
public:
    explicit NameProposer(std::shared_ptr<const PreviewPattern> pattern);

    enum class Outcome {
        Missed,   // the pattern does not match the name
        Failed,   // the pattern is invalid, or matching the name failed
        Proposed, // proposal() holds the name
    };

    // What the file name `fileName` in row `row` would be renamed to: every
    // match replaced, then the "#" placeholders numbered with `row`. When
    // `spans` is given, it receives where the pattern matched the file name
    // and what the proposal changes; they are unspecified unless Proposed.
    Outcome propose(std::string_view fileName, std::size_t row, RowSpans* spans = nullptr);
    // As propose, for the preview: what is known of the name is
    // `fileNameForm` (FileList::fileNameForm), and its matches go to
    // `record`, complete when the search ran to the name's end.
    Outcome proposeKeeping(std::string_view fileName, std::size_t row, TextForm fileNameForm, MatchRecord& record);
    // As propose, without searching: the matches are those of a complete
    // record that this pattern's search made in this very name.
    Outcome proposeAgain(std::string_view fileName, std::size_t row, const MatchRecord& record);
    // How many offsets each match of the pattern carries (MatchOffsets::pairs).
    std::size_t offsetsPerMatch() const { return offsetsPerMatch_; }
    // What it proposes by.
    const PreviewPattern& pattern() const { return *pattern_; }
    // The last proposal; valid until the next propose.
    std::string_view proposal() const { return proposalNumbered_ ? numbered_ : replaced_; }
    // Whether the names it will be given may hold a placeholder: when none
    // does and the replacement writes none, no proposal holds one, and none
    // is looked for. May by default.
    void setNamesMayHoldPlaceholders(bool may) { namesMayHoldPlaceholders_ = may; }

private:
    Outcome finish(const Result<bool>& matched, std::size_t row, RowSpans* spans);

    std::shared_ptr<const PreviewPattern> pattern_; // outlives matcher_
    std::size_t offsetsPerMatch_;                   // asked for every row, so worked out once
    std::unique_ptr<Matcher> matcher_;              // null when the pattern is invalid
    std::string replaced_;
    std::string numbered_; // replaced_ with its placeholders numbered
    bool proposalNumbered_ = false;
    bool namesMayHoldPlaceholders_ = true;
};

} // namespace renamer
