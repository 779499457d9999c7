# Installs the build into a scratch prefix and checks what a desktop needs from it.
# Run as: cmake -DBUILD=<build dir> -DPREFIX=<scratch dir> -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
# Desktop entry, icon and AppStream data all carry the application's id.
set(id org.netrova.Netrova)
set(files share/applications/${id}.desktop share/icons/hicolor/scalable/apps/${id}.svg
          share/icons/hicolor/scalable/status/${id}-connected.svg
          share/icons/hicolor/scalable/status/${id}-disconnected.svg
          share/metainfo/${id}.metainfo.xml share/doc/netrova/copyright
          share/doc/netrova/changelog.gz)
foreach(program netrova netrova-reg netrova-dialup netrova-history)
  list(APPEND files bin/${program} share/man/man1/${program}.1.gz)
  if(NOT program STREQUAL "netrova")
    list(APPEND files share/bash-completion/completions/${program})
  endif()
endforeach()
set(sizes 16 22 24 32 48 64 128 256)
foreach(size ${sizes})
  list(APPEND files share/icons/hicolor/${size}x${size}/apps/${id}.png)
endforeach()
foreach(f ${files})
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
# Every program answers --version without a store or a display.
foreach(program netrova netrova-reg netrova-dialup netrova-history)
  execute_process(COMMAND ${PREFIX}/bin/${program} --version RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "^${program} [0-9]")
    message(FATAL_ERROR "${program} --version: ${rc} ${out}")
  endif()
endforeach()
# The PNG icons are drawn at the size their folder names.
foreach(size ${sizes})
  file(READ ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/${id}.png header LIMIT 24 HEX)
  math(EXPR expected_hex "${size}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${header}" 32 16 dimensions)
  string(SUBSTRING "${expected_hex}" 2 -1 digits)
  string(LENGTH "${digits}" length)
  math(EXPR pad "8 - ${length}")
  string(REPEAT "0" ${pad} zeros)
  if(NOT dimensions STREQUAL "${zeros}${digits}${zeros}${digits}")
    message(FATAL_ERROR "${id}.png of ${size}x${size} is not that size: ${dimensions}")
  endif()
endforeach()
execute_process(COMMAND desktop-file-validate ${PREFIX}/share/applications/${id}.desktop
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
# desktop-file-utils before 0.27 knows the entry format only up to 1.4, without SingleMainWindow.
string(REGEX REPLACE "[^\n]*: error: file contains key \"SingleMainWindow\" in group \"Desktop Entry\", but keys extending the format should start with \"X-\"\n"
       "" rest "${out}")
if(NOT rest STREQUAL "" OR (NOT rc EQUAL 0 AND rest STREQUAL out))
  message(FATAL_ERROR "desktop-file-validate: ${out}")
endif()
# The entry starts the installed program with its icon, and the desktop matches it to the
# program's windows (WM_CLASS "netrova", "Netrova"; on Wayland the application's id).
file(READ ${PREFIX}/share/applications/${id}.desktop entry)
foreach(line "Exec=netrova" "TryExec=netrova" "Icon=${id}" "StartupWMClass=Netrova"
             "SingleMainWindow=true")
  if(NOT entry MATCHES "\n${line}\n")
    message(FATAL_ERROR "the desktop entry lacks ${line}")
  endif()
endforeach()
file(READ ${PREFIX}/share/metainfo/${id}.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<launchable type=\"desktop-id\">${id}.desktop</launchable>")
  message(FATAL_ERROR "the AppStream data does not launch ${id}.desktop")
endif()
# The completions, as bash loads them, quote what they complete.
execute_process(COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../../packaging/check_completions.sh
                        ${PREFIX} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "bash completion: ${out}")
endif()
file(REMOVE_RECURSE ${PREFIX})
