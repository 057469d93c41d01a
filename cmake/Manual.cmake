# The user manual: HTML pages in docs/manual, compiled into Vosk.chm, which
# "Help" opens from the program directory. The pages are those the help
# project lists under [FILES]; the same list is installed as plain HTML, and
# copied into the program directory's folder manual/, which Help opens in the
# browser where no viewer of compiled help is installed.
set(QUILLANE_MANUAL_DIR ${CMAKE_SOURCE_DIR}/docs/manual)
file(STRINGS ${QUILLANE_MANUAL_DIR}/Vosk.hhp hhp_lines)
set(QUILLANE_MANUAL_PAGES)
set(in_files FALSE)
foreach(line IN LISTS hhp_lines)
  string(STRIP "${line}" line)
  if(line MATCHES "^\\[")
    set(in_files FALSE)
    if(line STREQUAL "[FILES]")
      set(in_files TRUE)
    endif()
  elseif(in_files AND NOT line STREQUAL "")
    list(APPEND QUILLANE_MANUAL_PAGES ${QUILLANE_MANUAL_DIR}/${line})
  endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUILLANE_MANUAL_DIR}/Vosk.hhp)

set(QUILLANE_MANUAL_HTML_DIR ${QUILLANE_PROGRAM_DIR}/manual)
set(manual_html)
foreach(page IN LISTS QUILLANE_MANUAL_PAGES)
  get_filename_component(name ${page} NAME)
  list(APPEND manual_html ${QUILLANE_MANUAL_HTML_DIR}/${name})
endforeach()
add_custom_command(OUTPUT ${manual_html}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILLANE_MANUAL_HTML_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${QUILLANE_MANUAL_PAGES} ${QUILLANE_MANUAL_HTML_DIR}
  DEPENDS ${QUILLANE_MANUAL_PAGES} VERBATIM)

find_program(QUILLANE_CHMCMD chmcmd)
set(QUILLANE_MANUAL_CHM ${QUILLANE_PROGRAM_DIR}/Vosk.chm)
if(QUILLANE_CHMCMD)
  add_custom_command(OUTPUT ${QUILLANE_MANUAL_CHM}
    COMMAND ${CMAKE_COMMAND} -DCHMCMD=${QUILLANE_CHMCMD} -DSRC=${QUILLANE_MANUAL_DIR}
            -DWORK=${CMAKE_BINARY_DIR}/CMakeFiles/manual-chm -DDST=${QUILLANE_PROGRAM_DIR}
            -P ${CMAKE_SOURCE_DIR}/cmake/compile_manual.cmake
    DEPENDS ${QUILLANE_MANUAL_PAGES} ${QUILLANE_MANUAL_DIR}/Vosk.hhp ${QUILLANE_MANUAL_DIR}/Vosk.hhc
            ${QUILLANE_MANUAL_DIR}/Vosk.hhk ${CMAKE_SOURCE_DIR}/cmake/compile_manual.cmake
    COMMENT "Compiling the manual into Vosk.chm" VERBATIM)
  add_custom_target(manual ALL DEPENDS ${QUILLANE_MANUAL_CHM} ${manual_html})
else()
  message(STATUS "chmcmd not found (Debian package fp-utils): Vosk.chm is not built")
  add_custom_target(manual ALL
    COMMAND ${CMAKE_COMMAND} -E echo "chmcmd not found (Debian package fp-utils): Vosk.chm skipped"
    DEPENDS ${manual_html} VERBATIM)
endif()
