#!/usr/bin/env bash
# Fails on formatting drift from .clang-format and on any QML that qmllint refuses.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t sources < <(git ls-files -co --exclude-standard '*.h' '*.cpp')
if [ "${#sources[@]}" -gt 0 ] && ! clang-format --dry-run --Werror "${sources[@]}"; then
  echo "lint: formatting differs from .clang-format; run: git ls-files '*.h' '*.cpp' | xargs clang-format -i" >&2
  exit 1
fi

QMLLINT=$(command -v qmllint || echo /usr/lib/qt5/bin/qmllint)
mapfile -t qml < <(git ls-files -co --exclude-standard '*.qml')
if [ "${#qml[@]}" -gt 0 ]; then
  "$QMLLINT" "${qml[@]}"
fi
echo "lint: clean (${#sources[@]} C++ files, ${#qml[@]} QML files)"
