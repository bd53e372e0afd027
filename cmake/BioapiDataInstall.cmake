include(CMakePackageConfigHelpers)

set(BIOAPI_DATA_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/bioapi_data")

set(bioapi_data_installed_libraries bioapi_data)
if(TARGET bioapi_data_inspect)
  list(APPEND bioapi_data_installed_libraries bioapi_data_inspect)
endif()
# Three components, as a distribution splits them: runtime (the shared
# libraries, or the DLLs), dev (headers, the unversioned links, static and
# import libraries, the CMake package, the .pc files) and tools (bir).
install(TARGETS ${bioapi_data_installed_libraries}
  EXPORT bioapi_data-targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
    NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
if(TARGET bir)
  install(TARGETS bir RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT tools)
  # Its manual page, compressed as distributions keep them.
  set(bir_manual ${PROJECT_SOURCE_DIR}/tools/bir/bir.1)
  find_program(BIOAPI_DATA_GZIP gzip)
  if(BIOAPI_DATA_GZIP AND UNIX)
    configure_file(${bir_manual} ${PROJECT_BINARY_DIR}/man/bir.1 COPYONLY)
    execute_process(COMMAND ${BIOAPI_DATA_GZIP} -9nf ${PROJECT_BINARY_DIR}/man/bir.1)
    set(bir_manual ${PROJECT_BINARY_DIR}/man/bir.1.gz)
  endif()
  install(FILES ${bir_manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
    COMPONENT tools)
endif()
install(DIRECTORY include/bioapi_data
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
install(FILES ${BIOAPI_DATA_GENERATED_INCLUDE_DIR}/bioapi_data/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/bioapi_data COMPONENT dev)
install(EXPORT bioapi_data-targets
  NAMESPACE bioapi_data::
  DESTINATION ${BIOAPI_DATA_CMAKE_DIR} COMPONENT dev)

configure_package_config_file(
  ${CMAKE_CURRENT_SOURCE_DIR}/cmake/templates/bioapi_data-config.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/bioapi_data-config.cmake
  INSTALL_DESTINATION ${BIOAPI_DATA_CMAKE_DIR})
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/bioapi_data-config-version.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/bioapi_data-config.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/bioapi_data-config-version.cmake
  DESTINATION ${BIOAPI_DATA_CMAKE_DIR} COMPONENT dev)

# The .pc files name their directories relative to their own place
# (${pcfiledir}), so an installed tree still serves pkg-config after it has
# been moved or unpacked elsewhere. Absolute install directories stay as
# given.
set(BIOAPI_DATA_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(BIOAPI_DATA_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH relative "/prefix/${BIOAPI_DATA_PC_DIR}" "/prefix")
  set(BIOAPI_DATA_PC_PREFIX "\${pcfiledir}/${relative}")
endif()
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(BIOAPI_DATA_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(BIOAPI_DATA_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()

# pkg-config: users of the static library also get its definition and, with
# --static, the C++ runtime that it needs beyond the C one.
set(BIOAPI_DATA_PC_CFLAGS "")
set(BIOAPI_DATA_PC_LIBS_PRIVATE "")
if(BIOAPI_DATA_LIBRARY_TYPE STREQUAL "STATIC_LIBRARY")
  set(BIOAPI_DATA_PC_CFLAGS " -DBIOAPI_DATA_STATIC")
  foreach(lib IN LISTS CMAKE_CXX_IMPLICIT_LINK_LIBRARIES)
    if(NOT lib IN_LIST CMAKE_C_IMPLICIT_LINK_LIBRARIES)
      string(APPEND BIOAPI_DATA_PC_LIBS_PRIVATE " -l${lib}")
    endif()
  endforeach()
endif()
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/templates/bioapi_data.pc.in
  ${CMAKE_CURRENT_BINARY_DIR}/bioapi_data.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/bioapi_data.pc
  DESTINATION ${BIOAPI_DATA_PC_DIR} COMPONENT dev)
if(TARGET bioapi_data_inspect)
  configure_file(
    ${CMAKE_CURRENT_SOURCE_DIR}/cmake/templates/bioapi_data_inspect.pc.in
    ${CMAKE_CURRENT_BINARY_DIR}/bioapi_data_inspect.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/bioapi_data_inspect.pc
    DESTINATION ${BIOAPI_DATA_PC_DIR} COMPONENT dev)
endif()

if(BIOAPI_DATA_TOP_LEVEL)
  include(BioapiDataPackaging)
endif()
