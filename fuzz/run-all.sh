#!/usr/bin/env bash
# Runs every built fuzz target for FUZZ_SECONDS (default 30) on a scratch copy of its seed corpus.
# Fails on the first crash, leak or sanitizer report.
set -euo pipefail
build="${1:?usage: fuzz/run-all.sh BUILD_DIR}"
here="$(cd "$(dirname "$0")" && pwd)"
seconds="${FUZZ_SECONDS:-30}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

found=0
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] && [ -f "$target" ] || continue
  found=1
  name="$(basename "$target")"
  mkdir -p "$work/$name"
  if [ -d "$here/corpus/$name" ]; then
    cp -r "$here/corpus/$name/." "$work/$name/"
  fi
  # A target's own flags, one a line, in fuzz/NAME.options.
  extra=()
  if [ -f "$here/$name.options" ]; then
    mapfile -t extra < <(grep -v '^#' "$here/$name.options" | grep -v '^$')
  fi
  echo "fuzzing $name for ${seconds}s"
  rc=0
  QT_QPA_PLATFORM=offscreen "$here/../tools/netns-run.sh" "$target" "$work/$name" "${extra[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/$name-" >"$work/$name.log" 2>&1 || rc=$?
  grep -E '^(stat::number_of_executed_units|SUMMARY|#[0-9]+ *DONE)' "$work/$name.log" || true
  if [ "$rc" -ne 0 ]; then
    tail -n 60 "$work/$name.log"
    echo "fuzz target $name failed"
    exit 1
  fi
done
[ "$found" = 1 ] || echo "no fuzz targets built"
