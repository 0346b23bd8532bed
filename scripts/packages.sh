# Debian 12 packages, sourced by run.sh and test.sh.
build_packages=(cmake ninja-build g++ pkg-config libpcre2-dev qt6-base-dev libgl-dev)
test_packages=(libgtest-dev)
window_packages=(fonts-wqy-microhei qt6-translations-l10n)
