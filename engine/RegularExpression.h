#pragma once

#include "Failure.h"
#include "Utf8.h"

#include <cstddef>
#include <expected>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// Where and why a pattern was rejected; `offset` counts bytes into the
// pattern as typed, and is the pattern's length when the fault is the
// pattern as a whole (an end it lacks, or more than the engine holds).
struct PatternError {
    std::size_t offset = 0;
    std::string message;
};

struct NamedGroup {
    std::string name;
    int number = 0;
};

// One match as byte offsets into the subject: pairs of (start, end) for the
// whole match (pair 0) and each group; a group that did not participate has
// start == kUnsetOffset.
struct MatchOffsets {
    static constexpr std::size_t kUnsetOffset = static_cast<std::size_t>(-1);
    std::span<const std::size_t> pairs;

    std::size_t groupCount() const { return pairs.size() / 2; }
};

// The state one thread needs to search with a compiled pattern (match data,
// stack space). Not shared: each thread makes its own.
class Matcher {
public:
    virtual ~Matcher() = default;

    // Looks for the first match of `subject` that starts at byte `start` or
    // later: true when there is one, and match() then tells where it lies;
    // false when there is none. A search from byte 0 begins a subject and
    // fails on one that is not valid UTF-8; a search from further on
    // continues the subject the last search from 0 began and found valid. A
    // search that goes past the engine's bounds (a pattern that backtracks
    // without end) fails for that subject.
    virtual Result<bool> find(std::string_view subject, std::size_t start) = 0;

    // As find from byte 0, for a subject whose form the caller has found
    // already (textForm): a UTF-8 one is not checked again, which would take
    // about as long as the search itself, and a one-line one may be searched
    // by a program that need not look out for line terminators. Searches
    // from further on go on with find as usual.
    virtual Result<bool> findIn(std::string_view subject, TextForm /*form*/) { return find(subject, 0); }

    // The match the last successful find found; the offsets stay valid until
    // the next find.
    virtual MatchOffsets match() const = 0;
};

// A compiled pattern. Immutable: every thread of a preview run shares one,
// each searching through a matcher of its own.
class RegularExpression {
public:
    virtual ~RegularExpression() = default;

    // How many capturing groups the pattern has, and the names some carry.
    virtual int captureGroupCount() const = 0;
    virtual const std::vector<NamedGroup>& namedGroups() const = 0;
    // No match is shorter than this many characters, so a rest of a subject
    // shorter than this many bytes holds no match.
    virtual std::size_t shortestMatch() const = 0;

    // A matcher for one thread; it must not outlive this pattern.
    virtual std::unique_ptr<Matcher> makeMatcher() const = 0;
};

struct PatternOptions {
    bool ignoreCase = false;
};

using CompiledPattern = std::expected<std::unique_ptr<RegularExpression>, PatternError>;

// Compiles a pattern; a preview run compiles its pattern once, through the
// factory the window was given.
using RegularExpressionFactory = std::function<CompiledPattern(std::string_view pattern, PatternOptions options)>;

} // namespace renamer
