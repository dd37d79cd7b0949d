#!/usr/bin/env bash
# Builds and runs every test: the normal build, then every test under
# AddressSanitizer+UndefinedBehaviorSanitizer in one clang tree that also builds the fuzz targets,
# every layer's tests that start threads under ThreadSanitizer, then the fuzz targets for a bounded
# time.
set -euo pipefail
cd "$(dirname "$0")"

./setup.sh

JOBS="${JOBS:-$(nproc)}"
FUZZ_SECONDS="${FUZZ_SECONDS:-20}"
export QT_QPA_PLATFORM=offscreen

step() { printf '\n== %s\n' "$*"; }

# The sanitizer trees build as unity builds with precompiled Qt headers; the normal tree stays file by
# file, which shows a missing include. Every tree links with lld (cmake/BuildSpeed.cmake).
FAST_BUILD=(-DCMAKE_UNITY_BUILD=ON -DZUNET_PCH=ON -DZUNET_LINKER=lld)

step "format and lint"
tools/lint.sh

step "build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZUNET_LINKER=lld >/dev/null
cmake --build build -j "$JOBS"

step "tests"
ctest --test-dir build --output-on-failure -j "$JOBS"

step "address and undefined-behaviour sanitizers (every test; the fuzz targets' tree)"
# One clang tree: libraries with -fsanitize=address,undefined,fuzzer-no-link, the tests linked
# without a fuzzer, the fuzz targets with it.
cmake -S . -B build-san -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZUNET_SANITIZE=address,undefined -DZUNET_BUILD_FUZZ=ON -DZUNET_BUILD_BENCH=OFF "${FAST_BUILD[@]}" >/dev/null
cmake --build build-san -j "$JOBS" --target all_tests all_fuzzers
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --test-dir build-san --output-on-failure -j "$JOBS"

step "thread sanitizer (every layer's tests that start threads)"
# Only the test programs labelled "threads" (and the unit programs they start) are built.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZUNET_SANITIZE=thread \
  -DZUNET_ONLY_NETWORK=OFF -DZUNET_BUILD_BENCH=OFF "${FAST_BUILD[@]}" >/dev/null
cmake --build build-tsan -j "$JOBS" --target threads_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tools/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j "$JOBS" -L threads

step "fuzz targets, ${FUZZ_SECONDS}s each"
FUZZ_SECONDS="$FUZZ_SECONDS" ./fuzz/run-all.sh build-san

step "done"
