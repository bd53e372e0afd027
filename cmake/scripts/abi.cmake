# Compares the ABI of the shared libraries with the baselines kept in abi/,
# or records new baselines (abidw and abidiff of libabigail; Debian:
# abigail-tools). Run by the targets abi-check and abi-baseline:
#
#   cmake -DMODE=check|baseline -DABIDW=... -DABIDIFF=... -DBASELINE_DIR=...
#         "-DHEADER_DIRS=dir;dir" "-DLIBRARIES=name=file;name=file" -P abi.cmake
#
# Each library has one baseline, abi/<name>.abi, which records its SONAME.
# check fails on any change that abidiff reports for the symbols and types
# of the baseline (added functions and variables are allowed), unless the
# SONAME changed with it: then the old baseline is stale and the check says
# to record the new one.
cmake_minimum_required(VERSION 3.20)

# abidw reads the public headers to leave out private types; abidiff does
# the same for the library it compares with the baseline.
set(header_options "")
set(diff_header_options "")
foreach(dir IN LISTS HEADER_DIRS)
  list(APPEND header_options --headers-dir ${dir})
  list(APPEND diff_header_options --headers-dir2 ${dir})
endforeach()

function(read_soname file out)
  execute_process(COMMAND readelf -d ${file} OUTPUT_VARIABLE dynamic
    RESULT_VARIABLE failed)
  if(failed OR NOT dynamic MATCHES "Library soname: \\[([^]]+)\\]")
    message(FATAL_ERROR "${file}: no SONAME (readelf -d)")
  endif()
  set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()

set(failures "")
foreach(entry IN LISTS LIBRARIES)
  string(REPLACE "=" ";" entry "${entry}")
  list(GET entry 0 name)
  list(GET entry 1 library)
  set(baseline ${BASELINE_DIR}/${name}.abi)
  read_soname(${library} soname)
  if(MODE STREQUAL "baseline")
    # No paths of this machine in the file: no corpus path, no compilation
    # directories, no source locations.
    execute_process(COMMAND ${ABIDW} ${header_options} --drop-private-types
        --no-corpus-path --no-comp-dir-path --no-show-locs
        --out-file ${baseline} ${library}
      RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "abidw failed on ${library}")
    endif()
    message(STATUS "${name}: baseline of ${soname} in ${baseline}")
    continue()
  endif()
  if(NOT EXISTS ${baseline})
    list(APPEND failures "${name}: no baseline ${baseline}; record one with "
      "`cmake --build --preset release --target abi-baseline`")
    continue()
  endif()
  file(STRINGS ${baseline} corpus LIMIT_COUNT 1 REGEX "<abi-corpus ")
  string(REGEX MATCH "soname='([^']*)'" _ "${corpus}")
  set(baseline_soname ${CMAKE_MATCH_1})
  if(NOT baseline_soname STREQUAL soname)
    message(STATUS "${name}: SONAME ${baseline_soname} -> ${soname}: a new "
      "major version may break the ABI; record its baseline with the target "
      "abi-baseline")
    continue()
  endif()
  execute_process(COMMAND ${ABIDIFF} --no-added-syms ${diff_header_options}
      --drop-private-types
      ${baseline} ${library}
    RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE report)
  if(status EQUAL 0)
    message(STATUS "${name} (${soname}): ABI as in ${baseline}")
  else()
    # abidiff's status is a bit set: 1 error, 2 usage, 4 change, 8
    # incompatible change.
    message("${report}")
    list(APPEND failures "${name} (${soname}): abidiff status ${status} "
      "against ${baseline}")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n  " failures)
  message(FATAL_ERROR "ABI check failed:\n  ${failures}\n"
    "A library keeps its ABI under one SONAME (docs/abi.md). An intended "
    "compatible change (a new member at the end of a versioned C structure) "
    "is recorded with `cmake --build --preset release --target abi-baseline` "
    "in the same commit; an incompatible one needs a new major version.")
endif()
