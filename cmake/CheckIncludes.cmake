# cmake -D FILES=a.cpp|b.h|... -D STAMP=file -P CheckIncludes.cmake
# A library sees the headers of the libraries it links, by name. An include that climbs out of a
# folder ("../app/Reminders.h") or names a path from the root finds any header of the tree, past
# the include directories the layers are made of, so it is refused before anything compiles.
set(refused "")
string(REPLACE "|" ";" FILES "${FILES}")
foreach(file IN LISTS FILES)
  if(NOT EXISTS "${file}")
    continue()
  endif()
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
  foreach(line IN LISTS lines)
    if(line MATCHES "#[ \t]*include[ \t]*[\"<]([^\">]*)[\">]")
      set(path "${CMAKE_MATCH_1}")
      if(path MATCHES "(^|/)\\.\\.(/|$)" OR path MATCHES "^/")
        string(APPEND refused "${file}: #include \"${path}\" reaches past the folder's include directories; "
                              "include the header by its name from a library this one links\n")
      endif()
    endif()
  endforeach()
endforeach()
if(refused)
  message(FATAL_ERROR "${refused}")
endif()
file(TOUCH "${STAMP}")
