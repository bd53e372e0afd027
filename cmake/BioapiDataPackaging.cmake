# Debian packages of the install components (CPack DEB), from the release
# preset's build:
#
#   cmake --preset release && cmake --build --preset release
#   cd build/release && cpack -G DEB
#
# libbioapi-data1 (runtime: both shared libraries), libbioapi-data-dev (dev:
# headers, unversioned links, CMake package, .pc files) and bioapi-data-tools
# (tools: bir). dpkg-shlibdeps computes what each needs of the system.

set(BIOAPI_DATA_PACKAGE_CONTACT "The bioapi_data developers <bioapi-data@users.noreply.github.com>"
  CACHE STRING "Maintainer named by the Debian packages")

set(CPACK_PACKAGE_NAME bioapi-data)
set(CPACK_PACKAGE_VENDOR "The bioapi_data developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${BIOAPI_DATA_PACKAGE_CONTACT}")
# Each package's description below begins with its own synopsis line; CPack
# prepends the summary unless it is its default one.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
if(TARGET bir)
  list(APPEND CPACK_COMPONENTS_ALL tools)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# bir needs the project's own libraries, which dpkg-shlibdeps finds in the
# build tree; the tools package depends on the runtime package by name.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# The runtime package says which version of it a program built against it
# needs (its shlibs file), and has dpkg run ldconfig (a trigger).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
file(WRITE ${PROJECT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/triggers)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libbioapi-data${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "BioAPI 2.0 record object model - shared libraries
bioapi_data gives an object model of the BioAPI 2.0 biometric information
record (ISO/IEC 19784-1): decoding, editing and encoding records, from C++
or through its C interface.

This package holds the shared libraries: libbioapi_data, and
libbioapi_data_inspect, which says why a record is rejected and reads and
writes records as JSON.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libbioapi-data-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_DEBIAN_DEV_DESCRIPTION "BioAPI 2.0 record object model - development files
bioapi_data gives an object model of the BioAPI 2.0 biometric information
record (ISO/IEC 19784-1): decoding, editing and encoding records, from C++
or through its C interface.

This package holds the headers, the CMake package (find_package(bioapi_data))
and the pkg-config files (bioapi_data, bioapi_data_inspect).")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME bioapi-data-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "BioAPI 2.0 record object model - the bir tool
bioapi_data gives an object model of the BioAPI 2.0 biometric information
record (ISO/IEC 19784-1): decoding, editing and encoding records, from C++
or through its C interface.

This package holds bir, which dumps, checks and edits records and converts
them to and from JSON on the command line.")

# Each package carries the licence and a changelog where Debian expects
# them. They are installed only into the packages (EXCLUDE_FROM_ALL), never
# by a plain `cmake --install`.
set(bioapi_data_debian_dir ${PROJECT_BINARY_DIR}/debian)
configure_file(${PROJECT_SOURCE_DIR}/cmake/templates/debian-copyright.in
  ${bioapi_data_debian_dir}/copyright COPYONLY)
# string(TIMESTAMP) takes SOURCE_DATE_EPOCH when it is set.
string(TIMESTAMP bioapi_data_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
find_program(BIOAPI_DATA_GZIP gzip)
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  # A native package (no Debian revision): changelog.gz.
  set(changelog ${bioapi_data_debian_dir}/${package}/changelog)
  file(WRITE ${changelog}
    "${package} (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
    "  * Release ${PROJECT_VERSION}.\n\n"
    " -- ${BIOAPI_DATA_PACKAGE_CONTACT}  ${bioapi_data_changelog_date}\n")
  if(BIOAPI_DATA_GZIP)
    execute_process(COMMAND ${BIOAPI_DATA_GZIP} -9nf ${changelog})
    set(changelog ${changelog}.gz)
  endif()
  install(FILES ${bioapi_data_debian_dir}/copyright ${changelog}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

include(CPack)
