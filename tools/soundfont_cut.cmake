# SPDX-License-Identifier: GPL-3.0-or-later
# The soundfont the browser build ships: TimGM6mb (Debian's timgm6mb-soundfont, GPL-2) cut to the
# presets the fifteen key files play (soundfont_cutter.cpp). The native build makes it too when the
# source is installed, for the audio test that plays the key files from both and compares.
set(TESSIVO_SOUNDFONT_SOURCE "/usr/share/sounds/sf2/TimGM6mb.sf2" CACHE FILEPATH
    "The General MIDI soundfont the browser build's soundfont is cut from")
set(tessivo_soundfont_cut "${CMAKE_BINARY_DIR}/tessivo_keys.sf2")
if(NOT EXISTS "${TESSIVO_SOUNDFONT_SOURCE}")
  if(EMSCRIPTEN)
    message(FATAL_ERROR "${TESSIVO_SOUNDFONT_SOURCE} is missing: install timgm6mb-soundfont "
                        "(scripts/install-deps.sh web)")
  endif()
  set(tessivo_soundfont_cut "")
  return()
endif()
add_executable(soundfont_cutter ${CMAKE_CURRENT_LIST_DIR}/soundfont_cutter.cpp)
target_link_libraries(soundfont_cutter PRIVATE tessivo_base)
set_target_properties(soundfont_cutter PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
add_custom_command(
  OUTPUT ${tessivo_soundfont_cut}
  COMMAND soundfont_cutter ${TESSIVO_SOUNDFONT_SOURCE} ${tessivo_soundfont_cut} ${tessivo_midi_files}
  DEPENDS soundfont_cutter ${tessivo_midi_files} ${TESSIVO_SOUNDFONT_SOURCE}
  COMMENT "Cutting the soundfont to the key files' instruments")
add_custom_target(soundfont_cut DEPENDS ${tessivo_soundfont_cut})
