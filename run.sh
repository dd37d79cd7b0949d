#!/usr/bin/env bash
# Installs what is missing (setup.sh), builds the runner and starts it. It runs inside a private
# network namespace (tools/netns-run.sh): the runner broadcasts discovery, which must not reach a
# network by accident. --real-network starts it on this machine's own networks instead, to find and
# sign in to real units there. Without a display it says so and starts on a virtual display (Xvfb).
#   ./run.sh [--real-network] [KioskMode|NoKioskMode]
set -euo pipefail
cd "$(dirname "$0")"

isolate=1
if [ "${1:-}" = "--real-network" ]; then
  isolate=0
  shift
fi

./setup.sh

BUILD_DIR="${BUILD_DIR:-build}"
JOBS="${JOBS:-$(nproc)}"
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD_DIR" -j "$JOBS" --target quendle_runner
runner="$BUILD_DIR/Quendle/Runner/quendle_runner"

launch=()
if [ "$isolate" -eq 1 ]; then
  launch=(tools/netns-run.sh)
else
  echo "run.sh: --real-network: the runner broadcasts unit discovery (UDP port 51320) on every network" \
    "this machine is on, and connects to the units that answer" >&2
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display found; starting the runner on a virtual display (Xvfb)" >&2
  # Tall enough for the whole of a first start's window (1024 x 768 at 100, 100).
  exec "${launch[@]}" xvfb-run -a -s "-screen 0 1280x1024x24" \
    env QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1 "$runner" "$@"
fi
exec "${launch[@]}" "$runner" "$@"
