#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/packages.sh
scripts/ensure-packages.sh "${build_packages[@]}" "${test_packages[@]}" "${fuzz_packages[@]}" \
    "${packaging_packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j "$(nproc)"

# The engine and platform tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer; any report fails the test that provoked it.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRENAMER_BUILD_WINDOW=OFF \
    -DRENAMER_SANITIZE=ON >/dev/null
cmake --build build-sanitize
ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"

# The tests whose rows are worked on several threads again under
# ThreadSanitizer: any data race fails them.
cmake -S . -B build-thread -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRENAMER_BUILD_WINDOW=OFF \
    -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
threaded_tests=(stretches_test rename_cues_test preview_names_test preview_replay_test rename_session_test)
cmake --build build-thread --target "${threaded_tests[@]}"
for test in "${threaded_tests[@]}"; do
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 "build-thread/tests/$test" --gtest_brief=1
done

# The fuzz targets (clang, libFuzzer, the same sanitizers) replay their
# committed corpus: every input that ever found a fault stays fixed.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++-19 \
    -DRENAMER_BUILD_WINDOW=OFF -DRENAMER_SANITIZE=ON -DRENAMER_FUZZ=ON >/dev/null
cmake --build build-fuzz --target fuzzers
ctest --test-dir build-fuzz -L fuzz --output-on-failure -j "$(nproc)"

# clang-tidy (.clang-tidy) over the engine, the platform and the fuzz
# targets, with the fuzz build's compile commands; any finding fails. The
# counts of warnings it suppressed in system headers are left out.
run-clang-tidy-19 -quiet -p build-fuzz '/(engine|platform|fuzz)/[^/]*\.cpp$' 2>&1 \
    | { grep -v 'warnings\? generated\.$' || true; }

# The Debian package from the first build: its control fields, its files,
# and the desktop entry and metainfo it installs, validated.
scripts/check-package.sh build
