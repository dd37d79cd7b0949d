#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the network libraries' tests under
# AddressSanitizer+UndefinedBehaviorSanitizer and under ThreadSanitizer, then the fuzz targets
# for a bounded time.
set -euo pipefail
cd "$(dirname "$0")"

./setup.sh

JOBS="${JOBS:-$(nproc)}"
FUZZ_SECONDS="${FUZZ_SECONDS:-20}"
export QT_QPA_PLATFORM=offscreen

step() { printf '\n== %s\n' "$*"; }

step "format and lint"
tools/lint.sh

step "build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$JOBS"

step "tests"
ctest --test-dir build --output-on-failure -j "$JOBS"

step "address and undefined-behaviour sanitizers (network code)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZUNET_SANITIZE=address,undefined \
  -DZUNET_ONLY_NETWORK=ON -DZUNET_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$JOBS" --target all_tests
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$JOBS" -L zunet

step "thread sanitizer (network code)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZUNET_SANITIZE=thread \
  -DZUNET_ONLY_NETWORK=ON -DZUNET_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$JOBS" --target all_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tools/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j "$JOBS" -L threads

if ls fuzz/*.cmake >/dev/null 2>&1; then
  step "fuzz targets, ${FUZZ_SECONDS}s each"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZUNET_BUILD_FUZZ=ON -DZUNET_BUILD_TESTS=OFF -DZUNET_BUILD_BENCH=OFF -DZUNET_ONLY_NETWORK=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
  cmake --build build-fuzz -j "$JOBS" --target all_fuzzers
  FUZZ_SECONDS="$FUZZ_SECONDS" ./fuzz/run-all.sh build-fuzz
fi

step "done"
