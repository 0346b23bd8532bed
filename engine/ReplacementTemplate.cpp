#include "ReplacementTemplate.h"

#include "NameBound.h"
#include "Placeholders.h"

namespace renamer {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

ReplacementTemplate::ReplacementTemplate(std::string_view replacement, int captureGroupCount,
                                         const std::vector<NamedGroup>& namedGroups)
    : writesPlaceholder_(holdsPlaceholder(replacement))
{
    const auto groupCount = static_cast<std::size_t>(captureGroupCount);
    std::size_t i = 0;
    while (i < replacement.size()) {
        const std::size_t dollar = replacement.find('$', i);
        if (dollar == std::string_view::npos || dollar + 1 == replacement.size()) {
            addLiteral(replacement.substr(i));
            break;
        }
        addLiteral(replacement.substr(i, dollar - i));
        const char next = replacement[dollar + 1];
        i = dollar + 2;
        switch (next) {
        case '$':
            addLiteral("$");
            continue;
        case '&':
            pieces_.push_back({PieceKind::WholeMatch});
            continue;
        case '`':
            pieces_.push_back({PieceKind::BeforeMatch});
            continue;
        case '\'':
            pieces_.push_back({PieceKind::AfterMatch});
            continue;
        default:
            break;
        }
        if (isDigit(next)) {
            // Two digits when they name an existing group, else one digit and
            // a literal digit; $0, $00 and groups past the last stay literal.
            std::size_t digitCount = 1;
            std::size_t index = static_cast<std::size_t>(next - '0');
            if (i < replacement.size() && isDigit(replacement[i])) {
                const std::size_t twoDigits = index * 10 + static_cast<std::size_t>(replacement[i] - '0');
                if (twoDigits <= groupCount) {
                    digitCount = 2;
                    index = twoDigits;
                }
            }
            if (index >= 1 && index <= groupCount)
                pieces_.push_back({PieceKind::Group, index});
            else
                addLiteral(replacement.substr(dollar, 1 + digitCount));
            i = dollar + 1 + digitCount;
            continue;
        }
        if (next == '<' && !namedGroups.empty()) {
            const std::size_t close = replacement.find('>', i);
            if (close != std::string_view::npos) {
                const std::string_view name = replacement.substr(i, close - i);
                // A name no group carries gives the empty text.
                for (const NamedGroup& group : namedGroups) {
                    if (group.name == name) {
                        pieces_.push_back({PieceKind::Group, static_cast<std::size_t>(group.number)});
                        break;
                    }
                }
                i = close + 1;
                continue;
            }
        }
        addLiteral(replacement.substr(dollar, 2));
    }
}

void ReplacementTemplate::addLiteral(std::string_view text)
{
    if (text.empty())
        return;
    if (!pieces_.empty() && pieces_.back().kind == PieceKind::Literal
        && pieces_.back().begin + pieces_.back().length == text_.size()) {
        pieces_.back().length += text.size();
    } else {
        pieces_.push_back({PieceKind::Literal, text_.size(), text.size()});
    }
    text_.append(text);
}

bool ReplacementTemplate::appendExpansion(std::string_view subject, const MatchOffsets& match,
                                          std::string& out) const
{
    const std::size_t matchStart = match.pairs[0];
    const std::size_t matchEnd = match.pairs[1];
    for (const Piece& piece : pieces_) {
        std::string_view text;
        switch (piece.kind) {
        case PieceKind::Literal:
            text = std::string_view(text_).substr(piece.begin, piece.length);
            break;
        case PieceKind::Group: {
            if (piece.begin >= match.groupCount())
                break;
            const std::size_t start = match.pairs[2 * piece.begin];
            const std::size_t end = match.pairs[2 * piece.begin + 1];
            if (start != MatchOffsets::kUnsetOffset)
                text = subject.substr(start, end - start);
            break;
        }
        case PieceKind::WholeMatch:
            text = subject.substr(matchStart, matchEnd - matchStart);
            break;
        case PieceKind::BeforeMatch:
            text = subject.substr(0, matchStart);
            break;
        case PieceKind::AfterMatch:
            text = subject.substr(matchEnd);
            break;
        }
        if (!appendBounded(out, text))
            return false;
    }
    return true;
}

} // namespace renamer
