# Lays out the program directory beside the executables: data/, dataextra/,
# and the demo's dictionaries and plugin when the source tree has them.
file(MAKE_DIRECTORY ${DST}/data ${DST}/dataextra)
if(EXISTS ${SRC}/data)
  file(GLOB demo_data ${SRC}/data/*)
  foreach(f ${demo_data})
    file(COPY ${f} DESTINATION ${DST}/data)
  endforeach()
endif()
if(EXISTS ${SRC}/plugins)
  file(COPY ${SRC}/plugins DESTINATION ${DST})
endif()
