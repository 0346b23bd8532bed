#include "NamingRules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace renamer;

namespace renamer {
void PrintTo(const NameRefusal& refusal, std::ostream* out)
{
    *out << "refusal " << static_cast<int>(refusal.kind) << " U+" << std::hex << static_cast<unsigned>(refusal.character);
}
} // namespace renamer

namespace {

std::string repeated(std::string_view unit, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += unit;
    return text;
}

const std::string kCjk = "\xe5\x90\x8d";       // 名: 3 bytes, one UTF-16 unit
const std::string kEmoji = "\xf0\x9f\x98\x80"; // 😀: 4 bytes, two UTF-16 units

using Kind = NameRefusalKind;
using Volume = VolumeKind;

TEST(NamingRules, NamesEachVolumeRefusesAndWhy)
{
    const struct {
        const char* behaviour;
        std::string name;
        VolumeKind volume;
        std::optional<NameRefusal> refusal;
    } rows[] = {
        // Every volume
        {"a plain name is fine everywhere", "a.txt", Volume::Ntfs, std::nullopt},
        {"the empty name is refused", "", Volume::Posix, NameRefusal{Kind::Empty}},
        {"the name . is refused", ".", Volume::Posix, NameRefusal{Kind::DotName}},
        {"the name .. is refused", "..", Volume::Exfat, NameRefusal{Kind::DotName}},
        {"a slash is refused and named", "a/b", Volume::Posix, NameRefusal{Kind::ForbiddenCharacter, U'/'}},
        {"NUL is refused and named", std::string("a\0b", 3), Volume::Posix,
         NameRefusal{Kind::ForbiddenCharacter, U'\0'}},
        // Windows rules stay off where the volume is not Windows's
        {"Windows's forbidden characters are fine on a POSIX volume", "a<>:\"\\|?*.txt", Volume::Posix, std::nullopt},
        {"control characters are fine on a POSIX volume", "a\x01\x1f.txt", Volume::Posix, std::nullopt},
        {"device names are fine on a POSIX volume", "CON", Volume::Posix, std::nullopt},
        {"a trailing dot is fine on a POSIX volume", "a.", Volume::Posix, std::nullopt},
        {"bytes that are not UTF-8 are fine on a POSIX volume", "\xff\xfe.bin", Volume::Posix, std::nullopt},
        // Windows rules on Windows volumes, each character named
        {"< is refused on NTFS", "a<b", Volume::Ntfs, NameRefusal{Kind::ForbiddenCharacter, U'<'}},
        {"> is refused on exFAT", "a>b", Volume::Exfat, NameRefusal{Kind::ForbiddenCharacter, U'>'}},
        {": is refused on FAT", "x:.txt", Volume::Fat, NameRefusal{Kind::ForbiddenCharacter, U':'}},
        {"\" is refused on SMB", "a\"b", Volume::Smb, NameRefusal{Kind::ForbiddenCharacter, U'"'}},
        {"\\ is refused", "a\\b", Volume::Ntfs, NameRefusal{Kind::ForbiddenCharacter, U'\\'}},
        {"| is refused", "a|b", Volume::Ntfs, NameRefusal{Kind::ForbiddenCharacter, U'|'}},
        {"? is refused", "a?b", Volume::Ntfs, NameRefusal{Kind::ForbiddenCharacter, U'?'}},
        {"* is refused", "a*b", Volume::Ntfs, NameRefusal{Kind::ForbiddenCharacter, U'*'}},
        {"the first offending character is the one named", "a|b<c", Volume::Fat,
         NameRefusal{Kind::ForbiddenCharacter, U'|'}},
        {"U+0001 is a control character", "a\x01", Volume::Exfat, NameRefusal{Kind::ControlCharacter, U'\x01'}},
        {"U+001F is a control character", "a\x1f", Volume::Ntfs, NameRefusal{Kind::ControlCharacter, U'\x1f'}},
        {"DEL is no control character to Windows", "a\x7f", Volume::Ntfs, std::nullopt},
        {"full-width look-alikes are ordinary characters", "a\xef\xbc\x9a\xef\xbc\x9f", Volume::Ntfs, std::nullopt},
        {"bytes that are not UTF-8 cannot be stored in UTF-16", "\xff\xfe.bin", Volume::Exfat,
         NameRefusal{Kind::NotUtf8}},
        {"a truncated sequence is not UTF-8 either", "a\xe5\x90", Volume::Ntfs, NameRefusal{Kind::NotUtf8}},
        // Device names
        {"CON is a device", "CON", Volume::Ntfs, NameRefusal{Kind::DeviceName}},
        {"device names ignore case", "con", Volume::Exfat, NameRefusal{Kind::DeviceName}},
        {"a device name keeps its meaning with an extension", "Con.txt", Volume::Fat, NameRefusal{Kind::DeviceName}},
        {"and with two", "nul.tar.gz", Volume::Ntfs, NameRefusal{Kind::DeviceName}},
        {"spaces before the extension do not hide it", "AUX .txt", Volume::Ntfs, NameRefusal{Kind::DeviceName}},
        {"PRN is a device", "prn", Volume::Smb, NameRefusal{Kind::DeviceName}},
        {"COM1 is a device", "COM1", Volume::Ntfs, NameRefusal{Kind::DeviceName}},
        {"COM9 is a device", "com9.log", Volume::Ntfs, NameRefusal{Kind::DeviceName}},
        {"LPT1 is a device", "LPT1", Volume::Ntfs, NameRefusal{Kind::DeviceName}},
        {"LPT9 is a device", "Lpt9", Volume::Exfat, NameRefusal{Kind::DeviceName}},
        {"COM0 is no device", "COM0", Volume::Ntfs, std::nullopt},
        {"COM10 is no device", "COM10", Volume::Ntfs, std::nullopt},
        {"a device name inside a longer name is harmless", "CONSOLE.txt", Volume::Ntfs, std::nullopt},
        {"a device name after the first dot is harmless", "a.con", Volume::Ntfs, std::nullopt},
        // Trailing dot or space
        {"a trailing dot is refused", "x.txt.", Volume::Ntfs, NameRefusal{Kind::TrailingDotOrSpace, U'.'}},
        {"a trailing space is refused", "x.txt ", Volume::Exfat, NameRefusal{Kind::TrailingDotOrSpace, U' '}},
        {"a name of dots only ends in a dot", "...", Volume::Ntfs, NameRefusal{Kind::TrailingDotOrSpace, U'.'}},
        {"a leading space is fine", " x.txt", Volume::Fat, std::nullopt},
        {"a leading dot is fine", ".hidden", Volume::Fat, std::nullopt},
        // Length, in the volume's unit (longest 255)
        {"255 bytes fit a POSIX volume", std::string(255, 'n'), Volume::Posix, std::nullopt},
        {"256 bytes do not", std::string(256, 'n'), Volume::Posix, NameRefusal{Kind::TooLong}},
        {"85 CJK characters (255 bytes) fit a POSIX volume", repeated(kCjk, 85), Volume::Posix, std::nullopt},
        {"86 CJK characters (258 bytes) do not", repeated(kCjk, 86), Volume::Posix, NameRefusal{Kind::TooLong}},
        {"255 CJK characters fit NTFS, which counts UTF-16 units", repeated(kCjk, 255), Volume::Ntfs, std::nullopt},
        {"256 CJK characters do not", repeated(kCjk, 256), Volume::Ntfs, NameRefusal{Kind::TooLong}},
        {"255 CJK characters fit exFAT", repeated(kCjk, 255), Volume::Exfat, std::nullopt},
        {"255 CJK characters fit FAT long names", repeated(kCjk, 255), Volume::Fat, std::nullopt},
        {"a character beyond U+FFFF counts two units: 127 fit", repeated(kEmoji, 127), Volume::Exfat, std::nullopt},
        {"and 128 do not", repeated(kEmoji, 128), Volume::Exfat, NameRefusal{Kind::TooLong}},
        {"SMB counts bytes, as the Linux client checks them", repeated(kCjk, 86), Volume::Smb,
         NameRefusal{Kind::TooLong}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        EXPECT_EQ(refusalOf(row.name, row.volume, 255), row.refusal);
    }
}

TEST(NamingRules, DescriptionsNameTheCause)
{
    const struct {
        const char* behaviour;
        NameRefusal refusal;
        std::string description;
    } rows[] = {
        {"a forbidden character is quoted", {Kind::ForbiddenCharacter, U':'}, "不能含有“:”"},
        {"NUL, which cannot be shown, is named", {Kind::ForbiddenCharacter, U'\0'}, "不能含有空字符"},
        {"a trailing dot and a trailing space are told apart", {Kind::TrailingDotOrSpace, U' '}, "不能以空格结尾"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.behaviour);
        EXPECT_EQ(describeNameRefusal(row.refusal), row.description);
    }
}

} // namespace
