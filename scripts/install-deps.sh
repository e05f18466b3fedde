#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Tessivo needs. Packages already installed are skipped, so a second
# run costs nothing.
#
#   install-deps.sh run     what the installed program needs to run, and nothing else
#   install-deps.sh build   that, plus what building it needs (make run)
#   install-deps.sh         that, plus what the tests need (make test; the default)
#   install-deps.sh bench   that, plus the peers the start-up benchmark compares against
#   install-deps.sh lint    what building needs, plus clang-format and clang-tidy (make lint)
#   install-deps.sh package what building needs, plus the Debian packaging tools and the checks of
#                           the package (make package, scripts/check-package.sh)
#   install-deps.sh web [DIR]  Debian's emscripten, node and Chromium, npm's packages (package.json),
#                           and the libraries the WebAssembly build links, compiled from Debian's
#                           source packages into DIR/prefix (build-web/deps unless given;
#                           scripts/web-libraries.sh; make web, make test-web)
set -euo pipefail

mode=${1:-test}

# The program itself: Xlib, FreeType and fontconfig, its font, and FluidSynth (opened when the
# first key is chosen) with a General MIDI soundfont.
run_packages=(
  libx11-6 libxext6 libfreetype6 libfontconfig1 fonts-liberation2
  libfluidsynth3 fluid-soundfont-gm
)
# libdbus-1's header for the accessibility bridge (the library itself is opened at run time);
# gettext's msgfmt builds the message catalogue.
build_packages=(
  build-essential cmake ninja-build pkg-config gettext
  libx11-dev libxext-dev libxtst-dev libxdamage-dev libfreetype-dev libfontconfig-dev
  libfluidsynth-dev libpng-dev libgtest-dev libgmock-dev libbenchmark-dev libdbus-1-dev
)
# Xvfb and openbox for the x11 tests; xclip as a second clipboard client; a second soundfont and
# the fluidsynth command for the audio tests; a PulseAudio daemon and its recorder for the test that
# plays through a real sound server; clang for the fuzzers; a session bus, the accessibility bus
# and the system python's AT-SPI bindings for the screen-reader client, a GTK dialog (zenity) the
# client is proved on, and Orca to hear what a screen reader says. locales holds what the
# Brazilian Portuguese locale is made from (below), in which a test reads the platform's messages.
test_packages=(
  xvfb xauth x11-utils openbox xclip fonts-dejavu-core locales
  fluidsynth timgm6mb-soundfont clang pulseaudio pulseaudio-utils
  dbus at-spi2-core python3-gi gir1.2-atspi-2.0 orca zenity
)
bench_packages=(zenity x11-utils)
lint_packages=(clang-format-19 clang-tidy-19)
# debhelper and dpkg-dev build the package (ccache, when there, speeds a second build); lintian,
# appstreamcli and desktop-file-validate check it; Xvfb and xdotool start the unpacked program and
# choose a key in it.
package_packages=(
  debhelper dpkg-dev fakeroot lintian appstream desktop-file-utils
  xvfb xauth xdotool
)

# emscripten (its C and C++ libraries come prebuilt with it) and node to run what it builds;
# dpkg-dev unpacks the source packages of the libraries it does not have; the FluidSynth and
# fontconfig headers give function types and constants (neither library is loaded there); the
# fonts are the files the build reads instead of asking fontconfig; googletest is GoogleTest's
# source; the page's soundfont is cut from TimGM6mb (tools/soundfont_cut.cmake).
web_packages=(
  cmake ninja-build dpkg-dev emscripten nodejs libfluidsynth-dev libfontconfig-dev googletest
  fonts-liberation2 fonts-dejavu-core timgm6mb-soundfont chromium python3-fonttools
)
# (chromium: the browser tests drive Debian's own, headless; no browser is downloaded.
# python3-fonttools cuts the page's fonts to the characters the program shows.)

case "$mode" in
  run) packages=("${run_packages[@]}") ;;
  build) packages=("${run_packages[@]}" "${build_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${build_packages[@]}" "${test_packages[@]}") ;;
  bench) packages=("${run_packages[@]}" "${build_packages[@]}" "${test_packages[@]}" "${bench_packages[@]}") ;;
  lint) packages=("${run_packages[@]}" "${build_packages[@]}" "${lint_packages[@]}") ;;
  package) packages=("${run_packages[@]}" "${build_packages[@]}" "${package_packages[@]}") ;;
  web) packages=("${web_packages[@]}") ;;
  *) echo "usage: $0 [run|build|test|bench|lint|package|web [DIR]]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# The tests read the platform's messages in Brazilian Portuguese: gettext translates only for a
# locale the system has, and a fresh Debian has only C.UTF-8.
need_locale=no
case "$mode" in
  test | bench) locale -a 2>/dev/null | grep -qix 'pt_BR.utf-\?8' || need_locale=yes ;;
esac

sudo=""
if [ "$(id -u)" -ne 0 ] && { [ ${#missing[@]} -gt 0 ] || [ "$mode" = web ] || [ "$need_locale" = yes ]; }; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "Tessivo needs these Debian packages: ${missing[*]} (and the pt_BR.UTF-8 locale for its tests)" >&2
    echo "There is no sudo here; as root, run:" >&2
    echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ "$need_locale" = yes ]; then
  echo "Generating the pt_BR.UTF-8 locale"
  $sudo localedef -i pt_BR -c -f UTF-8 pt_BR.UTF-8
fi

[ "$mode" = web ] || exit 0

# What npm's registry gives (package.json, at the versions package-lock.json pins): the synthesizer
# the page ships and the driver the browser tests use. npm comes with node, or from Debian.
if ! command -v npm >/dev/null 2>&1; then
  $sudo apt-get install -y -qq --no-install-recommends npm
fi
root=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -f "$root/node_modules/.package-lock.json" ] || [ "$root/package-lock.json" -nt "$root/node_modules/.package-lock.json" ]; then
  (cd "$root" && npm ci --no-audit --no-fund --ignore-scripts)
fi

# The sources of the libraries the WebAssembly build compiles come from the same Debian archive as
# the machine's packages: when apt knows no source package yet, a deb-src entry is added for each
# Debian archive the machine installs from (deb822 .sources files and one-line .list files alike).
if [ -z "$(apt-cache showsrc freetype 2>/dev/null)" ]; then
  entries=$(mktemp)
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)Types:[^\n]*deb/ && /(^|\n)URIs:[^\n]*debian/ && !/(^|\n)Enabled: *no/ {
           sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$f"
  done >"$entries"
  if [ -s "$entries" ]; then
    $sudo install -m 644 "$entries" /etc/apt/sources.list.d/tessivo-deb-src.sources
  fi
  awk '$1 == "deb" && /debian/ { $1 = "deb-src"; print }' /etc/apt/sources.list \
    /etc/apt/sources.list.d/*.list 2>/dev/null >"$entries" || true
  if [ -s "$entries" ]; then
    $sudo install -m 644 "$entries" /etc/apt/sources.list.d/tessivo-deb-src.list
  fi
  rm -f "$entries"
  echo "Added deb-src entries for Debian's archive; updating the package lists"
  $sudo apt-get update -qq
fi
bash "$(dirname "$0")/web-libraries.sh" "${2:-build-web/deps}"
