# SPDX-License-Identifier: GPL-3.0-or-later
# The program's resources, compiled into one generated source.
add_executable(resource_compiler ${CMAKE_CURRENT_LIST_DIR}/resource_compiler.cpp)
target_link_libraries(resource_compiler PRIVATE tessivo_base)
set_target_properties(resource_compiler PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

file(GLOB_RECURSE tessivo_resource_files CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/resources/*.bmp ${CMAKE_SOURCE_DIR}/resources/*.ico
  ${CMAKE_SOURCE_DIR}/resources/*.form ${CMAKE_SOURCE_DIR}/resources/strings.txt)
set(tessivo_resources_cpp ${CMAKE_BINARY_DIR}/generated/resources.cpp)
add_custom_command(
  OUTPUT ${tessivo_resources_cpp}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated
  COMMAND resource_compiler ${tessivo_resources_cpp} ${tessivo_resource_files}
  DEPENDS resource_compiler ${tessivo_resource_files}
  COMMENT "Compiling the program's resources")
add_library(tessivo_resources STATIC ${tessivo_resources_cpp})
target_include_directories(tessivo_resources PUBLIC ${CMAKE_SOURCE_DIR}/src)
