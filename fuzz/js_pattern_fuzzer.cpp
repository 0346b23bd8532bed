// Pattern translation and PCRE2 compilation. Input: the pattern, then
// optionally a newline and the subject to match (a file-name-like default
// otherwise).

#include "JsPatternTranslation.h"
#include "Pcre2CompileOptions.h"
#include "Pcre2RegularExpression.h"
#include "Properties.h"
#include "ReplaceMatches.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

using namespace renamer;
using namespace renamer::fuzz;

namespace {

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};

// PCRE2 may refuse a translated pattern only for its own limits (JavaScript
// has none of them); anything else means the translator wrote PCRE2 syntax
// that does not say what it meant.
bool isPcre2Limit(int errorCode)
{
    switch (errorCode) {
    case PCRE2_ERROR_PARENTHESES_NEST_TOO_DEEP:
    case PCRE2_ERROR_PATTERN_TOO_LARGE:
    case PCRE2_ERROR_PATTERN_TOO_COMPLICATED:
    case PCRE2_ERROR_HEAP_FAILED:
    case PCRE2_ERROR_LOOKBEHIND_NOT_FIXED_LENGTH:
    case PCRE2_ERROR_LOOKBEHIND_TOO_COMPLICATED:
    case PCRE2_ERROR_LOOKBEHIND_TOO_LONG:
    case PCRE2_ERROR_TOO_MANY_CAPTURES:
        return true;
    default:
        return false;
    }
}

// Compiles each program of the translation as the renamer does. Groups are
// numbered by the translator's own count, so it must agree with the count
// PCRE2 finds, and every JavaScript group is captured by one program.
void requireTranslationCompiles(const TranslatedPattern& translated)
{
    std::vector<int> captured(static_cast<std::size_t>(translated.captureGroupCount) + 1, 0);
    for (std::size_t index = 0; index < translated.programs.size(); ++index) {
        const TranslatedProgram& program = translated.programs[index];
        require(isValidUtf8(program.pcre2Pattern), "a translated pattern is valid UTF-8");
        int errorCode = 0;
        PCRE2_SIZE errorOffset = 0;
        const std::unique_ptr<pcre2_code, CodeDeleter> code(pcre2_compile(
            reinterpret_cast<PCRE2_SPTR>(program.pcre2Pattern.data()), program.pcre2Pattern.size(),
            kPcre2CompileOptions | PCRE2_CASELESS | (index > 0 ? PCRE2_ANCHORED : 0), &errorCode, &errorOffset,
            nullptr));
        if (!code) {
            if (!isPcre2Limit(errorCode)) {
                PCRE2_UCHAR message[256];
                pcre2_get_error_message(errorCode, message, sizeof message);
                std::fprintf(stderr, "PCRE2 rejects %s at %zu: %s\n", program.pcre2Pattern.c_str(), errorOffset,
                             reinterpret_cast<const char*>(message));
            }
            require(isPcre2Limit(errorCode), "PCRE2 refuses a translated pattern only for its own limits");
            return;
        }
        std::uint32_t captureCount = 0;
        pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captureCount);
        require(captureCount == program.groups.size(), "the translator numbers the groups PCRE2 numbers");
        for (const Pcre2Group& group : program.groups) {
            if (group.role == Pcre2Group::Role::JsGroup)
                ++captured[static_cast<std::size_t>(group.index)];
        }
    }
    require(std::count(captured.begin() + 1, captured.end(), 1) == translated.captureGroupCount,
            "every group is captured by exactly one program");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view pattern = takeLine(input);
    const std::string_view subject = input.empty() ? std::string_view("IMG_2024-05-01 (2).JPG") : input;

    const auto translated = translateJsPattern(pattern);
    if (translated) {
        for (const NamedGroup& group : translated->namedGroups) {
            require(group.number >= 1 && group.number <= translated->captureGroupCount,
                    "a named group's number is one of the pattern's groups");
        }
        requireTranslationCompiles(*translated);
    }

    const CompiledPattern compiled = makePcre2RegularExpression(pattern, PatternOptions{.ignoreCase = true});
    require(translated || !compiled, "a pattern the translator rejects does not compile");
    if (!compiled)
        return 0;
    // Replacing every match by itself must give the subject back: the global
    // loop neither skips nor repeats text between matches.
    const RegularExpression& regex = **compiled;
    const std::unique_ptr<Matcher> matcher = regex.makeMatcher();
    const ReplacementTemplate wholeMatch("$&", regex.captureGroupCount(), regex.namedGroups());
    std::string out;
    const Result<bool> replaced = replaceMatches(regex, *matcher, subject, wholeMatch, out);
    if (replaced && *replaced)
        require(out == subject, "replacing every match by $& leaves the subject unchanged");
    return 0;
}
