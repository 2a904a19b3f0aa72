# krdl_windows_resources(<target>): gives a Windows executable its icon, version information and
# manifest (long paths, UTF-8 code page, the supported Windows versions).
function(krdl_windows_resources target)
  if(NOT WIN32)
    return()
  endif()
  set(KRDL_RESOURCE_DIR ${PROJECT_SOURCE_DIR}/resources)
  configure_file(${KRDL_RESOURCE_DIR}/KRDL.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  if(MSVC)
    # The MSVC linker writes the manifest from the .manifest sources it is given.
    target_sources(${target} PRIVATE ${KRDL_RESOURCE_DIR}/KRDL.manifest)
  else()
    set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc APPEND PROPERTY COMPILE_DEFINITIONS KRDL_EMBED_MANIFEST)
  endif()
endfunction()
