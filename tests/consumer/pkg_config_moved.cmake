# Installs the build into a prefix, moves the prefix elsewhere, and builds
# and runs the C consumers through pkg-config from where it now is: the .pc
# files name their directories relative to themselves (${pcfiledir}).
#
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DLIBDIR=lib -DCC=cc
#         -DPKG_CONFIG=pkg-config -DSOURCE_DIR=tests/consumer -DVERSION=10000
#         [-DSTATIC=ON] [-DLINK_FLAGS=...] -P pkg_config_moved.cmake
cmake_minimum_required(VERSION 3.20)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed
    OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(failed)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "${command}\n${output}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/installed)
file(RENAME ${WORK_DIR}/installed ${WORK_DIR}/moved)
set(libdir ${WORK_DIR}/moved/${LIBDIR})
# Only the moved tree's .pc files, never a copy installed on the system.
set(pkg_config ${CMAKE_COMMAND} -E env PKG_CONFIG_LIBDIR=${libdir}/pkgconfig
  PKG_CONFIG_PATH= ${PKG_CONFIG})
set(static_option "")
if(STATIC)
  set(static_option --static)
endif()

foreach(program version:bioapi_data inspect:bioapi_data_inspect)
  string(REPLACE ":" ";" program ${program})
  list(GET program 0 name)
  list(GET program 1 package)
  run(${pkg_config} --cflags --libs ${static_option} ${package})
  string(STRIP "${output}" flags)
  if(NOT flags MATCHES "${WORK_DIR}/moved/")
    message(FATAL_ERROR "pkg-config ${package} does not name the moved tree "
      "${WORK_DIR}/moved: ${flags}")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run(${CC} -std=c99 -DPACKAGE_VERSION=${VERSION} ${SOURCE_DIR}/${name}.c
    -o ${WORK_DIR}/${name} ${flags} ${LINK_FLAGS})
  run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${libdir} ${WORK_DIR}/${name})
  message(STATUS "${name} through pkg-config ${package} (${flags}): ${output}")
endforeach()
