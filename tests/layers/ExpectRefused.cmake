# cmake -D BUILD_DIR=... -D PROBES=layer_probe_<folder>_<name>;... -P ExpectRefused.cmake
# Builds each probe; one named "public_..." must compile, every other must be refused: by the compiler
# for the header it includes (not found, or the header's own refusal), or, for a path that climbs out
# of the include directories or starts at the root ("parent_", "root_"), by the build's include check.
foreach(probe IN LISTS PROBES)
  # The compiler's messages in English, whatever the users' locale the tests run under.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${probe}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(probe MATCHES "_public_")
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${probe} should compile:\n${out}")
    endif()
    message(STATUS "${probe}: compiles")
    continue()
  endif()
  if(rc EQUAL 0)
    message(FATAL_ERROR "${probe} compiled: its header is reachable from that folder")
  endif()
  if(probe MATCHES "_(parent|root)_")
    # CMake wraps its messages' lines.
    string(REGEX REPLACE "[ \t\r\n]+" " " flat "${out}")
    if(NOT flat MATCHES "reaches past the folder's include directories")
      message(FATAL_ERROR "${probe} failed for another reason than its path:\n${out}")
    endif()
    message(STATUS "${probe}: refused")
    continue()
  endif()
  string(REGEX REPLACE "^layer_probe_[a-z]+_" "" name "${probe}")
  string(REGEX REPLACE "^private_" "" name "${name}")
  string(REGEX REPLACE "^QtWidgets_" "" name "${name}")
  if(NOT out MATCHES "${name}(\\.h)?: No such file or directory" AND
     NOT out MATCHES "is for the platform and its tests only")
    message(FATAL_ERROR "${probe} failed for another reason than its header:\n${out}")
  endif()
  message(STATUS "${probe}: refused")
endforeach()
