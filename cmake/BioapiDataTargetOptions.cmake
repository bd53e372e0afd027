# Warnings, sanitizers and the runtime linkage are set per target, never
# through the global flags, so that a project embedding this one keeps its own
# settings.
function(bioapi_data_target_options target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive-)
    if(BIOAPI_DATA_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
      "$<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor;-Wold-style-cast;-Woverloaded-virtual>")
    if(BIOAPI_DATA_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
  if(MINGW)
    # libgcc, libstdc++ and winpthread go into each DLL and program, so that
    # only system DLLs must be found beside them.
    target_link_options(${target} PRIVATE -static)
  endif()
  if(BIOAPI_DATA_SANITIZE)
    target_compile_options(${target} PRIVATE
      -fsanitize=${BIOAPI_DATA_SANITIZE} -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=${BIOAPI_DATA_SANITIZE})
  endif()
endfunction()

# A shared library on ELF platforms exports what its linker version script
# lists and nothing else: the C interface under a version node, the C++
# classes of its namespace; the standard library's template instances stay
# inside. Other platforms rely on the export macros alone.
function(bioapi_data_export_map target map)
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "SHARED_LIBRARY" OR WIN32 OR APPLE OR EMSCRIPTEN)
    return()
  endif()
  target_link_options(${target} PRIVATE "LINKER:--version-script=${map}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${map})
endfunction()

# BIOAPI_DATA_SPLIT_DEBUG_INFO: after linking, a binary's debug information
# moves into <file>.debug beside it, and the binary keeps a link to it
# (.gnu_debuglink), which gdb and abidw follow. The published binaries are
# optimised and small; the debug information is still there for whoever
# debugs them. On by the release presets and the Python package's build.
option(BIOAPI_DATA_SPLIT_DEBUG_INFO
  "Move the debug information of the libraries and the bir tool into <file>.debug" OFF)
function(bioapi_data_split_debug_info target)
  if(NOT BIOAPI_DATA_SPLIT_DEBUG_INFO OR MSVC OR APPLE OR EMSCRIPTEN)
    return()
  endif()
  if(NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "BIOAPI_DATA_SPLIT_DEBUG_INFO needs objcopy (binutils)")
  endif()
  get_target_property(type ${target} TYPE)
  if(NOT type MATCHES "^(SHARED_LIBRARY|MODULE_LIBRARY|EXECUTABLE)$")
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug
      $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-unneeded
      --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
      $<TARGET_FILE:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    COMMENT "Debug information of ${target} into $<TARGET_FILE_NAME:${target}>.debug"
    VERBATIM)
endfunction()
