include(CMakePackageConfigHelpers)

set(BIOAPI_DATA_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/bioapi_data")

set(bioapi_data_installed_libraries bioapi_data)
if(TARGET bioapi_data_inspect)
  list(APPEND bioapi_data_installed_libraries bioapi_data_inspect)
endif()
install(TARGETS ${bioapi_data_installed_libraries}
  EXPORT bioapi_data-targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(TARGET bir)
  install(TARGETS bir RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(DIRECTORY include/bioapi_data
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${BIOAPI_DATA_GENERATED_INCLUDE_DIR}/bioapi_data/version.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/bioapi_data)
install(EXPORT bioapi_data-targets
  NAMESPACE bioapi_data::
  DESTINATION ${BIOAPI_DATA_CMAKE_DIR})

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
  DESTINATION ${BIOAPI_DATA_CMAKE_DIR})

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
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(TARGET bioapi_data_inspect)
  configure_file(
    ${CMAKE_CURRENT_SOURCE_DIR}/cmake/templates/bioapi_data_inspect.pc.in
    ${CMAKE_CURRENT_BINARY_DIR}/bioapi_data_inspect.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/bioapi_data_inspect.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
