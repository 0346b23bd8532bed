#include "ReplaceMatches.h"

#include "NameBound.h"

#include <algorithm>
#include <span>

namespace renamer {

namespace {

// Byte length of the UTF-8 sequence that starts with `lead` (1 for a stray
// byte, which cannot occur in a subject the matcher accepted).
std::size_t codePointLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

} // namespace

Result<bool> RecordedMatches::find(std::string_view /*subject*/, std::size_t /*start*/)
{
    if (next_ >= record_.matchCount())
        return false;
    ++next_;
    return true;
}

MatchOffsets RecordedMatches::match() const
{
    return MatchOffsets{std::span<const std::size_t>(record_.offsets).subspan((next_ - 1) * record_.pairsPerMatch,
                                                                             record_.pairsPerMatch)};
}

Result<bool> replaceMatches(const RegularExpression& regex, Matcher& matcher, std::string_view subject,
                            const ReplacementTemplate& replacement, std::string& out, const ReplaceOptions& options)
{
    RowSpans* const spans = options.spans;
    MatchRecord* const record = options.record;
    if (record != nullptr) {
        record->offsets.clear();
        record->complete = false;
    }
    Result<bool> found = matcher.findIn(subject, options.subjectForm);
    if (!found || !*found)
        return found;
    out.clear();
    std::size_t copiedUpTo = 0;
    while (*found) {
        const MatchOffsets match = matcher.match();
        const std::size_t matchStart = match.pairs[0];
        const std::size_t matchEnd = match.pairs[1];
        if (record != nullptr) {
            // A pattern's matches carry the same pairs; what a match lacks is unset.
            const std::size_t kept = std::min(match.pairs.size(), record->pairsPerMatch);
            const std::span<const std::size_t> keptPairs = match.pairs.first(kept);
            record->offsets.insert(record->offsets.end(), keptPairs.begin(), keptPairs.end());
            record->offsets.resize(record->offsets.size() + record->pairsPerMatch - kept, MatchOffsets::kUnsetOffset);
        }
        // A name that has reached its bound needs no more matches.
        if (!appendBounded(out, subject.substr(copiedUpTo, matchStart - copiedUpTo)))
            return true;
        const std::size_t expansionStart = out.size();
        const bool whole = replacement.appendExpansion(subject, match, out);
        if (spans != nullptr) {
            spans->matched.push_back({matchStart, matchEnd});
            for (const TextSpan& changed : differingSpans(subject.substr(matchStart, matchEnd - matchStart),
                                                          std::string_view(out).substr(expansionStart)))
                spans->changed.push_back({expansionStart + changed.begin, expansionStart + changed.end});
        }
        if (!whole)
            return true;
        copiedUpTo = matchEnd;
        // An empty match may follow a non-empty one; after an empty match the
        // search goes on one character further.
        std::size_t position = matchEnd;
        if (matchEnd == matchStart) {
            if (matchEnd >= subject.size())
                break;
            position += codePointLength(static_cast<unsigned char>(subject[matchEnd]));
        }
        if (subject.size() - position < regex.shortestMatch())
            break;
        found = matcher.find(subject, position);
        if (!found)
            return found;
    }
    if (record != nullptr)
        record->complete = true;
    appendBounded(out, subject.substr(copiedUpTo));
    return true;
}

} // namespace renamer
