#include "Pcre2RegularExpression.h"

#include "JsPatternTranslation.h"
#include "Pcre2CompileOptions.h"

#include <algorithm>
#include <charconv>
#include <new>
#include <optional>
#include <ranges>

// A translation is one PCRE2 pattern, or several: the pattern itself and the
// bodies of lookarounds PCRE2 cannot match in place, each compiled anchored
// and run from a callout of its parent over the subject read in its own
// direction (JsPatternTranslation.h). A lookbehind's body runs over the
// subject with its characters reversed, where byte offset x of the subject
// is offset size - x.
//
// Callouts cannot set the groups of the match that calls them. So each run
// of a positive lookaround with groups records what they captured where it
// ran; an empty group written beside its callout marks where it held on the
// path that matched, and the record made there gives its groups (and its
// nested lookarounds'), as JavaScript numbers them.

namespace renamer {

namespace {

// Bounds the work of one match call. A file name is at most a few hundred
// bytes; ordinary patterns need at most a few hundred steps on it, while a
// catastrophically backtracking one would need billions. A lookbehind's
// program runs under the same bound, and runs at most about as often as
// the match that calls it takes steps.
constexpr uint32_t kMatchLimit = 10'000;
constexpr uint32_t kDepthLimit = 10'000;
constexpr PCRE2_SIZE kJitStackStart = PCRE2_SIZE{32} * 1024;
constexpr PCRE2_SIZE kJitStackMax = PCRE2_SIZE{1024} * 1024;
constexpr std::size_t kUnset = MatchOffsets::kUnsetOffset;
static_assert(kUnset == PCRE2_UNSET);

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
struct CompileContextDeleter {
    void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
using Code = std::unique_ptr<pcre2_code, CodeDeleter>;

std::string pcre2ErrorText(int code)
{
    PCRE2_UCHAR buffer[256];
    if (pcre2_get_error_message(code, buffer, sizeof buffer) < 0)
        return "PCRE2 error " + std::to_string(code);
    return reinterpret_cast<const char*>(buffer);
}

bool continuesCodePoint(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

std::size_t countCodePoints(std::string_view text)
{
    return static_cast<std::size_t>(std::ranges::count_if(text, [](char byte) { return !continuesCodePoint(byte); }));
}

// Where `count` code points of `text` from `start` on end; kUnset when the
// text ends first.
std::size_t spanEnd(std::string_view text, std::size_t start, std::size_t count)
{
    std::size_t end = start;
    for (; count > 0 && end < text.size(); --count) {
        ++end;
        while (end < text.size() && continuesCodePoint(text[end]))
            ++end;
    }
    return count == 0 ? end : kUnset;
}

// The subject with its code points in reverse order, each code point's bytes
// kept in order.
void reverseCodePoints(std::string_view text, std::string& out)
{
    out.resize(text.size());
    std::size_t end = text.size();
    while (end > 0) {
        std::size_t start = end - 1;
        while (start > 0 && continuesCodePoint(text[start]))
            --start;
        text.substr(start, end - start).copy(out.data() + (text.size() - end), end - start);
        end = start;
    }
}

struct Program {
    Code code;
    bool jit = false;
    TranslatedProgram translation; // without its pattern text
    // The group of its parent's pattern that marks where it held; 0 when
    // it has none (a negative lookaround, or one without groups).
    uint32_t place = 0;
};

// Where a JavaScript group is captured: by which program, as which of its
// PCRE2 groups.
struct GroupSite {
    int program = 0;
    uint32_t number = 0;
};

struct BackreferenceSite {
    int group = 0;      // JavaScript numbering
    uint32_t start = 0; // the BackreferenceStart group of its program
};

// What a matcher reads of its pattern.
struct Pcre2Programs {
    std::vector<Program> programs;
    std::vector<GroupSite> groups; // by JavaScript group
    std::vector<BackreferenceSite> backreferences;
    // Compares texts as a caseless backreference does; null when matching
    // heeds case.
    Code equality;
    // The pattern's groups are JavaScript's, in order: PCRE2's offsets
    // serve as they are.
    bool direct = true;

    const Program& operator[](int index) const { return programs[static_cast<std::size_t>(index)]; }
    bool usesCallouts() const { return programs.size() > 1 || !backreferences.empty(); }
};

struct Span {
    std::size_t start = kUnset;
    std::size_t end = kUnset;
};

// The offsets PCRE2 gives group `number`.
Span pcre2Group(const PCRE2_SIZE* ovector, uint32_t number)
{
    const std::size_t pair = 2 * static_cast<std::size_t>(number);
    return {ovector[pair], ovector[pair + 1]};
}

class Pcre2Matcher;

// A program's match in progress or done: whose callouts it answers, and the
// groups it has captured so far.
struct Frame {
    Pcre2Matcher* matcher = nullptr;
    int program = 0;
    const Frame* parent = nullptr; // the match that runs this one
    const PCRE2_SIZE* ovector = nullptr;
    uint32_t captureTop = 0; // groups numbered from here on are unset
};

int answerCallout(pcre2_callout_block* block, void* frame);

// A pattern's programs as JavaScript matches them, and, when the pattern has
// a dot, the same with PCRE2's own dot for one-line subjects.
class Pcre2Pattern final : public RegularExpression {
public:
    static std::expected<std::unique_ptr<Pcre2Pattern>, int>
    compile(TranslatedPattern translated, PatternOptions options, std::optional<TranslatedPattern> oneLine);

    int captureGroupCount() const override { return captureGroupCount_; }
    const std::vector<NamedGroup>& namedGroups() const override { return namedGroups_; }
    std::size_t shortestMatch() const override { return shortestMatch_; }
    std::unique_ptr<Matcher> makeMatcher() const override;

private:
    Pcre2Programs programs_;
    std::optional<Pcre2Programs> oneLinePrograms_;
    std::vector<NamedGroup> namedGroups_;
    int captureGroupCount_ = 0;
    std::size_t shortestMatch_ = 0;
};

// A thread's match data, and the match context that bounds its searches and
// holds its JIT stack: one of each for every program of the pattern, as a
// lookaround's program runs while its parent's match waits.
class Pcre2Matcher final : public Matcher {
public:
    explicit Pcre2Matcher(const Pcre2Programs& programs);

    Result<bool> find(std::string_view subject, std::size_t start) override;
    Result<bool> findIn(std::string_view subject, TextForm form) override;
    MatchOffsets match() const override;

    int answer(const pcre2_callout_block& block, const Frame& frame);

private:
    struct ProgramState {
        std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData;
        std::unique_ptr<pcre2_match_context, MatchContextDeleter> matchContext;
        std::unique_ptr<pcre2_jit_stack, JitStackDeleter> jitStack;
    };
    struct Record {
        std::size_t position; // in the parent's direction
        std::size_t spans;    // index of its first offset in recordSpans_
    };

    ProgramState makeState(const Program& program) const;
    Result<bool> search(std::string_view subject, std::size_t start, uint32_t options);
    int runProgram(const Program& program, std::string_view text, std::size_t start, uint32_t options,
                   ProgramState& state);
    std::string_view textOf(int program);
    int runAssertion(int index, std::size_t position, const Frame& parent);
    std::optional<std::size_t> latestRecord(int program, std::size_t position) const;
    void writeGroups(const Frame& frame, std::vector<std::size_t>& out, std::size_t base, int firstGroup) const;
    Span groupSpan(int group, const Frame& frame) const;
    Span inSubject(Span span, int program) const;
    bool sameText(Span a, Span b);

    const Pcre2Programs& programs_;
    std::vector<ProgramState> states_;
    std::string_view subject_;
    std::string reversedSubject_;
    bool reversedReady_ = false;
    std::vector<std::size_t> offsets_; // JavaScript's numbering, when not direct
    // The pattern's own offsets, when direct: where its match data keeps
    // them, which stays put, so it is asked once.
    std::span<const std::size_t> directOffsets_;

    std::vector<std::vector<Record>> records_; // by program, this search's
    std::vector<std::size_t> recordSpans_;
    // A backreference's group, read when its span begins, and where the
    // span ends when it holds as many characters.
    std::vector<Span> backreferenceTexts_;
    std::vector<std::size_t> backreferenceEnds_;
    ProgramState equalityState_;
    std::string equalityText_;
    std::size_t equalitySplit_ = 0;
};

int answerCallout(pcre2_callout_block* block, void* data)
{
    auto& frame = *static_cast<Frame*>(data);
    frame.ovector = block->offset_vector;
    frame.captureTop = block->capture_top;
    return frame.matcher->answer(*block, frame);
}

// The comparison's own callout lets its group end only at the split.
int atSplit(pcre2_callout_block* block, void* split)
{
    return block->current_position == *static_cast<const std::size_t*>(split) ? 0 : 1;
}

std::expected<Code, int> compileProgram(std::string_view text, uint32_t options, pcre2_compile_context* context)
{
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    Code code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), options, &errorCode, &errorOffset,
                            context));
    if (!code)
        return std::unexpected(errorCode);
    return code;
}

// Compiles every program of a translation, and works out where each
// JavaScript group is captured. `context` is null for PCRE2's defaults.
std::expected<Pcre2Programs, int> compilePrograms(TranslatedPattern& translated, PatternOptions options,
                                                  pcre2_compile_context* context)
{
    Pcre2Programs programs;
    const uint32_t compileOptions = kPcre2CompileOptions | (options.ignoreCase ? PCRE2_CASELESS : 0);
    // PCRE2 makes a repeat possessive when what follows the callouts after
    // it cannot take back what it gave up, or is the end; a callout may
    // fail there, and giving back is then what matches.
    std::vector<bool> callouts(translated.programs.size(), false);
    for (std::size_t index = 1; index < translated.programs.size(); ++index)
        callouts[static_cast<std::size_t>(translated.programs[index].parent)] = true;
    for (TranslatedProgram& translation : translated.programs) {
        const std::size_t index = programs.programs.size();
        const bool backreferences = std::ranges::any_of(translation.groups, [](const Pcre2Group& group) {
            return group.role == Pcre2Group::Role::BackreferenceStart;
        });
        auto code = compileProgram(translation.pcre2Pattern,
                                   compileOptions | (index == 0 ? 0 : PCRE2_ANCHORED)
                                       | (callouts[index] || backreferences ? PCRE2_NO_AUTO_POSSESS : 0),
                                   context);
        if (!code)
            return std::unexpected(code.error());
        // JIT is only a speed-up: if it cannot compile, the interpreter matches.
        const bool jit = pcre2_jit_compile(code->get(), PCRE2_JIT_COMPLETE) == 0;
        translation.pcre2Pattern.clear();
        programs.programs.push_back({std::move(*code), jit, std::move(translation)});
    }

    programs.groups.resize(static_cast<std::size_t>(translated.captureGroupCount) + 1);
    for (const CalloutBackreference& backreference : translated.backreferences)
        programs.backreferences.push_back({backreference.group});
    for (std::size_t index = 0; index < programs.programs.size(); ++index) {
        const std::vector<Pcre2Group>& groups = programs.programs[index].translation.groups;
        for (uint32_t number = 1; number <= groups.size(); ++number) {
            const auto slot = static_cast<std::size_t>(groups[number - 1].index);
            switch (groups[number - 1].role) {
            case Pcre2Group::Role::JsGroup:
                programs.groups[slot] = {static_cast<int>(index), number};
                programs.direct = programs.direct && index == 0 && slot == number;
                break;
            case Pcre2Group::Role::AssertionPlace:
                programs.programs[slot].place = number;
                programs.direct = false;
                break;
            case Pcre2Group::Role::BackreferenceStart:
                programs.backreferences[slot].start = number;
                programs.direct = programs.direct && index != 0;
                break;
            }
        }
    }
    programs.direct = programs.direct && programs[0].translation.groups.size() == programs.groups.size() - 1;

    if (options.ignoreCase && !programs.backreferences.empty()) {
        // Whether the text after the split equals the text before it, as a
        // caseless PCRE2 backreference compares them.
        auto equality = compileProgram(R"(\A(?>([\d\D]*?)(?C1))\g{1}\z)", compileOptions, nullptr);
        if (!equality)
            return std::unexpected(equality.error());
        programs.equality = std::move(*equality);
    }
    return programs;
}

std::expected<std::unique_ptr<Pcre2Pattern>, int>
Pcre2Pattern::compile(TranslatedPattern translated, PatternOptions options, std::optional<TranslatedPattern> oneLine)
{
    auto pattern = std::make_unique<Pcre2Pattern>();
    pattern->captureGroupCount_ = translated.captureGroupCount;
    pattern->namedGroups_ = translated.namedGroups;
    auto programs = compilePrograms(translated, options, nullptr);
    if (!programs)
        return std::unexpected(programs.error());
    pattern->programs_ = std::move(*programs);

    uint32_t shortest = 0;
    pcre2_pattern_info(pattern->programs_[0].code.get(), PCRE2_INFO_MINLENGTH, &shortest);
    pattern->shortestMatch_ = shortest;

    // The one-line programs are only a speed-up: when they do not compile,
    // or their groups are not the same, the exact ones search every subject.
    if (oneLine && oneLine->captureGroupCount == translated.captureGroupCount) {
        const std::unique_ptr<pcre2_compile_context, CompileContextDeleter> lineFeed(
            pcre2_compile_context_create(nullptr));
        if (lineFeed && pcre2_set_newline(lineFeed.get(), PCRE2_NEWLINE_LF) == 0) {
            if (auto fast = compilePrograms(*oneLine, options, lineFeed.get()))
                pattern->oneLinePrograms_ = std::move(*fast);
        }
    }
    return pattern;
}

// Searches a one-line subject with the one-line programs and every other
// subject with the exact ones; a search from further on goes on with those
// that began the subject.
class OneLineOrExactMatcher final : public Matcher {
public:
    OneLineOrExactMatcher(const Pcre2Programs& exact, const Pcre2Programs& oneLine)
        : exact_(exact)
        , oneLine_(oneLine)
    {
    }
    OneLineOrExactMatcher(const OneLineOrExactMatcher&) = delete;
    OneLineOrExactMatcher& operator=(const OneLineOrExactMatcher&) = delete;

