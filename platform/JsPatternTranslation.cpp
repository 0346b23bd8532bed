#include "JsPatternTranslation.h"

#include "Pcre2CompileOptions.h"
#include "Utf8.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

// The translator reads the pattern as JavaScript does without the u flag,
// including the lenient web-compatibility forms, and writes a PCRE2 pattern
// that spells every construct out explicitly: literals are escaped, classes
// are rebuilt from code point ranges, and JavaScript's \s and dot are given
// as explicit sets, so PCRE2's own reading of escapes and options never
// decides what a pattern means. Named groups become plain numbered groups;
// the names travel beside the pattern in TranslatedPattern::namedGroups.
//
// The unit of matching is the code point, not the UTF-16 code unit: a
// surrogate pair written as two \u escapes is one character, and a lone
// surrogate, which valid UTF-8 cannot contain, never matches.
//
// JavaScript matches a lookbehind's body backwards, from its end: the last
// term first, each repeat greedy from the right, a backreference written left
// of its group after the group. Matching the body with every sequence of
// terms reversed, forward over the subject with its characters reversed,
// anchored where the lookbehind stands, does exactly that; ^ and $ trade
// places there, and \b reads the same. A lookbehind PCRE2 matches exactly as
// JavaScript does (each top-level branch of one length, no backreference, no
// group captured by a repeat) stays in place; any other becomes a program of
// its own, run from a callout. Inside a reversed body a lookahead is the
// lookaround of the other direction, and a lookbehind a plain lookahead.

namespace renamer {

namespace {

constexpr char32_t kEndOfPattern = 0xFFFFFFFF;
constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kFirstLowSurrogate = 0xDC00;
constexpr char32_t kLastSurrogate = 0xDFFF;

// PCRE2's default limit on nested parentheses; deeper patterns could not
// compile anyway, and the limit keeps the recursive descent off the stack's
// edge.
constexpr int kMaxGroupNesting = 250;

// JavaScript clamps repeat counts to this; PCRE2 accepts at most 65535.
constexpr std::uint32_t kJsRepeatCeiling = 2'147'483'647;
constexpr std::uint32_t kPcre2RepeatCeiling = 65'535;
constexpr std::uint32_t kUnbounded = UINT32_MAX;

// How many characters a piece of pattern matches, when that is one number
// no longer than a lookbehind in place may be.
using Width = std::uint32_t;
constexpr Width kVaryingWidth = UINT32_MAX;
// PCRE2 10.42 refuses a lookbehind branch longer than this.
constexpr Width kLongestLookbehindInPlace = 65'535;

Width addWidths(Width a, Width b)
{
    if (a == kVaryingWidth || b == kVaryingWidth)
        return kVaryingWidth;
    const std::uint64_t sum = std::uint64_t{a} + b;
    return sum > kLongestLookbehindInPlace ? kVaryingWidth : static_cast<Width>(sum);
}

Width repeatWidth(Width width, std::uint32_t min, std::uint32_t max)
{
    if (width == 0)
        return 0;
    if (min != max || width == kVaryingWidth
        || static_cast<std::uint64_t>(width) * min > kLongestLookbehindInPlace)
        return kVaryingWidth;
    return width * min;
}

// Groups, places and backreferences are written as tags, \x01 kind number
// \x02, while the programs take shape: which PCRE2 number a group gets, and
// whether a backreference reaches its group, is known only once every
// program is written. Translated text has no raw control characters
// otherwise.
constexpr char kTagStart = '\x01';
constexpr char kTagEnd = '\x02';
constexpr char kGroupTag = 'g';
constexpr char kPlaceTag = 'm';
constexpr char kBackreferenceTag = 'b';

struct CodePointRange {
    char32_t first;
    char32_t last;
};

// WhiteSpace and LineTerminator as JavaScript defines \s.
constexpr std::array<CodePointRange, 10> kJsWhitespace{{
    {0x09, 0x0D}, {0x20, 0x20}, {0xA0, 0xA0}, {0x1680, 0x1680}, {0x2000, 0x200A},
    {0x2028, 0x2029}, {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000}, {0xFEFF, 0xFEFF},
}};

// JavaScript's dot: anything but a line terminator.
constexpr std::string_view kDotClass = R"([^\n\r\x{2028}\x{2029}])";
// PCRE2's own dot, compiled with the newline convention LF: anything but
// \n. On a subject without line terminators it matches what JavaScript's
// does, and the JIT matches it faster than the class.
constexpr std::string_view kPlainDot = ".";
constexpr std::string_view kNeverMatches = "(?!)";
constexpr std::string_view kAnyCharacter = R"([\d\D])";

struct SourceChar {
    char32_t value;
    std::size_t offset; // of the first byte
};

std::expected<std::vector<SourceChar>, PatternError> decodeUtf8(std::string_view text)
{
    std::vector<SourceChar> decoded;
    decoded.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t offset = pos;
        bool valid = false;
        const char32_t value = decodeCodePoint(text, pos, valid);
        if (!valid)
            return std::unexpected(PatternError{offset, "Invalid UTF-8"});
        decoded.push_back({value, offset});
    }
    return decoded;
}

bool isSurrogate(char32_t c) { return c >= kFirstSurrogate && c <= kLastSurrogate; }
bool isAsciiLetter(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDecimalDigit(char32_t c) { return c >= '0' && c <= '9'; }
bool isOctalDigit(char32_t c) { return c >= '0' && c <= '7'; }

int hexDigitValue(char32_t c)
{
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    return -1;
}

// Writes one character so that PCRE2 reads it as itself whatever it is:
// word characters bare, other ASCII punctuation backslash-escaped (always
// literal in PCRE2), everything else as \x{...}. Valid inside and outside
// classes.
void appendLiteral(std::string& out, char32_t c)
{
    if (isAsciiLetter(c) || isDecimalDigit(c) || c == '_') {
        out += static_cast<char>(c);
    } else if (c > 0x20 && c < 0x7F) {
        out += '\\';
        out += static_cast<char>(c);
    } else {
        char digits[8];
        const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(c), 16).ptr;
        out += "\\x{";
        out.append(digits, end);
        out += '}';
    }
}

void appendNumber(std::string& out, std::uint32_t n)
{
    char digits[12];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}

struct Pcre2CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct Pcre2MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

// JavaScript group names are identifiers: ID_Start, $ or _ first, then
// ID_Continue, $, ZWNJ or ZWJ. PCRE2 knows these Unicode properties, so it
// does the classification.
bool isIdentifierName(const std::string& utf8Name)
{
    static const std::unique_ptr<pcre2_code, Pcre2CodeDeleter> identifier = [] {
        constexpr std::string_view pattern = R"(\A[\p{ID_Start}$_][\p{ID_Continue}$\x{200C}\x{200D}]*\z)";
        int errorCode = 0;
        PCRE2_SIZE errorOffset = 0;
        std::unique_ptr<pcre2_code, Pcre2CodeDeleter> code(
            pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), PCRE2_UTF, &errorCode,
                          &errorOffset, nullptr));
        if (!code)
            throw std::logic_error("identifier pattern does not compile");
        return code;
    }();
    std::unique_ptr<pcre2_match_data, Pcre2MatchDataDeleter> match(
        pcre2_match_data_create_from_pattern(identifier.get(), nullptr));
    if (!match)
        throw std::bad_alloc();
    return pcre2_match(identifier.get(), reinterpret_cast<PCRE2_SPTR>(utf8Name.data()), utf8Name.size(), 0, 0,
                       match.get(), nullptr)
        >= 0;
}

