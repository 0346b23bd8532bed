#!/usr/bin/env bash
# Installs what is missing, builds, and starts the window.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
scripts/ensure-packages.sh "${build_packages[@]}" "${test_packages[@]}" "${window_packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target regex-renamer

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "regex-renamer: no graphical display here (DISPLAY is not set); to run it on a virtual one: apt-get install xvfb && xvfb-run -a ./run.sh" >&2
    exit 1
fi
exec build/app/regex-renamer
