# The targets abi-check and abi-baseline (libabigail's abidw and abidiff,
# Debian: abigail-tools) for the shared libraries on ELF platforms. The
# baselines in abi/ come from the release preset's build:
#
#   cmake --preset release && cmake --build --preset release --target abi-check
#   cmake --build --preset release --target abi-baseline   # records abi/*.abi

get_target_property(bioapi_data_abi_type bioapi_data TYPE)
if(NOT bioapi_data_abi_type STREQUAL "SHARED_LIBRARY" OR WIN32 OR APPLE
   OR EMSCRIPTEN OR CMAKE_CROSSCOMPILING)
  return()
endif()
find_program(BIOAPI_DATA_ABIDW abidw DOC "libabigail's abidw (Debian: abigail-tools)")
find_program(BIOAPI_DATA_ABIDIFF abidiff DOC "libabigail's abidiff (Debian: abigail-tools)")

set(bioapi_data_abi_libraries "bioapi_data=$<TARGET_FILE:bioapi_data>")
set(bioapi_data_abi_targets bioapi_data)
if(TARGET bioapi_data_inspect)
  list(APPEND bioapi_data_abi_libraries
    "bioapi_data_inspect=$<TARGET_FILE:bioapi_data_inspect>")
  list(APPEND bioapi_data_abi_targets bioapi_data_inspect)
endif()

list(JOIN bioapi_data_abi_libraries "$<SEMICOLON>" bioapi_data_abi_libraries)
foreach(mode check baseline)
  if(BIOAPI_DATA_ABIDW AND BIOAPI_DATA_ABIDIFF)
    set(command ${CMAKE_COMMAND} -DMODE=${mode}
      -DABIDW=${BIOAPI_DATA_ABIDW} -DABIDIFF=${BIOAPI_DATA_ABIDIFF}
      -DBASELINE_DIR=${PROJECT_SOURCE_DIR}/abi
      "-DHEADER_DIRS=${PROJECT_SOURCE_DIR}/include/bioapi_data$<SEMICOLON>${BIOAPI_DATA_GENERATED_INCLUDE_DIR}/bioapi_data"
      "-DLIBRARIES=${bioapi_data_abi_libraries}"
      -P ${PROJECT_SOURCE_DIR}/cmake/scripts/abi.cmake)
  else()
    set(command ${CMAKE_COMMAND} -E echo
      "abi-${mode}: needs abidw and abidiff (Debian: abigail-tools)" COMMAND false)
  endif()
  add_custom_target(abi-${mode}
    COMMAND ${command}
    DEPENDS ${bioapi_data_abi_targets}
    COMMENT "ABI of the shared libraries: ${mode} (abi/)"
    VERBATIM)
endforeach()
