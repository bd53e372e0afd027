# Header-only dependencies (nlohmann/json for the inspection library, CLI11
# for the bir tool) in native and cross builds.

# A cross build (MinGW, for instance) finds no package of its own for these
# header-only libraries; it may use the build machine's copies. Only their own
# folder is put on the include path, through a link in the build tree: the
# build machine's /usr/include itself must stay out of sight, since the
# target's C++ library would pick glibc headers from it (sys/single_threaded.h,
# for one) and link against symbols that the target does not have.
function(bioapi_data_header_only_fallback target header why)
  if(TARGET ${target})
    return()
  endif()
  string(MAKE_C_IDENTIFIER "BIOAPI_DATA_${target}_DIR" dir_var)
  find_path(${dir_var} ${header}
    PATHS /usr/include /usr/local/include NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ${dir_var} OR NOT CMAKE_CROSSCOMPILING OR MSVC)
    message(FATAL_ERROR "${why}")
  endif()
  message(STATUS "${header} from ${${dir_var}}")
  string(REGEX REPLACE "/.*" "" folder ${header})
  set(include_dir ${CMAKE_CURRENT_BINARY_DIR}/host_headers/${dir_var})
  file(MAKE_DIRECTORY ${include_dir})
  file(CREATE_LINK ${${dir_var}}/${folder} ${include_dir}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${include_dir}
    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${include_dir})
endfunction()
