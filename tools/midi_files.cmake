# SPDX-License-Identifier: GPL-3.0-or-later
# The fifteen key files, generated from the program's own key and degree tables and written beside
# the program (build/), where the multimedia service looks for a bare file name; installed to
# share/tessivo/. The names here must match the key table; a unit test reads every file back.
add_executable(midi_generator ${CMAKE_CURRENT_LIST_DIR}/midi_generator.cpp)
target_link_libraries(midi_generator PRIVATE tessivo_theory)
set_target_properties(midi_generator PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(tessivo_midi_names
  "do maior.MID" "sol maior.MID" "re maior.MID" "la maior.MID" "mi maior.MID" "si maior.MID"
  "fasus maior.MID" "dosus maior.MID" "fa maior.MID" "sibem maior.MID" "mibem maior.MID"
  "labem maior.MID" "rebem maior.MID" "solbem maior.MID" "dobem maior.MID")
set(tessivo_midi_files)
foreach(name IN LISTS tessivo_midi_names)
  list(APPEND tessivo_midi_files "${CMAKE_BINARY_DIR}/${name}")
endforeach()
add_custom_command(
  OUTPUT ${tessivo_midi_files}
  COMMAND midi_generator ${CMAKE_BINARY_DIR}
  DEPENDS midi_generator
  COMMENT "Writing the fifteen key MIDI files")
add_custom_target(midi_files ALL DEPENDS ${tessivo_midi_files})

include(GNUInstallDirs)
install(FILES ${tessivo_midi_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/tessivo)

# The program and the audio tests open these files: make them part of building either. The
# targets are made later in the configure run, so the link is made at its end.
function(tessivo_midi_files_dependents)
  foreach(target IN ITEMS tessivo audio_tests unit_tests headless_tests x11_tests)
    if(TARGET ${target})
      add_dependencies(${target} midi_files)
    endif()
  endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tessivo_midi_files_dependents)
