#pragma once

#include <string>

namespace renamer {

// The text a user reads for a failed system call's errno: a short Chinese
// phrase for the failures a rename meets, the system's own message otherwise.
std::string describeErrno(int error);

} // namespace renamer
