#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every benchmark program of the build, one after the other, so their figures are comparable
# (the machine has two cores; running them in parallel would measure contention).
set -euo pipefail
build=${1:-build}
shopt -s nullglob
ran=0
for b in "$build"/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2
  ran=1
done
for s in scripts/bench-*.sh; do
  echo "== $(basename "$s")"
  bash "$s" "$build"
  ran=1
done
[ "$ran" = 1 ] || echo "no benchmarks built"
