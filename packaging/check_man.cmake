# Every manual page must format without a single warning:
# cmake -DMAN=man -DPAGES=a.1,b.1 -P check_man.cmake
string(REPLACE "," ";" pages "${PAGES}")
foreach(page ${pages})
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 MANWIDTH=80
                          ${MAN} --warnings -E UTF-8 -l ${page}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE warnings)
  if(NOT rc EQUAL 0 OR NOT warnings STREQUAL "")
    message(FATAL_ERROR "man --warnings ${page}: ${rc}\n${warnings}")
  endif()
endforeach()
