#pragma once

#include "RegularExpression.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// A replacement text parsed once, by the rules of JavaScript's
// String.prototype.replace: "$$", "$&", "$`", "$'", "$n", "$nn" and
// "$<name>" (only when the pattern has named groups); every other "$" is
// literal. Text inserted from the subject is never rescanned.
class ReplacementTemplate {
public:
    ReplacementTemplate(std::string_view replacement, int captureGroupCount,
                        const std::vector<NamedGroup>& namedGroups);

    // Appends the replacement for one match of `subject` to `out`, which
    // stops growing at kLongestWorkingName bytes (NameBound.h); returns
    // false when it stopped there.
    bool appendExpansion(std::string_view subject, const MatchOffsets& match, std::string& out) const;

    // Whether an expansion may hold text of the replacement's own that is a
    // placeholder (holdsPlaceholder); what it takes from the subject is the
    // subject's.
    bool writesPlaceholder() const { return writesPlaceholder_; }

private:
    enum class PieceKind { Literal, Group, WholeMatch, BeforeMatch, AfterMatch };
    struct Piece {
        PieceKind kind;
        std::size_t begin = 0; // Literal: range in text_; Group: the group number
        std::size_t length = 0;
    };

    void addLiteral(std::string_view text);

    std::string text_;
    std::vector<Piece> pieces_;
    bool writesPlaceholder_ = false;
};

} // namespace renamer
