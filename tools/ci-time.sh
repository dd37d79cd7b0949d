#!/usr/bin/env bash
# Times CI as a submitting developer's machine runs it: a fresh clone of the current commit in a
# temporary folder, `.ci/run` pinned to N cores (default 2) with JOBS=N and the compiler cache
# disabled, then each `== step` of test.sh and the total in minutes. Touches no build tree here.
#   tools/ci-time.sh [CORES]     (KEEP=1 keeps the clone; the full log lies in it as ci.log)
set -euo pipefail

cores="${1:-2}"
if ! [[ "$cores" =~ ^[1-9][0-9]*$ ]] || [ "$cores" -gt "$(nproc)" ]; then
  echo "usage: $0 [CORES], CORES from 1 to $(nproc)" >&2
  exit 2
fi

repo="$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)"
commit="$(git -C "$repo" rev-parse HEAD)"
work="$(mktemp -d "${TMPDIR:-/tmp}/ci-time.XXXXXX")"
if [ "${KEEP:-0}" != 1 ]; then
  trap 'rm -rf "$work"' EXIT
fi

git clone -q --no-checkout "$repo" "$work/src"
git -C "$work/src" checkout -q --detach "$commit"
log="$work/ci.log"

echo "ci-time: $(git -C "$repo" log -1 --format='%h %s' "$commit" | cut -c1-90)"
echo "ci-time: $cores cores (taskset -c 0-$((cores - 1))), compiler cache disabled, in $work"
echo "ci-time: load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# Each output line is read as it comes (lastpipe keeps the loop in this shell); a step header
# closes the step before it.
shopt -s lastpipe
names=("setup")
starts=("$EPOCHREALTIME")
set +e
(
  cd "$work/src"
  CCACHE_DISABLE=1 JOBS="$cores" exec taskset -c "0-$((cores - 1))" .ci/run
) 2>&1 | while IFS= read -r line; do
  printf '%s\n' "$line" >>"$log"
  if [[ "$line" == "== "* ]]; then
    names+=("${line#== }")
    starts+=("$EPOCHREALTIME")
    echo "ci-time: $(date -u +%H:%M:%S) load $(cut -d" " -f1 /proc/loadavg)  ${line#== }"
  fi
done
status="${PIPESTATUS[0]}"
set -e
starts+=("$EPOCHREALTIME")

echo
for i in "${!names[@]}"; do
  awk -v a="${starts[i]}" -v b="${starts[i + 1]}" -v n="${names[i]}" \
    'BEGIN { printf "%7.1f min  %s\n", (b - a) / 60, n }'
done
awk -v a="${starts[0]}" -v b="${starts[-1]}" 'BEGIN { printf "%7.1f min  total\n", (b - a) / 60 }'
echo "ci-time: load after: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "$status" -ne 0 ]; then
  kept="${TMPDIR:-/tmp}/ci-time-failed-$(date -u +%Y%m%d-%H%M%S).log"
  cp "$log" "$kept"
  echo "ci-time: .ci/run failed ($status); its log is kept in $kept, which ends:" >&2
  tail -n 40 "$log" >&2
fi
exit "$status"
