# Lays out the program directory beside the executables: data/, dataextra/,
# and the demo's dictionaries and plugin when the source tree has them.
# Files already there are kept: they may be the user's own dictionaries
# (build-dictionaries) or a plugin the user has saved.
file(MAKE_DIRECTORY ${DST}/data ${DST}/dataextra ${DST}/plugins)
foreach(sub data plugins)
  if(EXISTS ${SRC}/${sub})
    file(GLOB demo_files ${SRC}/${sub}/*)
    foreach(f ${demo_files})
      get_filename_component(name ${f} NAME)
      if(NOT EXISTS ${DST}/${sub}/${name})
        file(COPY ${f} DESTINATION ${DST}/${sub})
      endif()
    endforeach()
  endif()
endforeach()
