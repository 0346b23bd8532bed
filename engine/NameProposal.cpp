#include "NameProposal.h"

#include "Placeholders.h"

namespace renamer {

PreviewPattern::PreviewPattern(const RegularExpressionFactory& compile, std::string_view pattern,
                               std::string_view replacement)
    : regex_(compile(pattern, PatternOptions{.ignoreCase = true}))
{
    if (regex_)
        replacement_.emplace(replacement, (*regex_)->captureGroupCount(), (*regex_)->namedGroups());
}

NameProposer::NameProposer(std::shared_ptr<const PreviewPattern> pattern)
    : pattern_(std::move(pattern))
{
    if (pattern_->regex())
        matcher_ = (*pattern_->regex())->makeMatcher();
}

NameProposer::Outcome NameProposer::propose(std::string_view fileName, std::size_t row, RowSpans* spans)
{
    if (spans != nullptr) {
        spans->matched.clear();
        spans->changed.clear();
    }
    const std::optional<ReplacementTemplate>& replacement = pattern_->replacement();
    if (!matcher_ || !replacement)
        return Outcome::Failed;
    // Why a match failed is not kept: the preview reports nothing, and a row
    // that cannot be matched proposes nothing rather than another row's name.
    const Result<bool> matched
        = replaceMatches(**pattern_->regex(), *matcher_, fileName, *replacement, replaced_, spans);
    if (!matched)
        return Outcome::Failed;
    if (!*matched)
        return Outcome::Missed;
    proposalNumbered_ = spans != nullptr || replaced_.find('#') != std::string::npos;
    if (spans != nullptr)
        expandPlaceholders(replaced_, row, numbered_, spans->changed);
    else if (proposalNumbered_)
        expandPlaceholders(replaced_, row, numbered_);
    return Outcome::Proposed;
}

} // namespace renamer