    Result<bool> find(std::string_view subject, std::size_t start) override
    {
        if (start == 0)
            searching_ = &exact_;
        return searching_->find(subject, start);
    }
    Result<bool> findIn(std::string_view subject, TextForm form) override
    {
        searching_ = form == TextForm::OneLineUtf8 ? &oneLine_ : &exact_;
        return searching_->findIn(subject, form);
    }
    MatchOffsets match() const override { return searching_->match(); }

private:
    Pcre2Matcher exact_;
    Pcre2Matcher oneLine_;
    Pcre2Matcher* searching_ = &exact_;
};

std::unique_ptr<Matcher> Pcre2Pattern::makeMatcher() const
{
    if (oneLinePrograms_)
        return std::make_unique<OneLineOrExactMatcher>(programs_, *oneLinePrograms_);
    return std::make_unique<Pcre2Matcher>(programs_);
}

Pcre2Matcher::Pcre2Matcher(const Pcre2Programs& programs)
    : programs_(programs)
    , records_(programs_.programs.size())
    , backreferenceTexts_(programs_.backreferences.size())
    , backreferenceEnds_(programs_.backreferences.size())
{
    for (const Program& program : programs_.programs)
        states_.push_back(makeState(program));
    pcre2_match_data* matchData = states_[0].matchData.get();
    directOffsets_ = std::span<const std::size_t>(pcre2_get_ovector_pointer(matchData),
                                                  2 * static_cast<std::size_t>(pcre2_get_ovector_count(matchData)));
    if (programs_.equality) {
        equalityState_.matchData.reset(pcre2_match_data_create_from_pattern(programs_.equality.get(), nullptr));
        equalityState_.matchContext.reset(pcre2_match_context_create(nullptr));
        if (!equalityState_.matchData || !equalityState_.matchContext)
            throw std::bad_alloc();
        pcre2_set_callout(equalityState_.matchContext.get(), atSplit, &equalitySplit_);
    }
}

Pcre2Matcher::ProgramState Pcre2Matcher::makeState(const Program& program) const
{
    ProgramState state;
    state.matchData.reset(pcre2_match_data_create_from_pattern(program.code.get(), nullptr));
    state.matchContext.reset(pcre2_match_context_create(nullptr));
    if (!state.matchData || !state.matchContext)
        throw std::bad_alloc();
    pcre2_set_match_limit(state.matchContext.get(), kMatchLimit);
    pcre2_set_depth_limit(state.matchContext.get(), kDepthLimit);
    if (program.jit) {
        state.jitStack.reset(pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr));
        if (state.jitStack)
            pcre2_jit_stack_assign(state.matchContext.get(), nullptr, state.jitStack.get());
    }
    return state;
}

