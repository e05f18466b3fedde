# SPDX-License-Identifier: GPL-3.0-or-later
# The WebAssembly build (Debian's emscripten): the libraries of every layer, the headless backend
# and its driver, and the unit and headless test programs, each a node program that ctest runs.
# The X11 backend, the program itself and the screen readers' bridge are not built here.
#
#   make test-web     (scripts/install-deps.sh web, then this with build-web/deps as below)
#   cmake -S . -B build-web -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
#     -DTESSIVO_WEB_LIBRARIES=build-web/deps/prefix
#
# What emscripten's own "ports" would download (FreeType, zlib, libpng, GoogleTest) comes from
# TESSIVO_WEB_LIBRARIES, built from Debian's source packages by scripts/web-libraries.sh.

set(TESSIVO_WEB_LIBRARIES "${CMAKE_BINARY_DIR}/deps/prefix" CACHE PATH
    "The libraries built for WebAssembly by scripts/web-libraries.sh")
if(NOT EXISTS "${TESSIVO_WEB_LIBRARIES}/lib/libfreetype.a")
  message(FATAL_ERROR "No FreeType for WebAssembly in ${TESSIVO_WEB_LIBRARIES}: run "
                      "scripts/install-deps.sh web ${CMAKE_BINARY_DIR}/deps (make test-web does)")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH "${TESSIVO_WEB_LIBRARIES}")

set(TESSIVO_BENCH OFF CACHE BOOL "" FORCE)
set(TESSIVO_FUZZ OFF CACHE BOOL "" FORCE)

# Node 20 runs what emscripten 3.1.6 writes only without its experimental fetch (the generated
# loader takes fetch for a browser's); ctest, the build's generators and the test discovery all
# run the programs through this. It replaces the emulator emcmake would set.
set(CMAKE_CROSSCOMPILING_EMULATOR node --no-experimental-fetch)
# emcc's JavaScript optimiser, run at each link, needs Debian's acorn, which node finds only here.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)

# How the program's wait yields to the browser, which decides how it throws and catches (its
# exception class, the window description reader):
#   asyncify  Asyncify rewrites the code so that its stack can be unwound and rewound; it cannot
#             rewrite WebAssembly's own exception instructions, so exceptions are emscripten's,
#             through JavaScript. Every browser runs it. This build's libraries serve the tests too.
#   jspi      the browser suspends the stack itself (JavaScript promise integration), and
#             exceptions are WebAssembly's own. The code is a third smaller and runs without a
#             call through JavaScript around every call that may throw; the page loads it where
#             the browser offers the integration (src/CMakeLists.txt builds it beside the other).
# In both a raise address has no place in the module (core/exceptions.h), so emscripten's offset
# converter, which the page would run over its whole code at start, is not linked.
set(TESSIVO_WEB_WAIT "asyncify" CACHE STRING "How the page's wait yields to the browser: asyncify or jspi")
set_property(CACHE TESSIVO_WEB_WAIT PROPERTY STRINGS asyncify jspi)
if(TESSIVO_WEB_WAIT STREQUAL "jspi")
  add_compile_options(-fwasm-exceptions)
  add_link_options(-fwasm-exceptions)
  add_compile_definitions(TESSIVO_WEB_JSPI)
elseif(TESSIVO_WEB_WAIT STREQUAL "asyncify")
  add_compile_options(-fexceptions)
  add_link_options(-fexceptions)
else()
  message(FATAL_ERROR "TESSIVO_WEB_WAIT is asyncify or jspi, not ${TESSIVO_WEB_WAIT}")
endif()
add_link_options(-sALLOW_MEMORY_GROWTH=1)
# What a program run under node (the tests, the build's generators) is linked with, in their own
# folders (tools/, tests/): the machine's files as they are (the key files beside the tests, the
# reference images, the fonts, the test cache folders), the exit code of main as the process's,
# and the process's environment as getenv sees it (emscripten's own is a fixed set of names).
set(TESSIVO_NODE_LINK_OPTIONS -sENVIRONMENT=node -sNODERAWFS=1 -sEXIT_RUNTIME=1
  "SHELL:--pre-js ${CMAKE_CURRENT_LIST_DIR}/web_environment.js")

# The libraries the native build finds through pkg-config, under the same names.
add_library(PkgConfig::FREETYPE INTERFACE IMPORTED)
target_include_directories(PkgConfig::FREETYPE INTERFACE "${TESSIVO_WEB_LIBRARIES}/include/freetype2")
target_link_libraries(PkgConfig::FREETYPE INTERFACE "${TESSIVO_WEB_LIBRARIES}/lib/libfreetype.a"
  "${TESSIVO_WEB_LIBRARIES}/lib/libz.a")
add_library(PkgConfig::LIBPNG INTERFACE IMPORTED)
target_include_directories(PkgConfig::LIBPNG INTERFACE "${TESSIVO_WEB_LIBRARIES}/include")
target_link_libraries(PkgConfig::LIBPNG INTERFACE "${TESSIVO_WEB_LIBRARIES}/lib/libpng16.a"
  "${TESSIVO_WEB_LIBRARIES}/lib/libz.a")
find_package(Threads REQUIRED)

# FluidSynth and fontconfig are never loaded here (run-time loading is not available: the
# multimedia service reports its library missing, as on a desktop without it, and fonts are files
# in one folder), but their headers still give the types and the weight and slant scales the
# platform uses. Only they are seen, not the rest of the host's headers.
set(web_host_headers "${CMAKE_BINARY_DIR}/host-headers")
file(MAKE_DIRECTORY "${web_host_headers}")
foreach(header IN ITEMS fluidsynth.h fluidsynth fontconfig)
  if(NOT EXISTS "/usr/include/${header}")
    message(FATAL_ERROR "/usr/include/${header} is missing: install libfluidsynth-dev and libfontconfig-dev")
  endif()
  file(CREATE_LINK "/usr/include/${header}" "${web_host_headers}/${header}" SYMBOLIC)
endforeach()
set(FLUIDSYNTH_INCLUDE_DIRS "${web_host_headers}")
set(FONTCONFIG_INCLUDE_DIRS "${web_host_headers}")
set(DBUS_INCLUDE_DIRS "")

# The font files the platform reads in place of asking fontconfig (gfx/font_lookup.cpp): the ones
# Debian's fonts-liberation2 and fonts-dejavu-core install, at the same paths.
set(TESSIVO_WEB_FONT_DIR "/usr/share/fonts/truetype" CACHE PATH "Where the bundled fonts lie")
