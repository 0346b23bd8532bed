#include "Pcre2RegularExpression.h"

#include "JsPatternTranslation.h"
#include "NameBound.h"
#include "Pcre2CompileOptions.h"
#include "ReplacementTemplate.h"

#include <cstring>
#include <optional>
#include <span>

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

// Byte length of the UTF-8 sequence that starts with `lead` (1 for a stray
// byte, which cannot occur in a subject that passed the UTF check).
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

struct Pcre2RegularExpression::Compiled {
    std::unique_ptr<pcre2_code, CodeDeleter> code;
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData;
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> matchContext;
    std::unique_ptr<pcre2_jit_stack, JitStackDeleter> jitStack;
    TranslatedPattern translated;
    std::optional<Failure> invalid; // set when the pattern was rejected
    // No match is shorter than this many characters, so a rest of the subject
    // shorter than this many bytes needs no further search.
    uint32_t shortestMatch = 0;

    // The replacement of the last replace call, parsed once and reused while
    // the replacement text stays the same.
    std::string replacementText;
    std::optional<ReplacementTemplate> replacement;

    // The subject of the last successful test, whose first match is still in
    // matchData: replace starts from it instead of matching again.
    std::string testedSubject;
    bool testedSubjectMatched = false;

    int match(std::string_view subject, std::size_t start, uint32_t options)
    {
        return pcre2_match(code.get(), reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), start,
                           options, matchData.get(), matchContext.get());
    }

    MatchOffsets offsets() const
    {
        const PCRE2_SIZE* vector = pcre2_get_ovector_pointer(matchData.get());
        const uint32_t pairs = pcre2_get_ovector_count(matchData.get());
        return MatchOffsets{std::span<const std::size_t>(vector, 2 * static_cast<std::size_t>(pairs))};
    }
};

Pcre2RegularExpression::Pcre2RegularExpression() = default;
Pcre2RegularExpression::~Pcre2RegularExpression() = default;
Pcre2RegularExpression::Pcre2RegularExpression(Pcre2RegularExpression&&) noexcept = default;
Pcre2RegularExpression& Pcre2RegularExpression::operator=(Pcre2RegularExpression&&) noexcept = default;

void Pcre2RegularExpression::setPattern(std::string_view pattern)
{
    pattern_.assign(pattern);
    compiled_.reset();
}

void Pcre2RegularExpression::setIgnoreCase(bool ignoreCase)
{
    ignoreCase_ = ignoreCase;
    compiled_.reset();
}

void Pcre2RegularExpression::setGlobal(bool global)
{
    global_ = global;
}

Result<Pcre2RegularExpression::Compiled*> Pcre2RegularExpression::compiled()
{
    if (compiled_) {
        if (const std::optional<Failure>& invalid = compiled_->invalid)
            return std::unexpected(*invalid);
        return compiled_.get();
    }
    compiled_ = std::make_unique<Compiled>();
    Compiled& result = *compiled_;

    auto translated = translateJsPattern(pattern_);
    if (!translated) {
        result.invalid = Failure{"invalid pattern at " + std::to_string(translated.error().offset) + ": "
                                 + translated.error().message};
        return std::unexpected(*result.invalid);
    }
    result.translated = std::move(*translated);

    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    const uint32_t options = kPcre2CompileOptions | (ignoreCase_ ? PCRE2_CASELESS : 0);
    result.code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(result.translated.pcre2Pattern.data()),
                                    result.translated.pcre2Pattern.size(), options, &errorCode, &errorOffset,
                                    nullptr));
    if (!result.code) {
        result.invalid = Failure{"invalid pattern: " + pcre2ErrorText(errorCode)};
        return std::unexpected(*result.invalid);
    }
    // The compiled pattern is the authority on how many groups there are.
    uint32_t captureCount = 0;
    pcre2_pattern_info(result.code.get(), PCRE2_INFO_CAPTURECOUNT, &captureCount);
    result.translated.captureGroupCount = static_cast<int>(captureCount);
    pcre2_pattern_info(result.code.get(), PCRE2_INFO_MINLENGTH, &result.shortestMatch);

    // JIT is only a speed-up: if it cannot compile, the interpreter matches.
    const bool jit = pcre2_jit_compile(result.code.get(), PCRE2_JIT_COMPLETE) == 0;

    result.matchData.reset(pcre2_match_data_create_from_pattern(result.code.get(), nullptr));
    result.matchContext.reset(pcre2_match_context_create(nullptr));
    if (!result.matchData || !result.matchContext)
        throw std::bad_alloc();
    pcre2_set_match_limit(result.matchContext.get(), kMatchLimit);
    pcre2_set_depth_limit(result.matchContext.get(), kDepthLimit);
    if (jit) {
        result.jitStack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
        if (result.jitStack)
            pcre2_jit_stack_assign(result.matchContext.get(), nullptr, result.jitStack.get());
    }
    return compiled_.get();
}

