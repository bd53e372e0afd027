# Cross-builds the library, its tests and the tools for Linux on IBM Z
# (s390x, big-endian) with Debian's cross compiler (g++-s390x-linux-gnu) and
# runs the programs under user-mode QEMU (qemu-user).
#
#   cmake --preset s390x   # or: cmake -DCMAKE_TOOLCHAIN_FILE=<this file> ...
#
# The record is little-endian whatever the host; on this host a byte-order
# slip shows as a wrong byte or field in the tests and the golden records.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)

set(BIOAPI_DATA_CROSS_TRIPLE s390x-linux-gnu)
set(CMAKE_C_COMPILER ${BIOAPI_DATA_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${BIOAPI_DATA_CROSS_TRIPLE}-g++)

# The target's C and C++ libraries live under /usr/s390x-linux-gnu; headers,
# libraries and packages come from there only, build tools from the host.
set(BIOAPI_DATA_CROSS_ROOT /usr/${BIOAPI_DATA_CROSS_TRIPLE})
set(CMAKE_FIND_ROOT_PATH ${BIOAPI_DATA_CROSS_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest and gtest_discover_tests start every program through QEMU, which
# finds the target's dynamic loader and shared libraries under -L (the same
# as QEMU_LD_PREFIX).
find_program(BIOAPI_DATA_QEMU NAMES qemu-s390x qemu-s390x-static
  DOC "User-mode QEMU that runs the s390x programs")
if(BIOAPI_DATA_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR
    ${BIOAPI_DATA_QEMU} -L ${BIOAPI_DATA_CROSS_ROOT})
endif()