// The members of one bracketed class. \d \D \w \W stay PCRE2 escapes: without
// PCRE2_UCP they are ASCII-only, as in JavaScript, and PCRE2 does not widen
// them under PCRE2_CASELESS. \s and \S become explicit ranges.
struct ClassSet {
    std::vector<CodePointRange> ranges;
    std::string asciiEscapes;

    void addEscape(char32_t letter)
    {
        if (letter == 's') {
            ranges.insert(ranges.end(), kJsWhitespace.begin(), kJsWhitespace.end());
        } else if (letter == 'S') {
            char32_t next = 0;
            for (const CodePointRange& space : kJsWhitespace) {
                if (space.first > next)
                    ranges.push_back({next, space.first - 1});
                next = space.last + 1;
            }
            ranges.push_back({next, kMaxCodePoint});
        } else {
            asciiEscapes += '\\';
            asciiEscapes += static_cast<char>(letter);
        }
    }

    // Surrogates cannot occur in UTF-8 text and PCRE2 rejects them in a
    // UTF pattern, so they leave the set. Returns false when what was written
    // is not a single PCRE2 item (an empty set becomes a failing assertion).
    bool write(std::string& out, bool negated) const
    {
        std::vector<CodePointRange> valid;
        for (const CodePointRange& range : ranges) {
            if (range.first < kFirstSurrogate)
                valid.push_back({range.first, std::min<char32_t>(range.last, kFirstSurrogate - 1)});
            if (range.last > kLastSurrogate)
                valid.push_back({std::max<char32_t>(range.first, kLastSurrogate + 1), range.last});
        }
        if (valid.empty() && asciiEscapes.empty()) {
            out += negated ? kAnyCharacter : kNeverMatches;
            return negated;
        }
        std::sort(valid.begin(), valid.end(), [](auto a, auto b) { return a.first < b.first; });
        out += negated ? "[^" : "[";
        out += asciiEscapes;
        for (std::size_t i = 0; i < valid.size();) {
            CodePointRange merged = valid[i];
            for (++i; i < valid.size() && valid[i].first <= merged.last + 1; ++i)
                merged.last = std::max(merged.last, valid[i].last);
            appendLiteral(out, merged.first);
            if (merged.last != merged.first) {
                if (merged.last > merged.first + 1)
                    out += '-';
                appendLiteral(out, merged.last);
            }
        }
        out += ']';
        return true;
    }
};