Result<bool> Pcre2RegularExpression::test(std::string_view subject)
{
    auto state = compiled();
    if (!state)
        return std::unexpected(state.error());
    Compiled& regex = **state;
    regex.testedSubjectMatched = false;
    const int rc = regex.match(subject, 0, 0);
    if (rc == PCRE2_ERROR_NOMATCH)
        return false;
    if (rc < 0)
        return failWith(pcre2ErrorText(rc));
    regex.testedSubject.assign(subject);
    regex.testedSubjectMatched = true;
    return true;
}

Result<void> Pcre2RegularExpression::replace(std::string_view subject, std::string_view replacement,
                                             std::string& out)
{
    return replaceMatches(subject, replacement, out, nullptr);
}

Result<void> Pcre2RegularExpression::replaceWithSpans(std::string_view subject, std::string_view replacement,
                                                      std::string& out, ReplacementSpans& spans)
{
    spans.matched.clear();
    spans.changed.clear();
    return replaceMatches(subject, replacement, out, &spans);
}

Result<void> Pcre2RegularExpression::replaceMatches(std::string_view subject, std::string_view replacement,
                                                    std::string& out, ReplacementSpans* spans)
{
    auto state = compiled();
    if (!state)
        return std::unexpected(state.error());
    Compiled& regex = **state;
    if (!regex.replacement || regex.replacementText != replacement) {
        regex.replacementText.assign(replacement);
        regex.replacement.emplace(replacement, regex.translated.captureGroupCount, regex.translated.namedGroups);
    }

    out.clear();
    std::size_t copiedUpTo = 0;
    std::size_t position = 0;
    // The first match may still be in the match data from test().
    bool haveMatch = regex.testedSubjectMatched && regex.testedSubject == subject;
    regex.testedSubjectMatched = false;
    uint32_t options = haveMatch ? PCRE2_NO_UTF_CHECK : 0;
    while (position <= subject.size()) {
        if (!haveMatch) {
            if (subject.size() - position < regex.shortestMatch)
                break;
            const int rc = regex.match(subject, position, options);
            if (rc == PCRE2_ERROR_NOMATCH)
                break;
            if (rc < 0)
                return failWith(pcre2ErrorText(rc));
            options = PCRE2_NO_UTF_CHECK; // the subject was checked by the first call
        }
        haveMatch = false;
        const MatchOffsets match = regex.offsets();
        const std::size_t matchStart = match.pairs[0];
        const std::size_t matchEnd = match.pairs[1];
        // A name that has reached its bound needs no more matches.
        if (!appendBounded(out, subject.substr(copiedUpTo, matchStart - copiedUpTo)))
            return {};
        const std::size_t expansionStart = out.size();
        const bool whole = regex.replacement->appendExpansion(subject, match, out);
        if (spans != nullptr) {
            spans->matched.push_back({matchStart, matchEnd});
            for (const TextSpan& changed : differingSpans(subject.substr(matchStart, matchEnd - matchStart),
                                                          std::string_view(out).substr(expansionStart)))
                spans->changed.push_back({expansionStart + changed.begin, expansionStart + changed.end});
        }
        if (!whole)
            return {};
        copiedUpTo = matchEnd;
        if (!global_)
            break;
        // Like JavaScript: after an empty match the search goes on one
        // character further, and an empty match may follow a non-empty one.
        if (matchEnd == matchStart) {
            if (matchEnd >= subject.size())
                break;
            position = matchEnd + codePointLength(static_cast<unsigned char>(subject[matchEnd]));
        } else {
            position = matchEnd;
        }
    }
    appendBounded(out, subject.substr(copiedUpTo));
    return {};
}

std::unique_ptr<RegularExpression> makePcre2RegularExpression()
{
    return std::make_unique<Pcre2RegularExpression>();
}

} // namespace renamer
