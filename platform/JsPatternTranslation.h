#pragma once

#include "RegularExpression.h"

#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace renamer {

// What one capturing group of a translated PCRE2 pattern holds; groups[i]
// describes the pattern's group i + 1.
struct Pcre2Group {
    enum class Role {
        JsGroup,            // the JavaScript group numbered `index`
        AssertionPlace,     // empty, where programs[index] held on the path that matched
        BackreferenceStart, // empty, where backreferences[index] begins
    };
    Role role = Role::JsGroup;
    int index = 0;
};

// One PCRE2 pattern of a translation. programs[0] is the pattern itself;
// every other one is the body of a lookaround that PCRE2 cannot match in
// place as JavaScript does (a lookbehind of varying length, with a
// backreference, or with a group captured by a repeat), matched in the
// other direction, anchored, from a callout of its parent.
struct TranslatedProgram {
    std::string pcre2Pattern;
    std::vector<Pcre2Group> groups;
    // The JavaScript groups written inside it, its nested lookarounds' too;
    // none when lastGroup < firstGroup.
    int firstGroup = 1;
    int lastGroup = 0;
    // For a lookaround only: the program whose callout runs it; whether it
    // is matched over the subject with its characters in reverse order (a
    // lookbehind's body, read from its end); whether it is negative.
    int parent = 0;
    bool reversed = false;
    bool negative = false;
};

// A backreference to a group captured by another program, which PCRE2
// therefore cannot compare: it is matched as characters any, from a
// BackreferenceStart group on, that callouts compare with the group.
struct CalloutBackreference {
    int group = 0; // JavaScript numbering
};

// A pattern written in JavaScript's RegExp syntax (without the u flag),
// rewritten so that PCRE2 compiled with kPcre2CompileOptions, and answering
// the callouts below, matches what JavaScript would match.
struct TranslatedPattern {
    std::vector<TranslatedProgram> programs;
    std::vector<CalloutBackreference> backreferences;
    int captureGroupCount = 0;
    std::vector<NamedGroup> namedGroups; // in order of appearance
    // Whether the pattern has a dot (outside a class), which
    // TranslationOptions::plainDot writes otherwise.
    bool writesDot = false;
};

// The callouts a translation contains, written (?C"<letter><index>").
// Run programs[index] at the current position; the lookaround holds when it
// matches (positive) or does not (negative).
inline constexpr char kAssertionCallout = 'a';
// backreferences[index] has consumed as many characters as its group holds.
inline constexpr char kBackreferenceLengthCallout = 'l';
// What backreferences[index] consumed equals its group's text.
inline constexpr char kBackreferenceTextCallout = 'e';

struct TranslationOptions {
    // Leave a lookbehind that PCRE2 matches exactly as JavaScript does in
    // the pattern as a PCRE2 lookbehind. Off, every lookbehind becomes a
    // program of its own (for lookbehinds beyond PCRE2's own limits).
    bool lookbehindsInPlace = true;
    // Write the dot as PCRE2's own, for a program compiled with the newline
    // convention LF that only ever searches subjects without a line
    // terminator (TextForm::OneLineUtf8), where both dots match the same.
    bool plainDot = false;
};

// Rejects what JavaScript rejects and PCRE-only syntax; accepts JavaScript's
// lenient forms. The pattern must be valid UTF-8.
std::expected<TranslatedPattern, PatternError> translateJsPattern(std::string_view jsPattern,
                                                                  TranslationOptions options = {});

} // namespace renamer
