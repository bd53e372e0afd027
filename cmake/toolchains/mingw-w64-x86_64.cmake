# Cross-builds the Windows x64 DLL, its tests and the demo on Linux with
# MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix) and runs the programs under
# Wine (Debian: wine64).
#
#   cmake --preset windows   # or: cmake -DCMAKE_TOOLCHAIN_FILE=<this file> ...
#
# The posix thread model gives std::thread and std::mutex; the project links
# libgcc, libstdc++ and winpthread statically (BioapiDataTargetOptions.cmake),
# so the DLL and the programs need no toolchain DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(BIOAPI_DATA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${BIOAPI_DATA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BIOAPI_DATA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BIOAPI_DATA_MINGW_TRIPLE}-windres)

# Headers, libraries and packages come from the target's tree only; build
# tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${BIOAPI_DATA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest and gtest_discover_tests start every Windows program through Wine
# (run-under-wine.sh says how). The prefix is Wine's usual one: WINEPREFIX if
# set, else ~/.wine; it must be a 64-bit prefix, and Wine's first start
# creates it.
find_program(BIOAPI_DATA_WINE NAMES wine64 wine HINTS /usr/lib/wine
  DOC "Wine loader that runs the 64-bit Windows programs")
if(BIOAPI_DATA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
    /bin/sh ${CMAKE_CURRENT_LIST_DIR}/../scripts/run-under-wine.sh ${BIOAPI_DATA_WINE})
endif()
