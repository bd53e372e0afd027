include(CMakePackageConfigHelpers)

set(BIOAPI_DATA_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/bioapi_data")

install(TARGETS bioapi_data
  EXPORT bioapi_data-targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET bir)
  install(TARGETS bir RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(DIRECTORY include/bioapi_data
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT bioapi_data-targets
  NAMESPACE bioapi_data::
  DESTINATION ${BIOAPI_DATA_CMAKE_DIR})

configure_package_config_file(
  ${CMAKE_CURRENT_SOURCE_DIR}/cmake/bioapi_data-config.cmake.in
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

configure_file(${CMAKE_CURRENT_SOURCE_DIR}/cmake/bioapi_data.pc.in
  ${CMAKE_CURRENT_BINARY_DIR}/bioapi_data.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/bioapi_data.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
