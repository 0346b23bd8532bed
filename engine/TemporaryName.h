#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace renamer {

// The name a file has for a moment while its name is changed in two steps:
// a change of letter case in a folder that ignores case, or files whose
// names go round on a volume that cannot exchange two names in one step. A
// batch killed in that moment leaves the file under it, so it shows whose
// name it was: the file's own name (cut to kTemporaryNameKeeps bytes, at a
// character's start), then ".~regex-renamer", then, for `attempt` 1 and on,
// "-2", "-3", ... "photo.jpg" becomes "photo.jpg.~regex-renamer". Printable
// ASCII is added and nothing at the end that a Windows volume refuses, so
// every volume that holds the name holds this one. The caller creates it
// without replacing anything and takes the next attempt where it exists.
std::string temporaryNameFor(std::string_view name, unsigned attempt = 0);

// The name a temporary name was made from (cut as temporaryNameFor cuts
// it), or nothing for a name that is none: a file left under one by a kill
// is shown with the name it had.
std::optional<std::string_view> nameBeforeTemporaryName(std::string_view name);

// How many temporary names are tried before giving up: another program can
// take one between two attempts.
inline constexpr unsigned kTemporaryNameAttempts = 16;

// How much of the file's name the temporary name keeps: with the mark and
// the attempt it stays within 255 bytes and 255 UTF-16 units.
inline constexpr std::size_t kTemporaryNameKeeps = 200;

} // namespace renamer