Result<bool> Pcre2Matcher::find(std::string_view subject, std::size_t start)
{
    // The subject's UTF-8 is checked once, by the search that begins it.
    return search(subject, start, start == 0 ? 0 : PCRE2_NO_UTF_CHECK);
}

Result<bool> Pcre2Matcher::findIn(std::string_view subject, TextForm form)
{
    return search(subject, 0, form == TextForm::Unchecked ? 0 : PCRE2_NO_UTF_CHECK);
}

int Pcre2Matcher::runProgram(const Program& program, std::string_view text, std::size_t start, uint32_t options,
                             ProgramState& state)
{
    // A text already known to be UTF-8 goes straight to the compiled code:
    // the JIT's own entry skips the checks of every argument, and the UTF-8
    // check it never makes is the one the caller has made.
    if (program.jit && (options & PCRE2_NO_UTF_CHECK) != 0)
        return pcre2_jit_match(program.code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), start,
                               options & ~PCRE2_NO_UTF_CHECK, state.matchData.get(), state.matchContext.get());
    return pcre2_match(program.code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), start, options,
                       state.matchData.get(), state.matchContext.get());
}

Result<bool> Pcre2Matcher::search(std::string_view subject, std::size_t start, uint32_t options)
{
    if (start == 0 || subject.data() != subject_.data() || subject.size() != subject_.size()) {
        subject_ = subject;
        reversedReady_ = false;
    }
    Frame frame{this, 0, nullptr};
    ProgramState& state = states_[0];
    if (programs_.usesCallouts()) {
        for (std::vector<Record>& records : records_)
            records.clear();
        recordSpans_.clear();
        pcre2_set_callout(state.matchContext.get(), answerCallout, &frame);
    }
    const int rc = runProgram(programs_[0], subject, start, options, state);
    if (rc == PCRE2_ERROR_NOMATCH)
        return false;
    if (rc < 0)
        return failWith(pcre2ErrorText(rc));
    if (!programs_.direct) {
        frame.ovector = pcre2_get_ovector_pointer(state.matchData.get());
        frame.captureTop = static_cast<uint32_t>(rc);
        offsets_.assign(2 * programs_.groups.size(), kUnset);
        offsets_[0] = frame.ovector[0];
        offsets_[1] = frame.ovector[1];
        writeGroups(frame, offsets_, 2, 1);
    }
    return true;
}

