# Lays out the program directory beside the executables: data/, dataextra/,
# and the demo's dictionaries and plugins when the source tree has them; the
# second demo's dictionaries (names in code page 1251) go to demo-cyrillic/data/,
# for the user to copy into data/ when trying it.
# Files already there are kept: they may be the user's own dictionaries
# (build-dictionaries) or a plugin the user has saved.
file(MAKE_DIRECTORY ${DST}/data ${DST}/dataextra ${DST}/plugins)
foreach(pair data:data plugins:plugins cyrillic/data:demo-cyrillic/data)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 from)
  list(GET pair 1 to)
  if(EXISTS ${SRC}/${from})
    file(GLOB demo_files ${SRC}/${from}/*)
    foreach(f ${demo_files})
      get_filename_component(name ${f} NAME)
      if(NOT EXISTS ${DST}/${to}/${name})
        file(COPY ${f} DESTINATION ${DST}/${to})
      endif()
    endforeach()
  endif()
endforeach()