// What a quantifier may follow, and how it must be attached.
enum class AtomShape {
    Assertion,   // ^ $ \b \B: a quantifier here is "nothing to repeat"
    Lookbehind,  // not quantifiable in JavaScript
    Single,      // one PCRE2 item: the quantifier attaches directly
    Backreference, // one PCRE2 item once its tag is resolved
    Compound,    // several PCRE2 items or an assertion: wrap in (?:...)
};

struct Repeat {
    std::uint32_t min = 0;
    std::uint32_t max = 0;
    std::size_t end = 0; // index just past the quantifier
};

void appendTag(std::string& out, char kind, int number)
{
    out += kTagStart;
    out += kind;
    appendNumber(out, static_cast<std::uint32_t>(number));
    out += kTagEnd;
}

class Translator {
public:
    Translator(std::vector<SourceChar> source, std::size_t patternSize, TranslationOptions options)
        : source_(std::move(source))
        , patternSize_(patternSize)
        , options_(options)
    {
    }

    std::expected<TranslatedPattern, PatternError> translate()
    {
        scanGroups();
        groupPrograms_.assign(static_cast<std::size_t>(totalGroups_) + 1, 0);
        programs_.emplace_back();
        Width width = 0;
        if (parseDisjunction(0, width) && !atEnd())
            fail(pos_, "Unmatched ')'");
        if (error_)
            return std::unexpected(*error_);
        programs_[0].pcre2Pattern = std::move(out_);
        programs_[0].lastGroup = totalGroups_;
        std::vector<CalloutBackreference> backreferences;
        for (std::size_t program = 0; program < programs_.size(); ++program)
            resolveTags(static_cast<int>(program), backreferences);
        return TranslatedPattern{std::move(programs_), std::move(backreferences), totalGroups_,
                                 std::move(namedGroups_), writesDot_};
    }

private:
    char32_t at(std::size_t index) const { return index < source_.size() ? source_[index].value : kEndOfPattern; }
    char32_t peek(std::size_t ahead = 0) const { return at(pos_ + ahead); }
    bool atEnd() const { return pos_ >= source_.size(); }
    bool eat(char32_t c)
    {
        if (peek() != c)
            return false;
        ++pos_;
        return true;
    }

    bool fail(std::size_t index, std::string message)
    {
        if (!error_)
            error_ = PatternError{index < source_.size() ? source_[index].offset : patternSize_, std::move(message)};
        return false;
    }

    // How \N and \k read depends on every group in the pattern, including
    // those after the escape, so groups are counted and named up front.
    void scanGroups()
    {
        bool inClass = false;
        for (std::size_t i = 0; i < source_.size(); ++i) {
            const char32_t c = source_[i].value;
            if (c == '\\') {
                ++i;
            } else if (inClass) {
                inClass = c != ']';
            } else if (c == '[') {
                inClass = true;
            } else if (c == '(' && at(i + 1) != '?') {
                ++totalGroups_;
            } else if (c == '(' && at(i + 1) == '?' && at(i + 2) == '<' && at(i + 3) != '=' && at(i + 3) != '!') {
                ++totalGroups_;
                hasNamedGroups_ = true;
                if (auto name = readGroupName(i + 3))
                    allNames_.push_back({std::move(name->first), totalGroups_});
            }
        }
    }

    // Reads `name>` starting at `index`; yields the name in UTF-8 and the
    // index after '>'.
    std::expected<std::pair<std::string, std::size_t>, PatternError> readGroupName(std::size_t index) const
    {
        const std::size_t start = index;
        auto failure = [&](std::size_t where, const char* message) {
            return std::unexpected(
                PatternError{where < source_.size() ? source_[where].offset : patternSize_, message});
        };
        std::u32string name;
        while (at(index) != '>') {
            if (index >= source_.size())
                return failure(start, "Invalid capture group name");
            if (at(index) != '\\') {
                name += at(index++);
                continue;
            }
            const std::size_t escape = index;
            if (at(index + 1) != 'u')
                return failure(escape, "Invalid capture group name");
            index += 2;
            std::optional<char32_t> value;
            if (at(index) == '{') {
                char32_t braced = 0;
                const std::size_t digits = ++index;
                while (hexDigitValue(at(index)) >= 0 && braced <= kMaxCodePoint)
                    braced = braced * 16 + hexDigitValue(at(index++));
                if (index > digits && at(index) == '}' && braced <= kMaxCodePoint) {
                    value = braced;
                    ++index;
                }
            } else {
                value = readHex(index, 4);
                if (value)
                    index += 4;
                if (value && *value >= kFirstSurrogate && *value < kFirstLowSurrogate)
                    value = joinLowSurrogate(*value, index);
            }
            if (!value)
                return failure(escape, "Invalid Unicode escape");
            name += *value;
        }
        std::string utf8;
        for (const char32_t c : name) {
            if (isSurrogate(c))
                return failure(start, "Invalid capture group name");
            appendUtf8(utf8, c);
        }
        if (!isIdentifierName(utf8))
            return failure(start, "Invalid capture group name");
        return std::pair{std::move(utf8), index + 1};
    }

    std::optional<char32_t> readHex(std::size_t index, int digits) const
    {
        char32_t value = 0;
        for (int k = 0; k < digits; ++k) {
            const int digit = hexDigitValue(at(index + k));
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + digit;
        }
        return value;
    }

