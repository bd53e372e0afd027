# Toolchain for the browser build: Emscripten's own toolchain file, found
# through the EMSCRIPTEN environment variable, `em-config`, or Debian's place.
# The library reports errors by throwing, so C++ exceptions are on everywhere
# (Emscripten turns them off by default).
if(DEFINED ENV{EMSCRIPTEN})
  set(_emscripten_root "$ENV{EMSCRIPTEN}")
else()
  find_program(_em_config em-config)
  if(_em_config)
    execute_process(COMMAND "${_em_config}" EMSCRIPTEN_ROOT
      OUTPUT_VARIABLE _emscripten_root OUTPUT_STRIP_TRAILING_WHITESPACE
      ERROR_QUIET)
  endif()
  if(NOT _emscripten_root)
    set(_emscripten_root /usr/share/emscripten)
  endif()
endif()
set(_emscripten_toolchain
  "${_emscripten_root}/cmake/Modules/Platform/Emscripten.cmake")
if(NOT EXISTS "${_emscripten_toolchain}")
  message(FATAL_ERROR "Emscripten not found at ${_emscripten_root}; install "
    "it (scripts/setup web) or set EMSCRIPTEN to its directory")
endif()
include("${_emscripten_toolchain}")

set(CMAKE_CXX_FLAGS_INIT "${CMAKE_CXX_FLAGS_INIT} -fexceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT} -fexceptions")
