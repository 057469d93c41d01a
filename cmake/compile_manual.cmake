# Compiles the HTML manual into Vosk.chm, in a copy of the pages (the compiler
# writes beside its project file), and puts the result into the program
# directory. A page the project lists but lacks, or a link to a file that is
# not there, fails the build: chmcmd itself only warns about the latter.
#   cmake -DCHMCMD=... -DSRC=docs/manual -DWORK=dir -DDST=program-dir -P compile_manual.cmake
file(REMOVE_RECURSE ${WORK})
file(COPY ${SRC}/ DESTINATION ${WORK})
execute_process(COMMAND ${CHMCMD} Vosk.hhp
  WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR out MATCHES "Warning|Error|exception" OR NOT EXISTS ${WORK}/Vosk.chm)
  file(REMOVE ${WORK}/Vosk.chm)
  message(FATAL_ERROR "Vosk.chm could not be compiled (chmcmd exit ${rc}):\n${out}")
endif()
file(COPY ${WORK}/Vosk.chm DESTINATION ${DST})