    // A high surrogate from \uHHHH followed by a low one from a second \uHHHH
    // is one code point; advances `index` past the second escape if so.
    char32_t joinLowSurrogate(char32_t high, std::size_t& index) const
    {
        if (at(index) != '\\' || at(index + 1) != 'u')
            return high;
        const auto low = readHex(index + 2, 4);
        if (!low || *low < kFirstLowSurrogate || *low > kLastSurrogate)
            return high;
        index += 6;
        return 0x10000 + ((high - kFirstSurrogate) << 10) + (*low - kFirstLowSurrogate);
    }

    // Digits from `index` on, clamped as JavaScript clamps them.
    std::uint32_t readDecimal(std::size_t& index) const
    {
        std::uint64_t value = 0;
        while (isDecimalDigit(at(index)))
            value = std::min<std::uint64_t>(value * 10 + (at(index++) - '0'), kJsRepeatCeiling);
        return static_cast<std::uint32_t>(value);
    }

    // {n}, {n,} or {n,m} at `index`; anything else is not a quantifier.
    std::optional<Repeat> readBracedRepeat(std::size_t index) const
    {
        if (at(index) != '{' || !isDecimalDigit(at(index + 1)))
            return std::nullopt;
        ++index;
        Repeat repeat;
        repeat.min = repeat.max = readDecimal(index);
        if (at(index) == ',') {
            ++index;
            repeat.max = isDecimalDigit(at(index)) ? readDecimal(index) : kUnbounded;
        }
        if (at(index) != '}')
            return std::nullopt;
        repeat.end = index + 1;
        return repeat;
    }

    // `width` is the width every alternative shares (kVaryingWidth when
    // they differ); `branches`, when given, receives each alternative's.
    // `plainEnd`, when given, receives the alternative's plainEnd when
    // there is only one.
    bool parseDisjunction(int depth, Width& width, std::vector<Width>* branches = nullptr,
                          std::string* plainEnd = nullptr)
    {
        if (!parseAlternative(depth, width, plainEnd))
            return false;
        if (branches != nullptr)
            branches->push_back(width);
        while (eat('|')) {
            if (plainEnd != nullptr)
                plainEnd->clear();
            out_ += '|';
            Width alternative = 0;
            if (!parseAlternative(depth, alternative))
                return false;
            if (branches != nullptr)
                branches->push_back(alternative);
            if (alternative != width)
                width = kVaryingWidth;
        }
        return true;
    }

    // `plainEnd`, when given, receives the translation of the alternative's
    // last terms, as written, that each have one width and capture and
    // detach nothing (a backreference has no one width): where the
    // alternative matches, they match the text just before where it ends.
    bool parseAlternative(int depth, Width& width, std::string* plainEnd = nullptr)
    {
        struct Term {
            std::size_t start;
            bool plain;
        };
        const std::size_t start = out_.size();
        std::vector<Term> terms; // kept only when reversing or asked for the plain end
        width = 0;
        while (!atEnd() && peek() != '|' && peek() != ')') {
            const Checkpoint before = checkpoint();
            Width term = 0;
            if (!parseTerm(depth, term))
                return false;
            width = addWidths(width, term);
            if (reversed_ || plainEnd != nullptr) {
                const bool plain = term != kVaryingWidth && groupsOpened_ == before.groupsOpened
                    && programs_.size() == before.programs;
                terms.push_back({before.outSize, plain});
            }
        }
        const std::size_t end = out_.size();
        auto text = [&](std::size_t term) {
            const std::size_t termEnd = term + 1 < terms.size() ? terms[term + 1].start : end;
            return std::string_view(out_).substr(terms[term].start, termEnd - terms[term].start);
        };
        if (plainEnd != nullptr) {
            // Written in reverse, the alternative ends with its first terms.
            plainEnd->clear();
            if (reversed_) {
                std::size_t count = 0;
                while (count < terms.size() && terms[count].plain)
                    ++count;
                for (std::size_t term = count; term-- > 0;)
                    plainEnd->append(text(term));
            } else {
                std::size_t first = terms.size();
                while (first > 0 && terms[first - 1].plain)
                    --first;
                for (std::size_t term = first; term < terms.size(); ++term)
                    plainEnd->append(text(term));
            }
        }
        if (reversed_ && terms.size() > 1) {
            std::string reordered;
            reordered.reserve(end - start);
            for (std::size_t term = terms.size(); term-- > 0;)
                reordered.append(text(term));
            out_.replace(start, std::string::npos, reordered);
        }
        return true;
    }

