#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lint: every C++ file formatted as .clang-format says, and the program's own sources (src/, tools/)
# free of what .clang-tidy looks for (unused includes, bugprone patterns, functions too long to
# read). Needs a configured build folder for its compile_commands.json (make lint makes one).
#
#   lint.sh BUILD_DIR
#
# CLANG_TIDY names another clang-tidy to run (a newer one, or a stand-in to check this script).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
format=clang-format-19
tidy=${CLANG_TIDY:-clang-tidy-19}
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
# types on through their own headers), so that half is left out. A clang-tidy that is missing,
# crashes, cannot read a file or reports nothing where it must is a failed lint, never a clean one.
if [ ! -f "$build/compile_commands.json" ]; then
  echo "lint: $build/compile_commands.json is missing (configure the build first)" >&2
  exit 1
fi
if ! command -v "$tidy" >/dev/null 2>&1; then
  echo "lint: $tidy is not installed (make lint installs it)" >&2
  exit 1
fi
runs=$(mktemp -d)
trap 'rm -rf "$runs"' EXIT

# First a file with a known fault, under the project's checks: a clang-tidy that does not report it
# would pass every source without looking.
printf 'int Canary(int x) { return sizeof(sizeof(x)); }\n' >"$runs/canary.cpp"
canary_status=0
"$tidy" --quiet --config-file="$root/.clang-tidy" "$runs/canary.cpp" -- -std=c++20 \
  >"$runs/canary.out" 2>"$runs/canary.err" || canary_status=$?
if [ "$canary_status" -ne 1 ] || ! grep -q 'canary\.cpp:.*\[bugprone-sizeof-expression' "$runs/canary.out"; then
  cat "$runs/canary.out" "$runs/canary.err" >&2
  echo "lint: $tidy did not report the fault in a test file (exit status $canary_status); it cannot be trusted" >&2
  exit 1
fi

# Each run (four files) keeps its output, its errors and its exit status apart, so that a run that
# found something is told from one that failed.
# The browser's own sources (the web backend, the program's start and its sound output in the page)
# are compiled by emscripten alone, not in this build's database: the WebAssembly build checks them
# (-Werror).
mapfile -t sources < <(git ls-files -- 'src/*.cpp' 'tools/*.cpp' ':!src/platform/backend/web/*' \
  ':!src/app/main_web.cpp' ':!src/platform/mci/page_output.cpp')
: >"$runs/report"
# shellcheck disable=SC2016  # the run's own arguments expand inside it
printf '%s\0' "${sources[@]}" |
  xargs -0 -P "$jobs" -n 4 bash -c '
    run=$(mktemp -p "$0" run.XXXXXX)
    printf "%s\n" "${@:3}" >"$run.files"
    code=0
    "$1" -p "$2" --quiet --extra-arg=-Wno-deprecated-declarations "${@:3}" >"$run.out" 2>"$run.err" || code=$?
    echo "$code" >"$run.status"' "$runs" "$tidy" "$build"
diagnostic='^[^ ].*: (warning|error): '
# What a failed run said, without the include check's half that is left out and the counts and
# progress lines clang-tidy always prints.
show_failure() {
  grep -E 'error:' "$1.out" | grep -v 'no header providing' >&2 || true
  grep -vE 'warnings? (generated|treated as errors)\.?$|^\[[0-9]+/[0-9]+\] Processing file|^Suppressed ' "$1.err" >&2 || true
}
shopt -s nullglob
for statusfile in "$runs"/run.*.status; do
  run=${statusfile%.status}
  code=$(cat "$statusfile")
  files=$(tr '\n' ' ' <"$run.files")
  # Exit status 1 is clang-tidy's "found something" (every check counts as an error here); it must
  # come with what it found. Anything else, or a file it could not read or compile, is a failure.
  if grep -q '^Error while processing' "$run.err"; then
    show_failure "$run"
    echo "lint: $tidy could not process some of: $files" >&2
    status=1
    continue
  fi
  if [ "$code" -eq 0 ] || { [ "$code" -eq 1 ] && grep -qE "$diagnostic" "$run.out"; }; then
    cat "$run.out" >>"$runs/report"
    continue
  fi
  show_failure "$run"
  if [ "$code" -gt 128 ]; then
    echo "lint: $tidy crashed or was killed (exit status $code) on: $files" >&2
  elif [ "$code" -eq 1 ]; then
    echo "lint: $tidy failed without naming a problem on: $files" >&2
  else
    echo "lint: $tidy stopped with exit status $code on: $files" >&2
  fi
  status=1
done
if [ "$(find "$runs" -name 'run.*.status' | wc -l)" -ne $(((${#sources[@]} + 3) / 4)) ]; then
  echo "lint: $tidy did not run on every source file" >&2
  status=1
fi
findings=$(grep -E "$diagnostic" "$runs/report" | grep -v 'no header providing' | sort -u || true)
if [ -n "$findings" ]; then
  echo "$findings" >&2
  echo "lint: clang-tidy found $(echo "$findings" | wc -l) problem(s)" >&2
  status=1
fi

[ "$status" -eq 0 ] && echo "lint: clean"
exit "$status"
