#pragma once

#include "NamingRules.h"

#include <optional>
#include <string>

namespace renamer {

// The text a user reads for a failed system call's errno: a short Chinese
// phrase for the failures a rename meets, the system's own message otherwise.
std::string describeErrno(int error);

// The text for a move that failed with `error` because of its new name,
// whatever the errno's usual meaning (FUSE drivers answer a name they cannot
// store with EINVAL, ENOENT, EPERM, EILSEQ or EBADMSG): the rule `refusal`
// that the name breaks, naming the character where there is one, or, where
// no known rule explains it, the errno's meaning for a name.
std::string describeRefusedName(int error, const std::optional<NameRefusal>& refusal);

} // namespace renamer