MatchOffsets Pcre2Matcher::match() const
{
    if (!programs_.direct)
        return MatchOffsets{offsets_};
    return MatchOffsets{directOffsets_};
}

std::string_view Pcre2Matcher::textOf(int program)
{
    if (!programs_[program].translation.reversed)
        return subject_;
    if (!reversedReady_) {
        reverseCodePoints(subject_, reversedSubject_);
        reversedReady_ = true;
    }
    return reversedSubject_;
}

int Pcre2Matcher::answer(const pcre2_callout_block& block, const Frame& frame)
{
    const std::string_view callout(reinterpret_cast<const char*>(block.callout_string), block.callout_string_length);
    if (callout.empty())
        return PCRE2_ERROR_CALLOUT;
    int index = 0;
    if (std::from_chars(callout.data() + 1, callout.data() + callout.size(), index).ec != std::errc())
        return PCRE2_ERROR_CALLOUT;
    switch (callout[0]) {
    case kAssertionCallout: {
        const int rc = runAssertion(index, block.current_position, frame);
        if (rc < 0)
            return rc;
        return (rc == 1) != programs_[index].translation.negative ? 0 : 1;
    }
    case kBackreferenceLengthCallout: {
        const auto slot = static_cast<std::size_t>(index);
        const std::size_t start = pcre2Group(frame.ovector, programs_.backreferences[slot].start).start;
        if (block.current_position == start) {
            const Span text = groupSpan(programs_.backreferences[slot].group, frame);
            backreferenceTexts_[slot] = text;
            // An unset group matches the empty span.
            const std::size_t characters
                = text.start == kUnset ? 0 : countCodePoints(subject_.substr(text.start, text.end - text.start));
            backreferenceEnds_[slot] = spanEnd(textOf(frame.program), start, characters);
        }
        return block.current_position == backreferenceEnds_[slot] ? 0 : 1;
    }
    case kBackreferenceTextCallout: {
        const auto slot = static_cast<std::size_t>(index);
        const Span text = backreferenceTexts_[slot];
        if (text.start == kUnset)
            return 0; // an unset group matches the empty span
        const Span consumed{pcre2Group(frame.ovector, programs_.backreferences[slot].start).start,
                            block.current_position};
        return sameText(text, inSubject(consumed, frame.program)) ? 0 : 1;
    }
    default:
        return PCRE2_ERROR_CALLOUT;
    }
}

