#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The browser build's benchmark: time from navigation to the first frame of the program's page
# (each of its two builds) against the floor page (bench/web/floor_page.cpp, built here with the
# same toolchain), and the site's weight gzipped, against the same floor. Needs make web first
# (skipped without its site).
set -euo pipefail
site=${WEB_SITE:-build-web/site}
runs=${RUNS:-9}
[ -f "$site/tessivo.wasm" ] || { echo "no browser build in $site (make web)"; exit 0; }
floor=$(mktemp -d)
trap 'rm -rf "$floor"' EXIT
NODE_PATH=/usr/share/nodejs em++ -O2 -sENVIRONMENT=web bench/web/floor_page.cpp -o "$floor/floor.js"
printf '<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>floor</title></head>\n<body><script src="floor.js"></script></body></html>\n' >"$floor/index.html"
# The page as Chromium runs it (the build for the browser's own suspension), the Asyncify build as
# a browser without it runs it, and the floor.
node bench/web/first_frame.mjs "$runs" "tessivo=$site" "tessivo-asyncify=$site@no-jspi" "floor=$floor"
weight() { find "$1" -type f -print0 | xargs -0 -I{} sh -c 'gzip -9c "{}" | wc -c' | awk '{s += $1} END {print s}'; }
t=$(weight "$site")
f=$(weight "$floor")
awk -v t="$t" -v f="$f" 'BEGIN {printf "site gzipped: tessivo %.0f KB, floor %.0f KB, ratio %.1f\n", t / 1024, f / 1024, t / f}'
