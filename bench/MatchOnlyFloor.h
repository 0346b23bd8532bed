#pragma once

// The floor a keystroke is measured against: one bare PCRE2-JIT match of the
// pattern against every name, with nothing around it.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <string_view>
#include <vector>

namespace renamer::bench {

// The patterns compiled once, so that one pass over the names can be timed
// whenever wanted: between two keystrokes, so that both see the machine as
// it is at that moment. Matching is caseless, in UTF mode, as the preview's
// is. `Names` has size() and operator[] giving a std::string_view: a vector
// of views, or a view of a list's names that takes no memory of its own, so
// that the floor does not weigh on a measure of the list's memory.
template <typename Names>
class MatchOnlyFloor {
public:
    MatchOnlyFloor(Names names, const std::vector<std::string_view>& patterns)
        : names_(std::move(names))
    {
        for (const std::string_view pattern : patterns) {
            int error = 0;
            PCRE2_SIZE errorOffset = 0;
            pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                             PCRE2_UTF | PCRE2_CASELESS, &error, &errorOffset, nullptr);
            if (code == nullptr) {
                compiled_ = false;
                continue;
            }
            pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
            patterns_.push_back({code, pcre2_match_data_create_from_pattern(code, nullptr)});
        }
    }
    MatchOnlyFloor(const MatchOnlyFloor&) = delete;
    MatchOnlyFloor& operator=(const MatchOnlyFloor&) = delete;
    ~MatchOnlyFloor()
    {
        for (const Compiled& regex : patterns_) {
            pcre2_match_data_free(regex.data);
            pcre2_code_free(regex.code);
        }
    }

    // Whether every pattern compiled.
    bool compiled() const { return compiled_; }

    // The milliseconds of one pass of pattern `index` over every name.
    double pass(std::size_t index)
    {
        const Compiled& regex = patterns_[index % patterns_.size()];
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0, count = names_.size(); i < count; ++i) {
            const std::string_view name = names_[i];
            matched_ += pcre2_match(regex.code, reinterpret_cast<PCRE2_SPTR>(name.data()), name.size(), 0, 0,
                                    regex.data, nullptr) > 0;
        }
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }

    // Read after the passes, so that the matches cannot be optimised away.
    std::size_t matched() const { return matched_; }

private:
    struct Compiled {
        pcre2_code* code;
        pcre2_match_data* data;
    };
    Names names_;
    std::vector<Compiled> patterns_;
    bool compiled_ = true;
    std::size_t matched_ = 0;
};

// The median milliseconds of one pass of matches over `names`, alternating
// between the patterns from pass to pass; negative when a pattern does not
// compile.
inline double matchOnlyMilliseconds(const std::vector<std::string_view>& names,
                                    const std::vector<std::string_view>& patterns, int passes)
{
    MatchOnlyFloor<const std::vector<std::string_view>&> floor(names, patterns);
    if (!floor.compiled())
        return -1;
    std::vector<double> milliseconds;
    for (int pass = 0; pass < passes; ++pass)
        milliseconds.push_back(floor.pass(static_cast<std::size_t>(pass)));
    if (floor.matched() == static_cast<std::size_t>(-1))
        return 0;
    std::nth_element(milliseconds.begin(), milliseconds.begin() + milliseconds.size() / 2, milliseconds.end());
    return milliseconds[milliseconds.size() / 2];
}

// The ratios of measurements taken in pairs, one of each thing compared
// right after the other: their median and spread.
struct PairedRatios {
    double median = 0;
    double min = 0;
    double max = 0;
    std::size_t pairs = 0;
};

inline PairedRatios pairedRatios(const std::vector<double>& measured, const std::vector<double>& floor)
{
    std::vector<double> ratios;
    for (std::size_t i = 0; i < measured.size() && i < floor.size(); ++i) {
        if (floor[i] > 0)
            ratios.push_back(measured[i] / floor[i]);
    }
    if (ratios.empty())
        return {};
    std::sort(ratios.begin(), ratios.end());
    // The middle value, or the mean of the two middle ones.
    const std::size_t half = ratios.size() / 2;
    const double median = ratios.size() % 2 == 1 ? ratios[half] : (ratios[half - 1] + ratios[half]) / 2;
    return {median, ratios.front(), ratios.back(), ratios.size()};
}

} // namespace renamer::bench
