#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence's SPDX line into the first comment of every source file that lacks it: the
# C++ sources and headers, the CMake files and the shell and Python scripts of the code folders
# (the same files scripts/lint.sh checks, so a new file without it fails the lint).
#
#   add-spdx.sh   changes the files in place
set -euo pipefail

cd "$(dirname "$0")/.."
readonly spdx="SPDX-License-Identifier: GPL-3.0-or-later"

git ls-files -- CMakeLists.txt src tests tools bench fuzz scripts |
  grep -E '(\.(cpp|h|cmake|sh|py)|CMakeLists\.txt)$' |
  while IFS= read -r file; do
    head -n 3 "$file" | grep -q "$spdx" && continue
    case "$file" in
      *.cpp | *.h) comment="//" ;;
      *) comment="#" ;;
    esac
    if head -n 1 "$file" | grep -q '^#!'; then
      sed -i "1a $comment $spdx" "$file"  # the interpreter line stays first
    else
      sed -i "1i $comment $spdx" "$file"
    fi
  done
