#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lint: every C++ file formatted as .clang-format says, and the program's own sources (src/, tools/)
# free of what .clang-tidy looks for (unused includes, bugprone patterns, functions too long to
# read). Needs a configured build folder for its compile_commands.json (make lint makes one).
#
#   lint.sh BUILD_DIR
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
format=clang-format-19
tidy=clang-tidy-19
jobs=$(nproc)
cd "$root"

status=0

# Formatting: clang-format's own check, every file at once.
mapfile -t all < <(git ls-files -- '*.cpp' '*.h')
if ! "$format" --dry-run --Werror "${all[@]}"; then
  echo "lint: some files are not formatted; run: $format -i \$(git ls-files -- '*.cpp' '*.h')" >&2
  status=1
fi

# The licence: every source file names it in its first comment (scripts/add-spdx.sh adds the line;
# the same files as it).
spdx="SPDX-License-Identifier: GPL-3.0-or-later"
unlicensed=$(git ls-files -- CMakeLists.txt src tests tools bench fuzz scripts |
  grep -E '(\.(cpp|h|cmake|sh|py)|CMakeLists\.txt)$' |
  while IFS= read -r file; do head -n 3 "$file" | grep -q "$spdx" || echo "$file"; done)
if [ -n "$unlicensed" ]; then
  echo "$unlicensed" >&2
  echo "lint: these files lack the line \"$spdx\" in their first comment; run scripts/add-spdx.sh" >&2
  status=1
fi

# clang-tidy on the program's sources. Its include check names both includes that nothing uses and
# names used without a direct include; only the first kind is a fault here (the layers hand their
# types on through their own headers), so that half is left out.
if [ ! -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json is missing (configure the build first)" >&2
  exit 1
fi
mapfile -t sources < <(git ls-files -- 'src/*.cpp' 'tools/*.cpp')
report=$(mktemp)
trap 'rm -f "$report"' EXIT
printf '%s\0' "${sources[@]}" |
  xargs -0 -P "$jobs" -n 4 "$tidy" -p "$build" --quiet --extra-arg=-Wno-deprecated-declarations \
    2>/dev/null >"$report" || true
findings=$(grep -E '^[^ ].*: (warning|error): ' "$report" | grep -v 'no header providing' | sort -u || true)
if [ -n "$findings" ]; then
  echo "$findings" >&2
  echo "lint: clang-tidy found $(echo "$findings" | wc -l) problem(s)" >&2
  status=1
fi

[ "$status" -eq 0 ] && echo "lint: clean"
exit "$status"