    bool parseTerm(int depth, Width& width)
    {
        const std::size_t atomOut = out_.size();
        const int groupsBefore = groupsOpened_;
        AtomShape shape = AtomShape::Single;
        width = 1;
        const char32_t c = peek();
        switch (c) {
        case '^':
        case '$':
            // Over the reversed subject the start of the name is its end.
            ++pos_;
            out_ += (c == '^') != reversed_ ? "\\A" : "\\z";
            width = 0;
            return true;
        case '*':
        case '+':
        case '?':
            return fail(pos_, "Nothing to repeat");
        case '{':
            if (readBracedRepeat(pos_))
                return fail(pos_, "Nothing to repeat");
            appendLiteral(out_, c);
            ++pos_;
            break;
        case '.':
            ++pos_;
            out_ += options_.plainDot ? kPlainDot : kDotClass;
            writesDot_ = true;
            break;
        case '[':
            if (!parseClass(shape))
                return false;
            break;
        case '(':
            if (!parseGroup(depth, shape, width))
                return false;
            break;
        case '\\':
            if (!parseAtomEscape(shape))
                return false;
            if (shape == AtomShape::Assertion) {
                width = 0;
                return true;
            }
            break;
        default:
            appendLiteral(out_, c);
            ++pos_;
            break;
        }
        if (shape == AtomShape::Compound && c != '(')
            width = 0; // a character that never matches
        if (shape == AtomShape::Backreference)
            width = kVaryingWidth;
        return parseQuantifier(atomOut, shape, groupsOpened_ > groupsBefore, width);
    }

    bool parseQuantifier(std::size_t atomOut, AtomShape shape, bool capturesGroups, Width& width)
    {
        const std::size_t start = pos_;
        Repeat repeat;
        switch (peek()) {
        case '*':
            repeat = {0, kUnbounded, pos_ + 1};
            break;
        case '+':
            repeat = {1, kUnbounded, pos_ + 1};
            break;
        case '?':
            repeat = {0, 1, pos_ + 1};
            break;
        case '{':
            if (auto braced = readBracedRepeat(pos_)) {
                repeat = *braced;
                break;
            }
            return true;
        default:
            return true;
        }
        if (shape == AtomShape::Lookbehind)
            return fail(start, "Invalid quantifier");
        pos_ = repeat.end;
        const bool lazy = eat('?');
        if (repeat.min > repeat.max)
            return fail(start, "numbers out of order in {} quantifier");
        if (repeat.min > kPcre2RepeatCeiling)
            return fail(start, "Repeat count above 65535 is not supported");
        // Beyond 65535 repetitions no file name can tell a bound from none.
        if (repeat.max > kPcre2RepeatCeiling)
            repeat.max = kUnbounded;
        width = repeatWidth(width, repeat.min, repeat.max);
        if (capturesGroups && repeat.max > 1)
            ++repeatedCaptures_;

        if (shape == AtomShape::Compound) {
            out_.insert(atomOut, "(?:");
            out_ += ')';
        }
        if (repeat.min == 0 && repeat.max == kUnbounded) {
            out_ += '*';
        } else if (repeat.min == 1 && repeat.max == kUnbounded) {
            out_ += '+';
        } else if (repeat.min == 0 && repeat.max == 1) {
            out_ += '?';
        } else {
            out_ += '{';
            appendNumber(out_, repeat.min);
            if (repeat.max != repeat.min) {
                out_ += ',';
                if (repeat.max != kUnbounded)
                    appendNumber(out_, repeat.max);
            }
            out_ += '}';
        }
        if (lazy)
            out_ += '?';
        return true;
    }

    bool parseGroup(int depth, AtomShape& shape, Width& width)
    {
        const std::size_t open = pos_++;
        if (depth >= kMaxGroupNesting)
            return fail(open, "Groups nested too deeply");
        shape = AtomShape::Single;
        if (!eat('?')) {
            openCapturingGroup();
        } else if (eat(':')) {
            out_ += "(?:";
        } else if (peek() == '=' || peek() == '!') {
            // Quantifiable for web compatibility; wrapped so PCRE2 sees an
            // ordinary group being repeated.
            shape = AtomShape::Compound;
            width = 0;
            const bool negative = source_[pos_++].value == '!';
            if (reversed_)
                return parseOppositeAssertion(open, negative, depth);
            out_ += negative ? "(?!" : "(?=";
            Width body = 0;
            return parseDisjunction(depth + 1, body) && closeGroup(open);
        } else if (peek() == '<' && (peek(1) == '=' || peek(1) == '!')) {
            shape = AtomShape::Lookbehind;
            width = 0;
            const bool negative = peek(1) == '!';
            pos_ += 2;
            if (!reversed_)
                return parseOppositeAssertion(open, negative, depth);
            out_ += negative ? "(?!" : "(?=";
            Width body = 0;
            return parseDisjunction(depth + 1, body) && closeGroup(open);
        } else if (peek() == '<') {
            auto name = readGroupName(pos_ + 1);
            if (!name) {
                error_ = name.error();
                return false;
            }
            auto same = [&](const NamedGroup& group) { return group.name == name->first; };
            if (std::ranges::any_of(namedGroups_, same))
                return fail(open, "Duplicate capture group name");
            namedGroups_.push_back({std::move(name->first), openCapturingGroup()});
            pos_ = name->second;
        } else {
            return fail(open, "Invalid group");
        }
        return parseDisjunction(depth + 1, width) && closeGroup(open);
    }