// 1 when the lookaround's body matches at `position` (an offset in its
// parent's direction), 0 when it does not, a PCRE2 error code otherwise.
int Pcre2Matcher::runAssertion(int index, std::size_t position, const Frame& parent)
{
    const Program& program = programs_[index];
    const std::string_view text = textOf(index);
    ProgramState& state = states_[static_cast<std::size_t>(index)];
    Frame frame{this, index, &parent};
    pcre2_set_callout(state.matchContext.get(), answerCallout, &frame);
    const int rc = runProgram(program, text, subject_.size() - position, PCRE2_NO_UTF_CHECK, state);
    if (rc == PCRE2_ERROR_NOMATCH)
        return 0;
    if (rc < 0)
        return rc;
    const TranslatedProgram& translation = program.translation;
    if (!translation.negative && translation.lastGroup >= translation.firstGroup) {
        frame.ovector = pcre2_get_ovector_pointer(state.matchData.get());
        frame.captureTop = static_cast<uint32_t>(rc);
        const std::size_t spans = recordSpans_.size();
        recordSpans_.resize(spans + 2 * static_cast<std::size_t>(translation.lastGroup - translation.firstGroup + 1),
                            kUnset);
        writeGroups(frame, recordSpans_, spans, translation.firstGroup);
        records_[static_cast<std::size_t>(index)].push_back({position, spans});
    }
    return 1;
}

