# CLI11 and GoogleTest. A native build takes the installed packages. A cross build cannot: the
# host's GoogleTest libraries are built for the host, and CLI11's include folder (/usr/include on
# Debian) would shadow the cross compiler's own C library. It names their sources instead:
#   MELDRIT_CLI11_INCLUDE_DIR      the folder that holds CLI/CLI.hpp (CLI11 is header-only)
#   MELDRIT_GOOGLETEST_SOURCE_DIR  a GoogleTest source tree, built here with the project's compiler

set(MELDRIT_CLI11_INCLUDE_DIR "" CACHE PATH "Folder holding CLI/CLI.hpp; empty: find the CLI11 package")
set(MELDRIT_GOOGLETEST_SOURCE_DIR "" CACHE PATH "GoogleTest sources to build; empty: find the GTest package")

if(MELDRIT_CLI11_INCLUDE_DIR)
  # Only the CLI folder is copied, so that nothing else of its parent folder is seen.
  file(COPY ${MELDRIT_CLI11_INCLUDE_DIR}/CLI DESTINATION ${CMAKE_BINARY_DIR}/third_party/include)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/third_party/include)
else()
  find_package(CLI11 REQUIRED CONFIG)
endif()

if(MELDRIT_GOOGLETEST_SOURCE_DIR)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # MSVC: the C runtime DLL, as every other target of the project uses.
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  # SYSTEM: its headers are included like those of an installed package, without our warnings.
  add_subdirectory(${MELDRIT_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()
