#!/usr/bin/env bash
# Rebuilds the runner configuration reader's seed corpus from the configuration examples in
# tests/data/config: each document once as downloaded and once in demo mode (first byte 1).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/corpus/fuzz_runner_config"
mkdir -p "$out"
for f in "$here"/../tests/data/config/*.xml; do
  name="$(basename "${f%.xml}")"
  { printf '\x00'; cat "$f"; } >"$out/$name"
  { printf '\x01'; cat "$f"; } >"$out/$name-demo"
done
