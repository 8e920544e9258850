# Pads the linked applet with zero bytes to the package offset, where a package's archive
# begins. A program that is already larger cannot carry a package: it is removed and the
# build fails.
#   cmake -DFILE=applet.exe -DSIZE=749568 -P PadApplet.cmake
file(SIZE "${FILE}" linked)
if(linked GREATER SIZE)
  file(REMOVE "${FILE}")
  message(FATAL_ERROR "${FILE} is ${linked} bytes, larger than the package offset ${SIZE}")
endif()
execute_process(COMMAND truncate -s "${SIZE}" "${FILE}" RESULT_VARIABLE failed)
file(SIZE "${FILE}" padded)
if(failed OR NOT padded EQUAL SIZE)
  file(REMOVE "${FILE}")
  message(FATAL_ERROR "could not pad ${FILE} to ${SIZE} bytes")
endif()
message(STATUS "applet.exe: ${linked} bytes linked, padded to ${SIZE}")
