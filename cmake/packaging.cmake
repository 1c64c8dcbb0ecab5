# Install rules and the Debian package (cpack -G DEB).
#
# The program looks for its companions (uniform.exe, the editor) beside itself, so the whole
# program folder is installed as one folder, /usr/lib/meldrit, with links to the two programs in
# /usr/bin. The desktop entry, the icon, the AppStream file and the manual pages go where the
# desktop and man(1) look for them.
#
# The icon's PNG sizes are rendered from its SVG with rsvg-convert and the page of meldrit-cli is
# made from its --help with help2man; a build without these tools installs neither, a package
# build (MELDRIT_PACKAGE) requires them.

option(MELDRIT_PACKAGE "Require every file of the Debian package (icons, manual pages)" OFF)

set(MELDRIT_INSTALL_FOLDER lib/meldrit)
set(MELDRIT_APP_ID org.korvane.Meldrit)
set(MELDRIT_PACKAGING_SOURCE ${CMAKE_SOURCE_DIR}/packaging)
set(MELDRIT_PACKAGING_BINARY ${CMAKE_BINARY_DIR}/packaging)

set(meldrit_programs meldrit-cli uniform_tool)
if(MELDRIT_BUILD_GUI)
  list(APPEND meldrit_programs meldrit editor)
endif()
install(TARGETS ${meldrit_programs} RUNTIME DESTINATION ${MELDRIT_INSTALL_FOLDER})

# Relative links, so that they hold in the staging folder of the package as well as under /usr.
set(meldrit_links "meldrit-cli=../${MELDRIT_INSTALL_FOLDER}/meldrit-cli")
if(MELDRIT_BUILD_GUI)
  list(APPEND meldrit_links "meldrit=../${MELDRIT_INSTALL_FOLDER}/meldrit")
