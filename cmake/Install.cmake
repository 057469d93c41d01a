# Installation and the Debian package: the two programs, the desktop entry
# with its icon and the MIME type of .esp plugins, the manual pages of both
# programs, the demo, and the user manual (Vosk.chm and its HTML pages).
include(${CMAKE_CURRENT_LIST_DIR}/Manual.cmake)

set(QUILLANE_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(QUILLANE_DATA_DEST share/quillane)

install(TARGETS quillane-cli RUNTIME DESTINATION bin)
if(TARGET quillane)
  install(TARGETS quillane RUNTIME DESTINATION bin)
endif()

install(FILES ${QUILLANE_PACKAGING_DIR}/quillane.desktop DESTINATION share/applications)
install(FILES ${QUILLANE_PACKAGING_DIR}/quillane-esp.xml DESTINATION share/mime/packages)
foreach(size 16 32 48 64 128 256)
  install(FILES ${QUILLANE_PACKAGING_DIR}/icons/quillane-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME quillane.png)
endforeach()
install(FILES ${QUILLANE_PACKAGING_DIR}/icons/quillane.svg DESTINATION share/icons/hicolor/scalable/apps)

# Debian keeps manual pages compressed.
find_program(QUILLANE_GZIP gzip)
set(man_pages)
foreach(page quillane.1 quillane-cli.1)
  if(QUILLANE_GZIP)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${page}.gz
      COMMAND ${CMAKE_COMMAND} -E copy ${QUILLANE_PACKAGING_DIR}/${page} ${CMAKE_BINARY_DIR}
      COMMAND ${QUILLANE_GZIP} -9nf ${CMAKE_BINARY_DIR}/${page}
      DEPENDS ${QUILLANE_PACKAGING_DIR}/${page} VERBATIM)
    list(APPEND man_pages ${CMAKE_BINARY_DIR}/${page}.gz)
  else()
    list(APPEND man_pages ${QUILLANE_PACKAGING_DIR}/${page})
  endif()
endforeach()
if(QUILLANE_GZIP)
  add_custom_target(man_page ALL DEPENDS ${man_pages})
endif()
install(FILES ${man_pages} DESTINATION share/man/man1)

# The demo as the source tree has it; a program directory is seeded from it.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/demo/data ${CMAKE_SOURCE_DIR}/demo/plugins
                  ${CMAKE_SOURCE_DIR}/demo/source ${CMAKE_SOURCE_DIR}/demo/cyrillic
        DESTINATION ${QUILLANE_DATA_DEST}/demo)
install(DIRECTORY DESTINATION ${QUILLANE_DATA_DEST}/demo/dataextra)
install(FILES ${CMAKE_SOURCE_DIR}/demo/make_demo.py DESTINATION ${QUILLANE_DATA_DEST}/demo)

# The manual: the pages once for the program (Help), once as documentation.
if(QUILLANE_CHMCMD)
  install(FILES ${QUILLANE_MANUAL_CHM} DESTINATION ${QUILLANE_DATA_DEST})
endif()
install(FILES ${QUILLANE_MANUAL_PAGES} DESTINATION ${QUILLANE_DATA_DEST}/manual)
install(FILES ${QUILLANE_MANUAL_PAGES} DESTINATION share/doc/quillane/manual)

# The Debian package: quillane_<version>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quillane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converts TES3 game plugins from one language version to another")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quillane developers")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Quillane loads a plugin (.esp) of a TES3 game, replaces every translatable
name it knows with its counterpart from dictionary files and the
translator's own translations, lists the names in 25 tabs for review and
editing, and saves the converted plugin with its game settings and cell
references converted too. quillane-cli does the same without a window.")
# The libraries the programs link (Qt 6, the C++ runtime) come from
# dpkg-shlibdeps; Qt finds its window-system plugins in a package of their own.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET quillane)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
include(CPack)
