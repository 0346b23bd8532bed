#include "Pcre2RegularExpression.h"

#include "JsPatternTranslation.h"
#include "Pcre2CompileOptions.h"

#include <new>

namespace renamer {

namespace {

// Bounds the work of one match call. A file name is at most a few hundred
// bytes; ordinary patterns need at most a few hundred steps on it, while a
// catastrophically backtracking one would need billions.
constexpr uint32_t kMatchLimit = 10'000;
constexpr uint32_t kDepthLimit = 10'000;
constexpr PCRE2_SIZE kJitStackStart = PCRE2_SIZE{32} * 1024;
constexpr PCRE2_SIZE kJitStackMax = PCRE2_SIZE{1024} * 1024;

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct JitStackDeleter {
    void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};

std::string pcre2ErrorText(int code)
{
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0)
        return "PCRE2 error " + std::to_string(code);
    return reinterpret_cast<const char*>(buffer);
}

class Pcre2Pattern;

// A thread's match data, and the match context that bounds its searches and
// holds its JIT stack.
class Pcre2Matcher final : public Matcher {
public:
    explicit Pcre2Matcher(const Pcre2Pattern& pattern);

    Result<bool> find(std::string_view subject, std::size_t start) override;
    MatchOffsets match() const override;

private:
    const Pcre2Pattern& pattern_;
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData_;
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> matchContext_;
    std::unique_ptr<pcre2_jit_stack, JitStackDeleter> jitStack_;
};

class Pcre2Pattern final : public RegularExpression {
public:
    Pcre2Pattern(std::unique_ptr<pcre2_code, CodeDeleter> code, std::vector<NamedGroup> namedGroups)
        : code_(std::move(code))
        , namedGroups_(std::move(namedGroups))
    {
        // The compiled pattern is the authority on how many groups there are.
        uint32_t captureCount = 0;
        pcre2_pattern_info(code_.get(), PCRE2_INFO_CAPTURECOUNT, &captureCount);
        captureGroupCount_ = static_cast<int>(captureCount);
        uint32_t shortest = 0;
        pcre2_pattern_info(code_.get(), PCRE2_INFO_MINLENGTH, &shortest);
        shortestMatch_ = shortest;
        // JIT is only a speed-up: if it cannot compile, the interpreter matches.
        jit_ = pcre2_jit_compile(code_.get(), PCRE2_JIT_COMPLETE) == 0;
    }

    int captureGroupCount() const override { return captureGroupCount_; }
    const std::vector<NamedGroup>& namedGroups() const override { return namedGroups_; }
    std::size_t shortestMatch() const override { return shortestMatch_; }
    std::unique_ptr<Matcher> makeMatcher() const override { return std::make_unique<Pcre2Matcher>(*this); }

    const pcre2_code* code() const { return code_.get(); }
    bool jit() const { return jit_; }

private:
    std::unique_ptr<pcre2_code, CodeDeleter> code_;
    std::vector<NamedGroup> namedGroups_;
    int captureGroupCount_ = 0;
    std::size_t shortestMatch_ = 0;
    bool jit_ = false;
};

Pcre2Matcher::Pcre2Matcher(const Pcre2Pattern& pattern)
    : pattern_(pattern)
    , matchData_(pcre2_match_data_create_from_pattern(pattern.code(), nullptr))
    , matchContext_(pcre2_match_context_create(nullptr))
{
    if (!matchData_ || !matchContext_)
        throw std::bad_alloc();
    pcre2_set_match_limit(matchContext_.get(), kMatchLimit);
    pcre2_set_depth_limit(matchContext_.get(), kDepthLimit);
    if (pattern.jit()) {
        jitStack_.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
        if (jitStack_)
            pcre2_jit_stack_assign(matchContext_.get(), nullptr, jitStack_.get());
    }
}

Result<bool> Pcre2Matcher::find(std::string_view subject, std::size_t start)
{
    // The subject's UTF-8 is checked once, by the search that begins it.
    const uint32_t options = start == 0 ? 0 : PCRE2_NO_UTF_CHECK;
    const int rc = pcre2_match(pattern_.code(), reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), start,
                               options, matchData_.get(), matchContext_.get());
    if (rc == PCRE2_ERROR_NOMATCH)
        return false;
    if (rc < 0)
        return failWith(pcre2ErrorText(rc));
    return true;
}

MatchOffsets Pcre2Matcher::match() const
{
    const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(matchData_.get());
    const uint32_t pairs = pcre2_get_ovector_count(matchData_.get());
    return MatchOffsets{std::span<const std::size_t>(vector, 2 * static_cast<std::size_t>(pairs))};
}

} // namespace

CompiledPattern makePcre2RegularExpression(std::string_view pattern, PatternOptions options)
{
    auto translated = translateJsPattern(pattern);
    if (!translated)
        return std::unexpected(std::move(translated.error()));

    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    const uint32_t compileOptions = kPcre2CompileOptions | (options.ignoreCase ? PCRE2_CASELESS : 0);
    std::unique_ptr<pcre2_code, CodeDeleter> code(
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated->pcre2Pattern.data()), translated->pcre2Pattern.size(),
                      compileOptions, &errorCode, &errorOffset, nullptr));
    // PCRE2 refuses a translated pattern only for its own limits (its size,
    // its nesting, its number of groups), which the pattern as a whole
    // exceeds; where PCRE2 stopped is a place in the translation.
    if (!code)
        return std::unexpected(PatternError{pattern.size(), pcre2ErrorText(errorCode)});
    return std::make_unique<Pcre2Pattern>(std::move(code), std::move(translated->namedGroups));
}

} // namespace renamer
