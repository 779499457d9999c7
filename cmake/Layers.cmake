# How the build holds the layers apart.

# Headers are included by layer: "store/Registry.h", "monitor/Monitor.h", ... Each layer's folder
# is reached through one of its own that holds only a link to it, so a target sees the headers of
# the layers it links and of no other: an upward include fails to build.
function(netrova_layer_headers target)
  get_filename_component(layer ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(dir ${CMAKE_BINARY_DIR}/include/${layer})
  file(MAKE_DIRECTORY ${dir})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${dir}/${layer} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${dir})
endfunction()

# A logic library shares its layer's folder with the window library beside it, so the include
# folders cannot keep it from a window header, and some window headers need nothing of Qt Widgets
# to compile. This refuses, when the build is configured, any include of a window library's header
# from a logic target's sources, their headers or a header without a source of its own; the build
# configures itself again when one of those files changes.
function(netrova_check_logic_includes)
  cmake_parse_arguments(C "" "" "LOGIC;WINDOWS" ${ARGN})
  set(window_headers)
  foreach(target IN LISTS C_WINDOWS)
    get_target_property(dir ${target} SOURCE_DIR)
    get_filename_component(layer ${dir} NAME)
    get_target_property(sources ${target} SOURCES)
    foreach(source IN LISTS sources)
      get_filename_component(name ${source} NAME_WE)
      if(source MATCHES "\\.cpp$" AND EXISTS ${dir}/${name}.h)
        list(APPEND window_headers ${layer}/${name}.h)
        set(owner_${layer}/${name}.h ${target})
      endif()
    endforeach()
  endforeach()
  foreach(target IN LISTS C_LOGIC)
    get_target_property(dir ${target} SOURCE_DIR)
    get_filename_component(layer ${dir} NAME)
    get_target_property(sources ${target} SOURCES)
    set(files)
    set(names)
    foreach(source IN LISTS sources)
      get_filename_component(file ${source} ABSOLUTE BASE_DIR ${dir})
      get_filename_component(name ${source} NAME_WE)
      list(APPEND files ${file})
      list(APPEND names ${name})
    endforeach()
    file(GLOB headers ${dir}/*.h)
    foreach(header IN LISTS headers)
      get_filename_component(name ${header} NAME_WE)
      # Its own sources' headers, and those without a source; not another target's.
      if(name IN_LIST names OR NOT EXISTS ${dir}/${name}.cpp)
        list(APPEND files ${header})
      endif()
    endforeach()
    foreach(file IN LISTS files)
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
      file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*" "\\1" header "${line}")
        if(NOT header MATCHES "/")
          set(header ${layer}/${header}) # found beside the including file
        endif()
        if(header IN_LIST window_headers)
          file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${file})
          message(FATAL_ERROR "${shown} includes \"${header}\", a header of the window library "
                              "${owner_${header}}, but belongs to ${target}, which stays free of "
                              "windows: what it needs belongs in a header free of widgets.")
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()
