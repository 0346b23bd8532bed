#pragma once

#include "Failure.h"
#include "TextSpans.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// Where a replacement found its matches and what it changed.
struct ReplacementSpans {
    // Every match in the subject, in order; an empty match gives an empty span.
    std::vector<TextSpan> matched;
    // In the output: the parts of each match's replacement that are not in
    // the text it replaced (differingSpans).
    std::vector<TextSpan> changed;
};

// The regular-expression object one preview run uses. The pattern is compiled
// once, on first use; an invalid pattern makes every later call fail, and a
// match that exceeds the engine's limits fails for that subject only.
class RegularExpression {
public:
    virtual ~RegularExpression() = default;

    virtual void setPattern(std::string_view pattern) = 0;
    virtual void setIgnoreCase(bool ignoreCase) = 0;
    virtual void setGlobal(bool global) = 0;

    // Whether the pattern matches anywhere in `subject`.
    virtual Result<bool> test(std::string_view subject) = 0;

    // Writes `subject` with its first match, or every match when global,
    // replaced by `replacement` (with "$n" group references) into `out`,
    // reusing its capacity. `out` stops growing at kLongestWorkingName bytes
    // (NameBound.h), and matching stops with it. On failure `out` is
    // unspecified.
    virtual Result<void> replace(std::string_view subject, std::string_view replacement, std::string& out) = 0;

    // Like replace, and also says where the matches were and what the
    // replacement changed. On failure `out` and `spans` are unspecified.
    virtual Result<void> replaceWithSpans(std::string_view subject, std::string_view replacement, std::string& out,
                                          ReplacementSpans& spans) = 0;
};

// Makes a fresh regular-expression object; each preview run takes a new one.
using RegularExpressionFactory = std::function<std::unique_ptr<RegularExpression>()>;

} // namespace renamer
