#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tessivo need.
# Packages that are already installed are skipped, so a second run costs nothing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang
  # display and text
  libx11-dev libxext-dev libxtst-dev libxdamage-dev libfreetype-dev libfontconfig-dev
  fonts-liberation2 fonts-dejavu-core
  # sound
  libfluidsynth-dev fluidsynth fluid-soundfont-gm timgm6mb-soundfont
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libpng-dev xvfb xauth x11-utils openbox xclip
)

# `install-deps.sh bench` adds the peers the start-up benchmark compares against.
if [ "${1:-}" = "bench" ]; then
  packages+=(zenity x11-utils)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
