#!/usr/bin/env bash
# Rebuilds the frame parser's seed corpus from the protocol examples in tests/data/frames.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/corpus/fuzz_frame_parser"
mkdir -p "$out"
for f in "$here"/../tests/data/frames/*.hex; do
  sed 's/#.*//' "$f" | xxd -r -p >"$out/$(basename "${f%.hex}")"
done
