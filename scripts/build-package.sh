#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package the Debian way (dpkg-buildpackage with debian/) from a copy of the work
# tree's files, so the build's leftovers stay out of the tree and the package lands in a known
# place. The copy holds what git knows of (committed, changed or new, not ignored), as a clean
# clone would.
#
#   build-package.sh [OUT]   OUT (default build-package/) gets tessivo_VERSION_ARCH.deb, its
#                            debug symbols and the build's .buildinfo and .changes
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/build-package}")
version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
source="$out/tessivo-$version"

rm -rf "$out"
mkdir -p "$source"
git -C "$root" ls-files -z --cached --others --exclude-standard |
  tar -C "$root" --null --files-from=- --ignore-failed-read -cf - | tar -C "$source" -xf -

# The compiler cache, where there is one, so a second package build of the same sources compiles
# nothing (the copy's folder is the same each time).
if [ -d /usr/lib/ccache ]; then export PATH="/usr/lib/ccache:$PATH"; fi
export DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}"
(cd "$source" && dpkg-buildpackage -us -uc -b)
rm -rf "$source"
ls "$out"/tessivo_"$version"_*.deb
