#!/usr/bin/env bash
# Builds what is missing and starts the runner. It runs inside a private network namespace
# (tools/netns-run.sh): the runner broadcasts discovery, which must never reach a real network.
# Without a display it says so and starts on a virtual display (Xvfb).
#   ./run.sh [KioskMode|NoKioskMode]
set -euo pipefail
cd "$(dirname "$0")"

BUILD_DIR="${BUILD_DIR:-build}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD_DIR" -j3 --target quendle_runner
runner="$BUILD_DIR/Quendle/Runner/quendle_runner"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display found; starting the runner on a virtual display (Xvfb)" >&2
  # Tall enough for the whole of a first start's window (1024 x 768 at 100, 100).
  exec tools/netns-run.sh xvfb-run -a -s "-screen 0 1280x1024x24" \
    env QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1 "$runner" "$@"
fi
exec tools/netns-run.sh "$runner" "$@"
