#!/usr/bin/env bash
# Takes the README's screenshots: the login page (docs/login.png) and the demo layout (docs/demo.png),
# from the real runner on a virtual display inside a private network namespace, with fresh settings.
#   tools/screenshots.sh            (needs a build in $BUILD_DIR, default build/)
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR="${BUILD_DIR:-build}"
runner="$BUILD_DIR/Quendle/Runner/quendle_runner"
width=1024
height=700

if [ "${1:-}" != "--inside" ]; then
  cmake --build "$BUILD_DIR" -j2 --target quendle_runner
  exec tools/netns-run.sh xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" "$0" --inside
fi

settings=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$settings"' EXIT
XDG_CONFIG_HOME="$settings" HOME="$settings" QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1 "$runner" \
  >"$settings/runner.log" 2>&1 &
pid=$!

window=$(timeout 20 xdotool search --sync --onlyvisible --name "Quendle App" | head -n 1)
if [ -z "$window" ]; then
  echo "screenshots.sh: the runner's window did not appear" >&2
  cat "$settings/runner.log" >&2
  exit 1
fi
xdotool windowsize --sync "$window" "$width" "$height" || xdotool windowsize "$window" "$width" "$height"
# No units are found here: the list holds "Demo" and "Other..." once the page settles.
sleep 3
mkdir -p docs
import -window "$window" docs/login.png

# "Demo" is the list's first row (at this window size its text starts near 330, 232); the button sits
# centred, its middle at 92.5% of the page below the 25-row menu bar.
page=$((height - 25))
xdotool mousemove --window "$window" 330 232 click 1
sleep 1
xdotool mousemove --window "$window" $((width / 2)) $((25 + page * 925 / 1000)) click 1
sleep 4
import -window "$window" docs/demo.png
echo "screenshots.sh: wrote docs/login.png and docs/demo.png"
