#include "NameProposal.h"

#include "Placeholders.h"

namespace renamer {

namespace {

ReplacementTemplate parseAgainst(const CompiledPattern& regex, std::string_view replacement)
{
    static const std::vector<NamedGroup> kNoNames;
    if (!regex)
        return ReplacementTemplate(replacement, 0, kNoNames);
    return ReplacementTemplate(replacement, (*regex)->captureGroupCount(), (*regex)->namedGroups());
}

} // namespace

PreviewPattern::PreviewPattern(const RegularExpressionFactory& compile, std::string_view pattern,
                               std::string_view replacement)
    : regex_(std::make_shared<const CompiledPattern>(compile(pattern, PatternOptions{.ignoreCase = true})))
    , replacement_(parseAgainst(*regex_, replacement))
{
}

PreviewPattern::PreviewPattern(const PreviewPattern& earlier, std::string_view replacement)
    : regex_(earlier.regex_)
    , replacement_(parseAgainst(*regex_, replacement))
{
}

NameProposer::NameProposer(std::shared_ptr<const PreviewPattern> pattern)
    : pattern_(std::move(pattern))
    , offsetsPerMatch_(pattern_->regex() ? 2 * (static_cast<std::size_t>((*pattern_->regex())->captureGroupCount()) + 1)
                                         : 0)
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
    if (!matcher_)
        return Outcome::Failed;
    return finish(replaceMatches(**pattern_->regex(), *matcher_, fileName, pattern_->replacement(), replaced_, spans),
                  row, spans);
}

NameProposer::Outcome NameProposer::proposeKeeping(std::string_view fileName, std::size_t row, TextForm fileNameForm,
                                                   MatchRecord& record)
{
    record.pairsPerMatch = offsetsPerMatch();
    if (!matcher_) {
        record.offsets.clear();
        record.complete = false;
        return Outcome::Failed;
    }
    const ReplaceOptions options{.record = &record, .subjectForm = fileNameForm};
    return finish(replaceMatches(**pattern_->regex(), *matcher_, fileName, pattern_->replacement(), replaced_, options),
                  row, nullptr);
}

NameProposer::Outcome NameProposer::proposeAgain(std::string_view fileName, std::size_t row, const MatchRecord& record)
{
    if (!matcher_)
        return Outcome::Failed;
    RecordedMatches recorded(record);
    return finish(replaceMatches(**pattern_->regex(), recorded, fileName, pattern_->replacement(), replaced_), row,
                  nullptr);
}

NameProposer::Outcome NameProposer::finish(const Result<bool>& matched, std::size_t row, RowSpans* spans)
{
    // Why a match failed is not kept: the preview reports nothing, and a row
    // that cannot be matched proposes nothing rather than another row's name.
    if (!matched)
        return Outcome::Failed;
    if (!*matched)
        return Outcome::Missed;
    proposalNumbered_ = spans != nullptr
        || ((namesMayHoldPlaceholders_ || pattern_->replacement().writesPlaceholder()) && holdsPlaceholder(replaced_));
    if (spans != nullptr)
        expandPlaceholders(replaced_, row, numbered_, spans->changed);
    else if (proposalNumbered_)
        expandPlaceholders(replaced_, row, numbered_);
    return Outcome::Proposed;
}

} // namespace renamer
