#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a bounded time: the MIDI
# reader with the sequencer's cursor, seeded with the program's fifteen key files and the hostile
# files of fuzz/seeds; the window description parser, seeded with the program's description; the
# reader of the remembered font answers, seeded with a file the program wrote (fuzz/seeds/font-matches).
# FUZZ_SECONDS (default 60) sets each one's time, FUZZ_BUILD the build directory. Exits non-zero if the fuzzer finds a fault (its input is kept
# in the build directory as crash-*, leak-*, timeout-* or oom-*).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}

if ! command -v clang++ >/dev/null; then
  echo "run-fuzz: clang++ is needed (make deps installs it)" >&2
  exit 1
fi

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSIVO_FUZZ=ON -DTESSIVO_TESTS=OFF -DTESSIVO_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_midi_reader fuzz_window_description fuzz_remembered_fonts \
  midi_files

corpus="$build/fuzz-corpus"
mkdir -p "$corpus"
cp "$build"/*.MID "$root"/fuzz/seeds/*.mid "$corpus"/

cd "$build"
start=$(date +%s)
./fuzz_midi_reader -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 "$corpus"
echo "run-fuzz: the MIDI reader ran clean for $(( $(date +%s) - start )) s"

# The window description parser, seeded with the program's own description.
desc_corpus="$build/fuzz-corpus-descriptions"
mkdir -p "$desc_corpus"
cp "$root"/resources/*.form "$desc_corpus"/
start=$(date +%s)
./fuzz_window_description -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len=16384 \
  -print_final_stats=1 "$desc_corpus"
echo "run-fuzz: the window description parser ran clean for $(( $(date +%s) - start )) s"

# The reader of the remembered font answers, seeded with a file the program wrote.
fonts_corpus="$build/fuzz-corpus-font-matches"
mkdir -p "$fonts_corpus"
cp "$root"/fuzz/seeds/font-matches "$fonts_corpus"/
start=$(date +%s)
./fuzz_remembered_fonts -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len=16384 \
  -print_final_stats=1 "$fonts_corpus"
echo "run-fuzz: the remembered font answers' reader ran clean for $(( $(date +%s) - start )) s"
