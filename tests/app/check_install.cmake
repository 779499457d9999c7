# Installs the build into a scratch prefix and checks what a desktop needs from it.
# Run as: cmake -DBUILD=<build dir> -DPREFIX=<scratch dir> -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
foreach(f bin/netrova bin/netrova-reg bin/netrova-dialup share/applications/netrova.desktop
          share/icons/hicolor/scalable/apps/netrova.svg)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
execute_process(COMMAND desktop-file-validate ${PREFIX}/share/applications/netrova.desktop
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate: ${out}")
endif()
# The entry names the installed program and icon.
file(READ ${PREFIX}/share/applications/netrova.desktop entry)
if(NOT entry MATCHES "\nExec=netrova\n" OR NOT entry MATCHES "\nIcon=netrova\n")
  message(FATAL_ERROR "the entry does not start the installed program with its icon")
endif()
file(REMOVE_RECURSE ${PREFIX})
