#pragma once

#include "RegularExpression.h"

#include <memory>
#include <string>

namespace renamer {

// The regular-expression object over PCRE2: JavaScript's pattern syntax
// (translated before compiling), JavaScript's replacement rules and global
// loop, JIT when the platform has it. One compiled pattern and one match-data
// block serve every call; matches are bounded by a match limit so that a
// pathological pattern fails a row instead of hanging the window.
class Pcre2RegularExpression final : public RegularExpression {
public:
    Pcre2RegularExpression();
    ~Pcre2RegularExpression() override;
    Pcre2RegularExpression(Pcre2RegularExpression&&) noexcept;
    Pcre2RegularExpression& operator=(Pcre2RegularExpression&&) noexcept;

    void setPattern(std::string_view pattern) override;
    void setIgnoreCase(bool ignoreCase) override;
    void setGlobal(bool global) override;

    Result<bool> test(std::string_view subject) override;
    Result<void> replace(std::string_view subject, std::string_view replacement, std::string& out) override;
    Result<void> replaceWithSpans(std::string_view subject, std::string_view replacement, std::string& out,
                                  ReplacementSpans& spans) override;

private:
    struct Compiled;

    Result<Compiled*> compiled();
    // The one replacement loop; `spans` is null when nobody asks for them.
    Result<void> replaceMatches(std::string_view subject, std::string_view replacement, std::string& out,
                                ReplacementSpans* spans);

    std::string pattern_;
    bool ignoreCase_ = false;
    bool global_ = false;
    std::unique_ptr<Compiled> compiled_;
};

std::unique_ptr<RegularExpression> makePcre2RegularExpression();

} // namespace renamer
