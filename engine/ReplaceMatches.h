#pragma once

#include "Failure.h"
#include "RegularExpression.h"
#include "ReplacementTemplate.h"
#include "TextSpans.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// Where a replacement found its matches and what it changed, for drawing a
// row: byte ranges of the text replaced (the row's FileName) and of the text
// it gave (its NewName).
struct RowSpans {
    // Every match, in order; an empty match gives an empty span.
    std::vector<TextSpan> matched;
    // The parts of each match's replacement that are not in the text it
    // replaced (differingSpans).
    std::vector<TextSpan> changed;
};

// Every match one replacement went through, for doing it again with another
// replacement without searching: each match's offsets (MatchOffsets::pairs),
// `pairsPerMatch` of them, back to back.
struct MatchRecord {
    std::size_t pairsPerMatch = 0;
    // Matches beyond this many are not recorded, and the record is then
    // incomplete: set by the caller, for whom more would be of no use.
    std::size_t mostMatches = static_cast<std::size_t>(-1);
    std::vector<std::size_t> offsets;
    // Whether every match of the search is here: the search stops early when
    // the name reaches its bound, and another replacement may need the
    // matches after.
    bool complete = false;

    std::size_t matchCount() const { return pairsPerMatch == 0 ? 0 : offsets.size() / pairsPerMatch; }
};

// JavaScript's replace with a global pattern: writes `subject` with every
// match replaced by `replacement` into `out`, reusing its capacity. After an
// empty match the search goes on one character further. `out` stops growing
// at kLongestWorkingName bytes (NameBound.h), and the search stops with it.
// Returns false, leaving `out` as it was, when the pattern does not match;
// a failure when a search fails, and `out` is then unspecified. When
// `spans` is given, the matches and changes are appended to it; when
// `record` is, it receives the matches (pairsPerMatch and mostMatches set by
// the caller). `subjectForm` tells what is known of the subject
// (Matcher::findIn).
struct ReplaceOptions {
    RowSpans* spans = nullptr;
    MatchRecord* record = nullptr;
    TextForm subjectForm = TextForm::Unchecked;
};
Result<bool> replaceMatches(const RegularExpression& regex, Matcher& matcher, std::string_view subject,
                            const ReplacementTemplate& replacement, std::string& out, const ReplaceOptions& options);
inline Result<bool> replaceMatches(const RegularExpression& regex, Matcher& matcher, std::string_view subject,
                                   const ReplacementTemplate& replacement, std::string& out, RowSpans* spans = nullptr)
{
    return replaceMatches(regex, matcher, subject, replacement, out, ReplaceOptions{.spans = spans});
}

// A matcher that finds, one after the other, the matches of a record, as
// the search that made it found them: a replacement made through it is the
// one a search would make, without searching.
class RecordedMatches final : public Matcher {
public:
    explicit RecordedMatches(const MatchRecord& record) : record_(record) {}

    // The next match of the record (`subject` and `start` are those the
    // search was made with, and are not read).
    Result<bool> find(std::string_view subject, std::size_t start) override;
    MatchOffsets match() const override;

private:
    const MatchRecord& record_;
    std::size_t next_ = 0;
};

} // namespace renamer