// The record of the lookaround's last run at `position`: the run on the path
// that matched, since a later run there would have replaced that path.
std::optional<std::size_t> Pcre2Matcher::latestRecord(int program, std::size_t position) const
{
    const std::vector<Record>& records = records_[static_cast<std::size_t>(program)];
    for (const Record& record : std::views::reverse(records)) {
        if (record.position == position)
            return record.spans;
    }
    return std::nullopt;
}

// Writes the groups `frame` captured, and those of the lookarounds it
// holds, as subject offsets into out[base...], where group firstGroup's pair
// begins at base.
void Pcre2Matcher::writeGroups(const Frame& frame, std::vector<std::size_t>& out, std::size_t base,
                               int firstGroup) const
{
    const std::vector<Pcre2Group>& groups = programs_[frame.program].translation.groups;
    for (uint32_t number = 1; number <= groups.size() && number < frame.captureTop; ++number) {
        const Span captured = pcre2Group(frame.ovector, number);
        if (captured.start == kUnset)
            continue;
        const Pcre2Group& group = groups[number - 1];
        if (group.role == Pcre2Group::Role::JsGroup) {
            const std::size_t slot = base + 2 * static_cast<std::size_t>(group.index - firstGroup);
            const Span span = inSubject(captured, frame.program);
            out[slot] = span.start;
            out[slot + 1] = span.end;
        } else if (group.role == Pcre2Group::Role::AssertionPlace) {
            const TranslatedProgram& held = programs_[group.index].translation;
            if (const auto spans = latestRecord(group.index, captured.start)) {
                const std::size_t count = 2 * static_cast<std::size_t>(held.lastGroup - held.firstGroup + 1);
                const std::size_t slot = base + 2 * static_cast<std::size_t>(held.firstGroup - firstGroup);
                std::copy_n(recordSpans_.begin() + static_cast<std::ptrdiff_t>(*spans), count,
                            out.begin() + static_cast<std::ptrdiff_t>(slot));
            }
        }
    }
}