    int openCapturingGroup()
    {
        const int number = ++groupsOpened_;
        groupPrograms_[static_cast<std::size_t>(number)] = program_;
        out_ += '(';
        appendTag(out_, kGroupTag, number);
        return number;
    }

    bool closeGroup(std::size_t open)
    {
        if (!eat(')'))
            return fail(open, "Unterminated group");
        out_ += ')';
        return true;
    }

    // Everything a lookaround in place may be rolled back to.
    struct Checkpoint {
        std::size_t pos;
        std::size_t outSize;
        int groupsOpened;
        std::size_t namedGroups;
        std::size_t programs;
        int repeatedCaptures;
    };

    Checkpoint checkpoint() const
    {
        return {pos_, out_.size(), groupsOpened_, namedGroups_.size(), programs_.size(), repeatedCaptures_};
    }

    void rollBack(const Checkpoint& to)
    {
        pos_ = to.pos;
        out_.resize(to.outSize);
        groupsOpened_ = to.groupsOpened;
        namedGroups_.resize(to.namedGroups);
        programs_.resize(to.programs);
        repeatedCaptures_ = to.repeatedCaptures;
    }

    // A lookaround looking against the direction the current program
    // matches in: a lookbehind in the pattern, a lookahead in a reversed
    // body. PCRE2's lookbehind serves when it matches as JavaScript does:
    // every top-level branch of one width, and nothing whose outcome
    // depends on the direction (a backreference, a group a repeat captures,
    // a lookaround of a program of its own). Otherwise the body becomes a
    // program that matches in the other direction.
    bool parseOppositeAssertion(std::size_t open, bool negative, int depth)
    {
        std::string prefilter;
        if (options_.lookbehindsInPlace) {
            // A body is tried in place once per direction, however often the
            // bodies around it are written again.
            const std::pair key{open, reversed_};
            const auto known = trials_.find(key);
            if (known == trials_.end() || known->second.inPlace) {
                const Checkpoint start = checkpoint();
                out_ += negative ? "(?<!" : "(?<=";
                std::vector<Width> branches;
                Width width = 0;
                if (!parseDisjunction(depth + 1, width, &branches, &prefilter) || !closeGroup(open))
                    return false;
                // A backreference has no one width.
                const bool inPlace = std::ranges::none_of(branches, [](Width w) { return w == kVaryingWidth; })
                    && repeatedCaptures_ == start.repeatedCaptures && programs_.size() == start.programs;
                if (known == trials_.end())
                    trials_.emplace(key, InPlaceTrial{inPlace, prefilter});
                if (inPlace)
                    return true;
                rollBack(start);
            } else {
                prefilter = known->second.prefilter;
            }
        }
        return parseAssertionProgram(open, negative, depth, prefilter);
    }

    // `prefilter`, when not empty, is what the body's end matches in place,
    // checked before its program runs: most places fail there, cheaply.
    bool parseAssertionProgram(std::size_t open, bool negative, int depth, const std::string& prefilter)
    {
        const int index = static_cast<int>(programs_.size());
        TranslatedProgram program;
        program.parent = program_;
        program.reversed = !reversed_;
        program.negative = negative;
        program.firstGroup = groupsOpened_ + 1;
        programs_.push_back(std::move(program));

        std::string parentOut;
        std::swap(out_, parentOut);
        const int parent = std::exchange(program_, index);
        reversed_ = !reversed_;
        Width width = 0;
        const bool parsed = parseDisjunction(depth + 1, width);
        reversed_ = !reversed_;
        program_ = parent;
        std::swap(out_, parentOut);
        if (!parsed)
            return false;
        if (!eat(')'))
            return fail(open, "Unterminated group");

        TranslatedProgram& written = programs_[static_cast<std::size_t>(index)];
        written.pcre2Pattern = std::move(parentOut);
        written.lastGroup = groupsOpened_;
        if (!prefilter.empty())
            out_ += negative ? "(?:(?<!" : "(?<=";
        out_ += prefilter;
        if (!prefilter.empty())
            out_ += negative ? ")|" : ")";
        out_ += "(?C\"";
        out_ += kAssertionCallout;
        appendNumber(out_, static_cast<std::uint32_t>(index));
        out_ += "\")";
        if (negative && !prefilter.empty())
            out_ += ')';
        // Where a positive one held, for reading its groups afterwards.
        if (!negative && written.lastGroup >= written.firstGroup) {
            out_ += '(';
            appendTag(out_, kPlaceTag, index);
            out_ += ')';
        }
        return true;
    }

    // After the backslash: the escapes whose meaning is the same inside and
    // outside classes. Always yields a character (possibly a lone surrogate).
    char32_t readCharacterEscape()
    {
        const char32_t c = source_[pos_++].value;
        switch (c) {
        case 'f':
            return '\f';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        case 'v':
            return '\v';
        case 'x':
            if (auto value = readHex(pos_, 2)) {
                pos_ += 2;
                return *value;
            }
            return c;
        case 'u':
            if (auto value = readHex(pos_, 4)) {
                pos_ += 4;
                return *value >= kFirstSurrogate && *value < kFirstLowSurrogate ? joinLowSurrogate(*value, pos_)
                                                                                 : *value;
            }
            return c;
        default:
            break;
        }
        if (!isOctalDigit(c))
            return c; // identity escape: \a is 'a', \p is 'p', \8 is '8'
        // Legacy octal: up to three digits, the value staying below 0o400.
        char32_t value = c - '0';
        if (isOctalDigit(peek())) {
            value = value * 8 + (source_[pos_++].value - '0');
            if (c <= '3' && isOctalDigit(peek()))
                value = value * 8 + (source_[pos_++].value - '0');
        }
        return value;
    }

