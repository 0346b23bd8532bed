// The floor a preview is measured against: a bare PCRE2-JIT loop that does
// the same work with nothing around it.
//
//   pcre2_floor PATTERN REPLACEMENT [--repeat N] [--match-only] < names
//
// For every name: one JIT match, and where it matches, pcre2_substitute of
// every match by REPLACEMENT (PCRE2's own "$n" rules); a run of "#" in the
// result then becomes the row number, zero-padded, by one snprintf. With
// --match-only, just the match. Prints the median milliseconds of one pass
// over all names.
#include "MatchOnlyFloor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: pcre2_floor PATTERN REPLACEMENT [--repeat N] [--match-only] < names\n", stderr);
        return 2;
    }
    const std::string pattern = argv[1];
    const std::string replacement = argv[2];
    int repeat = 1;
    bool matchOnly = false;
    for (int i = 3; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--repeat" && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--match-only")
            matchOnly = true;
    }
    std::vector<std::string> names;
    for (std::string line; std::getline(std::cin, line);)
        names.push_back(line);

    if (matchOnly) {
        const std::vector<std::string_view> views(names.begin(), names.end());
        std::printf("%.3f\n", renamer::bench::matchOnlyMilliseconds(views, {pattern}, repeat));
        return 0;
    }

    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_UTF | PCRE2_CASELESS, &error, &errorOffset, nullptr);
    if (code == nullptr)
        return 1;
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    pcre2_match_data* data = pcre2_match_data_create_from_pattern(code, nullptr);

    const std::string_view run(replacement);
    const std::size_t hashStart = run.find('#');
    const std::size_t hashLength = hashStart == std::string_view::npos ? 0 : run.find_first_not_of('#', hashStart) - hashStart;

    std::vector<double> milliseconds;
    std::vector<std::string> results(names.size());
    std::vector<char> buffer(4096);
    for (int pass = 0; pass < repeat; ++pass) {
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::string& name = names[i];
            const auto subject = reinterpret_cast<PCRE2_SPTR>(name.data());
            if (pcre2_match(code, subject, name.size(), 0, 0, data, nullptr) < 0)
                continue;
            PCRE2_SIZE length = buffer.size();
            pcre2_substitute(code, subject, name.size(), 0,
                             PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_MATCHED | PCRE2_NO_UTF_CHECK, data, nullptr,
                             reinterpret_cast<PCRE2_SPTR>(replacement.data()), replacement.size(),
                             reinterpret_cast<PCRE2_UCHAR*>(buffer.data()), &length);
            std::string& result = results[i];
            result.assign(buffer.data(), length);
            if (hashLength > 0) {
                const std::size_t at = result.find('#');
                if (at != std::string::npos) {
                    char number[32];
                    const int width = std::snprintf(number, sizeof number, "%0*zu", static_cast<int>(hashLength), i + 1);
                    result.replace(at, hashLength, number, static_cast<std::size_t>(width));
                }
            }
        }
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(milliseconds.begin(), milliseconds.begin() + repeat / 2, milliseconds.end());
    std::printf("%.3f\n", milliseconds[repeat / 2]);
    pcre2_match_data_free(data);
    pcre2_code_free(code);
    return 0;
}
