#include "NamingRules.h"

#include "Utf8.h"

#include <array>

namespace renamer {
namespace {

bool isWindowsForbidden(char32_t c)
{
    constexpr std::u32string_view kForbidden = U"<>:\"\\|?*";
    return kForbidden.find(c) != std::u32string_view::npos;
}

char asciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Windows reads a name's part before the first dot, without trailing spaces,
// as the device of that name, whatever follows.
bool isDeviceName(std::string_view name)
{
    std::string_view base = name.substr(0, name.find('.'));
    while (base.ends_with(' '))
        base.remove_suffix(1);
    if (base.size() != 3 && base.size() != 4)
        return false;
    std::string upper;
    for (const char c : base)
        upper += asciiUpper(c);
    constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    for (const std::string_view device : kPlain)
        if (upper == device)
            return true;
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1'
        && upper[3] <= '9';
}

} // namespace

LengthUnit lengthUnitOf(VolumeKind kind)
{
    switch (kind) {
    case VolumeKind::Ntfs:
    case VolumeKind::Exfat:
    case VolumeKind::Fat:
        return LengthUnit::Utf16Units;
    case VolumeKind::Posix:
    case VolumeKind::Smb: // the Linux client compares the UTF-8 bytes with the share's limit
        return LengthUnit::Bytes;
    }
    return LengthUnit::Bytes;
}

bool followsWindowsRules(VolumeKind kind)
{
    return kind != VolumeKind::Posix;
}

std::size_t nameLength(std::string_view name, LengthUnit unit)
{
    if (unit == LengthUnit::Bytes)
        return name.size();
    std::size_t units = 0;
    bool valid = true;
    for (std::size_t pos = 0; pos < name.size();)
        units += decodeCodePoint(name, pos, valid) > 0xFFFF ? 2 : 1;
    return units;
}

std::optional<NameRefusal> refusalOf(std::string_view name, VolumeKind kind, std::size_t longestName)
{
    if (name.empty())
        return NameRefusal{NameRefusalKind::Empty};
    if (name == "." || name == "..")
        return NameRefusal{NameRefusalKind::DotName};
    const bool windows = followsWindowsRules(kind);
    bool valid = true;
    for (std::size_t pos = 0; pos < name.size();) {
        const char32_t c = decodeCodePoint(name, pos, valid);
        if (c == U'/' || c == U'\0')
            return NameRefusal{NameRefusalKind::ForbiddenCharacter, c};
        if (!windows)
            continue;
        if (!valid)
            return NameRefusal{NameRefusalKind::NotUtf8};
        if (isWindowsForbidden(c))
            return NameRefusal{NameRefusalKind::ForbiddenCharacter, c};
        if (c < 0x20)
            return NameRefusal{NameRefusalKind::ControlCharacter, c};
    }
    if (windows && isDeviceName(name))
        return NameRefusal{NameRefusalKind::DeviceName};
    if (windows && (name.ends_with('.') || name.ends_with(' ')))
        return NameRefusal{NameRefusalKind::TrailingDotOrSpace, static_cast<char32_t>(name.back())};
    if (nameLength(name, lengthUnitOf(kind)) > longestName)
        return NameRefusal{NameRefusalKind::TooLong};
    return std::nullopt;
}

} // namespace renamer
