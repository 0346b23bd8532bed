# Debian 12 packages, sourced by run.sh and test.sh.
build_packages=(cmake ninja-build g++ pkg-config libpcre2-dev qt6-base-dev libgl-dev)
# The window tests draw text, and send input through Qt's window-system
# interface, whose header is among Qt's private ones.
test_packages=(libgtest-dev fonts-dejavu-core qt6-base-private-dev)
# Real volumes the platform tests mount: exFAT (exfat-fuse on a loop device),
# FAT (fusefat), NTFS (ntfs-3g), sshfs to a private sshd, and kernel ext4,
# xfs and btrfs on loop devices. fuse3 first: exfat-fuse and fusefat ask for
# "fuse", which fuse3 provides and sshfs needs.
test_packages+=(fuse3 exfat-fuse exfatprogs fusefat dosfstools ntfs-3g sshfs openssh-client openssh-server
    e2fsprogs xfsprogs btrfs-progs)
# qt6-wayland: Qt's Wayland platform plugin, to run natively on a Wayland
# desktop as well as on X11.
window_packages=(fonts-wqy-microhei qt6-translations-l10n qt6-wayland)
# clang 19 is the first Debian 12 clang that compiles libstdc++ 12's
# <expected>; its runtime package carries libFuzzer.
fuzz_packages=(clang-19 libclang-rt-19-dev clang-tidy-19)
bench_packages=(rename python3)
# Building the Debian package (dpkg-shlibdeps in dpkg-dev; CPack finds the
# programs to scan with file) and validating what it installs.
packaging_packages=(dpkg-dev file desktop-file-utils appstream)