    void appendCharacter(char32_t c, AtomShape& shape)
    {
        if (isSurrogate(c)) {
            out_ += kNeverMatches;
            shape = AtomShape::Compound;
        } else {
            appendLiteral(out_, c);
        }
    }

    bool parseAtomEscape(AtomShape& shape)
    {
        const std::size_t backslash = pos_++;
        if (atEnd())
            return fail(backslash, "\\ at end of pattern");
        const char32_t c = peek();
        switch (c) {
        case 'b':
        case 'B':
            ++pos_;
            out_ += '\\';
            out_ += static_cast<char>(c);
            shape = AtomShape::Assertion;
            return true;
        case 'd':
        case 'D':
        case 'w':
        case 'W':
        case 's':
        case 'S': {
            ++pos_;
            ClassSet set;
            set.addEscape(c);
            set.write(out_, false);
            return true;
        }
        case 'k':
            if (hasNamedGroups_)
                return parseNamedReference(backslash, shape);
            break; // without named groups \k is just 'k'
        case 'c':
            if (isAsciiLetter(peek(1))) {
                appendLiteral(out_, peek(1) % 32);
                pos_ += 2;
            } else {
                appendLiteral(out_, '\\'); // the 'c' is read as an ordinary character next
            }
            return true;
        default:
            break;
        }
        if (isDecimalDigit(c) && c != '0') {
            std::size_t digitsEnd = pos_;
            const std::uint32_t number = readDecimal(digitsEnd);
            if (number <= static_cast<std::uint32_t>(totalGroups_)) {
                pos_ = digitsEnd;
                appendBackreference(static_cast<int>(number), shape);
                return true;
            }
            // Not a group: 8 and 9 stand for themselves, 1-7 start an octal escape.
        }
        appendCharacter(readCharacterEscape(), shape);
        return true;
    }

    void appendBackreference(int group, AtomShape& shape)
    {
        appendTag(out_, kBackreferenceTag, group);
        shape = AtomShape::Backreference;
    }

    bool parseNamedReference(std::size_t backslash, AtomShape& shape)
    {
        if (peek(1) != '<')
            return fail(backslash, "Invalid named reference");
        auto name = readGroupName(pos_ + 2);
        if (!name) {
            error_ = name.error();
            return false;
        }
        auto same = [&](const NamedGroup& group) { return group.name == name->first; };
        const auto group = std::ranges::find_if(allNames_, same);
        if (group == allNames_.end())
            return fail(backslash, "Invalid named capture referenced");
        pos_ = name->second;
        appendBackreference(group->number, shape);
        return true;
    }

    // One member of a class: a character, or (escapeLetter != 0) one of
    // \d \D \s \S \w \W.
    struct ClassAtom {
        char32_t character = 0;
        char32_t escapeLetter = 0;
    };

    bool parseClassAtom(ClassAtom& atom)
    {
        atom = {};
        if (peek() != '\\') {
            atom.character = source_[pos_++].value;
            return true;
        }
        const std::size_t backslash = pos_++;
        const char32_t c = peek();
        switch (c) {
        case kEndOfPattern:
            return fail(backslash, "\\ at end of pattern");
        case 'b':
            ++pos_;
            atom.character = '\b';
            return true;
        case 'd':
        case 'D':
        case 's':
        case 'S':
        case 'w':
        case 'W':
            ++pos_;
            atom.escapeLetter = c;
            return true;
        case 'k':
            if (hasNamedGroups_)
                return fail(backslash, "Invalid escape");
            break;
        case 'c':
            // Inside a class digits and '_' also form control characters.
            if (isAsciiLetter(peek(1)) || isDecimalDigit(peek(1)) || peek(1) == '_') {
                atom.character = peek(1) % 32;
                pos_ += 2;
            } else {
                atom.character = '\\';
            }
            return true;
        default:
            break;
        }
        atom.character = readCharacterEscape();
        return true;
    }

    bool parseClass(AtomShape& shape)
    {
        const std::size_t open = pos_++;
        const bool negated = eat('^');
        ClassSet set;
        auto add = [&set](const ClassAtom& atom) {
            if (atom.escapeLetter)
                set.addEscape(atom.escapeLetter);
            else
                set.ranges.push_back({atom.character, atom.character});
        };
        while (!eat(']')) {
            if (atEnd())
                return fail(open, "Unterminated character class");
            const std::size_t rangeStart = pos_;
            ClassAtom first;
            if (!parseClassAtom(first))
                return false;
            if (peek() != '-' || peek(1) == ']' || peek(1) == kEndOfPattern) {
                add(first);
                continue;
            }
            ++pos_;
            ClassAtom last;
            if (!parseClassAtom(last))
                return false;
            if (first.escapeLetter || last.escapeLetter) {
                // A class escape cannot bound a range; the '-' is then literal.
                add(first);
                add({'-', 0});
                add(last);
            } else if (first.character > last.character) {
                return fail(rangeStart, "Range out of order in character class");
            } else {
                set.ranges.push_back({first.character, last.character});
            }
        }
        if (!set.write(out_, negated))
            shape = AtomShape::Compound;
        return true;
    }

