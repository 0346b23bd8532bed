#include "DocumentPortal.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace renamer {

DocumentPortal::DocumentPortal(std::string root)
    : root_(std::move(root))
{
    while (root_.size() > 1 && root_.back() == '/')
        root_.pop_back();
}

DocumentPortal DocumentPortal::ofThisSession()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/')
        return DocumentPortal(std::string(runtime) + "/doc");
    return DocumentPortal("/run/user/" + std::to_string(getuid()) + "/doc");
}

bool DocumentPortal::holds(std::string_view path) const
{
    return !root_.empty() && path.starts_with(root_)
        && (path.size() == root_.size() || path[root_.size()] == '/');
}

std::optional<std::string> DocumentPortal::hostPathOf(const std::string& path) const
{
    if (!holds(path))
        return std::nullopt;
    std::string value(256, '\0');
    for (;;) {
        const ssize_t length = getxattr(path.c_str(), kHostPathAttribute, value.data(), value.size());
        if (length >= 0) {
            value.resize(static_cast<std::size_t>(length));
            break;
        }
        if (errno != ERANGE)
            return std::nullopt;
        // The value grew since it was sized: ask for its length again.
        const ssize_t needed = getxattr(path.c_str(), kHostPathAttribute, nullptr, 0);
        if (needed < 0)
            return std::nullopt;
        value.resize(static_cast<std::size_t>(needed) + 1);
    }
    // Only an absolute path outside the portal is a host path; some
    // versions end the value with a NUL.
    while (!value.empty() && value.back() == '\0')
        value.pop_back();
    if (value.empty() || value.front() != '/' || value.find('\0') != std::string::npos || holds(value))
        return std::nullopt;
    return value;
}

} // namespace renamer
