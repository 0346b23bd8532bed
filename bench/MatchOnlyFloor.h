#pragma once

// The floor a keystroke is measured against: one bare PCRE2-JIT match of the
// pattern against every name, with nothing around it.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <chrono>
#include <string_view>
#include <vector>

namespace renamer::bench {

// The median milliseconds of one pass of matches over `names`, alternating
// between the patterns from pass to pass; negative when a pattern does not
// compile. Matching is caseless, in UTF mode, as the preview's is.
inline double matchOnlyMilliseconds(const std::vector<std::string_view>& names,
                                    const std::vector<std::string_view>& patterns, int passes)
{
    struct Compiled {
        pcre2_code* code;
        pcre2_match_data* data;
    };
    std::vector<Compiled> compiled;
    for (const std::string_view pattern : patterns) {
        int error = 0;
        PCRE2_SIZE errorOffset = 0;
        pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                         PCRE2_UTF | PCRE2_CASELESS, &error, &errorOffset, nullptr);
        if (code == nullptr)
            return -1;
        pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
        compiled.push_back({code, pcre2_match_data_create_from_pattern(code, nullptr)});
    }
    std::vector<double> milliseconds;
    std::size_t matched = 0;
    for (int pass = 0; pass < passes; ++pass) {
        const Compiled& regex = compiled[static_cast<std::size_t>(pass) % compiled.size()];
        const auto start = std::chrono::steady_clock::now();
        for (const std::string_view name : names)
            matched += pcre2_match(regex.code, reinterpret_cast<PCRE2_SPTR>(name.data()), name.size(), 0, 0,
                                   regex.data, nullptr) > 0;
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    for (const Compiled& regex : compiled) {
        pcre2_match_data_free(regex.data);
        pcre2_code_free(regex.code);
    }
    // Keeps the matches from being optimised away.
    if (matched == static_cast<std::size_t>(-1))
        return 0;
    std::nth_element(milliseconds.begin(), milliseconds.begin() + milliseconds.size() / 2, milliseconds.end());
    return milliseconds[milliseconds.size() / 2];
}

} // namespace renamer::bench