endif()
foreach(link IN LISTS meldrit_links)
  string(REPLACE "=" ";" link ${link})
  list(GET link 0 name)
  list(GET link 1 target)
  install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(MAKE_DIRECTORY \"\${bin}\")
    message(STATUS \"Installing: \${bin}/${name} -> ${target}\")
    file(CREATE_LINK \"${target}\" \"\${bin}/${name}\" SYMBOLIC)")
endforeach()
if(MELDRIT_BUILD_GUI)
  # The command lines name the editor in both spellings; one file serves both.
  install(CODE "
    set(folder \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${MELDRIT_INSTALL_FOLDER}\")
    message(STATUS \"Installing: \${folder}/WORDPAD.exe -> wordpad.exe\")
    file(CREATE_LINK wordpad.exe \"\${folder}/WORDPAD.exe\" SYMBOLIC)")

  install(FILES ${MELDRIT_PACKAGING_SOURCE}/${MELDRIT_APP_ID}.desktop DESTINATION share/applications)
  install(FILES ${MELDRIT_PACKAGING_SOURCE}/${MELDRIT_APP_ID}.metainfo.xml DESTINATION share/metainfo)
  install(FILES ${MELDRIT_PACKAGING_SOURCE}/meldrit.svg DESTINATION share/icons/hicolor/scalable/apps)
endif()

# The data set of the README's tour.
if(EXISTS ${CMAKE_SOURCE_DIR}/examples)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/examples/ DESTINATION share/meldrit/examples
    PATTERN ".git*" EXCLUDE)
endif()

set(meldrit_tool_mode "")
if(MELDRIT_PACKAGE)
  set(meldrit_tool_mode REQUIRED)
endif()
find_program(MELDRIT_RSVG_CONVERT rsvg-convert ${meldrit_tool_mode})
find_program(MELDRIT_HELP2MAN help2man ${meldrit_tool_mode})
find_program(MELDRIT_GZIP gzip ${meldrit_tool_mode})

set(meldrit_generated "")
if(MELDRIT_BUILD_GUI AND MELDRIT_RSVG_CONVERT)
  foreach(size 16 22 24 32 48 64 128 256)
    set(png ${MELDRIT_PACKAGING_BINARY}/icons/${size}x${size}/meldrit.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${MELDRIT_PACKAGING_BINARY}/icons/${size}x${size}
      COMMAND ${MELDRIT_RSVG_CONVERT} --width ${size} --height ${size} --output ${png}
              ${MELDRIT_PACKAGING_SOURCE}/meldrit.svg
      DEPENDS ${MELDRIT_PACKAGING_SOURCE}/meldrit.svg
      COMMENT "Rendering the ${size}x${size} icon")
    list(APPEND meldrit_generated ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

if(MELDRIT_GZIP)
  # Debian ships manual pages compressed, without a time stamp.
  if(MELDRIT_BUILD_GUI)
    set(page ${MELDRIT_PACKAGING_BINARY}/man/meldrit.1)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${MELDRIT_PACKAGING_BINARY}/man
      COMMAND ${CMAKE_COMMAND} -E copy ${MELDRIT_PACKAGING_SOURCE}/meldrit.1 ${page}
      COMMAND ${MELDRIT_GZIP} -9nf ${page}
      DEPENDS ${MELDRIT_PACKAGING_SOURCE}/meldrit.1
      COMMENT "Compressing the manual page of meldrit")
    list(APPEND meldrit_generated ${page}.gz)
    install(FILES ${page}.gz DESTINATION share/man/man1)
  endif()
  if(MELDRIT_HELP2MAN AND NOT CMAKE_CROSSCOMPILING)
    set(page ${MELDRIT_PACKAGING_BINARY}/man/meldrit-cli.1)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${MELDRIT_PACKAGING_BINARY}/man
      COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:meldrit-cli> -DHELP2MAN=${MELDRIT_HELP2MAN}
              -DINCLUDE=${MELDRIT_PACKAGING_SOURCE}/meldrit-cli.h2m -DOUTPUT=${page}
              -P ${CMAKE_SOURCE_DIR}/cmake/meldrit-cli-man-page.cmake
      COMMAND ${MELDRIT_GZIP} -9nf ${page}
      DEPENDS meldrit-cli ${MELDRIT_PACKAGING_SOURCE}/meldrit-cli.h2m
              ${CMAKE_SOURCE_DIR}/cmake/meldrit-cli-man-page.cmake
      COMMENT "Writing the manual page of meldrit-cli")
    list(APPEND meldrit_generated ${page}.gz)
    install(FILES ${page}.gz DESTINATION share/man/man1)
  endif()
endif()

# Debian's copyright file (machine-readable; the project is under the MIT licence and bundles no
# third-party code but the viridis coefficients, CC0) and the changelog every Debian package carries, compressed without a time stamp.
install(FILES ${MELDRIT_PACKAGING_SOURCE}/copyright DESTINATION share/doc/meldrit)
if(MELDRIT_GZIP)
  # A native package (no Debian revision) names it changelog.gz.
  set(changelog ${MELDRIT_PACKAGING_BINARY}/doc/changelog)
  string(TIMESTAMP meldrit_changelog_date "%a, %d %b %Y 00:00:00 +0000" UTC)
  file(WRITE ${changelog}.in
    "meldrit (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
    "  * Release ${PROJECT_VERSION}.\n\n"
    " -- Meldrit maintainers <maintainers@meldrit.invalid>  ${meldrit_changelog_date}\n")
  add_custom_command(OUTPUT ${changelog}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${changelog}.in ${changelog}
    COMMAND ${MELDRIT_GZIP} -9nf ${changelog}
    DEPENDS ${changelog}.in
    COMMENT "Compressing the changelog")
  list(APPEND meldrit_generated ${changelog}.gz)
  install(FILES ${changelog}.gz DESTINATION share/doc/meldrit)
endif()
add_custom_target(meldrit_package_files ALL DEPENDS ${meldrit_generated})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME meldrit)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Meldrit maintainers <maintainers@meldrit.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "probability-field simulations on regular grids")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Meldrit is a desktop program for geostatisticians. It runs probability-field\n\
(p-field) simulations on regular grids of nodes, with local ccdfs or with a\n\
multiphase set of ccdfs, and turns data columns into uniform scores. Every\n\
input and output is a plain text file.\n\
.\n\
The package holds the desktop program meldrit and the batch front end\n\
meldrit-cli, which runs the same jobs and writes identical files.")
# MIT, as SPDX names it. Debian's control file has no licence field: the copyright file says
# "License: MIT" there.
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
