#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The C and C++ libraries the WebAssembly build links, compiled for it from Debian's own source
# packages with Debian's emscripten: FreeType (text), zlib and libpng (the headless driver's and the
# tests' PNG pictures), GoogleTest (the test programs). Emscripten's "ports" would download these
# from elsewhere; here nothing comes from anywhere but Debian's archive.
#
#   web-libraries.sh DIR     sources in DIR/src, builds in DIR/build, the result in DIR/prefix
#
# A library already in DIR/prefix is not built again; delete DIR to build them all anew.
# Needs the packages of `install-deps.sh web` (which runs this) and a deb-src entry for apt-get
# source (install-deps.sh web adds one for the machine's Debian mirror when there is none).
set -euo pipefail

dir=$(mkdir -p "${1:?usage: $0 DIR}" && cd "$1" && pwd)
src=$dir/src
work=$dir/build
prefix=$dir/prefix
mkdir -p "$src" "$work" "$prefix/lib" "$prefix/include"
# emcc runs its JavaScript optimiser on node with Debian's acorn, which node finds only here.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
jobs=$(nproc)
toolchain=$(dirname "$(readlink -f "$(command -v emcc)")")/cmake/Modules/Platform/Emscripten.cmake
[ -f "$toolchain" ] || toolchain=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake
# The C libraries throw nothing, and are built without any exceptions, so that both builds of the
# page link them: the one that throws through JavaScript (Asyncify) and the one with WebAssembly's
# own exceptions. GoogleTest throws as the tests do (they are built the Asyncify way): a test
# framework built without exceptions could not report a test that throws. Libraries built with
# other flags are built again.
flags="-O2"
test_flags="-O2 -fexceptions"
# FreeType's modules: the page reads four TrueType fonts, hinted by their own instructions and
# drawn anti-aliased, so its TrueType driver, the sfnt tables under it and the smooth renderer are
# all it registers. The others (Type 1, CFF, bitmap fonts, the auto-hinter...) would be code the
# page downloads and compiles at every start and never runs.
freetype_modules="tt_driver_class sfnt_module_class ft_smooth_renderer_class"
build_config="$flags; tests $test_flags; FreeType modules: $freetype_modules"
stamp=$prefix/built-with-flags
if [ -f "$prefix/lib/libz.a" ] && [ "$(cat "$stamp" 2>/dev/null)" != "$build_config" ]; then
  echo "web-libraries: built with another configuration than \"$build_config\": building them again"
  rm -rf "$prefix"
fi

# The unpacked source of a Debian source package (its folder's path on stdout).
debian_source() {
  local package=$1 found
  found=$(find "$src" -maxdepth 1 -type d -name "$2-*" | head -n 1)
  if [ -z "$found" ]; then
    # The newest version apt knows first; a mirror may list a source it does not serve (a security
    # archive's, say), and then the next one is taken.
    local version
    : >"$src/$package.log"
    for version in $(apt-cache showsrc "$package" 2>/dev/null | awk '/^Version:/ { print $2 }' | sort -r -V -u); do
      (cd "$src" && apt-get source -qq "$package=$version" >/dev/null 2>>"$src/$package.log") && break
    done
    found=$(find "$src" -maxdepth 1 -type d -name "$2-*" | head -n 1)
    if [ -z "$found" ]; then
      cat "$src/$package.log" >&2
      echo "web-libraries: apt-get source $package failed (is there a deb-src entry? install-deps.sh web adds one)" >&2
      exit 1
    fi
  fi
  echo "$found"
}

# Stops with the end of a library's build log.
build_failed() {
  tail -n 40 "$work/$1.log" >&2
  echo "web-libraries: building $1 failed (log: $work/$1.log)" >&2
  exit 1
}

# cmake_library NAME SOURCE FLAGS [CMAKE ARGUMENTS...]
cmake_library() {
  local name=$1 source=$2 library_flags=$3
  shift 3
  cmake -S "$source" -B "$work/$name" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$library_flags" -DCMAKE_CXX_FLAGS_RELEASE="$library_flags" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" \
    >"$work/$name.log" 2>&1 &&
    nice cmake --build "$work/$name" -j "$jobs" >>"$work/$name.log" 2>&1 &&
    cmake --install "$work/$name" >>"$work/$name.log" 2>&1 || build_failed "$name"
}

if [ ! -f "$prefix/lib/libz.a" ]; then
  echo "web-libraries: zlib"
  # zlib's own configure script (its CMake file wants a shared library and Windows files that the
  # Debian source leaves out); built in a copy, as the script writes beside the sources.
  zlib=$(debian_source zlib zlib)
  rm -rf "$work/zlib" && cp -r "$zlib" "$work/zlib"
  (cd "$work/zlib" && CFLAGS="$flags" emconfigure ./configure --static --prefix="$prefix" &&
    nice emmake make -j "$jobs" libz.a && make install) >"$work/zlib.log" 2>&1 || build_failed zlib
fi

if [ ! -f "$prefix/lib/libfreetype.a" ]; then
  echo "web-libraries: FreeType"
  # What the program asks of FreeType: TrueType outlines, hinted; no colour or WOFF2 fonts. Its gzip
  # reader takes the zlib above: the copy of zlib it would build otherwise clashes with that one.
  freetype=$(debian_source freetype freetype)
  # FreeType flattens curves one of two ways: stepping (DDA) on x86-64 and ARM64, halving
  # elsewhere, and the two give a few edge pixels of a glyph a coverage one apart. WebAssembly
  # takes the desktop's way, so that text is drawn to the pixel as the desktop draws it (the
  # reference images compare every pixel).
  sed -i 's/^    defined( _M_ARM64 )$/    defined( _M_ARM64 ) || defined( __wasm__ )/' "$freetype/src/smooth/ftgrays.c"
  grep -q "defined( __wasm__ )" "$freetype/src/smooth/ftgrays.c" || {
    echo "web-libraries: FreeType's curve flattening choice was not found in src/smooth/ftgrays.c" >&2
    exit 1
  }
  {
    echo "/* The page's FreeType modules (written by tessivo's scripts/web-libraries.sh). */"
    for module in $freetype_modules; do
      case $module in
        *driver_class) echo "FT_USE_MODULE( FT_Driver_ClassRec, $module )" ;;
        *renderer_class) echo "FT_USE_MODULE( FT_Renderer_Class, $module )" ;;
        *) echo "FT_USE_MODULE( FT_Module_Class, $module )" ;;
      esac
    done
  } >"$freetype/include/freetype/config/ftmodule.h"
  cmake_library freetype "$freetype" "$flags" -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
    -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
fi

if [ ! -f "$prefix/lib/libpng16.a" ]; then
  echo "web-libraries: libpng"
  cmake_library libpng "$(debian_source libpng1.6 libpng1.6)" "$flags" -DPNG_SHARED=OFF -DPNG_STATIC=ON \
    -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
fi

if [ ! -f "$prefix/lib/libgtest.a" ]; then
  echo "web-libraries: GoogleTest"
  # Debian's googletest package is its source; one thread, as the program's tests are.
  cmake_library googletest /usr/src/googletest "$test_flags" -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=ON
fi

mkdir -p "$prefix"
echo "$build_config" >"$stamp"
