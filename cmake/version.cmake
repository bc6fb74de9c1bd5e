# The project's version, one place for every program: vistrel_version.h in the build tree,
# included by the resource scripts (VERSIONINFO, the about box) and the C++ sources.
foreach(part MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    set(VISTREL_VERSION_${part} 0)
  else()
    set(VISTREL_VERSION_${part} ${PROJECT_VERSION_${part}})
  endif()
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/cmake/vistrel_version.h.in
               ${CMAKE_BINARY_DIR}/generated/vistrel_version.h @ONLY)
add_library(vistrel_version INTERFACE)
target_include_directories(vistrel_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
