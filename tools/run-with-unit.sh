#!/usr/bin/env bash
# Starts the runner beside the unit program of the tests, both inside one private network namespace
# (tools/netns-run.sh), so there is a unit to sign in to: it answers discovery as "e2e.unit" and
# serves the stored configuration of the end-to-end tests. Users "Alice" (password "wonder"),
# "Bob" (no password) and "Admin" ("root"). The unit stops when the runner does.
# Without a display it says so and starts the runner on a virtual display (Xvfb).
#   tools/run-with-unit.sh [KioskMode|NoKioskMode]
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR="${BUILD_DIR:-build}"
runner="$BUILD_DIR/Quendle/Runner/quendle_runner"
unit="$BUILD_DIR/tests/support/quendle/quendle_test_unit"

if [ "${1:-}" != "--inside" ]; then
  if [ ! -f "$BUILD_DIR/build.ninja" ]; then
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  fi
  cmake --build "$BUILD_DIR" -j3 --target quendle_runner quendle_test_unit
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run-with-unit.sh: no display found; starting the runner on a virtual display (Xvfb)" >&2
    exec tools/netns-run.sh xvfb-run -a -s "-screen 0 1280x1024x24" \
      env QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1 "$0" --inside "$@"
  fi
  exec tools/netns-run.sh "$0" --inside "$@"
fi
shift

# The unit runs while its standard input is open: this shell holds the pipe until the runner ends.
exec 3> >(exec "$unit" --listen 0.0.0.0 --description tools/test-unit.json \
  --config tests/Quendle/Runner/endtoend/console.xml --announce "Frell Find" --unit-name e2e.unit)
unit_pid=$!
status=0
"$runner" "$@" 3>&- || status=$?
exec 3>&-
wait "$unit_pid" || true
exit "$status"
