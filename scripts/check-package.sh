#!/usr/bin/env bash
# Builds the Debian package in a configured build directory (default: build)
# and checks it as apt would install it: its control fields, its file list,
# and the desktop entry and AppStream metainfo it puts under /usr/share.
set -euo pipefail
build=${1:-build}
app_id=io.github.regex_renamer.RegexRenamer

failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }

cmake --build "$build" --target package >/dev/null
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
package="$build/regex-renamer_${version}_$(dpkg --print-architecture).deb"
[ -f "$package" ] || { echo "check-package: $package was not built" >&2; exit 1; }
dpkg-deb -I "$package"

# Control fields: name, version and architecture as the file name says; the
# library dependencies found by dpkg-shlibdeps (versioned) next to the ones
# listed by hand for what Qt loads at run time.
field() { dpkg-deb -f "$package" "$1"; }
while IFS='|' read -r name pattern; do
    value=$(field "$name")
    [[ $value =~ $pattern ]] || fail "control field $name is '$value', expected to match '$pattern'"
done <<EOF
Package|^regex-renamer$
Version|^${version//./\\.}$
Architecture|^$(dpkg --print-architecture)$
Section|^utils$
Priority|^optional$
Maintainer|^[^<]+ <[^@>]+@[^>]+>$
Depends|(^|, )qt6-wayland(,|$)
Depends|(^|, )fonts-wqy-microhei \| fonts-noto-cjk(,|$)
Depends|(^|, )libqt6widgets6 \(>= [^)]+\)
Depends|(^|, )libpcre2-8-0 \(>= [^)]+\)
Depends|(^|, )libc6 \(>= [^)]+\)
EOF
# A one-line summary that reads after "package name -", then the long text.
description=$(field Description)
summary=${description%%$'\n'*}
[[ $summary =~ ^[a-z].{9,79}$ ]] || fail "the summary '$summary' is not one short line in lower case"
[ "$description" != "$summary" ] || fail "the package has no long description"

# Contents: exactly these files, owned by root, the program executable and
# stripped, nothing else that an install rule might have added.
listing=$(dpkg-deb -c "$package")
echo "$listing"
expected_files="./usr/bin/regex-renamer
./usr/share/applications/$app_id.desktop
./usr/share/doc/regex-renamer/copyright
./usr/share/icons/hicolor/128x128/apps/regex-renamer.png
./usr/share/icons/hicolor/scalable/apps/regex-renamer.svg
./usr/share/metainfo/$app_id.metainfo.xml"
actual_files=$(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | sort)
[ "$actual_files" = "$expected_files" ] \
    || fail "files in the package differ from the expected ones:"$'\n'"$(diff <(echo "$expected_files") <(echo "$actual_files"))"
awk '$2 != "root/root" { print $6 }' <<<"$listing" | grep . && fail "entries above are not owned by root"
awk '$6 == "./usr/bin/regex-renamer" && $1 != "-rwxr-xr-x" ||
     $1 ~ /^-/ && $6 != "./usr/bin/regex-renamer" && $1 != "-rw-r--r--" { print $1, $6 }' <<<"$listing" \
    | grep . && fail "entries above have the wrong mode"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$package" "$root"
file -b "$root/usr/bin/regex-renamer" | grep -q ', stripped' || fail "the program is not stripped"

# The desktop entry starts the installed program and names an installed
# icon; the program gives Qt the same id (as UTF-16, how QStringLiteral
# stores it), which Wayland compositors use to find the entry.
entry="$root/usr/share/applications/$app_id.desktop"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$entry")
compgen -G "$root/usr/share/icons/hicolor/*/apps/$icon.*" >/dev/null || fail "Icon=$icon has no installed icon"
utf16_id=""
for ((i = 0; i < ${#app_id}; i++)); do
    c=${app_id:i:1}
    [ "$c" = . ] && c='\.'
    utf16_id+="$c\\x00"
done
LC_ALL=C grep -qaP "$utf16_id" "$root/usr/bin/regex-renamer" || fail "the program does not set the desktop file name $app_id"

# The metainfo describes this release.
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
newest_release=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
[ "$newest_release" = "$version" ] || fail "the metainfo's newest release is '$newest_release', the package's version $version"

# desktop-file-validate prints hints that need no change; a warning or an
# error fails. validate-tree validates each metainfo file as `appstreamcli
# validate` does and also checks that its launchable desktop entry is there;
# --strict fails on anything above a pedantic hint.
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate failed"
echo "desktop-file-validate: ${report:-no findings}"
grep -E 'error:|warning:' <<<"$report" && fail "desktop-file-validate reports the findings above"
appstreamcli validate-tree --no-net --strict "$root" || fail "appstreamcli validate-tree failed"

[ "$failures" -eq 0 ] || { echo "check-package: $failures check(s) failed" >&2; exit 1; }
echo "check-package: $(basename "$package") passed"
