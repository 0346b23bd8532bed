#pragma once

#include "NameRefusal.h"

#include <cstdint>
#include <expected>
#include <optional>
#include <string>

namespace renamer {

// What went wrong, for a caller that acts on it; the description says it to
// the user.
enum class FailureKind : std::uint8_t {
    NotFound,
    Exists,
    NoRights,
    ReadOnly,       // the volume is mounted read-only
    NameTooLong,
    NameRefused,    // the volume cannot hold the name; `refusal` says why where a rule does
    FolderReplaced, // the folder's path leads to another folder now
    FileReplaced,   // the name belongs to another file now
    ListFull,
    Unsupported,    // the volume cannot do what was asked (and nothing changed)
    Other,
};

// A failed operation, carrying the text the user may read (it ends the batch's
// failure message, so it is short and in Simplified Chinese where we write it).
struct Failure {
    std::string description;
    FailureKind kind = FailureKind::Other;
    std::optional<NameRefusal> refusal{}; // for NameRefused, the rule the name breaks, where one is known

    bool operator==(const Failure&) const = default;
};

template <class T>
using Result = std::expected<T, Failure>;

inline std::unexpected<Failure> failWith(Failure failure)
{
    return std::unexpected<Failure>(std::move(failure));
}

// A failure of no kind a caller acts on.
inline std::unexpected<Failure> failWith(std::string description)
{
    return failWith(Failure{std::move(description)});
}

} // namespace renamer
