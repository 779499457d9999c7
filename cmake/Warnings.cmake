# The warnings every target of the project is built with.

option(NETROVA_WERROR "Treat warnings as errors" OFF)

add_library(netrova_warnings INTERFACE)
target_compile_options(netrova_warnings INTERFACE -Wall -Wextra -Wshadow -Wold-style-cast
                                                  -Wnon-virtual-dtor -Woverloaded-virtual)
# Every text from a byte string says which encoding it is in. The tests' many ASCII literals (in
# QCOMPARE, the rows of their data) are left to the implicit cast: targets under tests/ set
# NETROVA_ASCII_CASTS.
target_compile_definitions(
  netrova_warnings
  INTERFACE $<$<NOT:$<BOOL:$<TARGET_PROPERTY:NETROVA_ASCII_CASTS>>>:QT_NO_CAST_FROM_ASCII>)
# GCC 12 reports false -Wrestrict overlaps inside std::string at -O2 (GCC bug 105329).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(netrova_warnings INTERFACE -Wno-restrict)
endif()
if(NETROVA_WERROR)
  target_compile_options(netrova_warnings INTERFACE -Werror)
endif()

# Links netrova_warnings to every target built from sources in dir and the folders below it, so
# that a new target needs nothing of its own to get them. Call it after those folders are added.
function(netrova_warnings_for_all dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      target_link_libraries(${target} PRIVATE netrova_warnings)
      get_target_property(source_dir ${target} SOURCE_DIR)
      if(source_dir MATCHES "^${PROJECT_SOURCE_DIR}/tests(/|$)")
        set_target_properties(${target} PROPERTIES NETROVA_ASCII_CASTS ON)
      endif()
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    netrova_warnings_for_all(${subdir})
  endforeach()
endfunction()