// What JavaScript group `group` holds where `frame`'s match stands: read
// from the nearest match that captures it or that holds the lookaround
// capturing it.
Span Pcre2Matcher::groupSpan(int group, const Frame& frame) const
{
    const GroupSite site = programs_.groups[static_cast<std::size_t>(group)];
    const int owner = site.program;
    for (const Frame* at = &frame; at != nullptr; at = at->parent) {
        int ancestor = owner;
        int below = -1; // the lookaround of `at`'s program that leads to the owner
        while (ancestor != at->program && ancestor != 0) {
            below = ancestor;
            ancestor = programs_[ancestor].translation.parent;
        }
        if (ancestor != at->program)
            continue;
        const uint32_t number = below < 0 ? site.number : programs_[below].place;
        if (number == 0 || number >= at->captureTop)
            return {}; // a negative lookaround's groups, or not reached
        const Span captured = pcre2Group(at->ovector, number);
        if (captured.start == kUnset)
            return {};
        if (below < 0)
            return inSubject(captured, at->program);
        const auto spans = latestRecord(below, captured.start);
        if (!spans)
            return {};
        const std::size_t slot = *spans + 2 * static_cast<std::size_t>(group - programs_[below].translation.firstGroup);
        return {recordSpans_[slot], recordSpans_[slot + 1]};
    }
    return {};
}

// A span of the text program `program` matches over, as offsets into the
// subject.
Span Pcre2Matcher::inSubject(Span span, int program) const
{
    if (!programs_[program].translation.reversed)
        return span;
    return {subject_.size() - span.end, subject_.size() - span.start};
}

bool Pcre2Matcher::sameText(Span a, Span b)
{
    const std::string_view first = subject_.substr(a.start, a.end - a.start);
    const std::string_view second = subject_.substr(b.start, b.end - b.start);
    if (!programs_.equality)
        return first == second;
    equalityText_.assign(first);
    equalityText_ += second;
    equalitySplit_ = first.size();
    const int rc = pcre2_match(programs_.equality.get(), reinterpret_cast<PCRE2_SPTR>(equalityText_.data()),
                               equalityText_.size(), 0, PCRE2_NO_UTF_CHECK, equalityState_.matchData.get(),
                               equalityState_.matchContext.get());
    return rc > 0;
}

bool isLookbehindLimit(int errorCode)
{
    return errorCode == PCRE2_ERROR_LOOKBEHIND_NOT_FIXED_LENGTH || errorCode == PCRE2_ERROR_LOOKBEHIND_TOO_COMPLICATED
        || errorCode == PCRE2_ERROR_LOOKBEHIND_TOO_LONG;
}

// Compiles a translation of `pattern` made with `translation`; when it has a
// dot, the pattern is translated again with PCRE2's dot, for the subjects
// that have no line terminator.
std::expected<std::unique_ptr<Pcre2Pattern>, int> compileWithOneLine(std::string_view pattern,
                                                                     TranslatedPattern translated,
                                                                     TranslationOptions translation,
                                                                     PatternOptions options)
{
    std::optional<TranslatedPattern> oneLine;
    if (translated.writesDot) {
        translation.plainDot = true;
        if (auto plain = translateJsPattern(pattern, translation))
            oneLine = std::move(*plain);
    }
    return Pcre2Pattern::compile(std::move(translated), options, std::move(oneLine));
}

} // namespace

CompiledPattern makePcre2RegularExpression(std::string_view pattern, PatternOptions options)
{
    auto translated = translateJsPattern(pattern);
    if (!translated)
        return std::unexpected(std::move(translated.error()));
    auto compiled = compileWithOneLine(pattern, std::move(*translated), {}, options);
    // A lookbehind left in place that PCRE2 still finds too long or too
    // complicated is run as a program of its own instead.
    if (!compiled && isLookbehindLimit(compiled.error())) {
        const TranslationOptions apart{.lookbehindsInPlace = false};
        translated = translateJsPattern(pattern, apart);
        compiled = compileWithOneLine(pattern, std::move(*translated), apart, options);
    }
    // PCRE2 refuses a translated pattern only for its own limits (its size,
    // its nesting, its number of groups), which the pattern as a whole
    // exceeds; where PCRE2 stopped is a place in the translation.
    if (!compiled)
        return std::unexpected(PatternError{pattern.size(), pcre2ErrorText(compiled.error())});
    return std::move(*compiled);
}

} // namespace renamer
