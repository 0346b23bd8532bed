#include "MountInfo.h"

#include <charconv>
#include <fstream>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace renamer {
namespace {

// Undoes the kernel's octal escapes of space, tab, newline and backslash.
std::string unescaped(std::string_view field)
{
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](std::size_t at) { return field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

template <class Number>
bool parseNumber(std::string_view text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

} // namespace

std::optional<MountEntry> parseMountInfoLine(std::string_view line)
{
    // id parent major:minor root mount-point options [optional fields...] - type source super-options
    std::vector<std::string_view> fields;
    for (std::size_t start = 0; start <= line.size();) {
        const std::size_t space = std::min(line.find(' ', start), line.size());
        if (space > start)
            fields.push_back(line.substr(start, space - start));
        start = space + 1;
    }
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-")
        ++separator;
    if (separator + 2 >= fields.size())
        return std::nullopt;

    MountEntry entry;
    const std::string_view device = fields[2];
    const std::size_t colon = device.find(':');
    if (colon == std::string_view::npos || !parseNumber(fields[0], entry.id)
        || !parseNumber(device.substr(0, colon), entry.deviceMajor)
        || !parseNumber(device.substr(colon + 1), entry.deviceMinor))
        return std::nullopt;
    entry.mountPoint = unescaped(fields[4]);
    entry.fileSystemType = unescaped(fields[separator + 1]);
    entry.source = unescaped(fields[separator + 2]);
    return entry;
}

std::optional<MountEntry> mountOf(int directory)
{
    struct statx status {};
    const bool haveId = statx(directory, "", AT_EMPTY_PATH, STATX_MNT_ID, &status) == 0
        && (status.stx_mask & STATX_MNT_ID) != 0;
    struct stat fileStatus {};
    if (!haveId && fstat(directory, &fileStatus) != 0)
        return std::nullopt;

    std::ifstream table("/proc/self/mountinfo");
    for (std::string line; std::getline(table, line);) {
        auto entry = parseMountInfoLine(line);
        if (!entry)
            continue;
        if (haveId) {
            if (entry->id == status.stx_mnt_id)
                return entry;
        } else if (entry->deviceMajor == major(fileStatus.st_dev) && entry->deviceMinor == minor(fileStatus.st_dev)) {
            // Bind mounts of one file system share the number; any of them
            // tells its type.
            return entry;
        }
    }
    return std::nullopt;
}

} // namespace renamer
