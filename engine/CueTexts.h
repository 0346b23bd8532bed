#pragma once

#include "NamingRules.h"
#include "RowCue.h"

#include <optional>
#include <string>
#include <string_view>

namespace renamer {

// A short Simplified Chinese explanation of a cue, for a tooltip; empty for
// a clean row. `refusal`, for a NotAWindowsName cue, names the rule the new
// name breaks; `name`, for a cue that names a file name (cuedName), is that
// name.
std::string describeRowCue(const RowCue& cue, const std::optional<NameRefusal>& refusal = std::nullopt,
                           std::string_view name = {});

} // namespace renamer
