#pragma once

#include "Failure.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace renamer {

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
};

// Makes a fresh regular-expression object; each preview run takes a new one.
using RegularExpressionFactory = std::function<std::unique_ptr<RegularExpression>()>;

} // namespace renamer
