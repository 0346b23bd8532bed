#pragma once

#include <cstdint>

namespace renamer {

// Why a volume refuses a name, or Windows could not open it there.
enum class NameRefusalKind : std::uint8_t {
    Empty,
    DotName,            // "." or ".."
    ForbiddenCharacter, // `character` says which: "/" and NUL anywhere, < > : " \ | ? * on Windows volumes
    ControlCharacter,   // U+0001 to U+001F, on Windows volumes; `character` says which
    NotUtf8,            // a volume that stores UTF-16 cannot hold bytes that do not decode
    DeviceName,         // CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, in any case, with or without an extension
    TrailingDotOrSpace, // Windows drops a trailing "." or " ", so the name could not be opened again
    TooLong,            // longer than the folder allows, counted in its volume's unit
};

struct NameRefusal {
    NameRefusalKind kind;
    char32_t character = 0;

    bool operator==(const NameRefusal&) const = default;
};

} // namespace renamer