    // Reads the tag that starts at `at` and moves `at` past it.
    static std::pair<char, int> readTag(const std::string& text, std::size_t& at)
    {
        const char kind = text[at + 1];
        int number = 0;
        for (at += 2; text[at] != kTagEnd; ++at)
            number = number * 10 + (text[at] - '0');
        ++at;
        return {kind, number};
    }

    // Numbers a program's groups as PCRE2 will, in order of appearance, and
    // writes its backreferences: PCRE2's own where the program captures the
    // group, a span its callouts compare where another program does.
    void resolveTags(int index, std::vector<CalloutBackreference>& backreferences)
    {
        TranslatedProgram& program = programs_[static_cast<std::size_t>(index)];
        const std::string& text = program.pcre2Pattern;
        auto own = [&](int group) { return groupPrograms_[static_cast<std::size_t>(group)] == index; };
        std::vector<std::uint32_t> numbers(static_cast<std::size_t>(totalGroups_) + 1, 0);
        const int firstBackreference = static_cast<int>(backreferences.size());
        for (std::size_t at = text.find(kTagStart); at != std::string::npos; at = text.find(kTagStart, at)) {
            const auto [kind, number] = readTag(text, at);
            if (kind == kGroupTag) {
                program.groups.push_back({Pcre2Group::Role::JsGroup, number});
                numbers[static_cast<std::size_t>(number)] = static_cast<std::uint32_t>(program.groups.size());
            } else if (kind == kPlaceTag) {
                program.groups.push_back({Pcre2Group::Role::AssertionPlace, number});
            } else if (!own(number)) {
                program.groups.push_back(
                    {Pcre2Group::Role::BackreferenceStart, static_cast<int>(backreferences.size())});
                backreferences.push_back({number});
            }
        }

        std::string resolved;
        resolved.reserve(text.size());
        int backreference = firstBackreference;
        std::size_t copied = 0;
        for (std::size_t at = text.find(kTagStart); at != std::string::npos; at = text.find(kTagStart, at)) {
            resolved.append(text, copied, at - copied);
            const auto [kind, number] = readTag(text, at);
            copied = at;
            if (kind != kBackreferenceTag)
                continue;
            if (own(number)) {
                resolved += "\\g{";
                appendNumber(resolved, numbers[static_cast<std::size_t>(number)]);
                resolved += '}';
                continue;
            }
            // As many characters as the group holds, compared by callouts;
            // atomic, so a span of the right length that differs fails at once.
            resolved += "(?:()(?>";
            resolved += kAnyCharacter;
            resolved += "*?(?C\"";
            resolved += kBackreferenceLengthCallout;
            appendNumber(resolved, static_cast<std::uint32_t>(backreference));
            resolved += "\"))(?C\"";
            resolved += kBackreferenceTextCallout;
            appendNumber(resolved, static_cast<std::uint32_t>(backreference));
            resolved += "\"))";
            ++backreference;
        }
        resolved.append(text, copied);
        program.pcre2Pattern = std::move(resolved);
    }

    std::vector<SourceChar> source_;
    std::size_t patternSize_;
    TranslationOptions options_;
    std::size_t pos_ = 0;
    std::string out_;
    std::optional<PatternError> error_;

    int totalGroups_ = 0;
    bool hasNamedGroups_ = false;
    std::vector<NamedGroup> allNames_; // every named group, from the up-front scan

    int groupsOpened_ = 0;
    std::vector<NamedGroup> namedGroups_;
    bool writesDot_ = false;

    std::vector<TranslatedProgram> programs_;
    int program_ = 0;       // the one being written
    bool reversed_ = false; // whether it matches over the reversed subject
    std::vector<int> groupPrograms_; // by JavaScript group: the program that captures it
    // Whether the lookaround opening at a source index, read in a
    // direction, is matched in place, and if not, what of it can be.
    struct InPlaceTrial {
        bool inPlace;
        std::string prefilter;
    };
    std::map<std::pair<std::size_t, bool>, InPlaceTrial> trials_;
    // Groups captured by a repeat, counted as written: which repetition a
    // group keeps depends on the direction of matching.
    int repeatedCaptures_ = 0;
};

} // namespace

std::expected<TranslatedPattern, PatternError> translateJsPattern(std::string_view jsPattern,
                                                                  TranslationOptions options)
{
    auto source = decodeUtf8(jsPattern);
    if (!source)
        return std::unexpected(source.error());
    return Translator(std::move(*source), jsPattern.size(), options).translate();
}

} // namespace renamer
